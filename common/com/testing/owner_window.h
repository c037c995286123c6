// A visible, active top-level window of the test's thread, to own dialogs
// and message boxes as the host's window does.
#pragma once

#include <windows.h>

namespace mivo::com::testing {

class owner_window {
 public:
  explicit owner_window(RECT placement = RECT{200, 150, 900, 650});
  ~owner_window();
  owner_window(const owner_window&) = delete;
  owner_window& operator=(const owner_window&) = delete;

  HWND get() const noexcept { return window_; }

 private:
  HWND window_ = nullptr;
};

}  // namespace mivo::com::testing
