// Choosing the language of the texts among those a library carries.
#include "ui_language.h"

#include <algorithm>

namespace mivo {
namespace {

constexpr unsigned kNeutral = 0x00;
constexpr unsigned kEnglish = 0x09;

// The first available language whose primary language is `primary`; 0 when
// there is none.
LanguageId first_of(unsigned primary, const std::vector<LanguageId>& available) {
  const auto found = std::find_if(available.begin(), available.end(), [primary](LanguageId id) {
    return primary_language(id) == primary;
  });
  return found == available.end() ? 0 : *found;
}

}  // namespace

LanguageId choose_language(LanguageId wanted, const std::vector<LanguageId>& available) {
  if (available.empty()) return 0;
  if (primary_language(wanted) != kNeutral) {
    if (std::find(available.begin(), available.end(), wanted) != available.end()) return wanted;
    if (const LanguageId same = first_of(primary_language(wanted), available)) return same;
  }
  if (const LanguageId english = first_of(kEnglish, available)) return english;
  return available.front();
}

}  // namespace mivo
