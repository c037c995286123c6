// UTF-8 <-> UTF-16 at the Win32 and COM boundaries: the code's std::string
// text against wchar_t strings and BSTRs.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>

#include "com/unique.h"

namespace mivo::win {

std::wstring to_wide(std::string_view utf8);
std::string to_utf8(std::wstring_view wide);
// A null BSTR reads as "". Embedded zero characters are kept.
std::string bstr_to_utf8(BSTR text);
// A new BSTR of the whole text, embedded zero characters included. Throws
// std::bad_alloc when it cannot be made.
com::unique_bstr bstr_from_utf8(std::string_view utf8);

}  // namespace mivo::win
