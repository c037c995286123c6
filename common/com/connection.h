// One advised event connection: the connection point found through the
// source's IConnectionPointContainer and the cookie Advise gave. Cookie 0
// means "not advised". Unadvised when reset, reassigned or destroyed.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <utility>

#include "com_ptr.h"

namespace mivo::com {

class event_connection {
 public:
  static constexpr DWORD not_advised = 0;

  event_connection() noexcept = default;
  event_connection(const event_connection&) = delete;
  event_connection& operator=(const event_connection&) = delete;
  event_connection(event_connection&& other) noexcept
      : point_(std::move(other.point_)), cookie_(std::exchange(other.cookie_, not_advised)) {}
  event_connection& operator=(event_connection&& other) noexcept {
    if (this != &other) {
      reset();
      point_ = std::move(other.point_);
      cookie_ = std::exchange(other.cookie_, not_advised);
    }
    return *this;
  }
  ~event_connection() { reset(); }

  // Advises `sink` on the connection point of `source` for the event
  // interface `events`. While advised it does nothing and returns S_FALSE,
  // so a second advise never connects a sink twice. On failure nothing is
  // held and the failure is returned.
  HRESULT advise(IUnknown* source, REFIID events, IUnknown* sink) noexcept;

  // Unadvises and forgets the connection point; S_FALSE when not advised.
  // The connection counts as gone even when the source refuses (it may
  // already have disconnected its sinks), and that refusal is returned.
  HRESULT unadvise() noexcept;
  void reset() noexcept { unadvise(); }

  DWORD cookie() const noexcept { return cookie_; }
  bool advised() const noexcept { return cookie_ != not_advised; }

 private:
  com_ptr<IConnectionPoint> point_;
  DWORD cookie_ = not_advised;
};

}  // namespace mivo::com
