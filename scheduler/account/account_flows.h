// Sign-in, organisation choice and the user refresh: the account side of
// the scheduler, over the ports.
#pragma once

#include <string>

#include "account_store.h"
#include "ports.h"
#include "signed_in_user.h"

namespace Json {
class Value;
}

namespace mivo {

class AccountFlows {
 public:
  explicit AccountFlows(SchedulerPorts& ports);

  // The account dialog, owned by the active window; true when a sign-in
  // succeeded in it.
  bool account_setting();
  // The user refresh every meeting operation runs first: sign in with the
  // stored account or fetch the user with the stored token, and load the
  // user into `user`. False means the operation must stop: the account
  // dialog was cancelled, the service refused the stored token, or the
  // request went without an answer while `user` holds a user read under
  // another sign-in than the stored one. `unanswered`, when given, tells
  // whether the user information request went without a readable answer
  // (the one ending that says nothing to the user and leaves `user` as it
  // was).
  bool user_refresh(SignedInUser& user, bool* unanswered = nullptr);
  // Whether a user name and a password are stored.
  bool has_stored_account();
  // The service every request goes to (service_address.h).
  std::string service();
  // The stored sign-in token, "" when none is usable.
  std::string stored_token();
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
