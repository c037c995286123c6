// The stored account: composite reads and writes of the settings store, and
// the password kept protected for the current user.
#include <string_view>

#include "account_store.h"
#include "service/rest_api.h"

namespace mivo {
namespace {

bool is_protected(std::string_view stored) {
  return stored.substr(0, std::string_view(AccountStore::kProtectedPrefix).size()) ==
         AccountStore::kProtectedPrefix;
}

}  // namespace

AccountStore::AccountStore(SettingsStorePort& store, CredentialProtectorPort& protector,
                           std::function<std::string()> service_address)
    : store_(store), protector_(protector), service_address_(std::move(service_address)) {}

void AccountStore::forget_account_of_other_service() {
  const std::string site = store_.read(setting::kSiteName);
  if (site.empty()) {
    return;
  }
  // With no address in use (the resource library is missing) nothing is
  // sent anywhere, and the account stays for when the library is back.
  const std::string service = service_address_();
  if (!service.empty() && site != service) {
    sign_out();
  }
}

StoredAccount AccountStore::read_account() {
  forget_account_of_other_service();
  StoredAccount account;
  account.site = store_.read(setting::kSiteName);
  account.user_name = store_.read(setting::kUserName);
  std::string stored = store_.read(setting::kPassword);
  if (!is_protected(stored)) {
    // A plain password left by an earlier version is protected the first
    // time it is read, whichever path reads it. When that fails it stays as
    // it is: removing it would sign the user out.
    if (!stored.empty()) {
      if (const std::optional<std::string> sealed = protector_.protect(stored)) {
        store_.write(setting::kPassword, kProtectedPrefix + *sealed);
      }
    }
    account.password = std::move(stored);
    return account;
  }
  const std::size_t prefix = std::string_view(kProtectedPrefix).size();
  std::optional<std::string> plain = protector_.unprotect(stored.substr(prefix));
  if (plain) {
    account.password = std::move(*plain);
  }
  return account;
}

void AccountStore::write_account(const StoredAccount& account) {
  store_.write(setting::kSiteName, account.site);
  store_.write(setting::kUserName, account.user_name);
  write_password(account.password);
}

void AccountStore::write_password(const std::string& password) {
  // An empty password has nothing to hide and reads back the same.
  if (password.empty()) {
    store_.write(setting::kPassword, password);
    return;
  }
  std::optional<std::string> sealed = protector_.protect(password);
  if (!sealed) {
    // Storing it in plain text instead is what the protection is there to
    // prevent; without it the user signs in again next time.
    store_.remove(setting::kPassword);
    return;
  }
  store_.write(setting::kPassword, kProtectedPrefix + *sealed);
}

void AccountStore::sign_out() {
  store_.remove(setting::kUserName);
  store_.remove(setting::kPassword);
  store_.remove(setting::kSiteName);
  store_.remove(setting::kOrgName);
  store_.remove(setting::kToken);
}

std::string AccountStore::token() {
  forget_account_of_other_service();
  std::string token = store_.read(setting::kToken);
  return rest::is_well_formed_token(token) ? token : std::string();
}

void AccountStore::set_token(const std::string& token) { store_.write(setting::kToken, token); }

std::string AccountStore::org_name() {
  forget_account_of_other_service();
  return store_.read(setting::kOrgName);
}

void AccountStore::set_org_name(const std::string& name) { store_.write(setting::kOrgName, name); }

}  // namespace mivo
