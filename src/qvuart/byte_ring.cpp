#include "qvuart/byte_ring.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vortik {

std::unique_ptr<ByteRing> ByteRing::Create(int blockSize) {
  if (blockSize < kSmallestBlockSize) return nullptr;
  const size_t capacity = static_cast<size_t>(blockSize) - kBookkeeping;
  std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[capacity]);
  if (!data) return nullptr;
  return std::unique_ptr<ByteRing>(new (std::nothrow) ByteRing(std::move(data), capacity));
}

size_t ByteRing::Write(const uint8_t* data, size_t length) {
  size_t done = 0;
  while (done < length) {
    std::span<uint8_t> free = FreeSpan();
    const size_t n = std::min(free.size(), length - done);
    if (n == 0) break;
    std::memcpy(free.data(), data + done, n);
    Commit(n);
    done += n;
  }
  return done;
}

size_t ByteRing::Read(uint8_t* buffer, size_t capacity) {
  size_t done = 0;
  while (done < capacity && !empty()) {
    const size_t end = write_ >= read_ ? write_ : capacity_;
    const size_t n = std::min(end - read_, capacity - done);
    std::memcpy(buffer + done, data_.get() + read_, n);
    read_ = (read_ + n) % capacity_;
    done += n;
  }
  return done;
}

std::span<uint8_t> ByteRing::FreeSpan() {
  // Up to the end of the block, but never onto the byte before the read index.
  size_t end = read_ > write_ ? read_ - 1 : (read_ == 0 ? capacity_ - 1 : capacity_);
  return {data_.get() + write_, end - write_};
}

void ByteRing::Commit(size_t n) {
  write_ = (write_ + std::min(n, FreeSpan().size())) % capacity_;
}

}  // namespace vortik
