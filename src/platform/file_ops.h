// Regular-file access for images and digests: an owning file handle with size, read and truncate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/unique_fd.h"

namespace vortik::platform {

// One version of a file on disk: its size, modification time and identity. When a later stamp
// of the same path differs in any of them, the file may have changed.
struct FileStamp {
  int64_t size = -1;
  int64_t mtimeNs = 0;
  uint64_t inode = 0;
  uint64_t device = 0;
  // The modification time lay within two seconds of the clock when the stamp was taken. A write
  // in the same timestamp tick would leave the stamp unchanged, so such a stamp proves nothing.
  bool recent = false;

  bool SameVersion(const FileStamp& other) const {
    return size == other.size && mtimeNs == other.mtimeNs && inode == other.inode &&
           device == other.device;
  }
};

// One open regular file; closed when the object goes away. Only regular files open, so a
// folder or a device node given as an image path is treated like a missing file.
class File {
 public:
  enum class Mode { kRead, kReadWrite };

  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  bool Open(const std::string& path, Mode mode);
  bool IsOpen() const { return fd_.valid(); }
  void Close();

  // Length in bytes, or -1 when closed or on error.
  int64_t Size() const;
  // Moves the position to `offset` bytes from the start.
  bool Seek(int64_t offset);
  // Reads up to `size` bytes at the position, stopping early only at the end of the file.
  // Gives the count read (0 at the end) or -1 on error.
  int64_t Read(void* buf, size_t size);
  // Cuts the file to `size` bytes.
  bool Truncate(int64_t size);
  // The open file's stamp; false when closed or on error.
  bool Stamp(FileStamp* out) const;

 private:
  UniqueFd fd_;
};

// Length of a regular file, or -1 when it cannot be opened for reading.
int64_t FileSize(const std::string& path);
// Appends `line` and a line end to the file at `path` (created with mode 0644 when missing) in
// one write under an exclusive lock, then flushes it to the disk. Bytes already in the file are
// never rewritten, so a crash mid-write can only leave the last line unfinished; when the file
// does not end with a line end (such an unfinished line), one is written first so the new line
// stands on its own. False when the file cannot be opened or written.
bool AppendLine(const std::string& path, std::string_view line);
// Removes the file at `path`; true when it is gone afterwards (also when it was never there).
bool RemoveFile(const std::string& path);
// The whole content of a regular file of at most `maxBytes` bytes; false when it cannot be
// read or is larger.
bool ReadWholeFile(const std::string& path, std::string& out, int64_t maxBytes);

// The stamp of a regular file; false when `path` is missing or not a regular file.
bool StampFile(const std::string& path, FileStamp* out);

}  // namespace vortik::platform
