// The file image in a movable memory block, read through a stream on it.
#include "picture.h"

#include <objbase.h>

#include <cstdint>
#include <cstring>

#include "com_ptr.h"
#include "portable/bitmap_file.h"
#include "result.h"
#include "unique.h"

namespace mivo::com {

HRESULT picture_from_packed_bitmap(const void* bytes, std::size_t size,
                                   IPictureDisp** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  const auto layout = bitmap_file_layout_of(static_cast<const std::uint8_t*>(bytes), size);
  RETURN_HR_IF(HRESULT_FROM_WIN32(ERROR_INVALID_DATA), !layout);

  unique_hglobal block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, layout->file_size));
  RETURN_HR_IF(E_OUTOFMEMORY, !block);
  auto* image = static_cast<std::uint8_t*>(GlobalLock(block.get()));
  RETURN_HR_IF(E_OUTOFMEMORY, !image);
  const auto header = layout->header();
  std::memcpy(image, header.data(), header.size());
  std::memcpy(image + header.size(), bytes, size);
  GlobalUnlock(block.get());

  com_ptr<IStream> stream;
  // The stream frees the block when it goes.
  RETURN_IF_FAILED(CreateStreamOnHGlobal(block.get(), TRUE, stream.put()));
  static_cast<void>(block.release());
  return OleLoadPicture(stream.get(), static_cast<LONG>(layout->file_size), FALSE, IID_IPictureDisp,
                        reinterpret_cast<void**>(out));
}

HRESULT picture_from_bitmap_resource(HMODULE module, int id, IPictureDisp** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  const HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), RT_BITMAP);
  RETURN_HR_IF(hresult_from_last_error(), !resource);
  const HGLOBAL loaded = LoadResource(module, resource);
  RETURN_HR_IF(hresult_from_last_error(), !loaded);
  const void* bytes = LockResource(loaded);
  RETURN_HR_IF(HRESULT_FROM_WIN32(ERROR_INVALID_DATA), !bytes);
  return picture_from_packed_bitmap(bytes, SizeofResource(module, resource), out);
}

}  // namespace mivo::com
