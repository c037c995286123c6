// The agent's response buffer: one contiguous, zero-terminated block that
// grows in fixed steps as chunks arrive.
#pragma once

#include <cstdint>
#include <memory>

namespace mivo::oiurl {

class response_buffer {
 public:
  // One growth step is larger than any read chunk, so a single step always
  // makes room for the chunk that needed it.
  static constexpr std::uint32_t growth_step = 65540;
  // The counts are 32-bit: no capacity may come near their end.
  static constexpr std::uint32_t default_limit = 0xFFFFFFFFu - 2 * growth_step;

  explicit response_buffer(std::uint32_t capacity_limit = default_limit) : limit_(capacity_limit) {}

  // Appends a chunk. When the buffer cannot grow for it (no memory, or the
  // capacity limit), everything received is dropped and false is returned:
  // a response with a hole in it must never pass for a whole one.
  bool append(const unsigned char* chunk, std::uint32_t size);
  void clear() noexcept;

  // The received bytes, followed by a zero byte; null when there are none.
  const unsigned char* data() const noexcept { return size_ ? block_.get() : nullptr; }
  std::uint32_t size() const noexcept { return size_; }
  std::uint32_t capacity() const noexcept { return capacity_; }

 private:
  std::unique_ptr<unsigned char[]> block_;
  std::uint32_t size_ = 0;
  std::uint32_t capacity_ = 0;
  std::uint32_t limit_;
};

}  // namespace mivo::oiurl
