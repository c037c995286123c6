// GoogleTest assertions for COM code. Being macros, they report the line of
// the test that uses them.
//   EXPECT_HR(S_OK, object->Method());   both HRESULTs shown in hex
//   EXPECT_REF(object, 2);               the object's reference count now
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <gtest/gtest.h>

namespace mivo::com::testing {

::testing::AssertionResult hresults_equal(const char* expected_text, const char* actual_text,
                                          HRESULT expected, HRESULT actual);

// The count after an AddRef and a Release: what the object holds now.
ULONG reference_count(IUnknown* object);

}  // namespace mivo::com::testing

#define EXPECT_HR(expected, actual) \
  EXPECT_PRED_FORMAT2(::mivo::com::testing::hresults_equal, expected, actual)
#define ASSERT_HR(expected, actual) \
  ASSERT_PRED_FORMAT2(::mivo::com::testing::hresults_equal, expected, actual)
#define EXPECT_REF(object, count) \
  EXPECT_EQ(static_cast<ULONG>(count), ::mivo::com::testing::reference_count(object)) << #object
