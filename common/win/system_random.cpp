// The system's preferred random generator.
#include "system_random.h"

#include <windows.h>
#include <bcrypt.h>

namespace mivo::win {

bool system_random(void* buffer, std::size_t size) noexcept {
  auto* bytes = static_cast<unsigned char*>(buffer);
  // ULONG counts; a larger request goes in pieces.
  while (size > 0) {
    const ULONG piece = size > 0x10000000 ? 0x10000000 : static_cast<ULONG>(size);
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes, piece, BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
      return false;
    bytes += piece;
    size -= piece;
  }
  return true;
}

}  // namespace mivo::win
