// Sign-in, organisation choice, the user refresh and the stored account: the
// account side of the scheduler, over the ports.
#pragma once

#include <string>

#include "ports.h"

namespace Json {
class Value;
}

namespace mivo {

class CMeetingInfo;

// The account as the flows see it; the password in plain text.
struct StoredAccount {
  std::string site;  // base URL of the meeting service
  std::string user_name;
  std::string password;
};

// The stored sign-in token ("mivotoken"); "" when none is stored or the
// stored one is not well formed (is_well_formed_token): any program the user
// runs can write it.
std::string read_stored_token(ISettingsStore& store);

// The account values of the settings store. The password is kept protected
// for the current user, stored as kProtectedPrefix followed by the
// protector's text. A value without the prefix is a plain password left by
// an earlier version: it reads as it is and is stored protected the first
// time it is read. A protected value that cannot be unprotected (another
// user's, or damaged) reads as an empty password, so the user is asked to
// sign in again.
class AccountStore {
 public:
  static constexpr const char* kProtectedPrefix = "dpapi:";

  AccountStore(ISettingsStore& store, ICredentialProtector& protector);

  StoredAccount read_account();  // site, user name, password, in this order
  // Site, user name, password, in this order. When the password cannot be
  // protected it is not stored at all (never in plain text).
  void write_account(const StoredAccount& account);
  // Removes user name, password, site, organisation and token, in this
  // order; the installer's and the agent's values stay.
  void sign_out();
  std::string token();
  void set_token(const std::string& token);
  std::string org_name();
  void set_org_name(const std::string& name);

 private:
  void write_password(const std::string& password);

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
  // user's identity into `record`. False means the operation must stop: the
  // account dialog was cancelled, or the service refused the stored token.
  bool user_refresh(CMeetingInfo& record);
  // Whether a user name and a password are stored.
  bool has_stored_account();
  // The sign-out confirmation, owned by the active window; true when the
  // user confirmed and the account was removed.
  bool cancellation();

 private:
  struct SignInContext;
  struct SignInResult;

  // The account dialog's OK: signs in to the base URL of the resource
  // library the dialog shows and stores the account on success.
  bool sign_in_from_dialog(WindowHandle dialog, const StoredAccount& account);
  SignInResult sign_in(const StoredAccount& account, const SignInContext& context);
  // Runs the organisation chooser; false when it was cancelled.
  bool choose_organisation(WindowHandle owner, const std::string& user_name,
                           const std::string& login_token, const Json::Value& account_list);
  // ChangeUser; on success `change_token` holds the token it returned.
  bool change_organisation(WindowHandle chooser, const std::string& user_name,
                           const std::string& login_token, const std::string& account_id,
                           std::string& change_token);

  SchedulerPorts& ports_;
  AccountStore store_;
};

}  // namespace mivo
