// Tests of the UTF-8 <-> UTF-16 conversion.
#include "text.h"

#include <gtest/gtest.h>

namespace mivo {
namespace {

TEST(TextConversion, MixedScriptsAndAnAstralCharacterSurviveBothWays) {
  const std::string utf8 = "Zo\xC3\xAB \xE4\xBC\x9A\xE8\xAE\xAE \xE2\x9C\x93 \xF0\x9F\x98\x80";
  const std::u16string utf16 = u"Zo\u00EB \u4F1A\u8BAE \u2713 \U0001F600";
  EXPECT_EQ(utf16, utf8_to_utf16(utf8));
  EXPECT_EQ(utf8, utf16_to_utf8(utf16));
  EXPECT_EQ(11u, utf16_length(utf8));  // the astral character takes two units
}

TEST(TextConversion, EmbeddedNulCharactersAreKept) {
  const std::string utf8("a\0b", 3);
  EXPECT_EQ(std::u16string(u"a\0b", 3), utf8_to_utf16(utf8));
  EXPECT_EQ(utf8, utf16_to_utf8(std::u16string(u"a\0b", 3)));
}

// One U+FFFD per maximal ill-formed part; the characters around it stay.
TEST(TextConversion, MalformedUtf8BecomesReplacementCharacters) {
  const struct {
    std::string utf8;
    std::u16string expected;
  } cases[] = {
      {"a\x80"
       "b",
       u"a\uFFFDb"},        // stray continuation byte
      {"\xC3", u"\uFFFD"},  // truncated at the end
      {"\xE4\xBC"
       "a",
       u"\uFFFDa"},                                       // truncated before ASCII
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong "/"
      {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},            // overlong three-byte form
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"\xF0\x9F\x98", u"\uFFFD"},                        // truncated astral character
      {"\xFE\xFF", u"\uFFFD\uFFFD"},                      // bytes never used
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, utf8_to_utf16(c.utf8)) << testing::PrintToString(c.utf8);
    EXPECT_EQ(c.expected.size(), utf16_length(c.utf8)) << testing::PrintToString(c.utf8);
  }
}

TEST(TextConversion, LoneSurrogatesBecomeReplacementCharacters) {
  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(replacement + "a", utf16_to_utf8(u"\xD800"
                                             u"a"));
  EXPECT_EQ("a" + replacement, utf16_to_utf8(u"a\xD83D"));
  EXPECT_EQ(replacement, utf16_to_utf8(u"\xDC00"));
  EXPECT_EQ(replacement + replacement, utf16_to_utf8(u"\xDE00\xD83D"));  // pair in wrong order
}

TEST(TextComparison, OnlyAsciiLettersCompareWithoutCase) {
  EXPECT_TRUE(
      equal_ignoring_ascii_case("Microsoft.Outlook.Explorer", "microsoft.OUTLOOK.explorer"));
  EXPECT_TRUE(equal_ignoring_ascii_case("00AbCd", "00aBcD"));
  EXPECT_FALSE(equal_ignoring_ascii_case("abc", "abcd"));
  EXPECT_FALSE(equal_ignoring_ascii_case("[", "{"));                // 0x5B and 0x7B are 32 apart
  EXPECT_FALSE(equal_ignoring_ascii_case("\xC3\x89", "\xC3\xA9"));  // É and é
}

}  // namespace
}  // namespace mivo
