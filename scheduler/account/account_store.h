// The stored account: site, user name and protected password, the sign-in
// token and the chosen organisation, in the settings store.
#pragma once

#include <string>

#include "ports.h"

namespace mivo {

// The account as the flows see it; the password in plain text.
struct StoredAccount {
  std::string site;  // base URL of the meeting service
  std::string user_name;
  std::string password;
};

// The stored sign-in token ("mivotoken"); "" when none is stored or the
// stored one is not well formed (is_well_formed_token): any program the user
// runs can write it.
std::string read_stored_token(SettingsStorePort& store);

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

  AccountStore(SettingsStorePort& store, CredentialProtectorPort& protector);

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

  SettingsStorePort& store_;
  CredentialProtectorPort& protector_;
};

}  // namespace mivo
