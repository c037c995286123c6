// Case-insensitive header lookup.
#include "headers.h"

#include <algorithm>

namespace mivo::refservice {

const std::string* find_header(const HeaderList& headers, std::string_view name) {
  const auto lower = [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  };
  for (const auto& [key, value] : headers) {
    if (key.size() == name.size() &&
        std::equal(key.begin(), key.end(), name.begin(),
                   [&](char a, char b) { return lower(a) == lower(b); })) {
      return &value;
    }
  }
  return nullptr;
}

}  // namespace mivo::refservice
