// The personal meeting room: the desktop client with its JSON launch
// parameters, or the service's join page in the browser.
#include "meeting_request.h"
#include "portable/base64.h"
#include "portable/json.h"
#include "service/rest_api.h"

namespace mivo {

Result MeetingRequest::start_instant_meeting() {
  // The room opens with whatever identity the user holds even when the
  // refresh could not renew it; the client or the page then asks itself.
  account_.user_refresh(user_);
  if (!launch_desktop_client()) {
    open_join_page();
  }
  return Result::ok;
}

bool MeetingRequest::launch_desktop_client() {
  const std::string command = ports_.store->read_classes_root(kDesktopClientCommandKey);
  const std::size_t exe = command.find(".exe");
  if (exe == std::string::npos) {
    return false;
  }
  // The client registers its path in quotes: skip the opening one and keep
  // everything up to the end of ".exe". An unquoted path loses its first
  // character and so is not found.
  const std::string path = command.substr(1, exe + 4 - 1);
  if (!ports_.launcher->file_exists(path)) {
    return false;
  }
  Json::Value parameters(Json::objectValue);
  parameters["from"] = "mivo";
  parameters["key"] = user_.personal_meeting_key;
  parameters["token"] = user_.token;
  parameters["type"] = "outlook";
  parameters["user"] = user_.host_user_name;
  return ports_.launcher->open_program(path, write_json(parameters));
}

void MeetingRequest::open_join_page() {
  std::string query = "action=join&key=" + rest::url_component(user_.personal_meeting_key);
  query += "&user=" + user_.host_user_name;
  query += "&leavecb=0&invitecb=0&from=mivo&t=" + std::to_string(ports_.launcher->process_clock());
  query += "&token=" + user_.token;
  ports_.launcher->open_https_address(account_.service() + "/meet/?" + base64_encode(query));
}

}  // namespace mivo
