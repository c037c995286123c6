// Header lists as recorded and answered: names compared without case.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mivo::refservice {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// The value of the first header of that name; null when there is none.
const std::string* find_header(const HeaderList& headers, std::string_view name);

}  // namespace mivo::refservice
