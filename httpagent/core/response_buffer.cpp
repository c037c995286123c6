// Growth of the agent's response buffer.
#include "response_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace mivo::oiurl {

bool response_buffer::append(const unsigned char* chunk, std::uint32_t size) {
  if (size == 0) return true;
  if (std::uint64_t{size_} + size > limit_) {
    clear();
    return false;
  }
  // Room is needed for the chunk and the zero byte after it, hence "more
  // free bytes than the chunk", not "as many".
  const std::uint64_t needed = std::uint64_t{size_} + size + 1;
  if (capacity_ < needed) {
    // Doubling keeps the copying of a large answer proportional to its size;
    // the limit caps the last step.
    std::uint64_t capacity = capacity_ ? capacity_ : growth_step;
    while (capacity < needed) capacity *= 2;
    capacity = std::min<std::uint64_t>(capacity, std::uint64_t{limit_} + 1);
    // The block is one byte longer than the capacity and zero-filled, so
    // the byte after the data is always 0.
    std::unique_ptr<unsigned char[]> grown(
        new (std::nothrow) unsigned char[static_cast<std::size_t>(capacity) + 1]());
    if (!grown) {
      clear();
      return false;
    }
    if (size_) std::memcpy(grown.get(), block_.get(), size_);
    block_ = std::move(grown);
    capacity_ = static_cast<std::uint32_t>(capacity);
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
