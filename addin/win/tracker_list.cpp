// The tracker list and FindTracker.
#include "tracker_list.h"

#include <vector>

#include "CMivoItemEvents.h"
#include "com/late_bound.h"
#include "com/result.h"
#include "office_ids.h"

namespace mivo::addin::tracker_list {

namespace {

// Touched on the user-interface thread only.
std::vector<com::com_ptr<CMivoItemEvents>>& trackers() {
  static auto* list = new std::vector<com::com_ptr<CMivoItemEvents>>();
  return *list;
}

bool answers(IUnknown* object, REFIID iid) {
  com::com_ptr<IUnknown> found;
  return object && SUCCEEDED(object->QueryInterface(iid, found.put_void()));
}

}  // namespace

void add(CMivoItemEvents* tracker) { trackers().emplace_back(tracker); }

void remove(CMivoItemEvents* tracker) {
  auto& list = trackers();
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    if (it->get() == tracker) {
      // The tracker may go with the list's reference; it leaves the list first.
      const com::com_ptr<CMivoItemEvents> leaving = std::move(*it);
      list.erase(std::next(it).base());
      return;
    }
  }
}

std::size_t size() noexcept { return trackers().size(); }

com::com_ptr<CMivoItemEvents> last() {
  const auto& list = trackers();
  return list.empty() ? nullptr : list.back();
}

com::com_ptr<CMivoItemEvents> find(IDispatch* context) {
  if (!answers(context, office::IID_Inspector)) return nullptr;
  const auto item = com::as_dispatch(com::get(context, L"CurrentItem"));
  if (!item || !answers(item->get(), office::IID_AppointmentItem)) return nullptr;
  com::com_ptr<IUnknown> identity;
  LOG_IF_FAILED(context->QueryInterface(IID_IUnknown, identity.put_void()));
  // A copy: a tracker's calls may close windows and change the list.
  const auto list = trackers();
  // Only the window's own tracker: items created in the same second (a copy,
  // two new appointments) must not take each other's commands.
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    if ((*it)->live() && (*it)->shows(identity.get())) return *it;
  }
  return nullptr;
}

}  // namespace mivo::addin::tracker_list
