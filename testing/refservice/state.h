// The reference service's in-memory world: users and their organisations,
// sign-in tokens, meetings with their occurrences, the two version channels
// and the installer. A plain value: the service copies it to answer a
// request without keeping what the answer did.
#pragma once

#include "calendar.h"

#include <json/value.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace mivo::refservice {

struct Account {
  std::string org_name;
  std::string id;
};

struct User {
  std::string username;
  std::string password;
  std::string id;
  std::string name;               // display name
  std::string meeting_key;        // personal meeting room
  std::vector<Account> accounts;  // in the order the service lists them
};

// What a token stands for: a user, signed in either as such (empty
// account_id) or switched into one of the user's organisations.
struct Session {
  std::string username;
  std::string account_id;
};

struct Occurrence {
  std::string id;  // the conference identifier
  long day = 0;
  std::string start_time;  // "HH:MM" as the record gave it
  int duration = 0;
  std::string subject;
  Json::Value record;  // the record of a single-occurrence update, else null
};

struct Meeting {
  std::string meeting_key;
  std::string host;  // user name of the owner
  std::string host_account_id;
  Json::Value record;  // the conference record the meeting was last saved with
  std::string mail_content;
  std::vector<Occurrence> occurrences;  // by date
  std::set<long> cancelled_days;        // occurrences deleted one by one
};

struct State {
  std::map<std::string, User> users;        // by user name
  std::map<std::string, Session> sessions;  // by token
  std::vector<Meeting> meetings;            // in creation order
  std::string gray_version;
  std::string release_version;
  std::string installer;
  long last_meeting_number = 0;
  long last_conference_number = 0;
};

// The built-in accounts, no sessions, meetings or versions, the default installer.
State initial_state();

std::vector<User> builtin_users();

// `size` bytes that look like the start of an installer package: the
// compound-file signature, then byte i = i % 251.
std::string installer_bytes(size_t size);

inline constexpr size_t kDefaultInstallerSize = 4096;

}  // namespace mivo::refservice
