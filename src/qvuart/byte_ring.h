// A ring of bytes between one producer and one consumer (the caller locks): it always keeps one
// byte free, so it holds at most capacity - 1 bytes and is empty when both indices are equal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace vortik {

class ByteRing {
 public:
  // A block of `blockSize` bytes keeps this much for bookkeeping; the rest is the capacity.
  static constexpr int kBookkeeping = 20;
  // The smallest block whose ring holds a byte (one byte of the capacity always stays free).
  static constexpr int kSmallestBlockSize = kBookkeeping + 2;

  // A ring for a block of `blockSize` bytes; null when the size leaves no room for data
  // (below kSmallestBlockSize) or the memory cannot be had.
  static std::unique_ptr<ByteRing> Create(int blockSize);

  size_t capacity() const { return capacity_; }
  size_t size() const { return write_ >= read_ ? write_ - read_ : capacity_ - read_ + write_; }
  size_t room() const { return capacity_ - 1 - size(); }
  bool empty() const { return read_ == write_; }

  // Copies in as much as fits; returns the count.
  size_t Write(const uint8_t* data, size_t length);
  // Copies out up to `capacity` bytes; returns the count.
  size_t Read(uint8_t* buffer, size_t capacity);
  void Clear() { read_ = write_ = 0; }

  // The free bytes that follow the write index without wrapping; Commit adds n of them.
  std::span<uint8_t> FreeSpan();
  void Commit(size_t n);

 private:
  ByteRing(std::unique_ptr<uint8_t[]> data, size_t capacity)
      : data_(std::move(data)), capacity_(capacity) {}

  std::unique_ptr<uint8_t[]> data_;
  size_t capacity_;
  size_t read_ = 0;
  size_t write_ = 0;
};

}  // namespace vortik
