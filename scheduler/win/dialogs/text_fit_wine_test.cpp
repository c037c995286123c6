// Every text of every dialog, in every language the resource library
// carries, fits its control at 100 %, 150 % and 200 % scaling: text_fit.exe
// measures them in a process started at each scaling.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "com/testing/program.h"
#include "com/testing/registry.h"
#include "dialog_test_support.h"

namespace {

using namespace mivo::com::testing;

constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";

// The scaling new processes of the user start with, for one test's life
// (Wine reads it when a process starts; a process that runs meanwhile keeps
// its own).
class Scaling {
 public:
  explicit Scaling(DWORD dpi) : had_(value_exists(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels")) {
    DWORD size = sizeof(saved_);
    RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", RRF_RT_REG_DWORD, nullptr, &saved_,
                 &size);
    set_raw_value(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", REG_DWORD, &dpi, sizeof(dpi));
  }
  ~Scaling() {
    if (had_) {
      set_raw_value(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", REG_DWORD, &saved_,
                    sizeof(saved_));
    } else {
      RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels");
    }
  }
  Scaling(const Scaling&) = delete;
  Scaling& operator=(const Scaling&) = delete;

 private:
  bool had_;
  DWORD saved_ = 96;
};

std::string read_all(const std::wstring& path) {
  std::string text;
  if (FILE* file = _wfopen(path.c_str(), L"rb")) {
    char buffer[4096];
    for (std::size_t read; (read = fread(buffer, 1, sizeof(buffer), file)) > 0;)
      text.append(buffer, read);
    fclose(file);
  }
  return text;
}

class TextFit : public testing::TestWithParam<DWORD> {};

TEST_P(TextFit, EveryTextOfEveryDialogFitsInEveryLanguage) {
  const std::wstring report = mivo::scheduler::testing::temporary_path(L"text-fit.txt");
  DWORD code = 0;
  {
    const Scaling scaling(GetParam());
    code = run_program(L"\"" + program_folder() + L"\\text_fit.exe\" \"" + report + L"\"");
  }
  const std::string lines = read_all(report);
  DeleteFileW(report.c_str());
  // The measures go to the log whatever the outcome: they are the figures of
  // the layout.
  std::cout << lines;
  EXPECT_EQ(0u, code) << (code == 1 ? "a text does not fit (CUT above)" : "nothing measured");
  EXPECT_NE(std::string::npos, lines.find(std::to_string(GetParam() * 100 / 96) + "% "))
      << "the program did not run at the scaling asked for";
}

INSTANTIATE_TEST_SUITE_P(Scaling, TextFit, testing::Values(96u, 144u, 192u),
                         [](const testing::TestParamInfo<DWORD>& info) {
                           return "At" + std::to_string(info.param * 100 / 96) + "Percent";
                         });

}  // namespace
