// CBitmapStatic: subclassing, loading the bitmap onto the dialog colour,
// painting, and letting go of the control when it is destroyed.
#include "bitmap_static.h"

#include <vector>

#include "win/resource_library.h"

namespace mivo::scheduler {
namespace {

// The object behind a subclassed control.
constexpr wchar_t kObjectProperty[] = L"MivoBitmapStatic";

// Every pixel of the picture's background colour (the one at (1, 1)) becomes
// the dialog face colour, so the picture sits on the dialog as if cut out.
void replace_background(HBITMAP bitmap) noexcept {
  BITMAP info{};
  if (GetObjectW(bitmap, sizeof(info), &info) != sizeof(info)) return;
  if (info.bmWidth < 2 || info.bmHeight < 2) return;

  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof(format.bmiHeader);
  format.bmiHeader.biWidth = info.bmWidth;
  format.bmiHeader.biHeight = -info.bmHeight;  // top-down rows
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;

  const HDC screen = GetDC(nullptr);
  if (!screen) return;
  try {
    std::vector<DWORD> pixels(static_cast<std::size_t>(info.bmWidth) *
                              static_cast<std::size_t>(info.bmHeight));
    const auto rows = static_cast<UINT>(info.bmHeight);
    if (GetDIBits(screen, bitmap, 0, rows, pixels.data(), &format, DIB_RGB_COLORS) ==
        static_cast<int>(rows)) {
      const DWORD background = pixels[static_cast<std::size_t>(info.bmWidth) + 1] & 0xFFFFFF;
      const COLORREF face = GetSysColor(COLOR_BTNFACE);
      // COLORREF is 0x00BBGGRR, a 32-bit DIB pixel 0x00RRGGBB.
      const DWORD replacement = (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
      for (DWORD& pixel : pixels) {
        if ((pixel & 0xFFFFFF) == background) pixel = replacement;
      }
      SetDIBits(screen, bitmap, 0, rows, pixels.data(), &format, DIB_RGB_COLORS);
    }
  } catch (...) {
    // Out of memory for the pixels: the picture keeps its own background.
  }
  ReleaseDC(nullptr, screen);
}

}  // namespace

CBitmapStatic::~CBitmapStatic() { detach(); }

bool CBitmapStatic::attach(HWND control, int bitmap_id) noexcept {
  if (!control || control_) return false;
  if (!SetPropW(control, kObjectProperty, this)) return false;
  previous_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CBitmapStatic::window_proc)));
  if (!previous_) {
    RemovePropW(control, kObjectProperty);
    return false;
  }
  control_ = control;
  load_bitmap(bitmap_id);
  RedrawWindow(control_, nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
  UpdateWindow(control_);
  return true;
}

void CBitmapStatic::load_bitmap(int bitmap_id) noexcept {
  // Without the library a null instance would ask for the system's own
  // bitmaps: no picture then.
  const HINSTANCE library = resource_library();
  if (!library) return;
  for (int attempt = 0; attempt < 2 && !bitmap_; ++attempt) {
    bitmap_.reset(static_cast<HBITMAP>(
        LoadImageW(library, MAKEINTRESOURCEW(bitmap_id), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
  }
  if (bitmap_) replace_background(bitmap_.get());
}

void CBitmapStatic::paint() noexcept {
  PAINTSTRUCT ps{};
  const HDC dc = BeginPaint(control_, &ps);
  if (dc && bitmap_) {
    BITMAP info{};
    GetObjectW(bitmap_.get(), sizeof(info), &info);
    const mivo::win::selected_bitmap source(dc, bitmap_.get());
    if (source) BitBlt(dc, 0, 0, info.bmWidth, info.bmHeight, source.dc(), 0, 0, SRCCOPY);
  }
  EndPaint(control_, &ps);
}

void CBitmapStatic::detach() noexcept {
  if (!control_) return;
  SetWindowLongPtrW(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
  RemovePropW(control_, kObjectProperty);
  control_ = nullptr;
}

LRESULT CALLBACK CBitmapStatic::window_proc(HWND window, UINT message, WPARAM wparam,
                                            LPARAM lparam) noexcept {
  auto* const self = static_cast<CBitmapStatic*>(GetPropW(window, kObjectProperty));
  if (!self) return DefWindowProcW(window, message, wparam, lparam);
  const WNDPROC previous = self->previous_;
  switch (message) {
    case WM_PAINT:
      self->paint();
      return 0;
    case WM_DESTROY:
      self->bitmap_.reset();
      self->detach();
      break;
    default:
      break;
  }
  return CallWindowProcW(previous, window, message, wparam, lparam);
}

}  // namespace mivo::scheduler
