// The plain layer's own Unicode tables answer as the desktop's (Qt's) do for every UTF-16 unit, so
// headless code and GUI code never disagree about a character. A failure here after a Qt upgrade
// means: regenerate src/platform/UnicodeTables.cpp (scripts/unicode-tables/).
#include <gtest/gtest.h>

#include <QChar>

#include "platform/EditorServices.h"
#include "platform/WideChar.h"

namespace {
char16_t KeepOneUnit(char16_t c, char32_t mapped) {
  return (mapped > 0xFFFF || (mapped >= 0xD800 && mapped <= 0xDFFF)) ? c : char16_t(mapped);
}
}  // namespace

TEST(UnicodeTables, EveryUnitAgreesWithTheDesktop) {
  int mismatches = 0;
  for (char32_t u = 0; u < 0x10000; ++u) {
    const char16_t c = char16_t(u);
    const bool surrogate = u >= 0xD800 && u <= 0xDFFF;
    struct Check {
      const char* what;
      int ours, theirs;
    } checks[] = {
        {"upper", widechar::ToUpper(c), surrogate ? c : KeepOneUnit(c, QChar::toUpper(u))},
        {"lower", widechar::ToLower(c), surrogate ? c : KeepOneUnit(c, QChar::toLower(u))},
        {"fold", editorservices::FoldUnit(c), surrogate ? c : KeepOneUnit(c, QChar::toCaseFolded(u))},
        {"letter", widechar::IsLetter(c), !surrogate && QChar::isLetter(u)},
        {"digit", widechar::IsDigit(c), !surrogate && QChar::isDigit(u)},
        {"upper-class", widechar::IsUpper(c), !surrogate && (QChar::isUpper(u) || QChar::isTitleCase(u))},
        {"lower-class", widechar::IsLower(c), !surrogate && QChar::isLower(u)},
        {"space", widechar::IsSpace(c), !surrogate && QChar::isSpace(u)},
        {"punct", widechar::IsPunctuation(c), !surrogate && QChar::isPunct(u)},
    };
    for (const Check& k : checks)
      if (k.ours != k.theirs && ++mismatches <= 20)
        ADD_FAILURE() << k.what << " of U+" << std::hex << unsigned(u) << ": ours " << k.ours << ", Qt " << k.theirs;
  }
  EXPECT_EQ(mismatches, 0);
}

// Beyond U+FFFF the folding comes from runs of its own: every code point folds as the desktop
// folds it. The variants of each folding are exactly the characters that fold to it, and the
// folded copies of texts fold each character, a surrogate pair as one.
TEST(UnicodeTables, FoldingOfEveryCodePointAndItsVariants) {
  int mismatches = 0;
  for (char32_t c = 0x10000; c <= 0x10FFFF; ++c)
    if (widechar::FoldCodePoint(c) != QChar::toCaseFolded(c) && ++mismatches <= 20)
      ADD_FAILURE() << "fold of U+" << std::hex << unsigned(c);
  EXPECT_EQ(mismatches, 0);
  std::u32string all;
  for (char32_t c = 0; c <= 0x10FFFF; c = c == 0xD7FF ? 0xE000 : c + 1) {
    const char32_t f = widechar::FoldCodePoint(c);
    const std::u32string variants = widechar::CaseVariants(f);
    ASSERT_NE(variants.find(c), std::u32string::npos) << std::hex << unsigned(c);
    if (f != c) continue;
    for (char32_t v : variants) ASSERT_EQ(widechar::FoldCodePoint(v), f) << std::hex << unsigned(v);
    all += variants;
  }
  EXPECT_EQ(all.size(), 0x10F800u);  // each character in the variants of exactly one folding
  EXPECT_EQ(widechar::CaseVariants(U'k'), (std::u32string{U'K', U'k', 0x212A}));
  EXPECT_EQ(widechar::CaseVariants(0x3C3), (std::u32string{0x3A3, 0x3C2, 0x3C3}));
  EXPECT_EQ(widechar::CaseVariants(0x10428), (std::u32string{0x10400, 0x10428}));
  EXPECT_EQ(widechar::FoldUtf16(u"ΣΊΣΥΦ 𐐀K\xD801"), u"σίσυφ 𐐨k\xD801");
  EXPECT_EQ(widechar::FoldUtf8("ÉCOLE Привет 𐐀 \xC3 Ω \u212a\u017f"), "école привет 𐐨 \xC3 ω ks");
}
