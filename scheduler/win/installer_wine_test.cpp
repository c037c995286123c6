// The installer download over WinINet against the reference service and a
// one-connection server: what arrives, the progress dialog, Cancel, the
// deadline, the size limit, and the signature check of what arrived.
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

std::wstring package_path() { return testing::installer_package_path(); }

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
    DeleteFileW(package_path().c_str());
  }
  void TearDown() override { DeleteFileW(package_path().c_str()); }

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
  // A worker abandoned while WinINet blocks deletes its file once its
  // WinINet time limit has passed.
  static bool partial_downloads_gone() {
    const DWORD start = GetTickCount();
    while (!testing::partial_downloads().empty()) {
      if (GetTickCount() - start > 60000) return false;
      Sleep(50);
    }
    return true;
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
  const std::optional<std::string> path =
      installer_->download(download_url(), reinterpret_cast<WindowHandle>(owner_.get()));
  EXPECT_TRUE(robot.wait()) << robot.report();
  ASSERT_TRUE(path);
  EXPECT_EQ(package_path(), mivo::win::to_wide(*path));
  EXPECT_EQ(content, testing::read_file(package_path()));
  EXPECT_EQ(owner_.get(), robot.dialogs().at(0).owner);
  EXPECT_TRUE(testing::partial_downloads().empty());

  const auto requests = service_.requests();
  ASSERT_EQ(1u, requests.size());
  EXPECT_EQ("Testing", requests[0].header("User-Agent"));
}

TEST_F(InstallerTest, BodyCutShortOfItsLengthDeletesThePartialFile) {
  OneShotServer server("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\n" +
                       std::string(450, 'x'));
  EXPECT_EQ(std::nullopt, installer_->download(one_shot_url(server),
                                               reinterpret_cast<WindowHandle>(owner_.get())));
  EXPECT_EQ(-1, testing::file_size(package_path()));
  EXPECT_TRUE(partial_downloads_gone());
}

TEST_F(InstallerTest, AnswerOverTheSizeLimitIsRefusedWithOrWithoutALength) {
  service_.set_installer_size(64 * 1024 + 1);
  EXPECT_EQ(std::nullopt,
            installer_->download(download_url(), reinterpret_cast<WindowHandle>(owner_.get())));
  OneShotServer server("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" +
                       std::string(64 * 1024 + 1, 'x'));
  EXPECT_EQ(std::nullopt, installer_->download(one_shot_url(server),
                                               reinterpret_cast<WindowHandle>(owner_.get())));
  EXPECT_EQ(-1, testing::file_size(package_path()));
  EXPECT_TRUE(partial_downloads_gone());
}

TEST_F(InstallerTest, CancelEndsAStalledDownloadAtOnceAndLeavesNoFile) {
  add_download_fault("delay_ms", 20000);
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kDownloadDialog).press(IDCANCEL);
  EXPECT_EQ(std::nullopt,
            installer_->download(download_url(), reinterpret_cast<WindowHandle>(owner_.get())));
  EXPECT_TRUE(robot.wait()) << robot.report();
  EXPECT_EQ(-1, testing::file_size(package_path()));
  EXPECT_TRUE(partial_downloads_gone());
}

TEST_F(InstallerTest, StalledHostEndsAtTheDeadlineWithNoFile) {
  add_download_fault("delay_ms", 20000);
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kDownloadDialog).wait_closed();
  EXPECT_EQ(std::nullopt,
            installer_->download(download_url(), reinterpret_cast<WindowHandle>(owner_.get())));
  EXPECT_TRUE(robot.wait()) << robot.report();
  EXPECT_EQ(-1, testing::file_size(package_path()));
  EXPECT_TRUE(partial_downloads_gone());
}

TEST_F(InstallerTest, WithoutAnOwnerWindowTheDialogIsAWindowOfItsOwn) {
  service_.set_installer_size(1000);
  DialogRobot robot;
  robot.expect_dialog(mivo::robot::kDownloadDialog).wait_closed();
  const std::optional<std::string> path = installer_->download(download_url(), 0);
  EXPECT_TRUE(robot.wait()) << robot.report();
  ASSERT_TRUE(path);
  EXPECT_EQ(1000, testing::file_size(package_path()));
  EXPECT_EQ(nullptr, robot.dialogs().at(0).owner);
}

TEST_F(InstallerTest, AnswerWithoutALengthCountsAsWholeOnlyWhenItsSignatureHolds) {
  const testing::TrustedTestRoot root;
  const std::string package = testing::read_file(testing::update_package(L"signed.msi"));
  for (const std::size_t sent : {package.size(), package.size() / 2}) {
    SCOPED_TRACE(sent);
    OneShotServer server("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + package.substr(0, sent));
    const std::optional<std::string> path =
        installer_->download(one_shot_url(server), reinterpret_cast<WindowHandle>(owner_.get()));
    ASSERT_TRUE(path) << "nothing told the download that the answer was cut short";
    EXPECT_EQ(sent == package.size(), installer_->verify(*path));
  }
}

TEST_F(InstallerTest, OnlyThePublishersPackageVerifiesAndDiscardDeletesIt) {
  const testing::TrustedTestRoot root;
  for (const wchar_t* name : {L"signed.msi", L"other-publisher.msi"}) {
    service_.set_installer_content(testing::read_file(testing::update_package(name)));
    const std::optional<std::string> path =
        installer_->download(download_url(), reinterpret_cast<WindowHandle>(owner_.get()));
    ASSERT_TRUE(path) << to_utf8(name);
    EXPECT_EQ(std::wstring(name) == L"signed.msi", installer_->verify(*path)) << to_utf8(name);
    installer_->discard(*path);
    EXPECT_EQ(-1, testing::file_size(package_path()));
  }
}

}  // namespace
}  // namespace mivo::scheduler
