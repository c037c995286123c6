// Base64 of byte strings (RFC 4648 standard alphabet).
#pragma once

#include <string>
#include <string_view>

namespace mivo {

// "=" fill to a multiple of four characters and no line breaks.
std::string base64_encode(std::string_view bytes);

}  // namespace mivo
