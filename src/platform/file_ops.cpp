#include "platform/file_ops.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <time.h>

#include <cerrno>
#include <string>
#include <utility>

namespace vortik::platform {

namespace {

constexpr int64_t kRecentNs = 2'000'000'000;

FileStamp StampOf(const struct stat& st) {
  FileStamp stamp;
  stamp.size = static_cast<int64_t>(st.st_size);
  stamp.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
  stamp.inode = static_cast<uint64_t>(st.st_ino);
  stamp.device = static_cast<uint64_t>(st.st_dev);
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  int64_t nowNs = static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
  // A time in the future counts as recent too: the clock may have been set back.
  stamp.recent = nowNs - stamp.mtimeNs < kRecentNs;
  return stamp;
}

}  // namespace

File::~File() = default;
File::File(File&& other) noexcept = default;
File& File::operator=(File&& other) noexcept = default;

bool File::Open(const std::string& path, Mode mode) {
  Close();
  int flags = (mode == Mode::kReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOCTTY;
  int fd = ::open(path.c_str(), flags);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  fd_.Reset(fd);
  return true;
}

void File::Close() {
  fd_.Reset();
}

int64_t File::Size() const {
  if (!fd_.valid()) return -1;
  struct stat st {};
  if (::fstat(fd_.get(), &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool File::Seek(int64_t offset) {
  if (!fd_.valid() || offset < 0) return false;
  return ::lseek(fd_.get(), static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

int64_t File::Read(void* buf, size_t size) {
  if (!fd_.valid()) return -1;
  auto* out = static_cast<unsigned char*>(buf);
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::read(fd_.get(), out + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

bool File::Truncate(int64_t size) {
  if (!fd_.valid() || size < 0) return false;
  return ::ftruncate(fd_.get(), static_cast<off_t>(size)) == 0;
}

bool File::Stamp(FileStamp* out) const {
  struct stat st {};
  if (!fd_.valid() || ::fstat(fd_.get(), &st) != 0) return false;
  *out = StampOf(st);
  return true;
}

bool StampFile(const std::string& path, FileStamp* out) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  *out = StampOf(st);
  return true;
}

int64_t FileSize(const std::string& path) {
  File file;
  if (!file.Open(path, File::Mode::kRead)) return -1;
  return file.Size();
}

bool AppendLine(const std::string& path, std::string_view line) {
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644));
  if (!fd.valid()) return false;
  // Another process appending at the same moment waits for this line to be complete.
  while (::flock(fd.get(), LOCK_EX) != 0) {
    if (errno != EINTR) return false;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  std::string text;
  text.reserve(line.size() + 2);
  if (st.st_size > 0) {
    // The last byte, read through a second descriptor: an append-only one cannot read.
    UniqueFd reader(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    char last = '\n';
    if (!reader.valid() || ::pread(reader.get(), &last, 1, st.st_size - 1) != 1) return false;
    if (last != '\n') text += '\n';
  }
  text.append(line);
  text += '\n';
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd.get(), text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return ::fdatasync(fd.get()) == 0;
}

bool RemoveFile(const std::string& path) {
  return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

bool ReadWholeFile(const std::string& path, std::string& out, int64_t maxBytes) {
  File file;
  if (!file.Open(path, File::Mode::kRead)) return false;
  const int64_t size = file.Size();
  if (size < 0 || size > maxBytes) return false;
  out.assign(static_cast<size_t>(size), '\0');
  const int64_t read = file.Read(out.data(), out.size());
  if (read < 0) return false;
  out.resize(static_cast<size_t>(read));
  return true;
}

}  // namespace vortik::platform
