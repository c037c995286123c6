// The meeting options dialog's rules: which passwords it accepts, what it
// keeps of a refused one, and the passwords it makes.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

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

// The generator's values in turn; nullopt once they run out.
std::function<std::optional<std::uint32_t>()> draws(std::vector<std::uint32_t> values) {
  auto next = std::make_shared<std::size_t>(0);
  return [values, next]() -> std::optional<std::uint32_t> {
    if (*next >= values.size()) return std::nullopt;
    return values[(*next)++];
  };
}

TEST(MeetingOptions, NewPasswordsCoverEveryValueFrom1110To9999Evenly) {
  EXPECT_EQ(new_meeting_password(draws({0})), "1110");
  EXPECT_EQ(new_meeting_password(draws({8889})), "9999");
  EXPECT_EQ(new_meeting_password(draws({8890})), "1110");
  // Zeros anywhere but in front: values the dialog accepts that a password
  // of three non-zero digits and one free one could never be.
  EXPECT_EQ(new_meeting_password(draws({890})), "2000");
  EXPECT_EQ(new_meeting_password(draws({8890 * 7 + 95})), "1205");
  // The top of the 32-bit range is drawn again rather than tilting the odds.
  EXPECT_EQ(new_meeting_password(draws({0xFFFFFFFF, 0xFFFFFF00, 5})), "1115");
  EXPECT_EQ(new_meeting_password(draws({483123u * 8890u - 1})), "9999");
  EXPECT_EQ(new_meeting_password(draws({483123u * 8890u, 3})), "1113");
  for (std::uint32_t value : {0u, 1u, 889u, 890u, 8889u, 123456789u, 4294967000u}) {
    const std::string password = new_meeting_password(draws({value, 1}));
    CMeetingInfo record;
    EXPECT_TRUE(apply_meeting_options(record, true, password)) << password;
  }
}

TEST(MeetingOptions, FailingGeneratorMakesNoPassword) {
  EXPECT_EQ(new_meeting_password(draws({})), "");
  EXPECT_EQ(new_meeting_password(draws(std::vector<std::uint32_t>(64, 0xFFFFFFFF))), "");
}

}  // namespace
}  // namespace mivo
