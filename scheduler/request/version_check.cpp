// The version check on both channels and the update: download, verify,
// start the installer, and the notice after which the host is asked to
// close.
#include "request/owner_window.h"
#include "meeting_request.h"
#include "portable/machine_policy.h"
#include "resource_ids.h"
#include "service/rest_api.h"

namespace mivo {
namespace {

// One version text serves both channels: an answer that does not parse
// leaves the one found before.
void take_new_version(const std::string& response, std::string& version) {
  const rest::Envelope envelope = rest::read_envelope(response);
  if (envelope.parsed) {
    version = rest::data_string(envelope, "newVersion");
  }
}

// A text of the resource library with "%1" standing for `argument` (once,
// where it stands; a translation puts it wherever its sentence needs it).
std::string fill_in(const std::string& text, const std::string& argument) {
  const std::size_t at = text.find("%1");
  if (at == std::string::npos) return text;
  return text.substr(0, at) + argument + text.substr(at + 2);
}

}  // namespace

Result MeetingRequest::check_for_update() {
  // An organisation that deploys versions itself turns the check off: no
  // request reaches the service and the user is never offered a package.
  if (ports_.policy->number(policy::kDisableUpdateCheck) == std::uint32_t{1}) {
    return Result::ok;
  }
  UserInterfacePort& ui = *ports_.ui;
  const WindowHandle owner = active_or_foreground(ui);
  const WindowHandle request_dialog_owner = request_owner(ui, owner);
  const std::string site = account_.service();
  const std::string token = account_.stored_token();
  // The user's own copy, when there is one, is the one Outlook loads; else
  // the per-machine installation's.
  std::string installed = ports_.store->read(setting::kPluginVersion);
  if (installed.empty()) {
    installed = ports_.store->read_machine(setting::kPluginVersion);
  }
  std::string version;
  if (!token.empty()) {
    take_new_version(
        ports_.transport->send({rest::gray_version_url(site, installed), "",
                                rest::token_header(token), "GET", request_dialog_owner}),
        version);
    if (!version.empty() && offer_update(owner, IDS_NEW_PREVIEW_VERSION, version)) {
      return Result::not_confirmed;
    }
  }
  take_new_version(ports_.transport->send({rest::release_version_url(site, installed), "", "",
                                           "GET", request_dialog_owner}),
                   version);
  if (!version.empty() && offer_update(owner, IDS_NEW_VERSION, version)) {
    return Result::not_confirmed;
  }
  return Result::ok;
}

bool MeetingRequest::offer_update(WindowHandle owner, int question_id, const std::string& version) {
  UserInterfacePort& ui = *ports_.ui;
  const int answer = ui.message_box(owner, fill_in(ui.load_string(question_id), version),
                                    ui.load_string(IDS_WARNING_CAPTION), msgbox::kYesNoWarning);
  return answer == msgbox::kYes && install_update();
}

bool MeetingRequest::install_update() {
  UserInterfacePort& ui = *ports_.ui;
  InstallerPort& installer = *ports_.installer;
  const WindowHandle owner = active_or_foreground(ui);
  // Only a complete download is ever opened: a partial package would fail
  // half-way through replacing the installed files.
  const std::optional<std::string> package = installer.download(
      ui.load_string(IDS_DOWNLOAD_URL) + kInstallerPath, request_owner(ui, owner));
  if (!package) {
    return false;
  }
  // Whatever the download host (or anyone holding a certificate for its
  // name) serves would otherwise run with the user's rights, a per-user
  // package without a prompt.
  if (!installer.verify(*package)) {
    installer.discard(*package);
    show_warning(ui, owner, IDS_UPDATE_NOT_VERIFIED);
    return false;
  }
  if (!installer.open(*package)) {
    installer.discard(*package);
    show_warning(ui, owner, IDS_INSTALLER_NOT_STARTED);
    return false;
  }
  if (ui.message_box(owner, ui.load_string(IDS_CLOSE_HOST), ui.load_string(IDS_CLOSE_HOST_CAPTION),
                     msgbox::kWarning) != msgbox::kOk) {
    return false;
  }
  // As the user's own close: Outlook asks about every unsaved item, and
  // Windows Installer meets the files Outlook still holds with its own
  // files-in-use handling. Ending the process instead would lose whatever
  // the user had not saved.
  installer.close_host();
  return true;
}

}  // namespace mivo
