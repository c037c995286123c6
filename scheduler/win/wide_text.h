// UTF-8 <-> UTF-16 at the Win32 and COM boundaries of the scheduler: the
// core's std::string text against wchar_t strings and BSTRs.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>

namespace mivo::scheduler {

std::wstring to_wide(std::string_view utf8);
std::string to_utf8(std::wstring_view wide);
// A null BSTR reads as "". Embedded zero characters are kept.
std::string bstr_to_utf8(BSTR text);

}  // namespace mivo::scheduler
