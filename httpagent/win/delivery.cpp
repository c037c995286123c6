// Delivery of agent results through a message-only window on the thread
// that created the first agent: a timer tick every second (time limits) and
// a posted message whenever a worker stores a result (no wait for the next
// tick). The window is made with that agent, not when the module is loaded:
// nothing that makes a window or a timer may run under the loader lock.
#include "delivery.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "CMivoOIURLObject.h"
#include "com/module.h"

namespace mivo::oiurl {
namespace {

constexpr UINT_PTR kPollTimer = 100;
constexpr UINT kPollIntervalMs = 1000;
constexpr UINT kWakeMessage = WM_APP + 1;
constexpr wchar_t kWindowClass[] = L"MivoOIURLDelivery";

// Objects are created and destroyed on any thread (a worker may drop the
// last reference), so the list is guarded; the delivery takes its own
// references and calls sinks outside the lock.
std::mutex g_lock;
std::vector<CMivoOIURLObject*>* g_liveAgents = nullptr;
// Made once by the first agent's thread (again if that thread ended);
// read by workers when they post a wake-up.
std::mutex g_windowLock;
std::atomic<HWND> g_window{nullptr};
std::atomic<bool> g_wakePosted{false};

std::vector<CMivoOIURLObject*>& live_agents() {
  if (!g_liveAgents) g_liveAgents = new std::vector<CMivoOIURLObject*>();
  return *g_liveAgents;
}

void PollTimerProc() {
  std::vector<CMivoOIURLObject*> snapshot;
  {
    std::lock_guard<std::mutex> guard(g_lock);
    auto& agents = live_agents();
    snapshot.reserve(agents.size());
    // Newest first; an object whose count already reached zero is being
    // destroyed and is left alone.
    for (auto it = agents.rbegin(); it != agents.rend(); ++it) {
      if ((*it)->try_add_ref()) snapshot.push_back(*it);
    }
  }
  for (CMivoOIURLObject* agent : snapshot) {
    agent->PollAgent();
    static_cast<IMivoOIURLObject*>(agent)->Release();
  }
}

LRESULT CALLBACK DeliveryWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  try {
    if (message == WM_TIMER && wparam == kPollTimer) {
      PollTimerProc();
      return 0;
    }
    if (message == kWakeMessage) {
      g_wakePosted = false;
      PollTimerProc();
      return 0;
    }
  } catch (...) {
    // A delivery that ran out of memory waits for the next tick.
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// Makes the delivery window on the calling thread unless one lives.
void start_delivery() noexcept {
  const HWND current = g_window.load();
  if (current && IsWindow(current)) return;
  std::lock_guard<std::mutex> guard(g_windowLock);
  const HWND again = g_window.load();
  if (again && IsWindow(again)) return;
  // The window procedure and the timer live in this module, so it stays
  // loaded for the rest of the process once they exist.
  mivo::com::module::keep_loaded();
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = DeliveryWindowProc;
  window_class.hInstance = mivo::com::module::handle();
  window_class.lpszClassName = kWindowClass;
  // Registered once; a second registration fails harmlessly.
  RegisterClassExW(&window_class);
  const HWND window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      mivo::com::module::handle(), nullptr);
  if (window) SetTimer(window, kPollTimer, kPollIntervalMs, nullptr);
  // A wake-up posted to a window that is gone was never handled.
  g_wakePosted = false;
  g_window = window;
}

}  // namespace

void add_live_agent(CMivoOIURLObject* agent) {
  start_delivery();
  std::lock_guard<std::mutex> guard(g_lock);
  live_agents().push_back(agent);
}

void remove_live_agent(CMivoOIURLObject* agent) noexcept {
  std::lock_guard<std::mutex> guard(g_lock);
  auto& agents = live_agents();
  for (auto it = agents.begin(); it != agents.end(); ++it) {
    if (*it == agent) {
      agents.erase(it);
      return;
    }
  }
}

void wake_delivery() noexcept {
  const HWND window = g_window.load();
  if (!window) return;
  // One pending wake-up serves every result stored before it is handled.
  if (!g_wakePosted.exchange(true) && !PostMessageW(window, kWakeMessage, 0, 0))
    g_wakePosted = false;
}

}  // namespace mivo::oiurl
