// Printing end to end: texts printed through printprobe into PDF files and read back with poppler's
// pdfinfo, pdftotext and pdftoppm; the HTML export checked with xmllint.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace {

using testsupport::RunProcess;

struct Image {
  int width = 0, height = 0;
  std::string rgb;
  const unsigned char* At(int x, int y) const {
    return reinterpret_cast<const unsigned char*>(rgb.data()) + 3 * (static_cast<size_t>(y) * width + x);
  }
};

// A page of a PDF rendered by pdftoppm at `dpi` (binary PPM).
Image Render(const std::string& pdf, int page, int dpi, const std::string& out) {
  const std::string tool = testsupport::FindTool("pdftoppm");
  const auto r = RunProcess(tool, {"-r", std::to_string(dpi), "-f", std::to_string(page), "-l", std::to_string(page),
                                   "-singlefile", pdf, out});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  const std::string bytes = testsupport::ReadFile(out + ".ppm");
  std::istringstream in(bytes);
  std::string magic;
  Image img;
  int maxval = 0;
  in >> magic >> img.width >> img.height >> maxval;
  in.get();
  img.rgb = bytes.substr(static_cast<size_t>(in.tellg()));
  EXPECT_EQ(magic, "P6");
  EXPECT_EQ(img.rgb.size(), static_cast<size_t>(img.width) * img.height * 3);
  return img;
}

std::vector<std::string> Pages(const std::string& text) {
  std::vector<std::string> pages;
  std::string page;
  for (char c : text) {
    if (c == '\f') {
      pages.push_back(page);
      page.clear();
    } else {
      page += c;
    }
  }
  return pages;
}

class PrintingPdf : public testsupport::TempDirTest {
 protected:
  std::string probe = testsupport::ProbePath("printprobe");
  testsupport::ProcessResult Probe(std::vector<std::string> args) { return RunProcess(probe, args, "", 300); }
  std::string Text200() {
    std::string text;
    for (int i = 1; i <= 200; ++i) text += "int value" + std::to_string(i) + " = " + std::to_string(i) + ";\n";
    const std::string path = tmp.File("t200.txt");
    testsupport::WriteFile(path, text);
    return path;
  }
};

TEST_F(PrintingPdf, CopiesOfARangeCarryEveryHeaderAndLineNumberOncePerCopy) {
  REQUIRE_TOOL(pdfinfo, "pdfinfo");
  REQUIRE_TOOL(pdftotext, "pdftotext");
  const std::string text = Text200(), pdf = tmp.File("out.pdf");
  auto r = Probe(
      {"--linenumbers", "--header", "$PAGENUM$/$PAGECOUNT$", "--copies", "2", "--from", "1", "--to", "3", text, pdf});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(r.out, m, std::regex("pages=(\\d+)")));
  const int count = std::stoi(m[1]);
  ASSERT_GE(count, 4);
  auto info = RunProcess(pdfinfo, {pdf});
  EXPECT_NE(info.out.find("Pages:           6\n"), std::string::npos) << info.out;

  auto body = RunProcess(pdftotext, {"-layout", pdf, "-"});
  ASSERT_EQ(body.exitCode, 0) << body.err;
  const auto pages = Pages(body.out);
  ASSERT_EQ(pages.size(), 6u);
  int expectedLine = 1, lastOfCopy = 0;
  for (size_t p = 0; p < 6; ++p) {
    const int page = static_cast<int>(p % 3) + 1;
    if (page == 1) expectedLine = 1;
    std::istringstream lines(pages[p]);
    std::string line;
    bool header = false;
    while (std::getline(lines, line)) {
      if (std::regex_search(line, m, std::regex("^\\s*(\\d+)/(\\d+)\\s*$"))) {
        EXPECT_FALSE(header);
        header = true;
        EXPECT_EQ(std::stoi(m[1]), page);
        EXPECT_EQ(std::stoi(m[2]), count);
      } else if (std::regex_search(line, m, std::regex("^\\s*(\\d+): int value(\\d+) = "))) {
        EXPECT_EQ(std::stoi(m[1]), expectedLine) << "page " << p + 1;
        EXPECT_EQ(std::stoi(m[2]), expectedLine);
        ++expectedLine;
      }
    }
    EXPECT_TRUE(header) << "page " << p + 1;
    if (page == 3) {
      if (lastOfCopy) {
        EXPECT_EQ(expectedLine, lastOfCopy);
      }
      lastOfCopy = expectedLine;
    }
  }
  EXPECT_GT(lastOfCopy, 100);

  // One copy of everything: every number once.
  r = Probe({"--linenumbers", text, pdf});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  body = RunProcess(pdftotext, {"-layout", pdf, "-"});
  std::vector<int> seen;
  std::istringstream all(body.out);
  std::string line;
  while (std::getline(all, line))
    if (std::regex_search(line, m, std::regex("^\\s*(\\d+): int"))) seen.push_back(std::stoi(m[1]));
  std::vector<int> expected(200);
  for (int i = 0; i < 200; ++i) expected[static_cast<size_t>(i)] = i + 1;
  EXPECT_EQ(seen, expected);
}

TEST_F(PrintingPdf, TokensTakeTheirColoursOnlyWithColorsOn) {
  REQUIRE_TOOL(pdftoppm, "pdftoppm");
  const std::string text = tmp.File("colours.py");
  // Python numbers and strings are blue (0xFF0000 as BGR), comments grey.
  testsupport::WriteFile(text, "x = 12345678901234567890  # comment here\ns = 'some string literal'\n");
  int bluish[2] = {0, 0}, coloured[2] = {0, 0};
  for (int colors = 0; colors < 2; ++colors) {
    const std::string pdf = tmp.File("c" + std::to_string(colors) + ".pdf");
    std::vector<std::string> args{"--highlighter", "TSynPythonSyn", text, pdf};
    if (colors) args.insert(args.begin(), "--colors");
    const auto r = Probe(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Image img = Render(pdf, 1, 100, tmp.File("c" + std::to_string(colors)));
    for (int y = 0; y < img.height; ++y)
      for (int x = 0; x < img.width; ++x) {
        const unsigned char* p = img.At(x, y);
        coloured[colors] += std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]}) > 60;
        bluish[colors] += p[2] > 150 && p[0] < 100 && p[1] < 100;
      }
  }
  EXPECT_EQ(coloured[0], 0);  // every token in the font's colour
  EXPECT_GT(bluish[1], 50);
}

TEST_F(PrintingPdf, MirroredMarginsAndGutterMoveTheTextEdge) {
  REQUIRE_TOOL(pdftoppm, "pdftoppm");
  const std::string text = Text200(), pdf = tmp.File("m.pdf");
  // Left 30 mm, right 10 mm, gutter 15 mm: odd pages start 45 mm in, even pages 10 mm in.
  const auto r = Probe({"--margins", "3,2.5,1,2.5", "--units", "cm", "--gutter", "1.5", "--mirror", text, pdf});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const int dpi = 100;
  for (int page = 1; page <= 2; ++page) {
    const Image img = Render(pdf, page, dpi, tmp.File("m" + std::to_string(page)));
    int left = img.width;
    const int top = 40 * dpi * 10 / 254, bottom = img.height - top;  // the text area, below the header
    for (int y = top; y < bottom; ++y)
      for (int x = 0; x < img.width; ++x)
        if (img.At(x, y)[0] < 128) {
          left = std::min(left, x);
          break;
        }
    const double mm = page == 1 ? 45 : 10;
    EXPECT_NEAR(left, mm / 25.4 * dpi, 3) << "page " << page;
  }
}

TEST_F(PrintingPdf, HtmlExportIsWellFormedWithAClassPerAttribute) {
  REQUIRE_TOOL(xmllint, "xmllint");
  const std::string text = tmp.File("x.py"), html = tmp.File("x.html");
  testsupport::WriteFile(text, "if a < b and c > \"d&e\":\n    print(42)  # done\n");
  const auto r = Probe({"--html", "--highlighter", "TSynPythonSyn", "--title", "A <b> & C", text, html});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const auto lint = RunProcess(xmllint, {"--noout", html});
  EXPECT_EQ(lint.exitCode, 0) << lint.err;
  const std::string doc = testsupport::ReadFile(html);
  EXPECT_NE(doc.find(".python1-number { color: #0000FF; }"), std::string::npos) << doc;
  EXPECT_NE(doc.find(".python1-comment { color: #808080; font-style: italic; }"), std::string::npos);
  EXPECT_NE(doc.find("<span class=\"python1-number\">42</span>"), std::string::npos);
  EXPECT_NE(doc.find("&quot;d&amp;e&quot;"), std::string::npos);
}

// Random geometries, fonts and texts: every layout ends at once, fits or is refused with a message.
TEST_F(PrintingPdf, RandomLayoutsEndWithAPageListOrAMessage) {
  std::mt19937 rng(7019);
  const std::string text = tmp.File("r.txt");
  const std::vector<std::string> pieces{"word ", "\t", "x", "\xE4\xB8\xAD", "averyveryverylongtokenwithoutbreaks",
                                        ",",     ".",  " ", "\xC3\xA9"};
  for (int round = 0; round < 12; ++round) {
    std::string t;
    const int lines = static_cast<int>(rng() % 50);
    for (int l = 0; l < lines; ++l) {
      const int n = static_cast<int>(rng() % 60);
      for (int k = 0; k < n; ++k) t += pieces[rng() % pieces.size()];
      t += '\n';
    }
    testsupport::WriteFile(text, t);
    std::vector<std::string> args{"--layout",
                                  "--font",
                                  rng() % 2 ? "Courier New" : "Arial",
                                  std::to_string(1 + rng() % 90),
                                  "--margins",
                                  std::to_string(rng() % 120) + "," + std::to_string(rng() % 150) + "," +
                                      std::to_string(rng() % 120) + "," + std::to_string(rng() % 150)};
    if (rng() % 2) args.push_back("--linenumbers");
    if (rng() % 2) args.push_back("--nowrap");
    args.push_back(text);
    const auto r = Probe(args);
    ASSERT_TRUE(r.exitCode == 0 || r.exitCode == 1) << r.exitCode << " " << r.err;
    if (r.exitCode == 1)
      EXPECT_NE(r.err.find("Nothing fits between the margins"), std::string::npos) << r.err;
    else
      EXPECT_EQ(r.out.rfind("page 1 lines ", 0), 0u) << r.out;
  }
  // One line of a megabyte clipped, and one of 128 KB wrapped (all its rows print, over 28 pages).
  for (const auto& [wrap, size] : {std::pair{"--nowrap", 1 << 20}, std::pair{"--wrap", 1 << 17}}) {
    testsupport::WriteFile(text, std::string(static_cast<size_t>(size), 'q') + "\n");
    const auto r = Probe({wrap, text, tmp.File("big.pdf")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
  }
}

// The words of a PDF as pdftotext's bounding boxes give them: per page, each word with the top of
// its row (PDF points, rounded to a tenth).
struct PdfWord {
  int page = 0;
  long top = 0;
  std::string text;
};
std::vector<PdfWord> PdfWords(const std::string& pdftotext, const std::string& pdf) {
  const auto r = RunProcess(pdftotext, {"-bbox", pdf, "-"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  std::vector<PdfWord> words;
  int page = 0;
  const std::regex word(
      "<word xMin=\"[-0-9.]+\" yMin=\"([-0-9.]+)\" xMax=\"[-0-9.]+\" yMax=\"[-0-9.]+\">([^<]*)</word>");
  std::istringstream in(r.out);
  std::string line;
  std::smatch m;
  while (std::getline(in, line)) {
    if (line.find("<page ") != std::string::npos)
      ++page;
    else if (std::regex_search(line, m, word))
      words.push_back(PdfWord{page, std::lround(std::stod(m[1]) * 10), m[2]});
  }
  return words;
}

// Texts of words (letters and digits, 1 to 12 characters) between single blanks, some lines long
// enough to wrap over many rows, printed in the monospace fonts a desktop has. Each font advances
// every glyph by 0.6 em: 25 pixels at 10 points and 300 dpi. The model wraps after the last blank
// that fits in MaxCol cells and lets rows flow from page to page; the PDF must hold every word whole,
// every row with words on it (none blank), full pages but the last, and the model's page count.
TEST_F(PrintingPdf, MonospaceFontsWrapAtBlanksAndFlowRowsOverPages) {
  REQUIRE_TOOL(pdftotext, "pdftotext");
  REQUIRE_TOOL(pdfinfo, "pdfinfo");
  REQUIRE_TOOL(fclist, "fc-list");
  const std::string families = RunProcess(fclist, {":", "family"}).out;
  std::mt19937 rng(2811);
  const std::string text = tmp.File("words.txt"), pdf = tmp.File("words.pdf");
  for (const std::string font : {"DejaVu Sans Mono", "Noto Sans Mono", "Liberation Mono", "FreeMono"}) {
    ASSERT_NE(families.find(font), std::string::npos) << font << " is not installed (scripts/ensure-deps)";
    for (int round = 0; round < 2; ++round) {
      const int leftMM = 10 + static_cast<int>(rng() % 50), rightMM = 10 + static_cast<int>(rng() % 50);
      const int width = 2480 - static_cast<int>(std::lround(leftMM * 300 / 25.4)) -
                        static_cast<int>(std::lround(rightMM * 300 / 25.4));
      const int maxCol = (width + 24) / 25 - 1;
      std::string body;
      std::map<std::string, int> sourceWords;
      long rows = 0;
      const int lines = 60 + static_cast<int>(rng() % 60);
      for (int l = 0; l < lines; ++l) {
        std::string line;
        const int n = 1 + static_cast<int>(rng() % (rng() % 8 == 0 ? 300 : 12));
        for (int w = 0; w < n; ++w) {
          std::string word;
          const int len = 1 + static_cast<int>(rng() % 12);
          for (int k = 0; k < len; ++k) word += "abcdefghijklmnopqrstuvwxyzW0123456789"[rng() % 37];
          ++sourceWords[word];
          line += (w ? " " : "") + word;
        }
        body += line + "\n";
        // Greedy wrap: each row ends after the last blank within maxCol characters.
        size_t start = 0;
        ++rows;
        while (line.size() - start > static_cast<size_t>(maxCol)) {
          start = line.rfind(' ', start + static_cast<size_t>(maxCol) - 1) + 1;
          ++rows;
        }
      }
      testsupport::WriteFile(text, body);
      const std::string margins = std::to_string(leftMM) + ",25," + std::to_string(rightMM) + ",25";
      const auto r = Probe({"--font", font, "10", "--margins", margins, text, pdf});
      ASSERT_EQ(r.exitCode, 0) << r.err;
      const std::vector<PdfWord> words = PdfWords(pdftotext, pdf);
      std::map<std::string, int> printedWords;
      std::map<int, std::set<long>> rowsOfPage;
      for (const PdfWord& w : words) {
        ++printedWords[w.text];
        rowsOfPage[w.page].insert(w.top);
      }
      EXPECT_EQ(printedWords, sourceWords) << font << " round " << round;
      ASSERT_GE(rowsOfPage.size(), 2u) << font;
      const long perPage = static_cast<long>(rowsOfPage[1].size());
      long printedRows = 0;
      for (const auto& [page, tops] : rowsOfPage) {
        printedRows += static_cast<long>(tops.size());
        if (page < static_cast<int>(rowsOfPage.size())) {
          EXPECT_EQ(static_cast<long>(tops.size()), perPage) << font;
        }
      }
      EXPECT_EQ(printedRows, rows) << font << " round " << round;
      const long pages = (rows + perPage - 1) / perPage;
      EXPECT_NE(r.out.find("pages=" + std::to_string(pages) + "\n"), std::string::npos) << font << "\n" << r.out;
      const auto info = RunProcess(pdfinfo, {pdf});
      std::smatch m;
      ASSERT_TRUE(std::regex_search(info.out, m, std::regex("Pages:\\s+(\\d+)"))) << info.out;
      EXPECT_EQ(std::stol(m[1]), pages) << font;
    }
  }
}

// One line of 1,100 words starting near the foot of page 1: its rows continue on the next pages,
// none is drawn over the footer or off the sheet, and the layout counts those pages.
TEST_F(PrintingPdf, ALongLineAtThePageFootContinuesOnTheNextPages) {
  REQUIRE_TOOL(pdftotext, "pdftotext");
  std::string body;
  for (int i = 0; i < 50; ++i) body += "filler line " + std::to_string(i) + "\n";
  for (int w = 0; w < 1100; ++w) body += "w" + std::to_string(w) + (w < 1099 ? " " : "\n");
  body += "after the long line\n";
  const std::string text = tmp.File("long.txt"), pdf = tmp.File("long.pdf");
  testsupport::WriteFile(text, body);
  const auto r = Probe({"--footer", "FOOTERTEXT", "--footer-align", "right", text, pdf});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::vector<PdfWord> words = PdfWords(pdftotext, pdf);
  std::vector<std::string> longLine;
  std::map<int, long> footerTop, lowestText;
  for (const PdfWord& w : words) {
    if (w.text == "FOOTERTEXT")
      footerTop[w.page] = w.top;
    else
      lowestText[w.page] = std::max(lowestText[w.page], w.top);
    if (w.text.size() > 1 && w.text[0] == 'w' && std::isdigit(static_cast<unsigned char>(w.text[1])))
      longLine.push_back(w.text);
  }
  ASSERT_EQ(longLine.size(), 1100u);
  for (int w = 0; w < 1100; ++w) EXPECT_EQ(longLine[static_cast<size_t>(w)], "w" + std::to_string(w));
  ASSERT_GE(footerTop.size(), 2u);
  for (const auto& [page, top] : footerTop) EXPECT_LT(lowestText[page], top) << "page " << page;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(r.out, m, std::regex("pages=(\\d+)")));
  EXPECT_EQ(std::stoi(m[1]), static_cast<int>(footerTop.size()));
  // The layout names the row the line continues from.
  const auto layout = Probe({"--layout", "--footer", "FOOTERTEXT", text});
  EXPECT_NE(layout.out.find("page 2 lines 51-"), std::string::npos) << layout.out;
  EXPECT_NE(layout.out.find(" from row "), std::string::npos) << layout.out;
}

// A print that fails never removes or changes a file printed on before: the layout is checked
// before the output is opened, and a PDF is written beside the target and renamed over it.
TEST_F(PrintingPdf, AFailedPrintKeepsTheFileThatWasThere) {
  const std::string text = Text200(), keep = tmp.File("keep.pdf");
  ASSERT_EQ(Probe({text, keep}).exitCode, 0);
  const std::string before = testsupport::ReadFile(keep);
  ASSERT_GT(before.size(), 1000u);
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {{{"--margins", "300,25,15,25"}, "Nothing fits between the margins"},
               {{"--margins", "25,25,25,290"}, "Nothing fits between the margins"},
               {{"--margins", "-10,-10,-10,-10"}, "The left margin is negative"},
               {{"--margins", "25,25,-3,25"}, "The right margin is negative"},
               {{"--from", "9", "--to", "12"}, "There is nothing to print"}};
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.push_back(text);
    args.push_back(keep);
    const auto r = Probe(args);
    EXPECT_EQ(r.exitCode, 1) << c.args[1];
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(testsupport::ReadFile(keep), before) << c.args[1];
  }
  // A job that ends replaces the file and leaves nothing else beside it.
  ASSERT_EQ(Probe({"--header", "new", text, keep}).exitCode, 0);
  EXPECT_NE(testsupport::ReadFile(keep), before);
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(tmp.Path())) files += entry.path().extension() != ".txt";
  EXPECT_EQ(files, 1);
}

}  // namespace
