#include "printing/SynPadPrintHeaderFooter.h"

#include <algorithm>
#include <cmath>
#include <ctime>

#include "editor/SynUnicode.h"
#include "platform/Canvas.h"
#include "platform/CodePage.h"
#include "platform/LocaleText.h"

namespace {

std::u16string Ascii(const std::string& s) {
  return std::u16string(s.begin(), s.end());
}

std::u16string NumberText(int Value, bool Roman) {
  return Roman ? IntToRoman(Value) : Ascii(std::to_string(Value));
}

}  // namespace

platform::TCanvasFont PrintFontDesc(const TSynFont& Font, int PixelsPerInch) {
  platform::TCanvasFont d;
  d.Name = Font.Name();
  d.Size = Font.Size();
  d.PixelsPerInch = PixelsPerInch;
  d.Style = Font.Style();
  d.Color = Font.Color();
  return d;
}

std::u16string IntToRoman(int Value) {
  if (Value <= 0) return {};
  static constexpr struct {
    int value;
    const char16_t* text;
  } kSteps[] = {{1000, u"M"}, {900, u"CM"}, {500, u"D"}, {400, u"CD"}, {100, u"C"}, {90, u"XC"}, {50, u"L"},
                {40, u"XL"},  {10, u"X"},   {9, u"IX"},  {5, u"V"},    {4, u"IV"},  {1, u"I"}};
  std::u16string out;
  for (const auto& step : kSteps) {
    // Only the thousands, hundreds, tens and ones repeat; the others appear at most once.
    while (Value >= step.value) {
      out += step.text;
      Value -= step.value;
    }
  }
  return out;
}

std::u16string ExpandHeaderFooterMacros(std::u16string_view Text, int NumPages, int PageNum, bool Roman,
                                        std::u16string_view Title, std::u16string_view Time, std::u16string_view Date) {
  if (WideTrim(Text).empty()) return {};
  std::u16string out;
  size_t start = 0;
  size_t p = Text.find(u'$', start);
  while (p != std::u16string_view::npos) {
    out.append(Text.substr(start, p - start));
    start = p;
    const size_t q = Text.find(u'$', p + 1);
    if (q == std::u16string_view::npos) break;
    const std::u16string macro = WideUpperCase(Text.substr(p, q - p + 1));
    std::u16string value;
    bool known = true;
    if (macro == u"$PAGENUM$")
      value = NumberText(PageNum, Roman);
    else if (macro == u"$PAGECOUNT$")
      value = NumberText(NumPages, Roman);
    else if (macro == u"$TITLE$")
      value = Title;
    else if (macro == u"$DATE$")
      value = Date;
    else if (macro == u"$TIME$")
      value = Time;
    else if (macro == u"$DATETIME$")
      value = std::u16string(Date) + u" " + std::u16string(Time);
    else if (macro == u"$TIMEDATE$")
      value = std::u16string(Time) + u" " + std::u16string(Date);
    else
      known = false;
    if (known) {
      out += value;
      start = q + 1;
      p = Text.find(u'$', start);
    } else {
      // The second "$" may open the next macro.
      out.append(Text.substr(p, q - p));
      start = q;
      p = q;
    }
  }
  out.append(Text.substr(start));
  return out;
}

// ---------------------------------------------------------------------------------------------

THeaderFooter::THeaderFooter(THeaderFooterType Type) : fType(Type) {
  fDefaultFont.SetColor(syn::clBlack);
}

THeaderFooter::~THeaderFooter() = default;

int THeaderFooter::Add(const std::u16string& Text, const TSynFont* Font, THeaderFooterAlign Alignment, int LineNumber) {
  auto item = std::make_unique<THeaderFooterItem>();
  item->Text = Text;
  item->Font.Assign(Font ? *Font : fDefaultFont);
  item->Alignment = Alignment;
  item->LineNumber = LineNumber;
  item->Index = Count();
  fItems.push_back(std::move(item));
  return Count() - 1;
}

void THeaderFooter::Clear() {
  fItems.clear();
}

void THeaderFooter::SetPixPrInch(int Value) {
  for (auto& item : fItems) item->PixelsPerInch = Value;
}

void THeaderFooter::Assign(const THeaderFooter& Source) {
  if (&Source == this) return;
  Clear();
  fType = Source.fType;
  fFrameTypes = Source.fFrameTypes;
  fShadedColor = Source.fShadedColor;
  fLineColor = Source.fLineColor;
  for (const auto& item : Source.fItems) {
    const int i = Add(item->Text, &item->Font, item->Alignment, item->LineNumber);
    fItems[static_cast<size_t>(i)]->PixelsPerInch = item->PixelsPerInch;
  }
  fDefaultFont.Assign(Source.fDefaultFont);
  fRomanNumbers = Source.fRomanNumbers;
  fMirrorPosition = Source.fMirrorPosition;
}

void THeaderFooter::InitPrint(platform::ICanvas& Canvas, int NumPages, const std::u16string& Title,
                              TSynPadPrintMargins* Margins) {
  Canvas.Save();
  const std::time_t now = std::time(nullptr);
  fDate = codepage::Utf8ToUtf16(platform::ShortDateText(now));
  fTime = codepage::Utf8ToUtf16(platform::LongTimeText(now));
  fNumPages = NumPages;
  fMargins = Margins;
  fTitle = Title;
  // Items of one line keep the order they were added in.
  std::stable_sort(fItems.begin(), fItems.end(),
                   [](const auto& a, const auto& b) { return a->LineNumber < b->LineNumber; });
  fLineInfo.clear();
  int lastSeen = 0;
  bool first = true;
  for (auto& item : fItems) {
    if (first || item->LineNumber != lastSeen) {
      first = false;
      lastSeen = item->LineNumber;
      fLineInfo.emplace_back();
    }
    item->LineNumber = static_cast<int>(fLineInfo.size());
  }
  if (fItems.empty()) {
    fFrameHeight = -1;
  } else {
    fFrameHeight = 0;
    int lineTop = 0;
    int currentLine = 0;
    for (auto& item : fItems) {
      Canvas.SetFont(PrintFontDesc(item->Font, item->PixelsPerInch));
      if (item->LineNumber != currentLine) {
        currentLine = item->LineNumber;
        lineTop = fFrameHeight;
      }
      TLineInfo& info = fLineInfo[static_cast<size_t>(item->LineNumber - 1)];
      const platform::TCanvasFontMetrics m = Canvas.FontMetrics();
      const int h = m.Height;  // the height of "W": every glyph of a font shares its cell height
      info.LineHeight = std::max(info.LineHeight, h);
      info.MaxBaseDist = std::max(info.MaxBaseDist, m.Height - m.Descent);
      fFrameHeight = std::max(fFrameHeight, lineTop + h);
    }
    fFrameHeight += 2 * (Margins ? Margins->PHFInternalMargin : 0);
  }
  Canvas.Restore();
}

void THeaderFooter::DrawFrame(platform::ICanvas& Canvas) {
  if (!fFrameTypes || !fMargins) return;
  const TSynPadPrintMargins& m = *fMargins;
  if (fFrameTypes & (ftBox | ftShaded)) {
    const platform::TCanvasRect r = fType == hftFooter
                                        ? platform::TCanvasRect{m.PLeft, m.PFooter, m.PRight, m.PFooter + fFrameHeight}
                                        : platform::TCanvasRect{m.PLeft, m.PHeader - fFrameHeight, m.PRight, m.PHeader};
    if (fFrameTypes & ftShaded) Canvas.FillRect(r, fShadedColor);
    if (fFrameTypes & ftBox) {
      Canvas.SetBrush(fShadedColor, platform::TBrushStyle::Clear);
      Canvas.SetPen(fLineColor);
      Canvas.Rectangle(r);
    }
  }
  if (fFrameTypes & ftLine) {
    const int y = fType == hftFooter ? m.PFooter : m.PHeader;
    Canvas.SetPen(fLineColor);
    Canvas.Line(m.PLeft, y, m.PRight, y);
  }
}

void THeaderFooter::Print(platform::ICanvas& Canvas, int PageNum) {
  if (fFrameHeight <= 0 || !fMargins) return;
  const TSynPadPrintMargins& m = *fMargins;
  Canvas.Save();
  DrawFrame(Canvas);
  int y = (fType == hftFooter ? m.PFooter : m.PHeader - fFrameHeight) + m.PHFInternalMargin;
  int currentLine = 1;
  for (auto& item : fItems) {
    Canvas.SetFont(PrintFontDesc(item->Font, item->PixelsPerInch));
    if (item->LineNumber != currentLine) {
      y += fLineInfo[static_cast<size_t>(currentLine - 1)].LineHeight;
      currentLine = item->LineNumber;
    }
    const std::u16string s = item->GetText(fNumPages, PageNum, fRomanNumbers, fTitle, fTime, fDate);
    if (s.empty()) continue;
    THeaderFooterAlign align = item->Alignment;
    if (fMirrorPosition && PageNum % 2 == 0) {
      if (align == hfaLeft)
        align = hfaRight;
      else if (align == hfaRight)
        align = hfaLeft;
    }
    const int width = Canvas.TextWidth(s);
    int x = m.PLeftHFTextIndent;
    if (align == hfaRight)
      x = m.PRightHFTextIndent - width;
    else if (align == hfaCenter)
      x = (m.PLeftHFTextIndent + m.PRightHFTextIndent - width) / 2;
    // Items of one line share a baseline, whatever their fonts.
    const int baseline = y + fLineInfo[static_cast<size_t>(currentLine - 1)].MaxBaseDist;
    Canvas.TextOutAt(x, baseline - Canvas.FontMetrics().Ascent, 0, nullptr, s);
  }
  Canvas.Restore();
}
