// Tests of the choice of the user's language among those a library carries.
#include "ui_language.h"

#include <gtest/gtest.h>

namespace mivo {
namespace {

const std::vector<LanguageId> kChineseAndEnglish = {kChineseSimplified, kEnglishUS};

TEST(ChooseLanguage, EveryChineseVariantGetsTheChineseTexts) {
  // zh-CN, zh-TW, zh-HK, zh-SG, zh-MO and the neutral Simplified and
  // Traditional identifiers.
  for (LanguageId chinese : {0x0804, 0x0404, 0x0C04, 0x1004, 0x1404, 0x0004, 0x7C04}) {
    EXPECT_EQ(kChineseSimplified, choose_language(chinese, kChineseAndEnglish))
        << std::hex << chinese;
  }
}

TEST(ChooseLanguage, EnglishVariantsAndEveryOtherLanguageGetTheEnglishTexts) {
  // en-GB, en-US, fr-FR, de-DE, ja-JP, none at all, language-neutral.
  for (LanguageId other : {0x0809, 0x0409, 0x040C, 0x0407, 0x0411, 0x0000, 0x0400}) {
    EXPECT_EQ(kEnglishUS, choose_language(other, kChineseAndEnglish)) << std::hex << other;
  }
}

TEST(ChooseLanguage, AThirdLanguagePrefersItsExactVariant) {
  const std::vector<LanguageId> carried = {kChineseSimplified, kEnglishUS, 0x0C0C, 0x040C};
  EXPECT_EQ(0x040C, choose_language(0x040C, carried));  // fr-FR has its own
  EXPECT_EQ(0x0C0C, choose_language(0x080C, carried));  // fr-BE takes the first French
  EXPECT_EQ(kEnglishUS, choose_language(0x0407, carried));
}

TEST(ChooseLanguage, WithoutEnglishTheFirstCarriedLanguageStandsIn) {
  EXPECT_EQ(kChineseSimplified, choose_language(0x040C, {kChineseSimplified, 0x0411}));
  EXPECT_EQ(0, choose_language(kEnglishUS, {}));
}

}  // namespace
}  // namespace mivo
