// The installer download over WinINet against the reference service and a
// one-connection server: where it lands, what arrives, redirects, the
// progress dialog, Cancel, the deadline, the size limit, the signature check
// of what arrived and the lock on it, Windows Installer's start, and the
// host's windows asked to close.
#include "installer.h"

#include <winsock2.h>

#include <gtest/gtest.h>
#include <json/json.h>

#include <thread>

#include "com/testing/owner_window.h"
#include "win/wide_text.h"
#include "dialog_robot.h"
#include "dialog_test_support.h"
#include "refservice_client.h"
#include "resource_library.h"
#include "testing/scheduler_test_support.h"

namespace mivo::scheduler {
namespace {

using mivo::robot::DialogRobot;
using mivo::win::to_utf8;

using testing::LaunchRecords;

// Serves one connection on 127.0.0.1 with a fixed answer, then closes it:
// for answers the reference service does not give, such as a body cut short
// of its announced length.
class OneShotServer {
 public:
  explicit OneShotServer(std::string answer) : answer_(std::move(answer)) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    int length = sizeof(address);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    listen(listener_, 1);
    thread_ = std::thread([this] { serve(); });
  }
  ~OneShotServer() {
    closesocket(listener_);
    thread_.join();
    WSACleanup();
  }
  int port() const { return port_; }

 private:
  void serve() {
    const SOCKET client = accept(listener_, nullptr, nullptr);
    if (client == INVALID_SOCKET) return;
    std::string request;
    char buffer[1024];
    while (request.find("\r\n\r\n") == std::string::npos) {
      const int got = recv(client, buffer, sizeof(buffer), 0);
      if (got <= 0) break;
      request.append(buffer, got);
    }
    send(client, answer_.data(), static_cast<int>(answer_.size()), 0);
    shutdown(client, SD_BOTH);
    closesocket(client);
  }

  std::string answer_;
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::thread thread_;
};

class InstallerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(resource_library());
    service_.reset();
    testing::remove_update_folders();
  }
  void TearDown() override { testing::remove_update_folders(); }

  std::string download_url() const {
    return service_.base_url() + "/download/outlookplugin/VantorOutlookPluginSetup.msi";
  }
  static std::string one_shot_url(const OneShotServer& server) {
    return "http://127.0.0.1:" + std::to_string(server.port()) +
           "/download/outlookplugin/VantorOutlookPluginSetup.msi";
  }
  void add_download_fault(const char* member, const Json::Value& value) {
    Json::Value fault;
    fault["path"] = "/download/outlookplugin/VantorOutlookPluginSetup.msi";
    fault[member] = value;
    service_.add_fault(fault);
  }
  // A worker abandoned while WinINet blocks deletes its file and its folder
  // once its WinINet time limit has passed.
  static bool downloads_gone() {
    const DWORD start = GetTickCount();
    while (!testing::update_folders().empty()) {
      if (GetTickCount() - start > 60000) return false;
      Sleep(50);
    }
    return true;
  }
  std::optional<std::string> download(const std::string& url) {
    return installer_->download(url, reinterpret_cast<WindowHandle>(owner_.get()));
  }

  mivo::refservice::Client service_;
  mivo::com::testing::owner_window owner_;
  // Short limits, so that the deadline and an abandoned worker come soon.
  std::unique_ptr<InstallerPort> installer_ = make_installer({64 * 1024, 1500, 2000});
};

TEST_F(InstallerTest, WholeDownloadArrivesByteForByteBehindTheProgressDialog) {
  std::string content(45000, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7 + 1);
  service_.set_installer_content(content);

  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kDownloadDialog).wait_closed();
  const std::optional<std::string> path = download(download_url());
  EXPECT_TRUE(robot.wait()) << robot.report();
  ASSERT_TRUE(path);
  EXPECT_EQ(content, testing::read_file(mivo::win::to_wide(*path)));
  EXPECT_EQ(owner_.get(), robot.dialogs().at(0).owner);
  // Alone in a new folder of its own.
  EXPECT_EQ((std::vector<std::wstring>{mivo::win::to_wide(*path)}), testing::update_files());

  const auto requests = service_.requests();
  ASSERT_EQ(1u, requests.size());
  EXPECT_EQ("Testing", requests[0].header("User-Agent"));
}

TEST_F(InstallerTest, BodyCutShortOfItsLengthDeletesThePartialFile) {
  OneShotServer server("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\n" +
                       std::string(450, 'x'));
  EXPECT_EQ(std::nullopt, download(one_shot_url(server)));
  EXPECT_TRUE(downloads_gone());
}

TEST_F(InstallerTest, AnswerOverTheSizeLimitIsRefusedWithOrWithoutALength) {
  service_.set_installer_size(64 * 1024 + 1);
  EXPECT_EQ(std::nullopt,
            installer_->download(download_url(), reinterpret_cast<WindowHandle>(owner_.get())));
  OneShotServer server("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" +
                       std::string(64 * 1024 + 1, 'x'));
  EXPECT_EQ(std::nullopt, download(one_shot_url(server)));
  EXPECT_TRUE(downloads_gone());
}

TEST_F(InstallerTest, CancelEndsAStalledDownloadAtOnceAndLeavesNoFile) {
  add_download_fault("delay_ms", 20000);
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kDownloadDialog).press(IDCANCEL);
  EXPECT_EQ(std::nullopt, download(download_url()));
  EXPECT_TRUE(robot.wait()) << robot.report();
  EXPECT_TRUE(downloads_gone());
}

TEST_F(InstallerTest, StalledHostEndsAtTheDeadlineWithNoFile) {
  add_download_fault("delay_ms", 20000);
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kDownloadDialog).wait_closed();
  EXPECT_EQ(std::nullopt, download(download_url()));
  EXPECT_TRUE(robot.wait()) << robot.report();
  EXPECT_TRUE(downloads_gone());
}

TEST_F(InstallerTest, WithoutAnOwnerWindowTheDialogIsAWindowOfItsOwn) {
  service_.set_installer_size(1000);
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kDownloadDialog).wait_closed();
  const std::optional<std::string> path = installer_->download(download_url(), 0);
  EXPECT_TRUE(robot.wait()) << robot.report();
  ASSERT_TRUE(path);
  EXPECT_EQ(1000, testing::file_size(mivo::win::to_wide(*path)));
  EXPECT_EQ(nullptr, robot.dialogs().at(0).owner);
}

TEST_F(InstallerTest, AnswerWithoutALengthCountsAsWholeOnlyWhenItsSignatureHolds) {
  const testing::TrustedTestRoot root;
  const std::string package = testing::read_file(testing::update_package(L"signed.msi"));
  for (const std::size_t sent : {package.size(), package.size() / 2}) {
    SCOPED_TRACE(sent);
    OneShotServer server("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + package.substr(0, sent));
    const std::optional<std::string> path = download(one_shot_url(server));
    ASSERT_TRUE(path) << "nothing told the download that the answer was cut short";
    EXPECT_EQ(sent == package.size(), installer_->verify(*path));
    installer_->discard(*path);
  }
}

TEST_F(InstallerTest, OnlyThePublishersPackageVerifiesAndDiscardDeletesItAndItsFolder) {
  const testing::TrustedTestRoot root;
  for (const wchar_t* name : {L"signed.msi", L"other-publisher.msi", L"other-key.msi"}) {
    service_.set_installer_content(testing::read_file(testing::update_package(name)));
    const std::optional<std::string> path = download(download_url());
    ASSERT_TRUE(path) << to_utf8(name);
    EXPECT_EQ(std::wstring(name) == L"signed.msi", installer_->verify(*path)) << to_utf8(name);
    installer_->discard(*path);
    EXPECT_TRUE(testing::update_folders().empty()) << to_utf8(name);
  }
}

TEST_F(InstallerTest, EveryDownloadGoesIntoANewFolderWithARandomName) {
  service_.set_installer_size(100);
  const std::optional<std::string> first = download(download_url());
  const std::optional<std::string> second = download(download_url());
  ASSERT_TRUE(first && second);
  const std::vector<std::wstring> folders = testing::update_folders();
  ASSERT_EQ(2u, folders.size());
  for (const std::wstring& folder : folders) {
    const std::wstring name = folder.substr(folder.rfind(L'\\') + 1);
    EXPECT_EQ(std::wstring(kUpdateFolderPrefix).size() + 32, name.size()) << to_utf8(name);
  }
  EXPECT_NE(*first, *second);
}

// --- Redirects: only to HTTPS on the same host and port -----------------------

TEST_F(InstallerTest, RedirectToAnotherHostIsNotFollowed) {
  // localhost reaches the same service: anything fetched there is recorded.
  add_download_fault("location", "http://localhost:" + std::to_string(service_.port()) +
                                     "/download/outlookplugin/VantorOutlookPluginSetup.msi");
  EXPECT_EQ(std::nullopt, download(download_url()));
  EXPECT_EQ(1u, service_.requests().size());
  EXPECT_TRUE(downloads_gone());
}

TEST_F(InstallerTest, RedirectToAnotherPortOfTheSameHostIsNotFollowed) {
  add_download_fault(
      "location", service_.tls_base_url() + "/download/outlookplugin/VantorOutlookPluginSetup.msi");
  EXPECT_EQ(std::nullopt, download(download_url()));
  EXPECT_EQ(1u, service_.requests().size());
  EXPECT_TRUE(downloads_gone());
}

TEST_F(InstallerTest, RedirectOnTheSameServerContinuesOverHttps) {
  // The service's own certificate trusted as the download host's would be.
  const testing::TrustedTestRoot trusted(testing::reference_service_certificate());
  const std::string tls_port = std::to_string(service_.port() + 1);
  Json::Value moved;
  moved["path"] = "/download/outlookplugin/VantorOutlookPluginSetup.msi";
  moved["times"] = 1;
  moved["location"] = "http://127.0.0.1:" + tls_port +
                      "/download/outlookplugin/VantorOutlookPluginSetup.msi?moved=1";
  service_.add_fault(moved);
  service_.set_installer_size(3000);
  const std::optional<std::string> path =
      download(service_.tls_base_url() + "/download/outlookplugin/VantorOutlookPluginSetup.msi");
  ASSERT_TRUE(path);
  EXPECT_EQ(3000, testing::file_size(mivo::win::to_wide(*path)));
  const auto requests = service_.requests();
  ASSERT_EQ(2u, requests.size());
  EXPECT_EQ("moved=1", requests[1].query);
}

// --- The verified package, Windows Installer and the host ---------------------

std::wstring system_folder() {
  wchar_t folder[MAX_PATH + 1] = {};
  GetSystemDirectoryW(folder, MAX_PATH + 1);
  return folder;
}

// Opening the file for writing or deleting it: both refused while the
// installer object holds it.
bool can_change(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    return true;
  }
  return false;
}

TEST_F(InstallerTest, VerifiedPackageCannotBeChangedOrDeletedUntilTheInstallerHasIt) {
  const testing::TrustedTestRoot root;
  service_.set_installer_content(testing::read_file(testing::update_package(L"signed.msi")));
  LaunchRecords records;
  const auto installer = make_installer({}, testing::recorder_path());
  const std::optional<std::string> path = installer->download(download_url(), 0);
  ASSERT_TRUE(path);
  const std::wstring package = mivo::win::to_wide(*path);
  EXPECT_TRUE(can_change(package));
  ASSERT_TRUE(installer->verify(*path));
  EXPECT_FALSE(can_change(package));
  EXPECT_FALSE(DeleteFileW(package.c_str()));
  // The installer can read it.
  EXPECT_FALSE(testing::read_file(package).empty());

  ASSERT_TRUE(installer->open(*path));
  ASSERT_EQ(1u, records.collect().size());
  // Still held after the request object is gone: the installer reads it
  // later.
  EXPECT_FALSE(can_change(package));
  EXPECT_FALSE(DeleteFileW(package.c_str()));
}

TEST_F(InstallerTest, WindowsInstallerIsStartedByItsFullPathOnThePackage) {
  EXPECT_TRUE(_wcsicmp(system_installer_program().c_str(),
                       (system_folder() + L"\\msiexec.exe").c_str()) == 0)
      << to_utf8(system_installer_program());
  LaunchRecords records;
  const auto installer = make_installer({}, testing::recorder_path());
  EXPECT_TRUE(installer->open("C:\\Users\\ann\\Temp\\My Update\\Setup.msi"));
  const auto launches = records.collect();
  ASSERT_EQ(1u, launches.size());
  EXPECT_EQ("/i \"C:\\Users\\ann\\Temp\\My Update\\Setup.msi\"",
            testing::argument_after_program(launches[0].command_line));
}

TEST_F(InstallerTest, InstallerThatCannotStartIsReported) {
  LaunchRecords records;
  const auto installer = make_installer({}, system_folder() + L"\\no-such-msiexec.exe");
  EXPECT_FALSE(installer->open("C:\\Temp\\Setup.msi"));
  EXPECT_FALSE(make_installer({}, L"")->open("C:\\Temp\\Setup.msi"));
  EXPECT_TRUE(records.collect().empty());
}

// A top-level window class that counts the WM_CLOSE it is sent and does not
// close.
LRESULT CALLBACK counting_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CLOSE) {
    SetWindowLongPtrW(window, GWLP_USERDATA, GetWindowLongPtrW(window, GWLP_USERDATA) + 1);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

TEST_F(InstallerTest, HostIsAskedToCloseThroughEachOfItsWindowsAsByItsUser) {
  WNDCLASSW cls{};
  cls.lpfnWndProc = counting_proc;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = L"MivoCloseCounter";
  RegisterClassW(&cls);
  const auto make = [](DWORD style, HWND owner) {
    return CreateWindowExW(0, L"MivoCloseCounter", L"", style, 0, 0, 200, 100, owner, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  };
  const HWND main_window = make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr);
  const HWND item_window = make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr);
  const HWND owned_dialog = make(WS_POPUP | WS_VISIBLE, main_window);
  const HWND hidden = make(WS_OVERLAPPEDWINDOW, nullptr);

  make_installer()->close_host();
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);

  const auto closes = [](HWND window) { return GetWindowLongPtrW(window, GWLP_USERDATA); };
  EXPECT_EQ(1, closes(main_window));
  EXPECT_EQ(1, closes(item_window));
  EXPECT_EQ(0, closes(owned_dialog));
  EXPECT_EQ(0, closes(hidden));
  // Asked, not ended: every window is still there for the host to close.
  for (HWND window : {main_window, item_window, owned_dialog, hidden})
    EXPECT_TRUE(IsWindow(window));
  for (HWND window : {owned_dialog, hidden, item_window, main_window}) DestroyWindow(window);
}

}  // namespace
}  // namespace mivo::scheduler
