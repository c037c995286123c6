// The service: request handling (record, faults, REST), the control
// interface, and the life cycle of its listeners.
#include "service.h"

#include "base64_decode.h"
#include "headers.h"
#include "json_text.h"

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace mivo::refservice {
namespace {

const std::string kControl = "/__control/";

Reply json_reply(int status, const Json::Value& value) {
  return Reply{status, kJsonType, write_json(value), {}};
}

Reply control_error(int status, const std::string& message) {
  Json::Value error;
  error["error"] = message;
  return json_reply(status, error);
}

Json::Value empty_object() { return Json::Value(Json::objectValue); }

std::optional<User> parse_user(const Json::Value& v, std::string& error) {
  error = "a user needs the strings \"username\" and \"password\"";
  if (!v.isObject() || !v["username"].isString() || !v["password"].isString() ||
      v["username"].asString().empty()) {
    return std::nullopt;
  }
  User user;
  user.username = v["username"].asString();
  user.password = v["password"].asString();
  for (const auto& [key, field] : {std::pair{"id", &user.id}, std::pair{"name", &user.name},
                                   std::pair{"meetingKey", &user.meeting_key}}) {
    if (!v[key].isNull() && !v[key].isString()) {
      error = std::string("\"") + key + "\" must be a string";
      return std::nullopt;
    }
    *field = v[key].asString();
  }
  const Json::Value& accounts = v["accounts"];
  if (!accounts.isNull() && !accounts.isArray()) {
    error = "\"accounts\" must be an array";
    return std::nullopt;
  }
  for (const Json::Value& a : accounts) {
    if (!a.isObject() || !a["orgName"].isString() || !a["id"].isString()) {
      error = "each account needs the strings \"orgName\" and \"id\"";
      return std::nullopt;
    }
    user.accounts.push_back({a["orgName"].asString(), a["id"].asString()});
  }
  return user;
}

}  // namespace

Service::Service(ServiceOptions options)
    : options_(std::move(options)), state_(initial_state()), random_(std::random_device{}()) {}

Service::~Service() { stop(); }

void Service::start() {
  // A client that hangs up while an answer is written must not end the process.
  std::signal(SIGPIPE, SIG_IGN);
  const auto handler = [this](const httplib::Request& request, httplib::Response& response) {
    handle(request, response);
  };
  const auto attach = [&](httplib::Server& server) {
    const std::string any = R"([\s\S]*)";
    server.Get(any, handler).Post(any, handler).Put(any, handler).Delete(any, handler);
    server.Patch(any, handler).Options(any, handler);
  };

  plain_ = std::make_unique<PlainServer>(stopping_);
  attach(*plain_);
  port_ = options_.port == 0
              ? plain_->bind_to_any_port("127.0.0.1")
              : (plain_->bind_to_port("127.0.0.1", options_.port) ? options_.port : -1);
  if (port_ < 0) {
    throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(options_.port) + ": " +
                             std::strerror(errno));
  }
  listen(*plain_);

  if (options_.tls_port < 0) return;
  try {
    identity_ = make_tls_identity();
    if (!options_.state_dir.empty()) {
      std::filesystem::create_directories(options_.state_dir);
      const auto path = std::filesystem::path(options_.state_dir) / "cert.pem";
      std::ofstream(path, std::ios::binary | std::ios::trunc) << identity_.certificate_pem;
    }
    tls_ = std::make_unique<TlsServer>(stopping_, identity_.certificate.get(), identity_.key.get());
    if (!tls_->is_valid()) throw std::runtime_error("TLS server could not be set up");
    attach(*tls_);
    const int wanted = options_.tls_port;
    tls_port_ = wanted == 0 ? tls_->bind_to_any_port("127.0.0.1")
                            : (tls_->bind_to_port("127.0.0.1", wanted) ? wanted : -1);
    if (tls_port_ < 0) {
      throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(wanted) + ": " +
                               std::strerror(errno));
    }
    listen(*tls_);
  } catch (...) {
    stop();
    throw;
  }
}

void Service::listen(httplib::Server& server) {
  auto returned = std::make_shared<std::atomic<bool>>(false);
  listeners_.emplace_back([&server, returned] {
    server.listen_after_bind();
    *returned = true;
  });
  // httplib ignores stop() until its accept loop runs.
  while (!server.is_running() && !*returned)
    std::this_thread::sleep_for(std::chrono::microseconds(200));
}

bool Service::wait_until_stopping(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return stopping_changed_.wait_for(lock, timeout, [this] { return stopping_.load(); });
}

void Service::begin_stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_.exchange(true)) return;
  }
  stopping_changed_.notify_all();
  // Closes the listening sockets; the connections notice `stopping_`.
  if (plain_ && plain_->is_running()) plain_->stop();
  if (tls_ && tls_->is_running()) tls_->stop();
}

void Service::stop() {
  begin_stop();
  for (std::thread& t : listeners_) {
    if (t.joinable()) t.join();
  }
  listeners_.clear();
}

std::string Service::new_token() {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string token(32, '0');
  uint64_t bits = 0;
  for (size_t i = 0; i < token.size(); ++i) {
    if (i % 16 == 0) bits = random_();
    token[i] = kHex[bits & 15];
    bits >>= 4;
  }
  return token;
}

void Service::handle(const httplib::Request& request, httplib::Response& response) {
  Connection* connection = current_connection();
  const std::string raw = connection ? connection->take_consumed() : std::string();
  const size_t head_end = raw.find("\r\n\r\n");
  RequestEntry entry = parse_request_head(std::string_view(raw).substr(0, head_end));
  if (entry.method.empty()) {
    entry = parse_request_head(request.method + " " + request.target + " HTTP/1.1");
  }
  entry.body = request.body;
  entry.received_us = now_us();

  Reply reply;
  try {
    if (entry.path.compare(0, kControl.size(), kControl) == 0) {
      reply = control(entry, request.body);
    } else {
      Exchange exchange;
      exchange.method = entry.method;
      exchange.path = entry.path;
      exchange.query = entry.query;
      if (const std::string* token = find_header(entry.headers, "token")) exchange.token = *token;
      exchange.body = request.body;
      const std::string* sent_host = find_header(entry.headers, "Host");
      const std::string host = sent_host && !sent_host->empty()
                                   ? *sent_host
                                   : "127.0.0.1:" + std::to_string(request.local_port);
      exchange.base_url = (connection && connection->tls() ? "https://" : "http://") + host;

      std::optional<Fault> fault;
      uint64_t seq = 0;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        seq = ++last_seq_;
        record_.push_back({seq, std::move(entry)});
        fault = faults_.take(exchange.method, exchange.path);
      }
      if (connection) {
        connection->after_answer([this, seq] {
          std::lock_guard<std::mutex> lock(mutex_);
          for (auto it = record_.rbegin(); it != record_.rend(); ++it) {
            if (it->seq == seq) {
              it->entry.answered_us = now_us();
              break;
            }
          }
        });
      }
      if (fault) {
        if (fault->delay_ms > 0) {
          std::unique_lock<std::mutex> lock(mutex_);
          stopping_changed_.wait_for(lock, std::chrono::milliseconds(fault->delay_ms),
                                     [this] { return stopping_.load(); });
        }
        if (fault->drop || stopping_) {
          if (connection) connection->abandon();
          return;
        }
        reply = faulted(*fault, exchange);
        if (fault->lost) {
          // The work is done; the answer never leaves, as one that comes
          // after the client's deadline is never read.
          if (connection) connection->abandon();
          return;
        }
      } else {
        std::lock_guard<std::mutex> lock(mutex_);
        reply = serve_rest(state_, exchange, [this] { return new_token(); });
      }
    }
  } catch (const std::exception& e) {
    reply = control_error(500, e.what());
  }

  response.status = reply.status;
  for (const auto& [name, value] : reply.headers) response.set_header(name, value);
  response.set_content(reply.body, reply.content_type);
}

Reply Service::faulted(const Fault& fault, const Exchange& exchange) {
  Reply reply;
  const auto typed = [&](const char* fallback) {
    return fault.content_type.empty() ? std::string(fallback) : fault.content_type;
  };
  if (fault.location) {
    reply = Reply{302, "text/html;charset=UTF-8", "<html><body>Moved</body></html>\n", {}};
    reply.headers.emplace_back("Location", *fault.location);
  } else if (fault.empty) {
    reply = Reply{200, typed(kJsonType), "", {}};
  } else if (fault.malformed) {
    reply = Reply{200, typed(kJsonType), kMalformedBody, {}};
  } else if (fault.body_size) {
    reply = Reply{200, typed("application/octet-stream"), pattern_body(*fault.body_size), {}};
  } else if (fault.body) {
    reply = Reply{200, typed(kJsonType), *fault.body, {}};
  } else if (fault.code) {
    // The normal answer with another code, and the request leaves no trace
    // in the state: a refused request changes nothing.
    std::lock_guard<std::mutex> lock(mutex_);
    State scratch = state_;
    reply = with_code(serve_rest(scratch, exchange, [this] { return new_token(); }), *fault.code);
  } else {
    std::lock_guard<std::mutex> lock(mutex_);
    reply = serve_rest(state_, exchange, [this] { return new_token(); });
  }
  if (fault.status) reply.status = *fault.status;
  return reply;
}

Reply Service::control(const RequestEntry& entry, const std::string& body) {
  const std::string call = entry.path.substr(kControl.size());
  const std::string& method = entry.method;
  if (call == "shutdown" && method == "POST") {
    // Only closes the listeners: this answer still goes out, then the
    // connection loop sees the stop.
    begin_stop();
    return json_reply(200, empty_object());
  }
  const bool takes_body = method == "POST" && (call == "faults" || call == "users" ||
                                               call == "versions" || call == "installer");
  const std::optional<Json::Value> input = takes_body ? parse_json(body) : std::nullopt;
  if (takes_body && (!input || !input->isObject()))
    return control_error(400, "the body is not a JSON object");
  std::lock_guard<std::mutex> lock(mutex_);
  if (call == "reset" && method == "POST") {
    state_ = initial_state();
    faults_ = FaultTable();
    record_.clear();
    return json_reply(200, empty_object());
  }
  if (call == "requests" && method == "GET") {
    Json::Value list(Json::arrayValue);
    for (const Recorded& r : record_) list.append(to_json(r.entry));
    return json_reply(200, list);
  }
  if (call == "requests" && method == "DELETE") {
    record_.clear();
    return json_reply(200, empty_object());
  }
  if (call == "faults" && method == "POST") {
    std::string error;
    auto fault = parse_fault(*input, error);
    if (!fault) return control_error(400, error);
    Json::Value answer;
    answer["id"] = faults_.add(std::move(*fault));
    return json_reply(200, answer);
  }
  if (call == "faults" && method == "DELETE") {
    faults_.clear();
    return json_reply(200, empty_object());
  }
  if (call == "users" && method == "POST") {
    std::string error;
    auto user = parse_user(*input, error);
    if (!user) return control_error(400, error);
    const std::string name = user->username;
    state_.users[name] = std::move(*user);
    return json_reply(200, empty_object());
  }
  if (call == "versions" && method == "POST") {
    const Json::Value& gray = (*input)["gray"];
    const Json::Value& release = (*input)["release"];
    if ((!gray.isNull() && !gray.isString()) || (!release.isNull() && !release.isString())) {
      return control_error(400, "\"gray\" and \"release\" must be strings");
    }
    if (gray.isString()) state_.gray_version = gray.asString();
    if (release.isString()) state_.release_version = release.asString();
    return json_reply(200, empty_object());
  }
  if (call == "installer" && method == "POST") {
    const Json::Value& size = (*input)["size"];
    const Json::Value& content = (*input)["content_base64"];
    if (size.isInt() && size.asInt() >= 0 && size.asInt() <= kMaxGeneratedBody) {
      state_.installer = installer_bytes(static_cast<size_t>(size.asInt()));
    } else if (content.isString() && base64_decode(content.asString())) {
      state_.installer = *base64_decode(content.asString());
    } else {
      return control_error(400,
                           "the installer needs \"size\" (0 to 256 MiB) or \"content_base64\"");
    }
    return json_reply(200, empty_object());
  }
  if (call == "meetings" && method == "GET") return json_reply(200, meetings_json());
  if (call == "sessions" && method == "GET") {
    Json::Value sessions(Json::objectValue);
    for (const auto& [token, session] : state_.sessions) {
      sessions[token]["username"] = session.username;
      sessions[token]["accountId"] = session.account_id;
    }
    return json_reply(200, sessions);
  }
  return control_error(404, "no control call " + method + " " + entry.path);
}

Json::Value Service::meetings_json() const {
  Json::Value list(Json::arrayValue);
  for (const Meeting& m : state_.meetings) {
    Json::Value v;
    v["meetingKey"] = m.meeting_key;
    v["host"] = m.host;
    v["hostAccountId"] = m.host_account_id;
    v["record"] = m.record;
    v["mailContent"] = m.mail_content;
    v["occurrences"] = Json::Value(Json::arrayValue);
    for (const Occurrence& o : m.occurrences) {
      Json::Value occ;
      occ["id"] = o.id;
      occ["startDate"] = format_date(date_from_day_number(o.day));
      occ["startTime"] = o.start_time;
      occ["duration"] = o.duration;
      occ["subject"] = o.subject;
      if (!o.record.isNull()) occ["record"] = o.record;
      v["occurrences"].append(occ);
    }
    list.append(v);
  }
  return list;
}

}  // namespace mivo::refservice
