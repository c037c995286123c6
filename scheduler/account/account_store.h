// The stored account: site, user name and protected password, the sign-in
// token and the chosen organisation, in the settings store.
#pragma once

#include <functional>
#include <string>

#include "ports.h"

namespace mivo {

// The account as the flows see it; the password in plain text.
struct StoredAccount {
  std::string site;  // the service it was signed in to
  std::string user_name;
  std::string password;
};

// The account values of the settings store. The password is kept protected
// for the current user, stored as kProtectedPrefix followed by the
// protector's text. A value without the prefix is a plain password left by
// an earlier version: it reads as it is and is stored protected the first
// time it is read. A protected value that cannot be unprotected (another
// user's, or damaged) reads as an empty password, so the user is asked to
// sign in again.
//
// The stored site only says which service the account belongs to; requests
// go to the service in use (`service_address`). An account stored for
// another service (left by an older version, or planted by any program the
// user runs) counts as signed out: every read first removes it, so neither
// its password nor its token ever goes anywhere.
class AccountStore {
 public:
  static constexpr const char* kProtectedPrefix = "dpapi:";

  AccountStore(SettingsStorePort& store, CredentialProtectorPort& protector,
               std::function<std::string()> service_address);

  StoredAccount read_account();  // site, user name, password, in this order
  // Site, user name, password, in this order. When the password cannot be
  // protected it is not stored at all (never in plain text).
  void write_account(const StoredAccount& account);
  // Removes user name, password, site, organisation and token, in this
  // order; the installer's and the agent's values stay.
  void sign_out();
  // The stored sign-in token; "" when none is stored or the stored one is
  // not well formed (is_well_formed_token): a line break in it would add
  // request headers of its own.
  std::string token();
  void set_token(const std::string& token);
  std::string org_name();
  void set_org_name(const std::string& name);

 private:
  void write_password(const std::string& password);
  // Signs out an account stored for another service than the one in use.
  void forget_account_of_other_service();

  SettingsStorePort& store_;
  CredentialProtectorPort& protector_;
  std::function<std::string()> service_address_;
};

}  // namespace mivo
