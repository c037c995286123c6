// Growth of the agent's response buffer.
#include "response_buffer.h"

#include <cstring>
#include <new>

namespace mivo::oiurl {

bool response_buffer::append(const unsigned char* chunk, std::uint32_t size) {
  if (size == 0) return true;
  // Room is needed for the chunk and the zero byte after it, hence "more
  // free bytes than the chunk", not "as many".
  std::uint32_t capacity = capacity_;
  while (capacity - size_ <= size) {
    if (capacity > limit_ - growth_step) {
      clear();
      return false;
    }
    capacity += growth_step;
  }
  if (capacity != capacity_) {
    // The block is one byte longer than the capacity and zero-filled, so
    // the byte after the data is always 0.
    std::unique_ptr<unsigned char[]> grown(
        new (std::nothrow) unsigned char[std::size_t{capacity} + 1]());
    if (!grown) {
      clear();
      return false;
    }
    if (size_) std::memcpy(grown.get(), block_.get(), size_);
    block_ = std::move(grown);
    capacity_ = capacity;
  }
  std::memcpy(block_.get() + size_, chunk, size);
  size_ += size;
  block_[size_] = 0;
  return true;
}

void response_buffer::clear() noexcept {
  block_.reset();
  size_ = 0;
  capacity_ = 0;
}

}  // namespace mivo::oiurl
