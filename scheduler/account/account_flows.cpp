// Sign-in from the account dialog, the organisation chooser and change, the
// user refresh and sign-out.
#include "account_flows.h"

#include <map>

#include "portable/json.h"
#include "portable/text.h"
#include "request/owner_window.h"
#include "service/rest_api.h"
#include "service_address.h"

namespace mivo {

struct AccountFlows::SignInContext {
  WindowHandle request_owner;  // owner of the Login request's dialog
  WindowHandle message_owner;  // owner of the warnings
  WindowHandle chooser_owner;  // owner of the organisation chooser
  bool in_refresh;             // the refresh does not tell an empty answer apart
};

struct AccountFlows::SignInResult {
  bool succeeded = false;
  // "data"."token"; "" after an organisation choice, whose change stores
  // its own token.
  std::string token;
  std::string response;  // the Login response as received
};

AccountFlows::AccountFlows(SchedulerPorts& ports)
    : ports_(ports), store_(*ports.store, *ports.protector, [this] { return service(); }) {}

std::string AccountFlows::service() { return service_address(*ports_.policy, *ports_.ui); }

std::string AccountFlows::stored_token() { return store_.token(); }

bool AccountFlows::account_setting() {
  UserInterfacePort& ui = *ports_.ui;
  // The dialog shows the one service the sign-in goes to; the user cannot
  // send the password anywhere else.
  const std::string site = service();
  bool signed_in = false;
  ui.run_account_setting(
      ui.active_window(), site,
      [&](WindowHandle dialog, const std::string& user_name, const std::string& password) {
        signed_in = sign_in_from_dialog(dialog, {site, user_name, password});
        return signed_in;
      });
  return signed_in;
}

bool AccountFlows::sign_in_from_dialog(WindowHandle dialog, const StoredAccount& account) {
  UserInterfacePort& ui = *ports_.ui;
  const WindowHandle active = ui.active_window();
  const SignInResult result = sign_in(account, {active, dialog, active, false});
  if (!result.succeeded) {
    return false;
  }
  if (!result.token.empty()) {
    store_.set_token(result.token);
  }
  store_.write_account(account);
  return true;
}

AccountFlows::SignInResult AccountFlows::sign_in(const StoredAccount& account,
                                                 const SignInContext& context) {
  SignInResult result;
  result.response = ports_.transport->send(
      {rest::login_url(service()), rest::login_body(account.user_name, account.password), "",
       "POST", request_owner(*ports_.ui, context.request_owner)});
  const rest::Envelope envelope = rest::read_envelope(result.response);
  const rest::Outcome outcome = rest::outcome(envelope);
  // A refused sign-in does not open the chooser: changing the organisation
  // would store a token and an organisation for an account that is then
  // reported as not signed in.
  if (outcome != rest::Outcome::success) {
    show_warning(*ports_.ui, context.message_owner,
                 rest::account_call_message(outcome, context.in_refresh));
    return result;
  }
  JsonObjectReader data(envelope.data);
  const Json::Value& account_list = data.array("accountList");
  const std::string login_token = data.text("token");
  if (!rest::is_well_formed_token(login_token)) {
    show_warning(*ports_.ui, context.message_owner,
                 rest::account_call_message(rest::Outcome::malformed, context.in_refresh));
    return result;
  }
  if (account_list.size() > 1 && store_.org_name().empty()) {
    if (!choose_organisation(context.chooser_owner, account.user_name, login_token, account_list)) {
      return result;
    }
  } else {
    result.token = login_token;
  }
  result.succeeded = true;
  return result;
}

bool AccountFlows::choose_organisation(WindowHandle owner, const std::string& user_name,
                                       const std::string& login_token,
                                       const Json::Value& account_list) {
  // Ordered by UTF-16 code unit, as the user sees the names; a name listed
  // twice keeps the later id.
  std::map<std::u16string, std::string> accounts;
  for (const Json::Value& element : account_list) {
    JsonObjectReader entry(element);
    const std::string name = entry.text("orgName");
    accounts[utf8_to_utf16(name)] = entry.text("id");
  }
  std::vector<std::string> names;
  for (const auto& entry : accounts) {
    names.push_back(utf16_to_utf8(entry.first));
  }
  const int result = ports_.ui->run_multi_tenancy(
      owner, names, [&](WindowHandle chooser, const std::optional<std::string>& selected) {
        if (!selected) {
          return;
        }
        const auto found = accounts.find(utf8_to_utf16(*selected));
        if (found == accounts.end()) {
          return;
        }
        std::string change_token;
        if (!change_organisation(chooser, user_name, login_token, found->second, change_token)) {
          return;
        }
        store_.set_org_name(*selected);
        store_.set_token(change_token.empty() ? login_token : change_token);
      });
  return result != msgbox::kCancel;
}

bool AccountFlows::change_organisation(WindowHandle chooser, const std::string& user_name,
                                       const std::string& login_token,
                                       const std::string& account_id, std::string& change_token) {
  UserInterfacePort& ui = *ports_.ui;
  const std::string response = ports_.transport->send(
      {rest::change_user_url(service()), rest::change_user_body(account_id, user_name),
       rest::token_header(login_token), "POST", request_owner(ui, ui.active_window())});
  const rest::Envelope envelope = rest::read_envelope(response);
  const rest::Outcome outcome = rest::outcome(envelope);
  if (outcome == rest::Outcome::no_answer || outcome == rest::Outcome::malformed) {
    show_warning(ui, chooser, rest::account_call_message(outcome, false));
    return false;
  }
  change_token = JsonObjectReader(envelope.data).text("token");
  if (!rest::is_well_formed_token(change_token)) {
    change_token.clear();
    show_warning(ui, chooser, rest::account_call_message(rest::Outcome::malformed, false));
    return false;
  }
  if (outcome == rest::Outcome::refused) {
    show_warning(ui, chooser, rest::account_call_message(outcome, false));
    return false;
  }
  return true;
}

bool AccountFlows::user_refresh(SignedInUser& user, bool* unanswered) {
  UserInterfacePort& ui = *ports_.ui;
  if (unanswered) *unanswered = false;
  const WindowHandle owner = active_or_foreground(ui);
  StoredAccount account = store_.read_account();
  if (account.site.empty() || account.user_name.empty() || account.password.empty()) {
    if (!account_setting()) {
      return false;
    }
    account = store_.read_account();
  }
  const auto user_info = [&](const std::string& with_token) {
    return ports_.transport->send({rest::user_info_url(service()), "",
                                   rest::token_header(with_token), "GET",
                                   request_owner(ui, owner)});
  };
  const std::string token = store_.token();
  std::string response;
  if (utf16_length(token) > 1) {
    response = user_info(token);
  } else if (token.empty()) {
    const SignInResult result = sign_in(account, {ui.active_window(), owner, owner, true});
    if (!result.succeeded) {
      return true;
    }
    if (!read_signed_in_user(result.response, user)) {
      return false;
    }
    // With an organisation chosen the service speaks for that organisation's
    // account from here on, under its own id: the user is read again as the
    // service now sees it, or a meeting made now would name a host that no
    // later refresh reports. Without an answer the sign-in's reading stands.
    const std::string changed = store_.token();
    if (utf16_length(changed) <= 1 || changed == user.token) {
      return true;
    }
    SignedInUser now;
    if (read_signed_in_user(user_info(changed), now) && !now.host_user_id.empty()) {
      user = std::move(now);
    }
    return true;
  }
  // An absent or unreadable answer leaves the user as they were and is no
  // reason to stop the operation -- unless they were read under another
  // sign-in than the one stored now: somebody else may have signed in since,
  // and the operation would act for a user who no longer is.
  const bool no_answer = !rest::read_envelope(response).parsed;
  if (unanswered) *unanswered = no_answer;
  if (no_answer && !user.token.empty() && user.token != token) {
    return false;
  }
  return read_signed_in_user(response, user);
}

bool AccountFlows::has_stored_account() {
  const StoredAccount account = store_.read_account();
  return !account.user_name.empty() && !account.password.empty();
}

bool AccountFlows::cancellation() {
  UserInterfacePort& ui = *ports_.ui;
  bool confirmed = false;
  ui.run_cancellation(ui.active_window(), [&] {
    store_.sign_out();
    confirmed = true;
  });
  return confirmed;
}

}  // namespace mivo
