#include "update_server_sim.h"

#include <httplib.h>
#include <openssl/evp.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

namespace vortik::sim {

namespace fs = std::filesystem;

namespace {

std::optional<std::string> ReadFileBytes(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string Md5Hex(const std::string& bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr);
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 15];
  }
  return hex;
}

// A request path that stays inside the served folder.
bool IsSafeRelative(const std::string& path) {
  return path.find("..") == std::string::npos && path.find('\0') == std::string::npos;
}

std::map<std::string, std::string> SplitForm(const std::string& body) {
  std::map<std::string, std::string> form;
  size_t start = 0;
  while (start <= body.size()) {
    size_t end = body.find('&', start);
    if (end == std::string::npos) end = body.size();
    std::string pair = body.substr(start, end - start);
    size_t eq = pair.find('=');
    if (!pair.empty()) {
      form.emplace(pair.substr(0, eq), eq == std::string::npos ? "" : pair.substr(eq + 1));
    }
    start = end + 1;
  }
  return form;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string PercentDecode(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out += ' ';
    } else if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
               HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// One report as the feedback log keeps it.
std::string FeedbackLogEntry(const std::vector<std::pair<std::string, std::string>>& fields) {
  std::string entry;
  for (const auto& [name, value] : fields) {
    entry += name + ": ";
    for (char c : value) {
      entry += c;
      if (c == '\n') entry += '\t';
    }
    entry += '\n';
  }
  return entry + '\n';
}

// Keeps a form value usable as a file name.
std::string FileNameOf(const std::string& value) {
  std::string name;
  for (char c : value) {
    bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
              c == '_' || c == '-' || c == '.';
    name += ok ? c : '_';
  }
  return name.empty() || name[0] == '.' ? "default" : name;
}

}  // namespace

struct UpdateServerSim::Impl {
  std::string root;
  std::unique_ptr<httplib::Server> server;  // an SSLServer in the https mode
  bool https = false;
  std::thread thread;
  std::atomic<int> port{0};
  std::atomic<bool> listenEnded{false};

  mutable std::mutex mutex;
  std::condition_variable stopping;  // wakes delayed replies when the server stops
  bool stopRequested = false;
  std::map<std::string, SimFault> faults;
  std::vector<SimRequest> requests;

  std::string BaseUrl() const {
    return (https ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(port.load());
  }

  // Sleeps `ms`; false when the server is stopping.
  bool Pause(int ms) {
    if (ms <= 0) return true;
    std::unique_lock lock(mutex);
    return !stopping.wait_for(lock, std::chrono::milliseconds(ms), [&] { return stopRequested; });
  }

  std::optional<SimFault> TakeFault(const std::string& path) {
    std::lock_guard lock(mutex);
    auto it = faults.find(path);
    if (it == faults.end()) return std::nullopt;
    SimFault fault = it->second;
    if (it->second.times > 0 && --it->second.times == 0) faults.erase(it);
    return fault;
  }

  void Record(const httplib::Request& req) {
    SimRequest r;
    r.method = req.method;
    r.path = req.path;
    size_t q = req.target.find('?');
    if (q != std::string::npos) r.query = req.target.substr(q + 1);
    r.body = req.body;
    if (req.method == "POST") {
      r.form = SplitForm(req.body);
      r.fields = DecodeForm(req.body);
    }
    for (const auto& [name, value] : req.headers) {
      std::string lower = name;
      std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
      r.headers[lower] = value;
    }
    std::lock_guard lock(mutex);
    if (r.method == "POST" && r.path == kFeedbackEndpoint) {
      std::error_code ec;
      fs::create_directories(root, ec);
      std::ofstream log(fs::path(root) / "feedback-received.txt", std::ios::binary | std::ios::app);
      log << FeedbackLogEntry(r.fields);
    }
    requests.push_back(std::move(r));
  }

  // Replaces {base}, {md5:<path>} and {size:<path>}.
  std::string Expand(const std::string& text) const {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
      size_t open = text.find('{', i);
      if (open == std::string::npos) break;
      size_t close = text.find('}', open);
      if (close == std::string::npos) break;
      out.append(text, i, open - i);
      std::string key = text.substr(open + 1, close - open - 1);
      if (key == "base") {
        out += BaseUrl();
      } else if (key.rfind("md5:", 0) == 0 || key.rfind("size:", 0) == 0) {
        bool md5 = key[0] == 'm';
        std::string rel = key.substr(md5 ? 4 : 5);
        auto bytes =
            IsSafeRelative(rel) ? ReadFileBytes(fs::path(root) / "files" / rel) : std::nullopt;
        out += !bytes ? std::string() : md5 ? Md5Hex(*bytes) : std::to_string(bytes->size());
      } else {
        out += '{';  // not a placeholder: keep the brace, look for one inside
        i = open + 1;
        continue;
      }
      i = close + 1;
    }
    out.append(text, i, std::string::npos);
    return out;
  }

  std::optional<std::string> ReplyFile(const std::string& folder, const std::string& types,
                                       const std::string& extension) const {
    fs::path dir = fs::path(root) / folder;
    if (auto bytes = ReadFileBytes(dir / (FileNameOf(types) + extension))) return bytes;
    return ReadFileBytes(dir / ("default" + extension));
  }

  // The body an endpoint or file path answers with; nothing for 404.
  std::optional<std::string> Content(const httplib::Request& req) const {
    if (req.method == "POST") {
      auto form = SplitForm(req.body);
      const std::string& types = form["types"];
      if (req.path == kUpdateEndpoint) {
        if (form["getlist"] == "yes") return ExpandOpt(ReplyFile("languages", types, ".json"));
        if (form["getlist"] == "allproductlist") {
          return ExpandOpt(ReadFileBytes(fs::path(root) / "products.json"));
        }
        return ExpandOpt(ReplyFile("update", types, ".json"));
      }
      if (req.path == kLegacyEndpoint) return ExpandOpt(ReplyFile("legacy", types, ".txt"));
      if (req.path == kFeedbackEndpoint) {
        auto body = ReadFileBytes(fs::path(root) / "feedback.txt");
        return body ? Expand(*body) : std::string("ok");
      }
      return std::nullopt;
    }
    if (!IsSafeRelative(req.path)) return std::nullopt;
    return ReadFileBytes(fs::path(root) / "files" / fs::path(req.path).relative_path());
  }

  std::optional<std::string> ExpandOpt(const std::optional<std::string>& text) const {
    if (!text) return std::nullopt;
    return Expand(*text);
  }

  void Handle(const httplib::Request& req, httplib::Response& res) {
    Record(req);
    SimFault fault = TakeFault(req.path).value_or(SimFault{});
    if (!Pause(fault.delayMs)) return;
    if (!fault.redirectTo.empty()) {
      res.status = 302;
      res.set_header("Location", Expand(fault.redirectTo));
      Send(res, "moved", fault);
      return;
    }
    if (fault.status != 0) {
      res.status = fault.status;
      Send(res, "error " + std::to_string(fault.status), fault);
      return;
    }
    auto body = Content(req);
    if (!body) {
      res.status = 404;
      Send(res, "not found", fault);
      return;
    }
    if (fault.wrongDigest && !body->empty()) body->back() ^= 0x5A;
    res.status = 200;
    Send(res, std::move(*body), fault);
  }

  // Sends the body through a provider: it may be paced or cut, and it is never compressed.
  void Send(httplib::Response& res, std::string body, const SimFault& fault) {
    auto data = std::make_shared<std::string>(std::move(body));
    const size_t limit = fault.truncateAfter >= 0
                             ? std::min(data->size(), size_t(fault.truncateAfter))
                             : data->size();
    res.set_content_provider(
        data->size(), "application/octet-stream",
        [this, data, limit, fault](size_t offset, size_t length, httplib::DataSink& sink) {
          if (offset >= limit) return false;  // cut: the connection closes early
          size_t piece = std::min(length, limit - offset);
          if (fault.chunkBytes > 0) piece = std::min(piece, size_t(fault.chunkBytes));
          if (!Pause(fault.chunkDelayMs)) return false;
          return sink.write(data->data() + offset, piece);
        });
  }
};

std::vector<std::pair<std::string, std::string>> DecodeForm(const std::string& body) {
  std::vector<std::pair<std::string, std::string>> fields;
  size_t start = 0;
  while (start < body.size()) {
    size_t end = body.find('&', start);
    if (end == std::string::npos) end = body.size();
    std::string pair = body.substr(start, end - start);
    if (!pair.empty()) {
      size_t eq = pair.find('=');
      fields.emplace_back(PercentDecode(pair.substr(0, eq)),
                          eq == std::string::npos ? "" : PercentDecode(pair.substr(eq + 1)));
    }
    start = end + 1;
  }
  return fields;
}

UpdateServerSim::UpdateServerSim(std::string root, const SimTls& tls)
    : impl_(std::make_unique<Impl>()) {
  impl_->root = std::move(root);
  impl_->https = !tls.certFile.empty();
  if (impl_->https) {
    impl_->server = std::make_unique<httplib::SSLServer>(tls.certFile.c_str(), tls.keyFile.c_str());
  } else {
    impl_->server = std::make_unique<httplib::Server>();
  }
  auto handler = [this](const httplib::Request& req, httplib::Response& res) {
    impl_->Handle(req, res);
  };
  impl_->server->Get(".*", handler);
  impl_->server->Post(".*", handler);
  // The library refuses form bodies above 8 KB unless the handler reads the body itself, and
  // feedback reports may reach 64 KB.
  impl_->server->Post(kFeedbackEndpoint, [this](const httplib::Request& req, httplib::Response& res,
                                                const httplib::ContentReader& reader) {
    httplib::Request whole = req;
    reader([&whole](const char* data, size_t length) {
      whole.body.append(data, length);
      return true;
    });
    impl_->Handle(whole, res);
  });
  impl_->server->set_keep_alive_timeout(1);
}

UpdateServerSim::~UpdateServerSim() {
  Stop();
}

bool UpdateServerSim::Start(int port, const std::string& host) {
  if (impl_->thread.joinable() || !impl_->server->is_valid()) return false;
  int bound = port;
  if (port == 0) {
    bound = impl_->server->bind_to_any_port(host);
    if (bound <= 0) return false;
  } else if (!impl_->server->bind_to_port(host, port)) {
    return false;
  }
  impl_->port = bound;
  {
    std::lock_guard lock(impl_->mutex);
    impl_->stopRequested = false;
  }
  impl_->listenEnded = false;
  impl_->thread = std::thread([this] {
    impl_->server->listen_after_bind();
    impl_->listenEnded = true;
  });
  // Stop() only works once the server runs, so wait for it.
  while (!impl_->server->is_running() && !impl_->listenEnded) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return impl_->server->is_running();
}

void UpdateServerSim::Stop() {
  if (!impl_->thread.joinable()) return;
  {
    std::lock_guard lock(impl_->mutex);
    impl_->stopRequested = true;
  }
  impl_->stopping.notify_all();
  impl_->server->stop();
  impl_->thread.join();
}

int UpdateServerSim::Port() const {
  return impl_->port;
}
std::string UpdateServerSim::BaseUrl() const {
  return impl_->BaseUrl();
}
const std::string& UpdateServerSim::Root() const {
  return impl_->root;
}

void UpdateServerSim::SetFault(const std::string& path, const SimFault& fault) {
  std::lock_guard lock(impl_->mutex);
  impl_->faults[path] = fault;
}

void UpdateServerSim::ClearFaults() {
  std::lock_guard lock(impl_->mutex);
  impl_->faults.clear();
}

std::vector<SimRequest> UpdateServerSim::Requests() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->requests;
}

void UpdateServerSim::ClearRequests() {
  std::lock_guard lock(impl_->mutex);
  impl_->requests.clear();
}

bool WriteSimFile(const std::string& root, const std::string& relative,
                  const std::string& content) {
  fs::path path = fs::path(root) / relative;
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  return static_cast<bool>(out);
}

namespace {

// Deterministic filler bytes for a generated image.
std::string Filler(size_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) {
    seed = seed * 1103515245u + 12345u;
    bytes[i] = static_cast<char>(seed >> 16);
  }
  return bytes;
}

std::string JsonList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) out += (i ? ",\"" : "\"") + items[i] + "\"";
  return out + "]";
}

}  // namespace

std::vector<DemoPart> DemoFlashLayout() {
  return {{64 * 1024, 0x0201}, {128 * 1024, 0x0200}, {256 * 1024, 0x0201}, {64 * 1024, 0x0200}};
}

std::vector<std::string> PartedFlashFiles(const std::vector<DemoPart>& parts) {
  constexpr size_t kTableOffset = 8192;
  // Entries 0 .. M-1: address and size (big-endian), then the tag.
  std::string table;
  auto putBe = [&table](uint32_t v, int bytes) {
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) {
      table += static_cast<char>((v >> shift) & 0xFF);
    }
  };
  uint32_t total = 0;
  for (const DemoPart& part : parts) total += part.size;
  putBe(static_cast<uint32_t>(parts.size() + 2), 2);  // N: entries 0 .. M-1 plus one
  putBe(0, 4);
  putBe(total, 4);
  putBe(0, 2);
  uint32_t address = 0;
  for (const DemoPart& part : parts) {
    putBe(address, 4);
    putBe(part.size, 4);
    putBe(part.tag, 2);
    address += part.size;
  }
  std::vector<std::string> files;
  for (size_t k = 1; k <= parts.size(); ++k) {
    const DemoPart& part = parts[k - 1];
    std::string bytes = Filler(part.size, static_cast<uint32_t>(k) * 65536u + part.tag);
    if (k == 1) {
      if (bytes.size() < kTableOffset + table.size()) bytes.resize(kTableOffset + table.size());
      bytes.replace(kTableOffset, table.size(), table);
    }
    files.push_back(std::move(bytes));
  }
  return files;
}

bool WriteDemoContent(const std::string& dir, const DemoContent& content) {
  const std::string rom = content.romImage.empty() ? Filler(192 * 1024, 1) : content.romImage;
  std::vector<std::string> parts = content.flashParts;
  if (parts.empty()) parts = PartedFlashFiles(DemoFlashLayout());
  // Files of the legacy server end in a verification trailer: a marker and the MD5 of the rest.
  auto withTrailer = [](std::string bytes) { return bytes + "md5_check-v1.0.0" + Md5Hex(bytes); };
  const std::string legacyRom =
      content.legacyRomImage.empty() ? withTrailer(Filler(32 * 1024, 3)) : content.legacyRomImage;
  const std::string legacyFlash = content.legacyFlashImage.empty()
                                      ? withTrailer(Filler(32 * 1024, 4))
                                      : content.legacyFlashImage;

  bool ok = WriteSimFile(dir, "files/rom/" + content.productType + ".rom", rom);
  std::string fls;
  for (size_t i = 0; i < parts.size(); ++i) {
    std::string name = "flash/" + content.productType + "_" + std::to_string(i + 1) + ".fls";
    ok = ok && WriteSimFile(dir, "files/" + name, parts[i]);
    fls += std::string(i ? "," : "") + "{\"url\":\"{base}/" + name + "\",\"md5\":\"0{md5:" + name +
           "}\"}";
  }
  const std::string romName = "rom/" + content.productType + ".rom";
  const std::string offer =
      "{\"code\":\"100\",\"data\":{"
      "\"rom\":{\"ver\":\"" +
      content.romVersion + "\",\"list\":[{\"url\":\"{base}/" + romName +
      "\",\"md5\":\"0{md5:" + romName + "}\",\"length\":\"{size:" + romName +
      "}\"}]},"
      "\"fls\":{\"ver\":\"" +
      content.flashVersion + "\",\"list\":[" + fls + "]}}}";
  ok = ok && WriteSimFile(dir, "update/default.json", offer);
  if (!content.languages.empty()) {
    ok = ok &&
         WriteSimFile(dir, "languages/default.json",
                      "{\"code\":\"100\",\"data\":{\"language\":" + JsonList(content.languages) +
                          ",\"default\":\"" + content.defaultLanguage + "\"}}");
  }
  if (!content.products.empty()) {
    ok = ok &&
         WriteSimFile(dir, "products.json",
                      "{\"message\":\"successful\",\"data\":" + JsonList(content.products) + "}");
  }
  ok = ok && WriteSimFile(dir, "files/legacy/rom.bin", legacyRom);
  ok = ok && WriteSimFile(dir, "files/legacy/flash.bin", legacyFlash);
  ok = ok &&
       WriteSimFile(dir, "legacy/default.txt",
                    "OK|" + content.legacyRomVersion + "|/legacy/rom.bin|{size:legacy/rom.bin}|" +
                        content.legacyFlashVersion + "|/legacy/flash.bin|{size:legacy/flash.bin}|");
  ok = ok && WriteSimFile(dir, "feedback.txt", "ok");
  return ok;
}

}  // namespace vortik::sim
