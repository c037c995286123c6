// CoInitializeEx and CoUninitialize around a test.
#include "apartment.h"

#include <windows.h>
#include <objbase.h>

#include <stdexcept>

namespace mivo::com::testing {

com_apartment::com_apartment() {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
    throw std::runtime_error("CoInitializeEx failed");
}

com_apartment::~com_apartment() { CoUninitialize(); }

}  // namespace mivo::com::testing
