// Lookups in a world and the meeting key of a settings record.
#include "world.h"

#include <algorithm>

#include "portable/json.h"

namespace mivo::explorer {

const Item* World::item(int serial) const {
  for (const auto& i : items) {
    if (i.serial == serial) return &i;
  }
  return nullptr;
}

const Meeting* World::meeting(const std::string& key) const {
  for (const auto& m : meetings) {
    if (m.key == key) return &m;
  }
  return nullptr;
}

const Meeting* World::meeting_of_conference(const std::string& id) const {
  for (const auto& m : meetings) {
    if (std::find(m.conference_ids.begin(), m.conference_ids.end(), id) != m.conference_ids.end())
      return &m;
  }
  return nullptr;
}

bool World::showed(const std::string& kind) const {
  return std::any_of(shown.begin(), shown.end(), [&](const Shown& s) { return s.kind == kind; });
}

std::string meeting_key_of(const std::string& record) {
  Json::Value value;
  if (record.size() <= 2 || !parse_json(record, value)) return "";
  return read_text(member(value, "MeetingKey")).value_or("");
}

std::string own_record(const Item& item) {
  if (item.window) return item.mivo_inherited ? "" : item.mivo;
  return item.mivo_saved_inherited ? "" : item.mivo_saved;
}

}  // namespace mivo::explorer
