// The version check on both channels and the update: download, verify,
// start the installer, and the notice after which the host is asked to
// close.
#include "request/owner_window.h"
#include "meeting_request.h"
#include "resource_ids.h"
#include "service/rest_api.h"

namespace mivo {
namespace {

constexpr const char* kNewGrayVersion = "发现新内测版本";
constexpr const char* kNewReleaseVersion = "发现新版本";
constexpr const char* kUpdateQuestion = "需要升级吗？";
constexpr const char* kCloseHostNotice = "请关闭OutLook";
constexpr const char* kCloseHostCaption = "警告";

// One version text serves both channels: an answer that does not parse
// leaves the one found before.
void take_new_version(const std::string& response, std::string& version) {
  const rest::Envelope envelope = rest::read_envelope(response);
  if (envelope.parsed) {
    version = rest::data_string(envelope, "newVersion");
  }
}

}  // namespace

Result MeetingRequest::check_for_update() {
  IUserInterface& ui = *ports_.ui;
  const WindowHandle owner = active_or_foreground(ui);
  const WindowHandle request_dialog_owner = request_owner(ui, owner);
  const std::string site = account_.service();
  const std::string token = account_.stored_token();
  const std::string installed = ports_.store->read(setting::kPluginVersion);
  std::string version;
  if (!token.empty()) {
    take_new_version(
        ports_.transport->send({rest::gray_version_url(site, installed), "",
                                rest::token_header(token), "GET", request_dialog_owner}),
        version);
    if (!version.empty() && offer_update(owner, kNewGrayVersion, version)) {
      return Result::not_confirmed;
    }
  }
  take_new_version(ports_.transport->send({rest::release_version_url(site, installed), "", "",
                                           "GET", request_dialog_owner}),
                   version);
  if (!version.empty() && offer_update(owner, kNewReleaseVersion, version)) {
    return Result::not_confirmed;
  }
  return Result::ok;
}

bool MeetingRequest::offer_update(WindowHandle owner, const std::string& leading_text,
                                  const std::string& version) {
  IUserInterface& ui = *ports_.ui;
  const int answer = ui.message_box(owner, leading_text + version + kUpdateQuestion,
                                    ui.load_string(IDS_WARNING_CAPTION), msgbox::kYesNoWarning);
  return answer == msgbox::kYes && install_update();
}

bool MeetingRequest::install_update() {
  IUserInterface& ui = *ports_.ui;
  IInstaller& installer = *ports_.installer;
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
  if (ui.message_box(owner, kCloseHostNotice, kCloseHostCaption, msgbox::kWarning) != msgbox::kOk) {
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
