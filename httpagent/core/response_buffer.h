// The agent's response buffer: one contiguous, zero-terminated block that
// doubles as chunks arrive, up to a limit on the answer's size.
#pragma once

#include <cstdint>
#include <memory>

namespace mivo::oiurl {

class response_buffer {
 public:
  // The first block; larger than any read chunk, so one growth always makes
  // room for the chunk that needed it.
  static constexpr std::uint32_t growth_step = 65540;
  // No answer of the meeting service comes near this; a larger one is broken
  // or hostile, and holding it would only cost memory and time.
  static constexpr std::uint32_t default_limit = 16u * 1024 * 1024;

  explicit response_buffer(std::uint32_t size_limit = default_limit) : limit_(size_limit) {}

  // Appends a chunk. When the answer would outgrow the size limit, or the
  // buffer cannot grow for it, everything received is dropped and false is
  // returned: a response with a hole in it must never pass for a whole one.
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
