// Sole owner of a file descriptor: closes it when it goes, moves but never copies.
#pragma once

#include <utility>

namespace vortik::platform {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Gives the descriptor up without closing it.
  int Release() { return std::exchange(fd_, -1); }
  // Closes the descriptor held (if any), then holds `fd`. True unless that close failed, which
  // for a written file can mean lost data.
  bool Reset(int fd = -1);

 private:
  int fd_ = -1;
};

}  // namespace vortik::platform
