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
