// The installer download over WinINet against the reference service.
#include "installer.h"

#include <winsock2.h>

#include <gtest/gtest.h>

#include <thread>

#include "refservice_client.h"
#include "testing/scheduler_test_support.h"
#include "com/wide_text.h"

namespace mivo::scheduler {
namespace {

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
    service_.reset();
    DeleteFileW(package_path().c_str());
  }
  void TearDown() override { DeleteFileW(package_path().c_str()); }

  std::string download_url() const {
    return service_.base_url() + "/download/outlookplugin/VantorOutlookPluginSetup.msi";
  }

  mivo::refservice::Client service_;
  std::unique_ptr<IInstaller> installer_ = make_installer();
};

TEST_F(InstallerTest, WholeDownloadArrivesByteForByteInTheTemporaryFolder) {
  std::string content(450, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7 + 1);
  service_.set_installer_content(content);

  const std::optional<std::string> path = installer_->download(download_url());
  ASSERT_TRUE(path);
  EXPECT_EQ(package_path(), mivo::com::to_wide(*path));
  EXPECT_EQ(content, testing::read_file(package_path()));

  const auto requests = service_.requests();
  ASSERT_EQ(1u, requests.size());
  EXPECT_EQ("Testing", requests[0].header("User-Agent"));
}

TEST_F(InstallerTest, BodyCutShortOfItsLengthDeletesThePartialFile) {
  OneShotServer server("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\n" +
                       std::string(450, 'x'));
  const std::string url = "http://127.0.0.1:" + std::to_string(server.port()) +
                          "/download/outlookplugin/VantorOutlookPluginSetup.msi";
  EXPECT_EQ(std::nullopt, installer_->download(url));
  EXPECT_EQ(-1, testing::file_size(package_path()));
}

}  // namespace
}  // namespace mivo::scheduler
