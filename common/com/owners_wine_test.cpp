// The owners of handles, VARIANTs, SAFEARRAYs and GDI selections, and
// com_ptr's copy_to, against objects that count their references.
#include <gtest/gtest.h>

#include <utility>

#include "com_ptr.h"
#include "win/gdi.h"
#include "testing/counted_dispatch.h"
#include "testing/expect.h"
#include "unique.h"

namespace mivo::com {
namespace {

using testing::counted_dispatch;
using win::gdi_selection;
using win::unique_hbitmap;
using win::unique_hdc;

unique_variant holding(counted_dispatch& object) {
  unique_variant value;
  V_VT(&value) = VT_DISPATCH;
  V_DISPATCH(&value) = &object;
  object.AddRef();
  return value;
}

TEST(UniqueVariant, MovingHandsTheValueOverAndItIsClearedOnce) {
  counted_dispatch object;
  {
    unique_variant first = holding(object);
    unique_variant second(std::move(first));
    EXPECT_EQ(VT_EMPTY, V_VT(&first));
    EXPECT_EQ(1u, object.references);

    counted_dispatch replaced;
    unique_variant third = holding(replaced);
    third = std::move(second);
    EXPECT_EQ(0u, replaced.references);
    EXPECT_EQ(1u, object.references);

    VARIANT taken = third.release();
    EXPECT_EQ(VT_EMPTY, V_VT(&third));
    EXPECT_EQ(1u, object.references);
    VariantClear(&taken);
  }
  EXPECT_EQ(0u, object.references);
}

TEST(UniqueSafearray, DestroysTheArrayWithWhatItsElementsHold) {
  counted_dispatch object;
  {
    unique_safearray array(SafeArrayCreateVector(VT_DISPATCH, 0, 2));
    ASSERT_TRUE(array);
    for (LONG i = 0; i < 2; ++i)
      ASSERT_HR(S_OK, SafeArrayPutElement(array.get(), &i, static_cast<IDispatch*>(&object)));
    EXPECT_EQ(2u, object.references);
  }
  EXPECT_EQ(0u, object.references);
}

TEST(UniqueHfile, FailsAsInvalidHandleValueAndClosingKeepsTheLastError) {
  const unique_hfile missing(CreateFileW(L"Z:\\no such folder\\no such file", GENERIC_READ, 0,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(missing);
  EXPECT_EQ(INVALID_HANDLE_VALUE, missing.get());

  wchar_t folder[MAX_PATH] = {};
  wchar_t path[MAX_PATH] = {};
  ASSERT_NE(0u, GetTempPathW(MAX_PATH, folder));
  ASSERT_NE(0u, GetTempFileNameW(folder, L"mvo", 0, path));
  unique_hfile file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  ASSERT_TRUE(file);
  // A failure path: the owner closes the file after the error it is about.
  SetLastError(ERROR_DISK_FULL);
  file.reset();
  EXPECT_EQ(static_cast<DWORD>(ERROR_DISK_FULL), GetLastError());
  EXPECT_FALSE(file);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path));  // closed, so deleted
}

TEST(GdiSelection, PutsThePreviousObjectBackWhenItGoes) {
  const unique_hdc dc(CreateCompatibleDC(nullptr));
  const unique_hbitmap first(CreateCompatibleBitmap(dc.get(), 4, 4));
  const unique_hbitmap second(CreateCompatibleBitmap(dc.get(), 4, 4));
  const HGDIOBJ original = GetCurrentObject(dc.get(), OBJ_BITMAP);
  {
    gdi_selection outer(dc.get(), first.get());
    ASSERT_TRUE(outer);
    {
      gdi_selection inner(dc.get(), second.get());
      EXPECT_EQ(second.get(), GetCurrentObject(dc.get(), OBJ_BITMAP));
      gdi_selection moved(std::move(inner));
      EXPECT_FALSE(inner);
    }
    EXPECT_EQ(first.get(), GetCurrentObject(dc.get(), OBJ_BITMAP));
  }
  EXPECT_EQ(original, GetCurrentObject(dc.get(), OBJ_BITMAP));
  EXPECT_FALSE(gdi_selection(dc.get(), nullptr));
}

TEST(ComPtr, CopyToFillsAnOutParameterWithANewReference) {
  counted_dispatch object;
  {
    const com_ptr<IDispatch> held(&object);
    IDispatch* same = nullptr;
    EXPECT_HR(S_OK, held.copy_to(&same));
    EXPECT_EQ(&object, same);
    IUnknown* base = nullptr;
    EXPECT_HR(S_OK, held.copy_to(&base));
    EXPECT_EQ(3u, object.references);
    same->Release();
    base->Release();

    IClassFactory* other = reinterpret_cast<IClassFactory*>(0xdeadbeef);
    EXPECT_HR(E_NOINTERFACE, held.copy_to(&other));
    EXPECT_EQ(nullptr, other);
    EXPECT_HR(E_POINTER, held.copy_to(static_cast<IDispatch**>(nullptr)));
    EXPECT_EQ(1u, object.references);
  }
  IDispatch* none = reinterpret_cast<IDispatch*>(0xdeadbeef);
  EXPECT_HR(S_OK, com_ptr<IDispatch>().copy_to(&none));
  EXPECT_EQ(nullptr, none);
}

}  // namespace
}  // namespace mivo::com
