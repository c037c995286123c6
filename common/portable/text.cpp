// UTF-8 <-> UTF-16 conversion with U+FFFD for malformed input.
#include "text.h"

namespace mivo {
namespace {

constexpr char32_t replacement_character = 0xFFFD;

// Decodes the code point at `pos` and moves past it. A malformed sequence
// yields U+FFFD and consumes its longest valid-looking prefix (at least one
// byte), the substitution Unicode recommends, so one bad byte never swallows
// the good characters after it.
char32_t next_code_point(std::string_view utf8, std::size_t& pos) {
  const unsigned char lead = static_cast<unsigned char>(utf8[pos++]);
  if (lead < 0x80) {
    return lead;
  }
  int continuation_count = 0;
  char32_t code_point = 0;
  unsigned char lowest = 0x80;
  unsigned char highest = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    continuation_count = 1;
    code_point = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    continuation_count = 2;
    code_point = lead & 0x0F;
    if (lead == 0xE0) {
      lowest = 0xA0;  // overlong below U+0800
    } else if (lead == 0xED) {
      highest = 0x9F;  // surrogates
    }
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    continuation_count = 3;
    code_point = lead & 0x07;
    if (lead == 0xF0) {
      lowest = 0x90;  // overlong below U+10000
    } else if (lead == 0xF4) {
      highest = 0x8F;  // above U+10FFFF
    }
  } else {
    return replacement_character;
  }
  for (int i = 0; i < continuation_count; ++i) {
    if (pos >= utf8.size()) {
      return replacement_character;
    }
    const unsigned char next = static_cast<unsigned char>(utf8[pos]);
    if (next < lowest || next > highest) {
      return replacement_character;
    }
    lowest = 0x80;
    highest = 0xBF;
    code_point = (code_point << 6) | (next & 0x3F);
    ++pos;
  }
  return code_point;
}

bool is_high_surrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void append_utf8(std::string& out, char32_t code_point) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code_point >> 18));
    out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

}  // namespace

std::u16string utf8_to_utf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const char32_t code_point = next_code_point(utf8, pos);
    if (code_point < 0x10000) {
      out += static_cast<char16_t>(code_point);
    } else {
      out += static_cast<char16_t>(0xD800 + ((code_point - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((code_point - 0x10000) & 0x3FF));
    }
  }
  return out;
}

std::string utf16_to_utf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    const char16_t unit = utf16[i];
    if (is_high_surrogate(unit) && i + 1 < utf16.size() && is_low_surrogate(utf16[i + 1])) {
      const char16_t low = utf16[++i];
      append_utf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(low) - 0xDC00));
    } else if (is_high_surrogate(unit) || is_low_surrogate(unit)) {
      append_utf8(out, replacement_character);
    } else {
      append_utf8(out, unit);
    }
  }
  return out;
}

std::size_t utf16_length(std::string_view utf8) {
  std::size_t length = 0;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    length += next_code_point(utf8, pos) < 0x10000 ? 1 : 2;
  }
  return length;
}

bool equal_ignoring_ascii_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace mivo
