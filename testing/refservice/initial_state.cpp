// The accounts every reference service starts with (and returns to on reset).
#include "state.h"

namespace mivo::refservice {

std::vector<User> builtin_users() {
  return {
      {"alice", "alice-pass", "10001", "Alice Walker", "8810010001", {{"Mivo Demo", "20001"}}},
      // Several organisations, deliberately not in code-unit order, and one
      // name twice with different ids, as the service really lists them.
      {"bob",
       "bob-pass",
       "10002",
       "Bob Martin",
       "8810010002",
       {{"Zeta Works", "20011"},
        {"研发中心", "20012"},
        {"Beta Labs", "20013"},
        {"acme", "20014"},
        {"Beta Labs", "20015"}}},
      {"李雷", "密码123", "10003", "李雷", "8810010003", {{"清华大学", "20021"}}},
  };
}

std::string installer_bytes(size_t size) {
  static constexpr unsigned char kSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<char>(i < sizeof kSignature ? kSignature[i] : i % 251);
  }
  return bytes;
}

State initial_state() {
  State state;
  for (User& user : builtin_users()) {
    const std::string name = user.username;
    state.users.emplace(name, std::move(user));
  }
  state.installer = installer_bytes(kDefaultInstallerSize);
  return state;
}

}  // namespace mivo::refservice
