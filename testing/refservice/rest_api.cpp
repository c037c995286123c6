// The REST endpoints: sign-in, organisation switch, user details, meetings
// (create, update, look up, delete) and the version channels.
#include "rest_api.h"

#include "invitation.h"
#include "json_text.h"

#include <algorithm>
#include <cstdio>

namespace mivo::refservice {
namespace {

const std::string kLogin = "/rest/login";
const std::string kUserInfo = "/rest/api/conference/user/info";
const std::string kChangeUser = "/rest/api/change/user";
const std::string kSchedule = "/rest/api/conference/schedule";
const std::string kScheduleSingle = kSchedule + "/single";
const std::string kGrayVersion = "/rest/api/grayscale/version/outlook/";
const std::string kReleaseVersion = "/rest/version/outlook/";
const std::string kInstaller = "/download/outlookplugin/VantorOutlookPluginSetup.msi";

const char* message(int code) {
  switch (code) {
    case kOk:
      return "成功";
    case kBadRequest:
      return "请求参数错误";
    case kBadCredentials:
      return "用户名或密码错误";
    case kTokenInvalid:
      return "登录已失效，请重新登录";
    case kForbidden:
      return "无权进行此操作";
    case kNotFound:
      return "会议不存在";
    case kScheduleConflict:
      return "该时间已有其他会议";
    default:
      return "操作失败";
  }
}

bool starts_with(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// A string member; null or absent reads as "", any other type as nullopt.
std::optional<std::string> text_member(const Json::Value& object, const char* key) {
  const Json::Value& v = object[key];
  if (v.isNull()) return std::string();
  if (!v.isString()) return std::nullopt;
  return v.asString();
}

std::string format_minutes(int minutes) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d:%02d", minutes / 60 % 100, minutes % 60);
  return text;
}

// What a schedule save asks for, read from its conference record.
struct SaveRequest {
  Json::Value record;
  std::string subject;
  std::string password;
  std::string meeting_key;
  std::string conference_id;
  Date start;
  std::string start_time;  // normalised "HH:MM"
  int duration = 0;
  Recurrence recurrence;
};

class RestApi {
 public:
  RestApi(State& state, const Exchange& exchange, const TokenMaker& new_token)
      : state_(state), x_(exchange), new_token_(new_token) {}

  Reply serve() {
    const std::string& m = x_.method;
    const std::string& p = x_.path;
    if (p == kLogin) return m == "POST" ? login() : not_allowed("POST");
    if (p == kUserInfo) return m == "GET" ? user_info() : not_allowed("GET");
    if (p == kChangeUser) return m == "POST" ? change_user() : not_allowed("POST");
    if (p == kSchedule || p == kScheduleSingle) {
      if (m == "POST" || m == "PUT") return save(p == kScheduleSingle);
      if (m == "DELETE" && p == kSchedule) return remove();
      return not_allowed(p == kSchedule ? "POST, PUT, DELETE" : "POST, PUT");
    }
    if (starts_with(p, kSchedule + "/")) {
      return m == "GET" ? lookup(p.substr(kSchedule.size() + 1)) : not_allowed("GET");
    }
    if (starts_with(p, kGrayVersion)) return m == "GET" ? version(true) : not_allowed("GET");
    if (starts_with(p, kReleaseVersion)) return m == "GET" ? version(false) : not_allowed("GET");
    if (p == kInstaller) return m == "GET" ? installer() : not_allowed("GET");
    return html_error(404, p);
  }

 private:
  Reply not_allowed(const char* allow) const {
    Reply reply = html_error(405, x_.path);
    reply.headers.emplace_back("Allow", allow);
    return reply;
  }

  const Session* session() const {
    if (!x_.token) return nullptr;
    const auto it = state_.sessions.find(*x_.token);
    return it == state_.sessions.end() ? nullptr : &it->second;
  }

  std::optional<Json::Value> body_object() const {
    auto body = parse_json(x_.body);
    if (!body || !body->isObject()) return std::nullopt;
    return body;
  }

  std::string issue_token(const std::string& username, const std::string& account_id) {
    std::string token = new_token_();
    state_.sessions[token] = Session{username, account_id};
    return token;
  }

  Reply login() {
    const auto body = body_object();
    if (!body) return envelope(kBadRequest);
    const auto username = text_member(*body, "username");
    const auto password = text_member(*body, "password");
    if (!username || !password) return envelope(kBadRequest);
    const auto it = state_.users.find(*username);
    if (it == state_.users.end() || it->second.password != *password) {
      return envelope(kBadCredentials);
    }
    const User& user = it->second;
    Json::Value data;
    data["token"] = issue_token(user.username, "");
    data["id"] = user.id;
    data["name"] = user.name;
    data["meetingKey"] = user.meeting_key;
    data["accountList"] = Json::Value(Json::arrayValue);
    for (const Account& account : user.accounts) {
      Json::Value entry;
      entry["orgName"] = account.org_name;
      entry["id"] = account.id;
      data["accountList"].append(entry);
    }
    return envelope(kOk, data);
  }

  Reply user_info() {
    const Session* s = session();
    if (!s) return envelope(kTokenInvalid);
    const User& user = state_.users.at(s->username);
    Json::Value data;
    data["id"] = s->account_id.empty() ? user.id : s->account_id;
    data["name"] = user.name;
    data["token"] = *x_.token;
    data["meetingKey"] = user.meeting_key;
    return envelope(kOk, data);
  }

  Reply change_user() {
    const Session* s = session();
    if (!s) return envelope(kTokenInvalid);
    const auto body = body_object();
    if (!body) return envelope(kBadRequest);
    const auto user_id = text_member(*body, "userId");
    const auto user_name = text_member(*body, "userName");
    if (!user_id || !user_name || user_id->empty()) return envelope(kBadRequest);
    const User& user = state_.users.at(s->username);
    const bool own_account = std::any_of(user.accounts.begin(), user.accounts.end(),
                                         [&](const Account& a) { return a.id == *user_id; });
    if (*user_name != user.username || !own_account) return envelope(kForbidden);
    Json::Value data;
    data["token"] = issue_token(s->username, *user_id);
    for (const Account& a : user.accounts) {
      if (a.id == *user_id) data["orgName"] = a.org_name;
    }
    return envelope(kOk, data);
  }

  // Reads the record of a save; an error reply when it is unusable.
  std::optional<SaveRequest> read_save(bool single, Reply& error) const {
    error = envelope(kBadRequest);
    const auto body = body_object();
    if (!body) return std::nullopt;
    SaveRequest r;
    r.record = *body;
    const auto subject = text_member(r.record, "subject");
    const auto password = text_member(r.record, "password");
    const auto key = text_member(r.record, "meetingKey");
    const auto conference = text_member(r.record, "conferenceId");
    const auto date = text_member(r.record, "startDate");
    const auto time = text_member(r.record, "startTime");
    if (!subject || !password || !key || !conference || !date || !time) return std::nullopt;
    const auto start = parse_date(*date);
    const auto minutes = parse_time(*time);
    const Json::Value& duration = r.record["duration"];
    if (!start || !minutes || !duration.isInt() || duration.asInt() <= 0) return std::nullopt;
    r.subject = *subject;
    r.password = *password;
    r.meeting_key = *key;
    r.conference_id = *conference;
    r.start = *start;
    r.start_time = format_minutes(*minutes);
    r.duration = duration.asInt();
    if (!single) {
      std::string why;
      const auto recurrence = read_recurrence(r.record, r.start, why);
      if (!recurrence) return std::nullopt;
      r.recurrence = *recurrence;
    }
    return r;
  }

  // Whether the host has another occurrence starting at the same day and time.
  bool conflicts(const std::string& host, const std::vector<long>& days, const std::string& time,
                 const Meeting* skip_meeting, const Occurrence* skip_occurrence) const {
    for (const Meeting& meeting : state_.meetings) {
      if (meeting.host != host || &meeting == skip_meeting) continue;
      for (const Occurrence& o : meeting.occurrences) {
        if (&o == skip_occurrence || o.start_time != time) continue;
        if (std::find(days.begin(), days.end(), o.day) != days.end()) return true;
      }
    }
    return false;
  }

  std::string mail(const Meeting& meeting, const SaveRequest& r, long day, bool series) const {
    Invitation inv;
    inv.host_name = state_.users.at(meeting.host).name;
    inv.subject = r.subject;
    inv.date = date_from_day_number(day);
    inv.start_time = r.start_time;
    inv.duration = r.duration;
    if (series && r.recurrence.kind != Recurrence::kOnce) inv.recurrence = r.recurrence;
    inv.meeting_key = meeting.meeting_key;
    inv.password = r.password;
    inv.join_address = x_.base_url + "/" + meeting.meeting_key;
    return invitation_text(inv);
  }

  Occurrence make_occurrence(const SaveRequest& r, long day, std::string id) {
    if (id.empty()) id = std::to_string(50000000 + ++state_.last_conference_number);
    return Occurrence{std::move(id), day, r.start_time, r.duration, r.subject, Json::Value()};
  }

  Reply saved(const Meeting& meeting) const {
    Json::Value data;
    data["meetingKey"] = meeting.meeting_key;
    data["mailContent"] = meeting.mail_content;
    return envelope(kOk, data);
  }

  Meeting* find_meeting(const std::string& key) {
    for (Meeting& m : state_.meetings) {
      if (m.meeting_key == key) return &m;
    }
    return nullptr;
  }

  Reply save(bool single) {
    const Session* s = session();
    if (!s) return envelope(kTokenInvalid);
    Reply error;
    const auto r = read_save(single, error);
    if (!r) return error;
    if (x_.method == "POST") return create(*s, *r);
    if (r->meeting_key.empty()) return envelope(kBadRequest);
    Meeting* meeting = find_meeting(r->meeting_key);
    if (!meeting) return envelope(kNotFound);
    if (meeting->host != s->username) return envelope(kForbidden);
    return single ? update_occurrence(*meeting, *r) : update_series(*meeting, *r);
  }

  Reply create(const Session& s, const SaveRequest& r) {
    const std::vector<long> days =
        expand_occurrences(day_number(r.start), r.recurrence, kMaxOccurrences);
    if (days.empty()) return envelope(kBadRequest);
    if (conflicts(s.username, days, r.start_time, nullptr, nullptr))
      return envelope(kScheduleConflict);
    Meeting meeting;
    meeting.meeting_key = std::to_string(9100000000L + ++state_.last_meeting_number);
    meeting.host = s.username;
    meeting.host_account_id = s.account_id;
    meeting.record = r.record;
    for (long day : days) meeting.occurrences.push_back(make_occurrence(r, day, ""));
    meeting.mail_content = mail(meeting, r, days.front(), true);
    state_.meetings.push_back(std::move(meeting));
    return saved(state_.meetings.back());
  }

  Reply update_series(Meeting& meeting, const SaveRequest& r) {
    std::vector<long> days = expand_occurrences(day_number(r.start), r.recurrence, kMaxOccurrences);
    days.erase(std::remove_if(days.begin(), days.end(),
                              [&](long d) { return meeting.cancelled_days.count(d) > 0; }),
               days.end());
    if (days.empty()) return envelope(kBadRequest);
    if (conflicts(meeting.host, days, r.start_time, &meeting, nullptr)) {
      return envelope(kScheduleConflict);
    }
    // Occurrences keep their conference identifiers where their day stays;
    // a meeting without recurrence keeps its one identifier wherever it moves.
    std::vector<Occurrence> next;
    for (long day : days) {
      std::string id;
      if (r.recurrence.kind == Recurrence::kOnce && meeting.occurrences.size() == 1) {
        id = meeting.occurrences.front().id;
      }
      for (const Occurrence& o : meeting.occurrences) {
        if (id.empty() && o.day == day) id = o.id;
      }
      next.push_back(make_occurrence(r, day, id));
    }
    meeting.occurrences = std::move(next);
    meeting.record = r.record;
    meeting.mail_content = mail(meeting, r, days.front(), true);
    return saved(meeting);
  }

  Reply update_occurrence(Meeting& meeting, const SaveRequest& r) {
    const auto it = std::find_if(meeting.occurrences.begin(), meeting.occurrences.end(),
                                 [&](const Occurrence& o) { return o.id == r.conference_id; });
    if (r.conference_id.empty() || it == meeting.occurrences.end()) return envelope(kNotFound);
    const long day = day_number(r.start);
    // The occurrence may not land on another one of its own series either.
    if (conflicts(meeting.host, {day}, r.start_time, nullptr, &*it)) {
      return envelope(kScheduleConflict);
    }
    *it = make_occurrence(r, day, it->id);
    it->record = r.record;
    std::stable_sort(meeting.occurrences.begin(), meeting.occurrences.end(),
                     [](const Occurrence& a, const Occurrence& b) {
                       return a.day != b.day ? a.day < b.day : a.start_time < b.start_time;
                     });
    meeting.mail_content = mail(meeting, r, day, false);
    return saved(meeting);
  }

  Reply lookup(const std::string& key) {
    const Session* s = session();
    if (!s) return envelope(kTokenInvalid);
    if (key.empty()) return envelope(kBadRequest);
    const Meeting* meeting = find_meeting(key);
    if (!meeting) return envelope(kNotFound);
    if (meeting->host != s->username) return envelope(kForbidden);
    Json::Value data(Json::arrayValue);
    for (const Occurrence& o : meeting->occurrences) {
      Json::Value entry;
      entry["id"] = o.id;
      entry["startDate"] = format_date(date_from_day_number(o.day));
      data.append(entry);
    }
    return envelope(kOk, data);
  }

  Reply remove() {
    const Session* s = session();
    if (!s) return envelope(kTokenInvalid);
    const auto id = query_value(x_.query, "id");
    const auto type = query_value(x_.query, "type");
    if (!id || id->empty() || !type || (*type != "0" && *type != "1")) return envelope(kBadRequest);
    for (auto m = state_.meetings.begin(); m != state_.meetings.end(); ++m) {
      const auto o = std::find_if(m->occurrences.begin(), m->occurrences.end(),
                                  [&](const Occurrence& occ) { return occ.id == *id; });
      if (o == m->occurrences.end()) continue;
      if (m->host != s->username) return envelope(kForbidden);
      if (*type == "0") {
        m->cancelled_days.insert(o->day);
        m->occurrences.erase(o);
      }
      if (*type == "1" || m->occurrences.empty()) state_.meetings.erase(m);
      return envelope(kOk);
    }
    return envelope(kNotFound);
  }

  Reply version(bool gray) {
    if (gray && !session()) return envelope(kTokenInvalid);
    Json::Value data;
    data["newVersion"] = gray ? state_.gray_version : state_.release_version;
    return envelope(kOk, data);
  }

  Reply installer() const {
    Reply reply{200, "application/octet-stream", state_.installer, {}};
    reply.headers.emplace_back("Content-Disposition",
                               "attachment; filename=\"VantorOutlookPluginSetup.msi\"");
    return reply;
  }

  State& state_;
  const Exchange& x_;
  const TokenMaker& new_token_;
};

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string percent_decode(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hex_digit(text[i + 1]) >= 0 &&
        hex_digit(text[i + 2]) >= 0) {
      out += static_cast<char>(hex_digit(text[i + 1]) * 16 + hex_digit(text[i + 2]));
      i += 2;
    } else {
      out += text[i] == '+' ? ' ' : text[i];
    }
  }
  return out;
}

}  // namespace

Reply serve_rest(State& state, const Exchange& exchange, const TokenMaker& new_token) {
  return RestApi(state, exchange, new_token).serve();
}

Reply envelope(int code, const Json::Value& data) {
  Json::Value answer;
  answer["code"] = code;
  answer["msg"] = message(code);
  answer["data"] = data;
  return Reply{200, kJsonType, write_json(answer), {}};
}

Reply with_code(Reply reply, int code) {
  auto answer = parse_json(reply.body);
  if (!answer || !answer->isObject() || !answer->isMember("code")) return reply;
  (*answer)["code"] = code;
  (*answer)["msg"] = message(code);
  reply.body = write_json(*answer);
  return reply;
}

Reply html_error(int status, const std::string& path) {
  const std::string title = status == 404 ? "404 Not Found" : "405 Method Not Allowed";
  std::string escaped;
  for (char c : path) {
    switch (c) {
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '&':
        escaped += "&amp;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return Reply{status,
               "text/html;charset=UTF-8",
               "<!DOCTYPE html>\n<html><head><title>" + title + "</title></head><body><h1>" +
                   title + "</h1><p>" + escaped + "</p></body></html>\n",
               {}};
}

std::optional<std::string> query_value(const std::string& query, const std::string& key) {
  size_t pos = 0;
  while (pos <= query.size()) {
    const size_t amp = std::min(query.find('&', pos), query.size());
    const std::string pair = query.substr(pos, amp - pos);
    const size_t eq = pair.find('=');
    if (percent_decode(pair.substr(0, eq)) == key) {
      return eq == std::string::npos ? std::string() : percent_decode(pair.substr(eq + 1));
    }
    pos = amp + 1;
  }
  return std::nullopt;
}

}  // namespace mivo::refservice
