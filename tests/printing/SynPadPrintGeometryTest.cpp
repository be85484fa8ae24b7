// Page geometry, units and header/footer texts: the worked values of an A4 sheet at 300 dpi
// without a printer installed, conversions between units, and macro expansion.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>

#include "FakePrinter.h"
#include "printing/SynPadPrintHeaderFooter.h"
#include "printing/SynPadPrintMargins.h"

namespace {

struct Edges {
  int PLeft, PRight, PTop, PBottom, PHeader, PFooter, PHFInternalMargin, PLeftHFTextIndent, PRightHFTextIndent;
  bool operator==(const Edges&) const = default;
};

Edges EdgesOf(const TSynPadPrintMargins& m) {
  return {m.PLeft,
          m.PRight,
          m.PTop,
          m.PBottom,
          m.PHeader,
          m.PFooter,
          m.PHFInternalMargin,
          m.PLeftHFTextIndent,
          m.PRightHFTextIndent};
}

std::string Decimal(double v) {
  char text[40];
  std::snprintf(text, sizeof text, "%.15g", v);
  return text;
}

TEST(SynPadPrintGeometry, NoPrinterSheetGivesTheWorkedEdges) {
  platform::FakePrinter printer;
  printer.SetNoPrinter();
  platform::ScopedPrinter scoped(printer);
  TSynPadPrinterInfo info;
  platform::TRecordingCanvas canvas;
  platform::FakePrinter::UsePrintMetrics(canvas);
  EXPECT_EQ(info.PixFromLeft(25), 230);
  EXPECT_EQ(info.PhysicalWidth(), 2481);
  EXPECT_EQ(info.BottomGutter(), 50);

  TSynPadPrintMargins m;
  m.InitPage(canvas, 1, info, false, false, 0);
  EXPECT_EQ(EdgesOf(m), (Edges{230, 2239, 245, 3162, 127, 3280, 6, 254, 2215}));

  m.SetMirrorMargins(true);
  m.SetGutter(10);
  m.InitPage(canvas, 1, info, false, false, 0);
  EXPECT_EQ(std::make_pair(m.PLeft, m.PRight), std::make_pair(348, 2239));
  m.InitPage(canvas, 2, info, false, false, 0);
  EXPECT_EQ(std::make_pair(m.PLeft, m.PRight), std::make_pair(112, 2003));

  // Line numbers kept inside the text area take the room of the largest one.
  m.SetMirrorMargins(false);
  m.SetGutter(0);
  canvas.SetFont(platform::TCanvasFont{});
  m.InitPage(canvas, 1, info, true, false, 120);
  EXPECT_EQ(m.PLeft, 230 + canvas.TextWidth(u"120: "));
  m.InitPage(canvas, 1, info, true, true, 120);
  EXPECT_EQ(m.PLeft, 230);
}

TEST(SynPadPrintGeometry, UnitsChangeHowValuesReadNotWhatIsStored) {
  TSynPadPrintMargins m;
  m.SetUnitSystem(usInch);
  EXPECT_EQ(Decimal(m.Left()), "0.984251968503937");
  m.SetLeft(1);
  EXPECT_DOUBLE_EQ(m.Millimetres(mvLeft), 25.4);
  m.SetUnitSystem(usCM);
  EXPECT_EQ(Decimal(m.Left()), "2.54");
  m.SetUnitSystem(muThousandthsOfInches);
  EXPECT_EQ(Decimal(m.Left()), "1000");
  // Every unit reads back what it wrote.
  for (TUnitSystem u : {usMM, usCM, usInch, muThousandthsOfInches}) {
    m.SetUnitSystem(u);
    m.SetTop(3.25);
    EXPECT_DOUBLE_EQ(m.Top(), 3.25) << u;
  }
  TSynPadPrintMargins copy;
  copy.Assign(m);
  EXPECT_EQ(copy.UnitSystem(), muThousandthsOfInches);
  EXPECT_DOUBLE_EQ(copy.Millimetres(mvTop), m.Millimetres(mvTop));
}

TEST(SynPadPrintGeometry, MacrosExpandAsWritten) {
  struct Case {
    const char16_t* text;
    int page;
    bool roman;
    const char16_t* expected;
  } cases[] = {
      {u"$pagenum$ of $PAGECOUNT$", 3, false, u"3 of 7"},
      {u"$$TITLE$", 1, false, u"$T"},
      {u"Cost $5 $PAGENUM$", 2, false, u"Cost $5 2"},
      {u"$PAGENUM$/$PAGECOUNT$", 14, true, u"XIV/VII"},
      {u"$DATETIME$|$TIMEDATE$", 1, false, u"D H|H D"},
      {u"$DATE$$TIME$$", 1, false, u"DH$"},
      {u"$UNKNOWN$ and $", 1, false, u"$UNKNOWN$ and $"},
      {u"   ", 1, false, u""},
      {u"no macros", 1, false, u"no macros"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ExpandHeaderFooterMacros(c.text, 7, c.page, c.roman, u"T", u"H", u"D"), std::u16string(c.expected))
        << std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text));
  EXPECT_EQ(IntToRoman(1999), u"MCMXCIX");
  EXPECT_EQ(IntToRoman(0), u"");
  EXPECT_EQ(IntToRoman(-3), u"");
}

}  // namespace
