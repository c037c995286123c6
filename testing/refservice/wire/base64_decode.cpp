// Strict standard Base64 decoding.
#include "base64_decode.h"

#include <array>
#include <cstdint>

namespace mivo::refservice {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<int8_t, 256> make_reverse_table() {
  std::array<int8_t, 256> table{};
  for (auto& entry : table) entry = -1;
  for (int i = 0; i < 64; ++i)
    table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<int8_t>(i);
  return table;
}

constexpr auto kReverse = make_reverse_table();

}  // namespace

std::optional<std::string> base64_decode(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  std::string out;
  out.reserve(text.size() / 4 * 3);
  for (size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    int fill = 0;
    uint32_t n = 0;
    for (size_t k = 0; k < 4; ++k) {
      const char c = text[i + k];
      if (c == '=') {
        // Fill may only close the last group, in its last one or two places.
        if (!last || k < 2) return std::nullopt;
        ++fill;
        n <<= 6;
        continue;
      }
      if (fill > 0) return std::nullopt;
      const int8_t v = kReverse[static_cast<unsigned char>(c)];
      if (v < 0) return std::nullopt;
      n = (n << 6) | static_cast<uint32_t>(v);
    }
    out += static_cast<char>((n >> 16) & 0xFF);
    if (fill < 2) out += static_cast<char>((n >> 8) & 0xFF);
    if (fill < 1) out += static_cast<char>(n & 0xFF);
  }
  return out;
}

}  // namespace mivo::refservice
