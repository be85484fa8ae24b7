#include "printing/SynPageSetupModel.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

std::string MarginText(double Value, TUnitSystem Unit) {
  const int decimals = Unit == usMM ? 2 : Unit == usCM ? 3 : Unit == usInch ? 4 : 1;
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, Value);
  std::string s = text;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  if (s == "-0") s = "0";
  return s;
}

std::optional<double> ParseMarginText(const std::string& Text) {
  size_t a = 0, b = Text.size();
  while (a < b && static_cast<unsigned char>(Text[a]) <= ' ') ++a;
  while (b > a && static_cast<unsigned char>(Text[b - 1]) <= ' ') --b;
  std::string t = Text.substr(a, b - a);
  if (t.empty()) return std::nullopt;
  for (char& c : t) {
    if (c == ',') c = '.';
    // Only plain decimal numbers: no hexadecimal, infinities or exponents a user never types here.
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+')) return std::nullopt;
  }
  char* end = nullptr;
  const double v = std::strtod(t.c_str(), &end);
  if (end != t.c_str() + t.size() || !std::isfinite(v) || std::fabs(v) > 1e6) return std::nullopt;
  return v;
}

std::string MarginTextError(const std::string& Text) {
  const std::optional<double> v = ParseMarginText(Text);
  if (!v) return "Invalid number!";
  if (*v < 0) return "Margins cannot be negative!";
  return {};
}

TFontLines& THeaderFooterLines::Of(THeaderFooterAlign Align) {
  return ByAlignment[Align == hfaLeft ? 0 : Align == hfaCenter ? 1 : 2];
}

THeaderFooterLines LinesOfItems(const THeaderFooter& HeaderFooter) {
  THeaderFooterLines lines;
  for (int i = 0; i < HeaderFooter.Count(); ++i) {
    const THeaderFooterItem& item = HeaderFooter.Get(i);
    TFontLine line;
    line.Text = item.Text;
    line.Font.Assign(item.Font);
    lines.Of(item.Alignment).push_back(std::move(line));
  }
  return lines;
}

void ItemsOfLines(const THeaderFooterLines& Lines, THeaderFooter& HeaderFooter) {
  HeaderFooter.Clear();
  static constexpr THeaderFooterAlign kOrder[] = {hfaLeft, hfaCenter, hfaRight};
  for (int a = 0; a < 3; ++a) {
    const TFontLines& lines = Lines.ByAlignment[static_cast<size_t>(a)];
    size_t used = lines.size();
    // An editor keeps an empty last line; it is no line of the header.
    while (used > 0 && lines[used - 1].Text.empty()) --used;
    for (size_t i = 0; i < used; ++i)
      HeaderFooter.Add(lines[i].Text, &lines[i].Font, kOrder[a], static_cast<int>(i) + 1);
  }
}

// ---------------------------------------------------------------------------------------------

void TPageSetupModel::WriteEdits() {
  for (size_t i = 0; i < kEditValues.size(); ++i)
    fShown[i] = MarginEdits[i] = MarginText(fMargins.Value(kEditValues[i]), fMargins.UnitSystem());
}

std::optional<int> TPageSetupModel::ReadEdits(TSynPadPrintMargins& Margins) const {
  for (size_t i = 0; i < kEditValues.size(); ++i) {
    // An edit nobody changed keeps the value it shows rounded.
    if (MarginEdits[i] == fShown[i]) {
      Margins.SetMillimetres(kEditValues[i], fMargins.Millimetres(kEditValues[i]));
      continue;
    }
    if (!MarginTextError(MarginEdits[i]).empty()) return static_cast<int>(i);
    Margins.SetValue(kEditValues[i], *ParseMarginText(MarginEdits[i]));
  }
  return std::nullopt;
}

void TPageSetupModel::SetValues(TSynPadPrint& Print) {
  // The private copy takes the unit too, so the next unit change reads the edits correctly.
  fMargins.Assign(Print.Margins());
  Unit = fMargins.UnitSystem();
  WriteEdits();
  MirrorMargins = fMargins.MirrorMargins();
  Options = Print.Options();
  auto take = [](THeaderFooter& hf, THeaderFooterState& state) {
    state.DefaultFont.Assign(hf.DefaultFont());
    state.FrameTypes = hf.FrameTypes();
    state.LineColor = hf.LineColor();
    state.ShadedColor = hf.ShadedColor();
    state.MirrorPosition = hf.MirrorPosition();
    state.Lines = LinesOfItems(hf);
  };
  take(Print.Header(), Header);
  take(Print.Footer(), Footer);
}

std::optional<int> TPageSetupModel::GetValues(TSynPadPrint& Print) const {
  TSynPadPrintMargins& m = Print.Margins();
  m.SetUnitSystem(Unit);
  const std::optional<int> bad = ReadEdits(m);
  m.SetMirrorMargins(MirrorMargins);
  Print.SetOptions(Options);
  auto give = [](const THeaderFooterState& state, THeaderFooter& hf) {
    hf.SetFrameTypes(state.FrameTypes);
    hf.SetLineColor(state.LineColor);
    hf.SetShadedColor(state.ShadedColor);
    hf.SetMirrorPosition(state.MirrorPosition);
    ItemsOfLines(state.Lines, hf);
  };
  give(Header, Print.Header());
  give(Footer, Print.Footer());
  return bad;
}

std::optional<int> TPageSetupModel::ChangeUnits(TUnitSystem NewUnit) {
  // The edits are in the unit they were written in, whatever the combo box shows now.
  const std::optional<int> bad = ReadEdits(fMargins);
  if (bad) return bad;
  fMargins.SetUnitSystem(NewUnit);
  Unit = NewUnit;
  WriteEdits();
  return std::nullopt;
}

// ---------------------------------------------------------------------------------------------

int ZoomClickPercent(TSynPreviewScale Mode, int Percent, bool LeftButton) {
  if (!LeftButton) return std::max(25, Percent / 2);
  if (Mode == pscWholePage) return 100;
  return std::min(400, Percent * 2);
}

std::string PreviewPageText(int PageNumber) {
  return " Page Number: " + std::to_string(PageNumber);
}

std::string PrintHintFor(const std::string& PrinterName) {
  return "Print (" + PrinterName + ")|Print the document on " + PrinterName;
}

bool PrintWithDialog(TSynPadPrint& Print, platform::WindowHandle Owner) {
  platform::PrintDialogOptions options;
  const int pages = Print.PageCount();
  options.minPage = 1;
  options.maxPage = std::max(1, pages);
  options.fromPage = 1;
  options.toPage = options.maxPage;
  options.allowSelection = false;
  if (!platform::UI().PrintDialog(options, Owner)) return false;
  Print.SetCopies(options.copies);
  switch (options.range) {
    case platform::PrintDialogOptions::Range::All:
      Print.Print();
      break;
    case platform::PrintDialogOptions::Range::Pages:
      Print.PrintRange(options.fromPage, options.toPage);
      break;
    case platform::PrintDialogOptions::Range::Selection:
      break;
  }
  return true;
}
