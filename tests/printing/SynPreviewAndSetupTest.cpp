// The plain logic of the print preview control and of the preview and page-setup dialogs: sheet
// sizes and scrolling, page stepping, painting through the mapping, margins in other units, header
// lines and items, zoom clicks and printing through the print dialog.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "FakePrinter.h"
#include "ScriptedUIServices.h"
#include "printing/SynPadPrintPreviewModel.h"
#include "printing/SynPageSetupModel.h"

namespace {

using platform::TRecordingCanvas;

struct Host : ISynPreviewHost {
  int width = 800, height = 600;
  int invalidations = 0;
  std::vector<std::pair<int, int>> scrolls;
  TSynScrollBarInfo horz, vert;
  std::string hint;
  int ClientWidth() const override { return width; }
  int ClientHeight() const override { return height; }
  int ScreenPixelsPerInchX() const override { return 96; }
  int ScreenPixelsPerInchY() const override { return 96; }
  void Invalidate() override { ++invalidations; }
  void ScrollWindow(int dx, int dy) override { scrolls.emplace_back(dx, dy); }
  void SetScrollBar(bool horizontal, const TSynScrollBarInfo& info) override { (horizontal ? horz : vert) = info; }
  void ShowScrollHint(const std::string& text) override { hint = text; }
  void HideScrollHint() override { hint.clear(); }
};

struct Rig {
  platform::FakePrinter printer{300};
  platform::ScopedPrinter scoped{printer};
  TSynPadPrint print;
  TRecordingCanvas screen;
  Host host;
  TSynPadPrintPreviewModel preview{&host};
  std::vector<int> pagesShown;

  explicit Rig(int lines) {
    platform::FakePrinter::UsePrintMetrics(screen);
    SetLines(lines);
    preview.OnPreviewPage = [this](int p) { pagesShown.push_back(p); };
    preview.SetSynPadPrint(&print);
    preview.UpdatePreview(screen);
  }
  void SetLines(int n) {
    std::vector<std::u16string> lines(static_cast<size_t>(n), u"text");
    print.SetLines(lines);
  }
};

TEST(SynPadPrintPreview, WithoutAnEngineOnlyTheWorkSpaceAndASmallSheet) {
  Host host;
  TSynPadPrintPreviewModel preview(&host);
  TRecordingCanvas canvas;
  preview.Paint(canvas, {0, 0, 200, 120});
  const auto fills = canvas.CallsOf("fill");
  ASSERT_EQ(fills.size(), 2u);
  EXPECT_EQ(fills[0].color, syn::clAppWorkSpace);
  EXPECT_EQ(fills[1].rect, (platform::TCanvasRect{12, 12, 55, 42}));
  EXPECT_EQ(fills[1].color, syn::clWhite);
  preview.PreviousPage();
  preview.NextPage();
  preview.PreviousPage();
  EXPECT_EQ(preview.PageNumber(), 1);
}

TEST(SynPadPrintPreview, ScalesSizesAndScrolling) {
  Rig rig(150);  // 3 pages of 58 lines
  TSynPadPrintPreviewModel& p = rig.preview;
  // 100 %: an A4 sheet at the screen's 96 dpi.
  EXPECT_EQ(p.PageSize(), (TSynPoint2{794, 1123}));
  EXPECT_EQ(rig.host.vert, (TSynScrollBarInfo{true, 0, 1123 + 26, 600, 0}));

  p.SetScaleMode(pscWholePage);
  EXPECT_FALSE(rig.host.horz.Visible);
  EXPECT_EQ(rig.host.vert, (TSynScrollBarInfo{true, 1, 3, 1, 1}));
  EXPECT_EQ(p.PageSize().y, 600 - 26);
  EXPECT_EQ(p.VirtualOffset().x, 12 + (800 - p.VirtualSize().x) / 2);
  p.VertScroll(srThumbTrack, 2);
  EXPECT_EQ(rig.host.hint, "Page: 2");
  EXPECT_EQ(p.PageNumber(), 2);
  p.VertScroll(srEndScroll, 0);
  EXPECT_EQ(rig.host.hint, "");
  EXPECT_EQ(p.PageNumber(), 2);
  // The sheet stays put whatever the wheel does in this view.
  p.MouseWheel(-240);
  EXPECT_EQ(p.SheetRect().Top, p.VirtualOffset().y);
  EXPECT_TRUE(rig.host.scrolls.empty());

  p.SetScalePercent(200);
  EXPECT_EQ(p.ScaleMode(), pscUserScaled);
  EXPECT_EQ(p.ScrollPosition(), (TSynPoint2{0, 0}));
  EXPECT_EQ(p.PageSize().x, 2 * 794);
  p.VertScroll(srThumbTrack, 1000);
  EXPECT_EQ(p.ScrollPosition().y, -1000);
  p.MouseWheel(60);  // half a notch: nothing yet
  EXPECT_EQ(p.ScrollPosition().y, -1000);
  p.MouseWheel(60 + 240);
  EXPECT_EQ(p.ScrollPosition().y, -640);
  p.MouseWheel(1200);  // limited at the top
  EXPECT_EQ(p.ScrollPosition().y, 0);
  p.HorzScroll(srBottom, 0);
  EXPECT_EQ(p.ScrollPosition().x, 800 - p.VirtualSize().x);

  // A window that holds the sheet never scrolls it.
  p.SetScalePercent(25);
  p.HorzScroll(srThumbTrack, 50);
  p.VertScroll(srLineDown, 0);
  EXPECT_EQ(p.ScrollPosition(), (TSynPoint2{0, 0}));
}

TEST(SynPadPrintPreview, PagesStayWithinTheLayout) {
  Rig rig(150);
  TSynPadPrintPreviewModel& p = rig.preview;
  p.LastPage();
  EXPECT_EQ(p.PageNumber(), 3);
  rig.pagesShown.clear();
  p.NextPage();
  EXPECT_EQ(p.PageNumber(), 3);
  EXPECT_EQ(rig.pagesShown, (std::vector<int>{3}));
  // The text shrinks to one page: the page shown follows, and painting works.
  rig.SetLines(10);
  p.UpdatePreview(rig.screen);
  EXPECT_EQ(p.PageNumber(), 1);
  TRecordingCanvas canvas;
  EXPECT_NO_THROW(p.Paint(canvas, {0, 0, 800, 600}));
  // A layout that cannot be made is reported; the preview then paints the sheet alone.
  rig.print.Margins().SetLeft(150);
  rig.print.Margins().SetRight(150);
  EXPECT_THROW(p.UpdatePreview(rig.screen), ESynPrintError);
  TRecordingCanvas empty;
  EXPECT_NO_THROW(p.Paint(empty, {0, 0, 800, 600}));
  EXPECT_TRUE(empty.CallsOf("text").empty());
}

TEST(SynPadPrintPreview, PaintsThePageInPrinterPixelsOnTheSheet) {
  Rig rig(3);
  rig.print.Header().Add(u"Head", nullptr, hfaLeft, 1);
  rig.preview.UpdatePreview(rig.screen);
  TRecordingCanvas canvas;
  rig.preview.Paint(canvas, {0, 0, 800, 600});
  const platform::TCanvasRect sheet = rig.preview.SheetRect();
  const auto maps = canvas.CallsOf("map");
  ASSERT_EQ(maps.size(), 1u);
  EXPECT_EQ(maps[0].rect, (platform::TCanvasRect{0, 0, 2480, 3508}));
  EXPECT_EQ(std::make_pair(maps[0].x, maps[0].y), std::make_pair(sheet.Left, sheet.Top));
  const auto texts = canvas.CallsOf("text");
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[1].text, u"text");
  // 25 mm from the sheet's left edge, at 96 dpi.
  EXPECT_NEAR(texts[1].x - sheet.Left, 25 / 25.4 * 96, 1.5);
  for (const auto& t : texts) EXPECT_GT(t.y, sheet.Top);

  // A wrapped line at the foot of a page: the rows that do not fit show at the top of the next
  // page, none over the footer.
  std::vector<std::u16string> lines(57, u"text");
  lines.push_back(std::u16string(200, u'y'));
  rig.print.SetLines(lines);
  rig.print.Footer().Add(u"Foot", nullptr, hfaLeft, 1);
  rig.preview.UpdatePreview(rig.screen);
  std::vector<std::vector<platform::TRecordingCanvas::Call>> pages;
  for (int page = 1; page <= 2; ++page) {
    TRecordingCanvas shown;
    rig.preview.Paint(shown, {0, 0, 800, 600});
    pages.push_back(shown.CallsOf("text"));
    rig.preview.NextPage();
  }
  int foot = 0, lowest = 0;
  for (const auto& t : pages[0]) (t.text == u"Foot" ? foot : lowest) = std::max(t.text == u"Foot" ? foot : lowest, t.y);
  EXPECT_LT(lowest, foot);
  EXPECT_EQ(pages[0][pages[0].size() - 2].text, std::u16string(80, u'y'));
  ASSERT_GE(pages[1].size(), 4u);
  EXPECT_EQ(pages[1][1].text, std::u16string(80, u'y'));
  EXPECT_EQ(pages[1][2].text, std::u16string(40, u'y'));
}

TEST(SynPageSetup, MarginsChangeUnitsFromTheUnitLastShown) {
  platform::FakePrinter printer;
  platform::ScopedPrinter scoped(printer);
  TSynPadPrint print;
  TPageSetupModel model;
  model.SetValues(print);
  EXPECT_EQ(model.MarginEdits[0], "25");
  ASSERT_FALSE(model.ChangeUnits(usInch));
  EXPECT_EQ(model.MarginEdits[0], "0.9843");
  model.GetValues(print);
  EXPECT_EQ(print.Margins().UnitSystem(), usInch);

  // Opened again with inches kept, changing to cm reads the edits as inches.
  TPageSetupModel again;
  again.SetValues(print);
  EXPECT_EQ(again.Unit, usInch);
  ASSERT_FALSE(again.ChangeUnits(usCM));
  EXPECT_EQ(again.MarginEdits[0], "2.5");
  EXPECT_EQ(again.MarginEdits[4], "0");  // the gutter

  // A bad number stops the margins there; the rest is still taken.
  again.MarginEdits[0] = "3";
  again.MarginEdits[2] = "two";
  again.MarginEdits[3] = "9";
  again.MirrorMargins = true;
  again.Options.Colors = true;
  EXPECT_EQ(again.GetValues(print), std::optional<int>(2));
  EXPECT_DOUBLE_EQ(print.Margins().Millimetres(mvLeft), 30);
  EXPECT_DOUBLE_EQ(print.Margins().Millimetres(mvBottom), 25);
  EXPECT_TRUE(print.Margins().MirrorMargins());
  EXPECT_TRUE(print.Colors());

  const std::pair<const char*, std::optional<double>> numbers[] = {
      {" 2,5 ", 2.5},          {"-3", -3.0},          {"0.984251968503937", 0.984251968503937},
      {"", std::nullopt},      {"1e3", std::nullopt}, {"0x10", std::nullopt},
      {"1.2.3", std::nullopt}, {"nan", std::nullopt}};
  for (const auto& [text, value] : numbers) EXPECT_EQ(ParseMarginText(text), value) << text;
  EXPECT_EQ(MarginTextError("-3"), "Margins cannot be negative!");
  EXPECT_EQ(MarginTextError("x"), "Invalid number!");
  EXPECT_EQ(MarginTextError("0"), "");
  again.SetValues(print);
  again.MarginEdits[1] = " -0,5";
  EXPECT_EQ(again.GetValues(print), std::optional<int>(1));
  EXPECT_EQ(again.ChangeUnits(usMM), std::optional<int>(1));
}

// Values are shown rounded to the unit's precision, yet any tour through the units, with the dialog
// closed and opened again in between, gives back every value nobody edited exactly; an edited one
// is taken as typed, in the unit shown.
TEST(SynPageSetup, UnitChangesKeepValuesNobodyEdited) {
  platform::FakePrinter printer;
  platform::ScopedPrinter scoped(printer);
  TSynPadPrint print;
  print.Margins().SetLeft(25.123456789);
  std::array<double, kMarginValueCount> start{};
  for (int v = 0; v < kMarginValueCount; ++v)
    start[static_cast<size_t>(v)] = print.Margins().Millimetres(TMarginValue(v));
  const std::vector<std::vector<TUnitSystem>> tours = {
      {usInch, usMM}, {usCM, muThousandthsOfInches, usInch}, {muThousandthsOfInches}, {usInch, usCM, usMM, usInch}};
  for (const auto& tour : tours) {
    for (TUnitSystem unit : tour) {
      TPageSetupModel model;
      model.SetValues(print);
      ASSERT_FALSE(model.ChangeUnits(unit));
      for (const std::string& text : model.MarginEdits) {
        const size_t point = text.find('.');
        const size_t decimals = point == std::string::npos ? 0 : text.size() - point - 1;
        EXPECT_LE(decimals, unit == usMM ? 2u : unit == usCM ? 3u : unit == usInch ? 4u : 1u) << text;
      }
      ASSERT_FALSE(model.GetValues(print));
    }
    for (int v = 0; v < kMarginValueCount; ++v)
      EXPECT_EQ(print.Margins().Millimetres(TMarginValue(v)), start[static_cast<size_t>(v)]) << v;
  }
  TPageSetupModel model;
  model.SetValues(print);
  ASSERT_FALSE(model.ChangeUnits(usMM));
  EXPECT_EQ(model.MarginEdits[0], "25.12");
  EXPECT_EQ(model.MarginEdits[7], "0.5");  // the internal margin
  ASSERT_FALSE(model.ChangeUnits(usInch));
  model.MarginEdits[1] = "1";
  ASSERT_FALSE(model.GetValues(print));
  EXPECT_EQ(print.Margins().Millimetres(mvRight), 25.4);
  EXPECT_EQ(print.Margins().Millimetres(mvLeft), 25.123456789);
}

TEST(SynPageSetup, HeaderLinesAndItemsMapBothWays) {
  THeader header;
  THeaderFooterLines lines;
  TSynFont bold("Arial", 12);
  bold.SetStyle(syn::fsBold);
  lines.Of(hfaLeft) = {{u"L1", bold}, {u"L2", TSynFont("Arial", 10)}, {u"", TSynFont("Arial", 10)}};
  lines.Of(hfaRight) = {{u"R1", TSynFont("Arial", 10)}};
  ItemsOfLines(lines, header);
  ASSERT_EQ(header.Count(), 3);
  EXPECT_EQ(header.Get(0).LineNumber, 1);
  EXPECT_EQ(header.Get(1).LineNumber, 2);
  EXPECT_EQ(header.Get(2).Alignment, hfaRight);
  EXPECT_EQ(header.Get(2).LineNumber, 1);
  EXPECT_EQ(header.Get(0).Font.Style(), syn::fsBold);

  // An item alone on line 2 comes back on line 1; fonts and texts survive the round trip.
  THeader lone;
  lone.Add(u"$PAGENUM$", &bold, hfaCenter, 2);
  ItemsOfLines(LinesOfItems(lone), lone);
  ASSERT_EQ(lone.Count(), 1);
  EXPECT_EQ(lone.Get(0).LineNumber, 1);
  EXPECT_EQ(lone.Get(0).Font.Size(), 12);
  // Empty editors give no items at all.
  ItemsOfLines(THeaderFooterLines{}, lone);
  EXPECT_EQ(lone.Count(), 0);
}

TEST(SynPrintPreviewDialog, ZoomClicksAndPrintingThroughTheDialog) {
  EXPECT_EQ(ZoomClickPercent(pscUserScaled, 30, false), 25);
  EXPECT_EQ(ZoomClickPercent(pscUserScaled, 300, true), 400);
  EXPECT_EQ(ZoomClickPercent(pscWholePage, 50, true), 100);
  EXPECT_EQ(PreviewPageText(3), " Page Number: 3");

  platform::FakePrinter printer;
  platform::ScopedPrinter scopedPrinter(printer);
  platform::ScriptedUIServices ui;
  platform::ScopedUIServices scopedUI(ui);
  TSynPadPrint print;
  print.SetLines(std::vector<std::u16string>(150, u"x"));
  TRecordingCanvas screen;
  platform::FakePrinter::UsePrintMetrics(screen);
  print.PrepareCanvas(screen);
  ui.PushPrint([](platform::PrintDialogOptions& o) {
    o.range = platform::PrintDialogOptions::Range::Pages;
    o.fromPage = 2;
    o.toPage = 3;
    o.copies = 3;
  });
  ui.PushPrint(std::nullopt);
  ui.PushPrint([](platform::PrintDialogOptions& o) { o.range = platform::PrintDialogOptions::Range::Selection; });
  EXPECT_TRUE(PrintWithDialog(print));
  const auto call = ui.CallsOf(platform::ScriptedUIServices::Kind::Print).at(0);
  EXPECT_EQ(call.printOptions.maxPage, 3);
  EXPECT_EQ(call.printOptions.toPage, 3);
  EXPECT_FALSE(call.printOptions.allowSelection);
  EXPECT_EQ(printer.PageCount(), 6);
  EXPECT_EQ(print.Copies(), 3);
  printer.ended = false;
  EXPECT_FALSE(PrintWithDialog(print));
  EXPECT_TRUE(PrintWithDialog(print));
  EXPECT_FALSE(printer.ended);
}

}  // namespace
