// Random bytes from the system's cryptographic generator, for what must not
// be guessed: meeting passwords, names of private folders.
#pragma once

#include <cstddef>

namespace mivo::win {

// Fills `buffer` with `size` bytes (BCryptGenRandom with the system's
// preferred generator); false when the generator failed.
bool system_random(void* buffer, std::size_t size) noexcept;

}  // namespace mivo::win
