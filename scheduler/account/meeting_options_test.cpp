// The meeting options dialog's rules: which passwords it accepts, what it
// keeps of a refused one, and the passwords it makes.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "meeting/meeting_info.h"
#include "meeting_options.h"

namespace mivo {
namespace {

TEST(MeetingOptions, AcceptsNoPasswordOrExactlyFourAsciiDigits) {
  for (const char* password : {"", "0000", "1234", "9999"}) {
    SCOPED_TRACE(password);
    CMeetingInfo record;
    EXPECT_TRUE(apply_meeting_options(record, true, password));
    EXPECT_EQ(record.password, password);
  }
}

TEST(MeetingOptions, RefusesLettersOtherLengthsAndNonAsciiDigitsButKeepsThem) {
  // "１２３４" is four full-width digits: four UTF-16 units, but not "0"-"9".
  for (const char* password : {"12a4", "12345", "123", " 123", "１２３４",
                               "12\xd9\xa3"
                               "4"}) {
    SCOPED_TRACE(password);
    CMeetingInfo record;
    EXPECT_FALSE(apply_meeting_options(record, false, password));
    EXPECT_EQ(record.password, password);
  }
}

TEST(MeetingOptions, TakesTheMuteBoxWhateverThePassword) {
  CMeetingInfo record;
  record.mute_on_entry = true;
  apply_meeting_options(record, false, "bad");
  EXPECT_FALSE(record.mute_on_entry);
  apply_meeting_options(record, true, "");
  EXPECT_TRUE(record.mute_on_entry);
}

TEST(MeetingOptions, NewPasswordsAreFourDigitsWithoutZeroInTheFirstThree) {
  std::set<std::string> seen;
  for (unsigned seed = 0; seed < 2000; ++seed) {
    const std::string password = new_meeting_password(seed);
    ASSERT_EQ(password.size(), 4u) << seed;
    for (int i = 0; i < 3; ++i) {
      ASSERT_GE(password[i], '1') << password;
      ASSERT_LE(password[i], '9') << password;
    }
    ASSERT_GE(password[3], '0') << password;
    ASSERT_LE(password[3], '9') << password;
    CMeetingInfo record;
    ASSERT_TRUE(apply_meeting_options(record, true, password));
    seen.insert(password);
  }
  EXPECT_EQ(new_meeting_password(42), new_meeting_password(42));
  // Distinct seeds give varied passwords, including a trailing 0.
  EXPECT_GT(seen.size(), 500u);
  EXPECT_TRUE(
      std::any_of(seen.begin(), seen.end(), [](const std::string& p) { return p[3] == '0'; }));
}

}  // namespace
}  // namespace mivo
