// Each known fault's scenario, as the explorer shrank it, played by the
// Outlook host: it must still break one of its invariants. A fault fixed in
// the product makes its test fail here; its scenario then becomes an
// ordinary story and leaves the list of known faults. The faults found
// beyond those are kept in testing/explorer/findings/ the same way.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "host_test_support.h"
#include "known.h"
#include "refservice_client.h"
#include "testing/addin_test_support.h"
#include "win/wide_text.h"

namespace mivo::explorer {

// The test's name in CTest's list is the scenario's, not the bytes of the
// fault.
void PrintTo(const KnownFault& known, std::ostream* out) { *out << known.scenario; }

namespace {

class KnownFaults : public ::testing::TestWithParam<KnownFault> {
 protected:
  refservice::Client service_;
  scheduler::testing::SettingsKeyGuard settings_;
};

TEST_P(KnownFaults, ItsScenarioStillBreaksItsInvariant) {
  const KnownFault& known = GetParam();
  service_.reset();
  const addin::testing::UserRegistration registration(
      addin::testing::bin_file(L"MivoOutlookPlugin.dll"));
  ASSERT_EQ(0u, registration.result());
  std::string output;
  const DWORD code = outlookhost::testing::run_host(
      L"--office-language " + std::to_wstring(kOfficeLanguage) + L" \"Z:" + (known.reported ? MIVO_FINDINGS : MIVO_KNOWN_SCENARIOS) + L"\\" +
          win::to_wide(known.scenario) + L".scenario\"",
      output);
  EXPECT_EQ(1u, code) << output;
  bool broken = false;
  for (const auto& label : known.labels) {
    const std::string told =
        "INVARIANT " + label.substr(0, label.find(' ')) + " (" + label.substr(label.find(' ') + 1) + ")";
    broken = broken || output.find(told) != std::string::npos;
  }
  EXPECT_TRUE(broken) << output;
}

INSTANTIATE_TEST_SUITE_P(Explorer, KnownFaults, ::testing::ValuesIn(known_faults()),
                         [](const auto& info) {
                           std::string name;
                           for (char c : info.param.scenario) name += c == '-' ? '_' : c;
                           return name;
                         });

}  // namespace
}  // namespace mivo::explorer
