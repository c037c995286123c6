// User properties and the Deleted Items check, by name through IDispatch.
#include "item_properties.h"

#include "com/late_bound.h"
#include "com/unique.h"
#include "office_ids.h"
#include "portable/text.h"

namespace mivo::addin {

namespace {

using com::as_dispatch;
using com::as_text;
using com::call;
using com::get;
using com::put;

com::com_ptr<IDispatch> find_property(const com::dispatch_result& properties, const char* name) {
  return as_dispatch(call(properties, L"Find", name, true)).value_or(nullptr);
}

}  // namespace

std::string GetUserPropertyText(IDispatch* item, const char* name) {
  const auto property = find_property(get(item, L"UserProperties"), name);
  if (!property) return std::string();
  com::dispatch_result value = get(property, L"Value");
  if (V_VT(&value) == VT_EMPTY) return std::string();
  com::unique_variant text;
  if (FAILED(VariantChangeType(text.put(), &value, 0, VT_BSTR))) return std::string();
  return as_text(text).value_or(std::string());
}

void SetUserPropertyText(IDispatch* item, const char* name, const std::string& text) {
  const com::dispatch_result properties = get(item, L"UserProperties");
  if (FAILED(properties.hr())) return;
  com::com_ptr<IDispatch> property = find_property(properties, name);
  if (!property) {
    // Not among the folder's fields, shown as text.
    property =
        as_dispatch(call(properties, L"Add", name, office::olText, false, 1L)).value_or(nullptr);
  }
  if (property) LOG_IF_FAILED(put(property, L"Value", std::string_view(text)));
}

bool IsInDeletedItems(IDispatch* item) {
  if (!item) return false;
  const auto parent = as_dispatch(get(item, L"Parent"));
  if (!parent) return false;
  com::com_ptr<IUnknown> is_folder;
  if (FAILED((*parent)->QueryInterface(office::IID_MAPIFolder, is_folder.put_void()))) return false;
  const auto deleted = as_dispatch(call(call(get(*parent, L"Application"), L"GetNamespace", "MAPI"),
                                        L"GetDefaultFolder", office::olFolderDeletedItems));
  if (!deleted) return false;
  const std::string deleted_id = as_text(get(*deleted, L"EntryID")).value_or(std::string());
  const std::string folder_id = as_text(get(*parent, L"EntryID")).value_or(std::string());
  if (deleted_id.empty() || folder_id.empty()) return true;
  return mivo::equal_ignoring_ascii_case(deleted_id, folder_id);
}

}  // namespace mivo::addin
