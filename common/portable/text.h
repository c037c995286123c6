// UTF-8 <-> UTF-16 conversion between the core's text and COM's wide strings.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mivo {

// Each malformed part of the input (a stray or truncated UTF-8 sequence, an
// overlong form, an encoded surrogate, a value above U+10FFFF, a lone UTF-16
// surrogate) becomes one U+FFFD; the conversions never throw for bad input.
std::u16string utf8_to_utf16(std::string_view utf8);
std::string utf16_to_utf8(std::u16string_view utf16);

// The number of UTF-16 code units utf8_to_utf16 would produce: the length a
// BSTR of the same text has, which is what users and COM callers count.
std::size_t utf16_length(std::string_view utf8);

// Equality with the ASCII letters A-Z and a-z taken as the same, every other
// byte compared as it is: for identifiers, keys and hex strings.
bool equal_ignoring_ascii_case(std::string_view a, std::string_view b);

}  // namespace mivo
