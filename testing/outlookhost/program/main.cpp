// mivo-outlook: the Outlook host as a program. It starts Outlook's part,
// loads the add-ins the Addins keys name, and runs a scenario script with
// the dialog robot answering the dialogs, printing what the user would see
// after each step (and, from an "invariants" step on, checking the lifecycle
// explorer's invariants); or, with --interactive, leaves the clicking to a
// person.
//
//   mivo-outlook [--interactive] [--timings] [--office-language LCID] [script.scenario]
//   mivo-outlook --steps                     the steps a script may use
//
// --office-language sets what LanguageSettings.LanguageID answers (2052
// Chinese, 1033 English, ...); without it, the user's Windows display
// language, as Office's own default.
//
// Exit codes: 0 the script ran to its end, 1 a step failed, 2 the command
// line or the script is wrong, 3 an add-in crashed the host.
#include <windows.h>
#include <objbase.h>

#include <cwchar>
#include <memory>
#include <string>

#include "addin_calls.h"
#include "host_world.h"
#include "scenario_runner.h"
#include "win/wide_text.h"

namespace {

using mivo::win::to_utf8;

// Straight to the standard output handle, line by line, so that the text
// arrives as UTF-8 and in order on a console, in a pipe or in a file.
void say(const std::string& line) {
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
            nullptr);
}

bool read_file(const std::wstring& path, std::string& out) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
    out.append(buffer, read);
  CloseHandle(file);
  return true;
}

int usage() {
  say("usage: mivo-outlook [--interactive] [--timings] [--office-language LCID] "
      "[script.scenario]");
  say("       mivo-outlook --steps");
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  SetConsoleOutputCP(CP_UTF8);
  mivo::outlookhost::runner_options options;
  std::wstring script_path;
  LCID office_language = 0;
  for (int i = 1; i < argc; ++i) {
    const std::wstring argument = argv[i];
    if (argument == L"--office-language" && i + 1 < argc) {
      wchar_t* end = nullptr;
      const unsigned long lcid = wcstoul(argv[++i], &end, 10);
      if (!end || *end != L'\0' || lcid == 0 || lcid > 0xFFFFF) return usage();
      office_language = static_cast<LCID>(lcid);
    } else if (argument == L"--interactive") {
      options.interactive = true;
    } else if (argument == L"--timings") {
      options.timings = true;
    } else if (argument == L"--steps") {
      say("Steps of a scenario, one a line (words, or texts in double quotes; # starts a "
          "comment):");
      say(mivo::outlookhost::describe_steps());
      return 0;
    } else if (argument.rfind(L"--", 0) == 0 || !script_path.empty()) {
      return usage();
    } else {
      script_path = argument;
    }
  }

  mivo::outlookhost::Scenario scenario;
  if (!script_path.empty()) {
    std::string text;
    if (!read_file(script_path, text)) {
      say("mivo-outlook: cannot read " + to_utf8(script_path));
      return 2;
    }
    scenario = mivo::outlookhost::parse_scenario(text);
    for (const auto& error : scenario.errors)
      say(to_utf8(script_path) + ":" + std::to_string(error.line) + ": " + error.message);
    if (!scenario.errors.empty()) return 2;
  } else {
    scenario = mivo::outlookhost::parse_scenario("start\n");
  }

  mivo::outlookhost::addin_calls::report_crashes();
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    say("mivo-outlook: COM could not be initialised");
    return 1;
  }
  int code = 0;
  {
    mivo::outlookhost::outlook_host host;
    if (office_language) host.outlook().set_language(office_language);
    mivo::outlookhost::scenario_runner runner(host, options, say);
    runner.set_watch_factory(
        [&runner] { return std::make_unique<mivo::explorer::invariant_watch>(runner); });
    code = runner.run(scenario) ? 0 : 1;
    if (options.interactive && host.started()) {
      say("");
      say("Outlook's windows are yours now; close the main window to end.");
      host.run_until_closed();
    }
  }
  CoUninitialize();
  return code;
}
