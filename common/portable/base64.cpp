// Base64 encoding (RFC 4648).
#include "base64.h"

namespace mivo {

std::string base64_encode(std::string_view bytes) {
  static constexpr char alphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const unsigned group = (unsigned char)bytes[i] << 16 | (unsigned char)bytes[i + 1] << 8 |
                           (unsigned char)bytes[i + 2];
    out += alphabet[group >> 18];
    out += alphabet[(group >> 12) & 0x3F];
    out += alphabet[(group >> 6) & 0x3F];
    out += alphabet[group & 0x3F];
  }
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    unsigned group = (unsigned char)bytes[i] << 16;
    if (rest == 2) {
      group |= (unsigned char)bytes[i + 1] << 8;
    }
    out += alphabet[group >> 18];
    out += alphabet[(group >> 12) & 0x3F];
    out += rest == 2 ? alphabet[(group >> 6) & 0x3F] : '=';
    out += '=';
  }
  return out;
}

}  // namespace mivo
