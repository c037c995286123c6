// HRESULT comparison and reference counting for the COM assertions.
#include "expect.h"

#include <cstdio>
#include <string>

namespace mivo::com::testing {

namespace {
std::string hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}
}  // namespace

::testing::AssertionResult hresults_equal(const char* expected_text, const char* actual_text,
                                          HRESULT expected, HRESULT actual) {
  if (expected == actual) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << actual_text << " returned " << hex(actual) << ", expected " << expected_text << " ("
         << hex(expected) << ")";
}

ULONG reference_count(IUnknown* object) {
  if (!object) return 0;
  object->AddRef();
  return object->Release();
}

}  // namespace mivo::com::testing
