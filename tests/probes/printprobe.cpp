// printprobe [options] TEXTFILE OUT.pdf   prints TEXTFILE (UTF-8) through the print engine into a PDF
//                                        and prints "pages=N" (the document's pages) and
//                                        "sheets=M" (the pages written, copies and range counted)
// printprobe --layout [options] TEXTFILE  prints the layout, one line per page:
//                                        page N lines A-B header "..." footer "..." (lines from 1,
//                                        "-" for a page without lines; texts after macros, the items
//                                        of one header joined by " | "); "lines A-B from row R"
//                                        when line A continues from the page before at its row R
//                                        (rows from 1)
// printprobe --html [options] TEXTFILE OUT.html   writes the text as an XHTML document through the
//                                        HTML exporter's pieces (header, token spans, footer)
// Options: --highlighter CLASS  --font FAMILY SIZE  --margins L,T,R,B  --units mm|cm|in|thou  --mirror
//   --gutter N  --linenumbers  --numbers-in-margin  --colors  --wrap | --nowrap  --header TEXT
//   --footer TEXT  --header-align left|center|right  --footer-align left|center|right  --roman
//   --line-offset N  --page-offset N  --title T  --copies N  --from N --to M  --dpi N  --tab N
// Margins and the gutter are in --units (default mm). Fonts: the desktop's, with "Courier New" and
// "Arial" standing for DejaVu Sans Mono and DejaVu Sans.
// Exit 0; 1 with a message when the layout cannot be made or printing fails; 2 on usage errors.
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "highlighters/SynHighlighterRegistry.h"
#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/LocaleText.h"
#include "platform/Printer.h"
#include "platform/qt/Drawing.h"
#include "platform/qt/QtPrinter.h"
#include "printing/SynExportHTML.h"
#include "printing/SynPadPrint.h"

namespace {

int Usage(const std::string& message) {
  std::cerr << "printprobe: " << message << "\n"
            << "usage: printprobe [--layout | --html] [options] TEXTFILE [OUT]\n";
  return 2;
}

struct Options {
  std::string mode = "print";
  std::string highlighter;
  std::string fontName = "Courier New";
  int fontSize = 10;
  std::vector<double> margins;
  TUnitSystem units = usMM;
  bool mirror = false;
  double gutter = 0;
  bool lineNumbers = false, inMargin = false, colors = false, wrap = true, roman = false;
  std::u16string header, footer, title;
  THeaderFooterAlign headerAlign = hfaLeft, footerAlign = hfaLeft;
  int lineOffset = 0, pageOffset = 0, copies = 1, from = 1, to = -1, dpi = 300, tab = 8;
  std::string input, output;
};

bool ParseInt(const std::string& s, int& v) {
  char* end = nullptr;
  const long n = std::strtol(s.c_str(), &end, 10);
  if (s.empty() || *end || n < -1000000000L || n > 1000000000L) return false;
  v = static_cast<int>(n);
  return true;
}

bool ParseDouble(const std::string& s, double& v) {
  char* end = nullptr;
  v = std::strtod(s.c_str(), &end);
  return !s.empty() && !*end && v == v && v > -1e7 && v < 1e7;
}

bool ParseAlign(const std::string& s, THeaderFooterAlign& a) {
  if (s == "left")
    a = hfaLeft;
  else if (s == "center")
    a = hfaCenter;
  else if (s == "right")
    a = hfaRight;
  else
    return false;
  return true;
}

// Returns an empty string on success, else the usage error.
std::string Parse(const std::vector<std::string>& args, Options& o) {
  std::vector<std::string> files;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto next = [&](std::string& v) {
      if (i + 1 >= args.size()) return false;
      v = args[++i];
      return true;
    };
    std::string v, w;
    if (a == "--layout" || a == "--html")
      o.mode = a.substr(2);
    else if (a == "--highlighter") {
      if (!next(o.highlighter)) return a + " needs a class name";
    } else if (a == "--font") {
      if (!next(o.fontName) || !next(v) || !ParseInt(v, o.fontSize) || o.fontSize < 1 || o.fontSize > 1000)
        return "--font needs a family and a size of 1 to 1000 points";
    } else if (a == "--margins") {
      if (!next(v)) return "--margins needs L,T,R,B";
      o.margins.clear();
      size_t start = 0;
      while (start <= v.size()) {
        const size_t comma = std::min(v.find(',', start), v.size());
        double d;
        if (!ParseDouble(v.substr(start, comma - start), d)) return "--margins needs four numbers L,T,R,B";
        o.margins.push_back(d);
        start = comma + 1;
      }
      if (o.margins.size() != 4) return "--margins needs four numbers L,T,R,B";
    } else if (a == "--units") {
      if (!next(v)) return "--units needs mm, cm, in or thou";
      if (v == "mm")
        o.units = usMM;
      else if (v == "cm")
        o.units = usCM;
      else if (v == "in")
        o.units = usInch;
      else if (v == "thou")
        o.units = muThousandthsOfInches;
      else
        return "--units needs mm, cm, in or thou";
    } else if (a == "--mirror")
      o.mirror = true;
    else if (a == "--gutter") {
      if (!next(v) || !ParseDouble(v, o.gutter)) return "--gutter needs a number";
    } else if (a == "--linenumbers")
      o.lineNumbers = true;
    else if (a == "--numbers-in-margin")
      o.inMargin = true;
    else if (a == "--colors")
      o.colors = true;
    else if (a == "--wrap")
      o.wrap = true;
    else if (a == "--nowrap")
      o.wrap = false;
    else if (a == "--roman")
      o.roman = true;
    else if (a == "--header" || a == "--footer" || a == "--title") {
      if (!next(v)) return a + " needs a text";
      (a == "--header" ? o.header : a == "--footer" ? o.footer : o.title) = codepage::Utf8ToUtf16(v);
    } else if (a == "--header-align" || a == "--footer-align") {
      if (!next(v) || !ParseAlign(v, a == "--header-align" ? o.headerAlign : o.footerAlign))
        return a + " needs left, center or right";
    } else if (a == "--line-offset" || a == "--page-offset" || a == "--copies" || a == "--from" || a == "--to" ||
               a == "--dpi" || a == "--tab") {
      int n;
      if (!next(v) || !ParseInt(v, n)) return a + " needs a whole number";
      if (a == "--line-offset")
        o.lineOffset = n;
      else if (a == "--page-offset")
        o.pageOffset = n;
      else if (a == "--copies") {
        if (n < 1 || n > 1000) return "--copies needs 1 to 1000";
        o.copies = n;
      } else if (a == "--from")
        o.from = n;
      else if (a == "--to")
        o.to = n;
      else if (a == "--dpi") {
        if (n < 36 || n > 2400) return "--dpi needs 36 to 2400";
        o.dpi = n;
      } else
        o.tab = n;
    } else if (!a.empty() && a[0] == '-' && a.size() > 1)
      return "unknown option " + a;
    else
      files.push_back(a);
  }
  const size_t need = o.mode == "layout" ? 1 : 2;
  if (files.size() < need || files.size() > 2) return o.mode == "layout" ? "give TEXTFILE" : "give TEXTFILE and OUT";
  o.input = files[0];
  if (files.size() > 1) o.output = files[1];
  return {};
}

// Lines of a text file: a final line break ends the last line instead of opening an empty one.
std::vector<std::u16string> SplitLines(const std::u16string& text) {
  std::vector<std::u16string> lines;
  std::u16string line;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\r' || c == u'\n') {
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      lines.push_back(std::move(line));
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

std::unique_ptr<TSynCustomHighlighter> CreateHighlighter(const std::string& className) {
  RegisterSynHighlighters();
  for (const auto& cls : GetPlaceableHighlighters())
    if (cls.ClassName == className && cls.Create) return cls.Create();
  return nullptr;
}

void Configure(TSynPadPrint& print, const Options& o, const std::vector<std::u16string>& lines,
               TSynCustomHighlighter* highlighter) {
  print.SetTabWidth(o.tab);
  print.SetLines(lines);
  print.SetFont(TSynFont(o.fontName, o.fontSize));
  print.SetHighlighter(highlighter);
  print.SetColors(o.colors);
  print.SetWrap(o.wrap);
  print.SetLineNumbers(o.lineNumbers);
  print.SetLineNumbersInMargin(o.inMargin);
  print.SetLineOffset(o.lineOffset);
  print.SetPageOffset(o.pageOffset);
  print.SetTitle(o.title);
  print.SetCopies(o.copies);
  TSynPadPrintMargins& m = print.Margins();
  m.SetUnitSystem(o.units);
  if (o.margins.size() == 4) {
    m.SetLeft(o.margins[0]);
    m.SetTop(o.margins[1]);
    m.SetRight(o.margins[2]);
    m.SetBottom(o.margins[3]);
  }
  m.SetGutter(o.gutter);
  m.SetMirrorMargins(o.mirror);
  if (!o.header.empty()) print.Header().Add(o.header, nullptr, o.headerAlign, 1);
  if (!o.footer.empty()) print.Footer().Add(o.footer, nullptr, o.footerAlign, 1);
  print.Header().SetRomanNumbers(o.roman);
  print.Footer().SetRomanNumbers(o.roman);
}

std::string Joined(THeaderFooter& hf, int pages, int page, const std::u16string& title) {
  const std::time_t now = std::time(nullptr);
  const std::u16string date = codepage::Utf8ToUtf16(platform::ShortDateText(now));
  const std::u16string time = codepage::Utf8ToUtf16(platform::LongTimeText(now));
  std::string out;
  for (int i = 0; i < hf.Count(); ++i) {
    if (i) out += " | ";
    out += codepage::Utf16ToUtf8(hf.Get(i).GetText(pages, page, hf.RomanNumbers(), title, time, date));
  }
  return out;
}

int Layout(TSynPadPrint& print, const Options& o) {
  const int pages = print.PageCount();
  for (int p = 1; p <= pages; ++p) {
    const int first = print.PageFirstLine(p);
    // A line split between this page and the next is the last one of this page too.
    const int last =
        p < pages ? print.PageFirstLine(p + 1) - (print.PageFirstRow(p + 1) > 0 ? 0 : 1) : print.Lines().Count() - 1;
    std::cout << "page " << p << " lines ";
    if (last < first)
      std::cout << "-";
    else
      std::cout << first + 1 << "-" << last + 1;
    if (print.PageFirstRow(p) > 0) std::cout << " from row " << print.PageFirstRow(p) + 1;
    std::cout << " header \"" << Joined(print.Header(), pages, p + o.pageOffset, o.title) << "\" footer \""
              << Joined(print.Footer(), pages, p + o.pageOffset, o.title) << "\"\n";
  }
  return 0;
}

int Html(const std::vector<std::u16string>& lines, TSynCustomHighlighter* highlighter, const Options& o) {
  TSynExporterHTML exporter;
  exporter.SetHighlighter(highlighter);
  exporter.SetAsDocument(true);
  exporter.SetTitle(o.title);
  exporter.Font().SetName(o.fontName);
  exporter.Font().SetSize(o.fontSize);
  auto escaped = [&](std::u16string_view text) {
    std::u16string out;
    for (char16_t c : text) {
      const std::u16string e = exporter.EscapeChar(c);
      if (e.empty())
        out += c;
      else
        out += e;
    }
    return out;
  };
  bool anyAttribute = false;
  if (highlighter) highlighter->ResetRange();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (highlighter) {
      highlighter->SetLine(lines[i], static_cast<int>(i));
      while (!highlighter->GetEol()) {
        if (TSynHighlighterAttributes* a = highlighter->GetTokenAttribute()) {
          exporter.ApplyTokenAttribute(a);
          anyAttribute = true;
        }
        exporter.WriteToken(escaped(highlighter->GetToken()));
        highlighter->Next();
      }
    } else {
      exporter.WriteToken(escaped(lines[i]));
    }
    exporter.WriteNewLine();
  }
  if (anyAttribute) exporter.AfterLastAttribute();
  std::string bytes = exporter.NeedsByteOrderMark() ? exporter.Encode(u"\uFEFF") : std::string();
  bytes += exporter.Encode(exporter.BuildHeader()) + exporter.Buffer() + exporter.Encode(exporter.BuildFooter());
  std::ofstream out(o.output, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) {
    std::cerr << "printprobe: cannot write " << o.output << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  const std::string error = Parse(std::vector<std::string>(argv + 1, argv + argc), o);
  if (!error.empty()) return Usage(error);
  std::ifstream in(o.input, std::ios::binary);
  if (!in) return Usage("cannot read " + o.input);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::vector<std::u16string> lines = SplitLines(codepage::Utf8ToUtf16(bytes));
  std::unique_ptr<TSynCustomHighlighter> highlighter;
  if (!o.highlighter.empty()) {
    highlighter = CreateHighlighter(o.highlighter);
    if (!highlighter) return Usage("unknown highlighter class " + o.highlighter);
  }
  if (o.mode == "html") return Html(lines, highlighter.get(), o);

  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  platform::SetFontSubstitutes("DejaVu Sans", "DejaVu Sans Mono");
  auto* printer = dynamic_cast<platform::TQtPrinter*>(&platform::Printer());
  if (!printer) {
    std::cerr << "printprobe: no printer service\n";
    return 1;
  }
  // Layout alone needs the sheet's metrics but writes nothing.
  printer->SetOutputFile(o.output.empty() ? "/dev/null" : o.output, o.dpi);
  TSynPadPrint print;
  Configure(print, o, lines, highlighter.get());
  try {
    if (o.mode == "layout") return Layout(print, o);
    int sheets = 0;
    print.OnPrintStatus = [&](TSynPadPrint*, TSynPrintStatus status, int, bool&) { sheets += status == psNewPage; };
    print.PrintRange(o.from, o.to);
    std::cout << "pages=" << print.PageCount() << "\nsheets=" << sheets << "\n";
  } catch (const Exception& e) {
    std::cerr << "printprobe: " << e.Message() << "\n";
    return 1;
  }
  return 0;
}
