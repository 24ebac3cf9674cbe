// UpdateServerSim: a fixture HTTP server on 127.0.0.1 that answers as the update server, the
// legacy update server and the feedback server from a folder, with fault injection. It runs
// on its own thread, so tests start it in-process.
//
// Folder layout (every reply file is optional; a missing one gives 404):
//   update/<types>.json      offer of the update endpoint for the form's "types"
//                            (update/default.json when there is no file for the type)
//   languages/<types>.json   reply to a language-list query ("getlist=yes"), same fallback
//   products.json            reply to the product-list query ("getlist=allproductlist")
//   legacy/<types>.txt       reply line of the legacy endpoint, same fallback (default.txt)
//   feedback.txt             reply body of the feedback endpoint ("ok" when missing)
//   feedback-received.txt    written by the server: every report the feedback endpoint took,
//                            its fields decoded, one "key: value" line each (a line break in a
//                            value continues on a line starting with a tab), then a blank line
//   files/<path>             served to GET <path> (the query string is ignored)
// Replies are read at every request and may use these placeholders:
//   {base}         the server's base address, "http://127.0.0.1:<port>" (or https)
//   {md5:<path>}   the MD5 of files/<path> in lower-case hexadecimal
//   {size:<path>}  the size in bytes of files/<path>
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vortik::sim {

inline constexpr char kUpdateEndpoint[] = "/HandheldDeviceUpdate/OSSService.php";
inline constexpr char kLegacyEndpoint[] = "/uplink/vx_checkupgrade.php";
inline constexpr char kFeedbackEndpoint[] = "/HandheldDeviceUpdate/feedback.php";

// One request as the server received it.
struct SimRequest {
  std::string method;
  std::string path;                            // without the query string
  std::string query;                           // after '?', empty when none
  std::string body;                            // exactly the Content-Length bytes
  std::map<std::string, std::string> form;     // body fields split at '&' and '=', not decoded
  std::map<std::string, std::string> headers;  // names in lower case
  // Body fields of a POST in body order, decoded as application/x-www-form-urlencoded.
  std::vector<std::pair<std::string, std::string>> fields;
};

// Decodes a form body: fields split at '&', names and values at their first '=', then '+'
// read as a space and %XX as the byte XX (a malformed escape stays as written).
std::vector<std::pair<std::string, std::string>> DecodeForm(const std::string& body);

// What to do wrong for requests to one path. Several faults may combine.
struct SimFault {
  int status = 0;              // answer with this status (and a short text body) instead
  std::string redirectTo;      // answer 302 with this Location ({base} is expanded)
  int64_t truncateAfter = -1;  // announce the full length, send this many body bytes, close
  bool wrongDigest = false;    // change the last body byte, so a digest check fails
  int delayMs = 0;             // wait this long before answering
  int chunkBytes = 0;          // send the body in pieces of this size ...
  int chunkDelayMs = 0;        // ... with this pause before each piece
  int times = -1;              // applies to this many requests, then is dropped; -1: always
};

// The https mode: the server's certificate chain and key, PEM files.
struct SimTls {
  std::string certFile;  // empty: plain HTTP
  std::string keyFile;
};

class UpdateServerSim {
 public:
  explicit UpdateServerSim(std::string root, const SimTls& tls = {});
  ~UpdateServerSim();  // stops the server
  UpdateServerSim(const UpdateServerSim&) = delete;
  UpdateServerSim& operator=(const UpdateServerSim&) = delete;

  // Listens on host:port (port 0: any free port) and serves on a thread of its own.
  // False when the port cannot be bound.
  bool Start(int port = 0, const std::string& host = "127.0.0.1");
  void Stop();
  int Port() const;
  std::string BaseUrl() const;  // "http://127.0.0.1:<port>" ("https://" in the https mode)
  const std::string& Root() const;

  void SetFault(const std::string& path, const SimFault& fault);
  void ClearFaults();

  std::vector<SimRequest> Requests() const;
  void ClearRequests();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Writes `content` to root/relative, creating the folders on the way. True on success.
bool WriteSimFile(const std::string& root, const std::string& relative, const std::string& content);

// One part of a parted FLASH image: its size and the 2-byte tag its table entry carries.
struct DemoPart {
  uint32_t size = 0;
  uint16_t tag = 0;
};

// The parts of the demo's FLASH offer, in "fls" order. Part 1 carries the table of all parts
// at offset 8192; the emulated tool's demo identity holds the same table except for part 3's
// tag, so the demo fetches and burns parts 3 and 1 only.
std::vector<DemoPart> DemoFlashLayout();

// The bytes of a parted FLASH image laid out as `parts` (consecutive addresses from 0): part k
// is filler seeded by k and its tag; part 1 also carries the table (count, then entries 0 .. M-1,
// entry 0 spanning all parts) at offset 8192.
std::vector<std::string> PartedFlashFiles(const std::vector<DemoPart>& parts);

// The demo's content: what the servers offer to the emulated tool.
struct DemoContent {
  std::string productType = "TQ460";  // the extended tool's model
  // Languages offered for every model; none (the demo) means no language list is served, so
  // the run asks nothing.
  std::vector<std::string> languages;
  std::string defaultLanguage = "EN";
  std::vector<std::string> products = {"TQ460", "TQ450", "BRX450", "TQ480"};
  std::string romVersion = "1.2.0";
  std::string flashVersion = "2.1.0";
  std::string romImage;                 // ROM file bytes (192 KiB generated when empty)
  std::vector<std::string> flashParts;  // FLASH part files in "fls" order (DemoFlashLayout)
  std::string legacyRomVersion = "1.2.0";
  std::string legacyFlashVersion = "2.1.0";
  std::string legacyRomImage;    // legacy ROM file bytes (generated, with a trailer, when empty)
  std::string legacyFlashImage;  // legacy FLASH file bytes (generated, with a trailer, when empty)
};

// Writes the demo's replies and files into `dir` (the layout above). True on success.
bool WriteDemoContent(const std::string& dir, const DemoContent& content = {});

}  // namespace vortik::sim
