// Owners of GDI objects and of their selection into a device context.
#pragma once

#include <windows.h>

#include <utility>

#include "com/unique.h"

namespace mivo::win {

inline void delete_gdi_object(HGDIOBJ object) noexcept { DeleteObject(object); }

using com::unique_any;
using com::traits::null_invalid;
using unique_hfont = unique_any<null_invalid<HFONT, &delete_gdi_object>>;
using unique_hbitmap = unique_any<null_invalid<HBITMAP, &delete_gdi_object>>;
using unique_hdc = unique_any<null_invalid<HDC, &::DeleteDC>>;
// Any GDI object (what LoadImageW returns, for one).
using unique_gdi_object = unique_any<null_invalid<HGDIOBJ, &delete_gdi_object>>;

// One object (bitmap, font, pen, brush; not a region) selected into a
// device context. The object that was selected before is put back when the
// owner goes, so neither object is deleted while the context still holds it.
class gdi_selection {
 public:
  gdi_selection() noexcept = default;
  gdi_selection(HDC dc, HGDIOBJ object) noexcept
      : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
  gdi_selection(const gdi_selection&) = delete;
  gdi_selection& operator=(const gdi_selection&) = delete;
  gdi_selection(gdi_selection&& other) noexcept
      : dc_(std::exchange(other.dc_, nullptr)),
        previous_(std::exchange(other.previous_, nullptr)) {}
  gdi_selection& operator=(gdi_selection&& other) noexcept {
    if (this != &other) {
      reset();
      dc_ = std::exchange(other.dc_, nullptr);
      previous_ = std::exchange(other.previous_, nullptr);
    }
    return *this;
  }
  ~gdi_selection() { reset(); }

  // False when the object could not be selected.
  explicit operator bool() const noexcept { return previous_ != nullptr; }

  // Puts the previous object back now.
  void reset() noexcept {
    if (dc_ && previous_) SelectObject(dc_, previous_);
    dc_ = nullptr;
    previous_ = nullptr;
  }

 private:
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

// A memory device context with one bitmap selected into it; the previous
// bitmap is put back before the context is deleted.
class selected_bitmap {
 public:
  selected_bitmap(HDC compatible_with, HBITMAP bitmap) noexcept
      : dc_(CreateCompatibleDC(compatible_with)), selection_(dc_.get(), bitmap) {}

  HDC dc() const noexcept { return dc_.get(); }
  explicit operator bool() const noexcept { return dc_ && selection_; }

 private:
  // Declared in this order so that the selection ends before the context.
  unique_hdc dc_;
  gdi_selection selection_;
};

}  // namespace mivo::win
