// Pictures for hosts that take an IPictureDisp (the Office ribbon's
// loadImage callback): a bitmap resource, or its bytes, made into the image
// of a .bmp file and loaded by OleLoadPicture.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstddef>

namespace mivo::com {

// Bitmap resource `id` (RT_BITMAP) of `module`.
HRESULT picture_from_bitmap_resource(HMODULE module, int id, IPictureDisp** out) noexcept;

// A packed bitmap as a bitmap resource holds it: the header, the colour
// table or masks, the pixels. Bytes too short for what their header
// announces give HRESULT_FROM_WIN32(ERROR_INVALID_DATA).
HRESULT picture_from_packed_bitmap(const void* bytes, std::size_t size,
                                   IPictureDisp** out) noexcept;

}  // namespace mivo::com
