// The mivo-refservice program as the test fixture runs it: its ready line
// and its ways of stopping. Start-up time: bench-startup.sh.
#include "refservice_client.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace mivo::refservice {
namespace {

// A port nobody listens on right now.
int free_port() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
  ::close(s);
  return ntohs(addr.sin_port);
}

class Program {
 public:
  explicit Program(std::vector<std::string> args) {
    int out[2];
    if (::pipe(out) != 0) throw std::runtime_error("pipe");
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(out[1], STDOUT_FILENO);
      ::dup2(out[1], STDERR_FILENO);
      ::close(out[0]);
      ::close(out[1]);
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(MIVO_REFSERVICE_PROGRAM));
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    out_ = out[0];
  }
  ~Program() {
    if (pid_ > 0 && !exited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::close(out_);
  }

  // Reads output until `text` shows up or the program closes its output.
  bool wait_for(const std::string& text) {
    char buffer[256];
    while (output_.find(text) == std::string::npos) {
      const ssize_t n = ::read(out_, buffer, sizeof buffer);
      if (n <= 0) return false;
      output_.append(buffer, static_cast<size_t>(n));
    }
    return true;
  }
  void signal(int sig) { ::kill(pid_, sig); }
  int exit_status() {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    exited_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  const std::string& output() const { return output_; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  bool exited_ = false;
  std::string output_;
};

TEST(Program, PrintsItsReadyLineServesAndStopsOnSigterm) {
  const int port = free_port();
  const auto dir =
      std::filesystem::temp_directory_path() / ("refservice-program-" + std::to_string(getpid()));
  Program program({"--port", std::to_string(port), "--tls-port", std::to_string(free_port()),
                   "--state-dir", dir.string()});
  ASSERT_TRUE(program.wait_for("listening on 127.0.0.1:" + std::to_string(port) + "\n"))
      << program.output();
  EXPECT_TRUE(std::filesystem::exists(dir / "cert.pem"));
  Client client(port);
  EXPECT_EQ(client.send("GET", "/rest/version/outlook/1").status, 200);
  program.signal(SIGTERM);
  EXPECT_EQ(program.exit_status(), 0);
  EXPECT_TRUE(program.wait_for("stopped")) << program.output();
  std::filesystem::remove_all(dir);
}

TEST(Program, StopsOnSigintAndOnTheShutdownCall) {
  const int port = free_port();
  {
    Program program({"--port", std::to_string(port)});
    ASSERT_TRUE(program.wait_for("listening")) << program.output();
    program.signal(SIGINT);
    EXPECT_EQ(program.exit_status(), 0);
  }
  Program program({"--port", std::to_string(port)});
  ASSERT_TRUE(program.wait_for("listening")) << program.output();
  Client(port).shutdown();
  EXPECT_EQ(program.exit_status(), 0);
}

TEST(Program, FailsOnABusyPortAndOnBadArguments) {
  const int port = free_port();
  Program first({"--port", std::to_string(port)});
  ASSERT_TRUE(first.wait_for("listening")) << first.output();
  Program second({"--port", std::to_string(port)});
  EXPECT_EQ(second.exit_status(), 1);
  second.wait_for("\n");
  EXPECT_NE(second.output().find("cannot listen on 127.0.0.1:" + std::to_string(port)),
            std::string::npos)
      << second.output();
  Program bad({"--port", "http"});
  EXPECT_EQ(bad.exit_status(), 2);
}

}  // namespace
}  // namespace mivo::refservice
