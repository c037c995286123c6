// What the lifecycle invariants look at after each step: the items as the
// Outlook host holds them, the meetings the reference service keeps, the
// requests it received and the windows shown during the step. Portable: the
// Windows side fills it in from the host and the service's control calls.
#pragma once

#include <string>
#include <vector>

namespace mivo::explorer {

struct Item {
  int serial = 0;           // the host's number for the item, kept across restarts
  int copied_from = 0;      // a copy: its source's number
  bool appointment = true;  // else a meeting request
  std::string folder;       // "Calendar", "Deleted Items", "Inbox", "Sent Items"
  int window = 0;           // its open window's number (opening order, from 1); 0: none
  bool saved = false;       // saved at least once
  bool dirty = false;       // changed since it was saved
  int meeting_status = 0;   // OlMeetingStatus
  std::string subject;
  std::string location;
  std::string body;         // paragraph marks as "\n"
  bool invitation = false;  // the body holds the "MivoMailBody" bookmark
  std::string start;        // "YYYY-MM-DD HH:MM"
  int duration = 0;         // minutes
  bool recurring = false;
  std::vector<std::string> attendees;  // SMTP addresses of resolved recipients, organiser left out
  std::string mivo;                    // the "MIVO" user property now ("" when none)
  bool mivo_inherited = false;         // it came with a copy and was not written since
  std::string mivo_saved;              // and as last saved
  bool mivo_saved_inherited = false;
  std::string close_mark;              // the "CLOSE" user property
};

struct Meeting {
  std::string key;
  std::string host;  // the owner's user name
  std::string host_account;  // the organisation's account it was made under ("": none)
  std::string subject;
  std::string start;  // "YYYY-MM-DD HH:MM" from the record's startDate and startTime
  int duration = 0;
  bool recurring = false;  // the record's "type" names a series
  std::vector<std::string> participants;  // "mail" of each
  std::string password;                   // "" when the record has none
  std::string host_user_id;
  std::string host_user_name;
  std::vector<std::string> conference_ids;
};

struct Request {
  std::string method;
  std::string path;
  std::string query;
  std::string body;
  bool faulted = false;  // the fault asked for took this request
};

// A dialog or message box the step showed: "sign-in", "organisation",
// "meeting-options", "sign-out", "about", "request" (the progress of a
// service call), "message" or "other"; a message box's text.
struct Shown {
  std::string kind;
  std::string text;
};

struct World {
  bool running = false;          // Outlook is started
  bool addin_connected = false;  // the add-in is loaded and turned on
  std::string user;              // the signed-in user's name ("" when signed out)
  std::string account;           // the organisation's account the stored token speaks for ("": none)
  int current = 0;               // the current item's number (0: none)
  int current_window = 0;        // the current window's number (0: the main window)
  std::vector<std::string> controls;  // add-in controls shown in the current window
  int sent = 0;                       // messages Outlook has sent so far
  std::vector<Item> items;  // by folder (Calendar, Inbox, Deleted Items, Sent Items), then unsaved ones
  std::vector<Meeting> meetings;
  std::vector<Request> requests;  // received during the step
  std::vector<Shown> shown;       // during the step
  std::vector<std::string> answered;  // the answer lines the robot gave its dialogs, in order

  const Item* item(int serial) const;
  const Meeting* meeting(const std::string& key) const;
  const Meeting* meeting_of_conference(const std::string& id) const;
  bool showed(const std::string& kind) const;
};

// The "MeetingKey" of a meeting settings record; "" when it has none or is
// not one.
std::string meeting_key_of(const std::string& record);

// The record an item keeps as its own: now when its window is open, as saved
// otherwise; "" for a record that came with a copy.
std::string own_record(const Item& item);

}  // namespace mivo::explorer
