// Decoding standard Base64 (RFC 4648 alphabet, "=" fill, no line breaks):
// recorded request bodies and installer contents of the control interface.
// Encoding is mivo::base64_encode in portable/base64.h.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mivo::refservice {

// Strict: only the standard alphabet, length a multiple of four, fill only at
// the end. Anything else gives nullopt.
std::optional<std::string> base64_decode(std::string_view text);

}  // namespace mivo::refservice
