// The language of what the user reads: chosen among the languages a
// resource library carries, by Windows language identifiers (LANGID).
#pragma once

#include <cstdint>
#include <vector>

namespace mivo {

// A Windows LANGID: the primary language in the low ten bits, the variant
// (sublanguage) above them; 0 is no language.
using LanguageId = std::uint16_t;

inline constexpr LanguageId kEnglishUS = 0x0409;
inline constexpr LanguageId kChineseSimplified = 0x0804;

constexpr unsigned primary_language(LanguageId id) { return id & 0x3FFu; }

// The language to show a user who reads `wanted`, among the languages
// `available` (in the library's order): `wanted` itself when it is there,
// else the first variant of the same language (every Chinese variant, zh-TW
// and zh-HK among them, finds the Chinese texts), else English, else the
// first available; 0 when nothing is available. A `wanted` of 0 or of a
// neutral language is a language the library does not carry.
LanguageId choose_language(LanguageId wanted, const std::vector<LanguageId>& available);

}  // namespace mivo
