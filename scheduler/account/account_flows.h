// Sign-in, organisation choice, the user refresh and the stored account: the
// account side of the scheduler, over the ports.
#pragma once

#include <string>

#include "ports.h"

namespace mivo {

class CMeetingInfo;

// The account as the settings store holds it; the password in plain text.
struct StoredAccount {
  std::string site;       // base URL of the meeting service
  std::string user_name;
  std::string password;
};

// The account values of the settings store. The password is kept protected
// for the current user; a plain value left by an earlier version still reads
// and is protected at the next successful sign-in.
class AccountStore {
 public:
  AccountStore(ISettingsStore& store, ICredentialProtector& protector);

  StoredAccount read_account();               // site, user name, password
  void write_account(const StoredAccount& account);
  void sign_out();                             // the five account values
  std::string token();
  void set_token(const std::string& token);
  std::string org_name();
  void set_org_name(const std::string& name);

 private:
  ISettingsStore& store_;
  ICredentialProtector& protector_;
};

class AccountFlows {
 public:
  explicit AccountFlows(SchedulerPorts& ports);

  // The account dialog, owned by the active window; true when a sign-in
  // succeeded in it.
  bool account_setting();
  // The user refresh every meeting operation runs first: sign in with the
  // stored account or fetch the user with the stored token, and load the
  // user's identity into `record`. False means the operation must stop.
  bool user_refresh(CMeetingInfo& record);
  // Whether a user name and a password are stored.
  bool has_stored_account();
  // The sign-out confirmation, owned by the active window; true when the
  // user confirmed and the account was removed.
  bool cancellation();

 private:
  SchedulerPorts& ports_;
};

}  // namespace mivo
