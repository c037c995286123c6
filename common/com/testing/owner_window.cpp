// The owner window's class and its placement in front.
#include "owner_window.h"

namespace mivo::com::testing {
namespace {

constexpr wchar_t kOwnerClass[] = L"MivoTestOwner";

ATOM register_owner_class() {
  static const ATOM atom = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kOwnerClass;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    return RegisterClassW(&wc);
  }();
  return atom;
}

}  // namespace

owner_window::owner_window(RECT placement) {
  register_owner_class();
  window_ = CreateWindowExW(0, kOwnerClass, L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                            placement.left, placement.top, placement.right - placement.left,
                            placement.bottom - placement.top, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  SetForegroundWindow(window_);
  SetActiveWindow(window_);
}

owner_window::~owner_window() {
  if (window_) DestroyWindow(window_);
}

}  // namespace mivo::com::testing
