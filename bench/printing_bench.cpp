// Printing: laying out 100,000 lines of C++, printing them into a PDF, a one-megabyte line with
// wrapping off (against one of two megabytes, to show the cost is linear), and one repaint of the
// preview at 400 %. Fonts are the desktop's monospace face measured through Qt, offscreen.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench_app.h"
#include "highlighters/SynHighlighterCpp.h"
#include "platform/Printer.h"
#include "platform/qt/Drawing.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtPrinter.h"
#include "printing/SynPadPrint.h"
#include "printing/SynPadPrintPreviewModel.h"

namespace {

// 100,000 lines of C-like code: statements, comments, strings, indentation with tabs.
const std::vector<std::u16string>& CppLines() {
  static const std::vector<std::u16string> lines = [] {
    std::mt19937 rng(19);
    const char16_t* pieces[] = {u"int ",     u"value",
                                u" = ",      u"(a + b)",
                                u" * 42;",   u" // note",
                                u"\"text\"", u"if (x) ",
                                u"{",        u"}",
                                u"return ",  u"std::vector<int> v;",
                                u"\t",       u"for (int i = 0; i < n; ++i) "};
    std::vector<std::u16string> out;
    out.reserve(100000);
    for (int i = 0; i < 100000; ++i) {
      std::u16string line;
      const int n = static_cast<int>(rng() % 9);
      for (int k = 0; k < n; ++k) line += pieces[rng() % std::size(pieces)];
      out.push_back(line);
    }
    return out;
  }();
  return lines;
}

platform::TQtPrinter& PdfPrinter(const std::string& file) {
  NeedBenchApplication();
  auto* printer = dynamic_cast<platform::TQtPrinter*>(&platform::Printer());
  printer->SetOutputFile(file, 300);
  return *printer;
}

std::string TempPdf() {
  return (std::filesystem::temp_directory_path() / "tessaryn-bench-print.pdf").string();
}

void Configure(TSynPadPrint& print, TSynCppSyn& cpp, const std::vector<std::u16string>& lines) {
  print.SetHighlighter(&cpp);
  print.SetColors(true);
  print.SetLineNumbers(true);
  print.Header().Add(u"$PAGENUM$/$PAGECOUNT$", nullptr, hfaRight, 1);
  print.SetLines(lines);
}

void BM_PrintLayout100kLines(benchmark::State& state) {
  PdfPrinter(TempPdf());
  TSynCppSyn cpp;
  TSynPadPrint print;
  Configure(print, cpp, CppLines());
  auto canvas = platform::CreateMeasuringCanvas();
  for (auto _ : state) {
    // A fresh highlighter scan each time, as after the lines were set.
    print.SetHighlighter(&cpp);
    print.PrepareCanvas(*canvas);
    benchmark::DoNotOptimize(print.PageCount());
  }
  state.counters["pages"] = print.PageCount();
  state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_PrintLayout100kLines)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_PrintPdf100kLines(benchmark::State& state) {
  const std::string file = TempPdf();
  PdfPrinter(file);
  TSynCppSyn cpp;
  TSynPadPrint print;
  Configure(print, cpp, CppLines());
  int pages = 0;
  for (auto _ : state) {
    print.Print();
    pages = print.PageCount();
  }
  state.counters["pages"] = pages;
  state.counters["pages/s"] =
      benchmark::Counter(static_cast<double>(pages) * state.iterations(), benchmark::Counter::kIsRate);
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
  std::filesystem::remove(file);
}
BENCHMARK(BM_PrintPdf100kLines)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

// One line of N megabytes without a break, wrapping off: laid out and its page rendered.
void BM_PrintLongLineNoWrap(benchmark::State& state) {
  NeedBenchApplication();
  PdfPrinter(TempPdf());
  const size_t bytes = static_cast<size_t>(state.range(0)) << 20;
  TSynCppSyn cpp;
  TSynPadPrint print;
  print.SetHighlighter(&cpp);
  print.SetWrap(false);
  print.SetLines(std::vector<std::u16string>{std::u16string(bytes, u'q')});
  auto canvas = platform::CreateMeasuringCanvas();
  for (auto _ : state) {
    print.SetHighlighter(&cpp);
    print.PrepareCanvas(*canvas);
    print.RenderPageOnCanvas(*canvas, 1);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}
BENCHMARK(BM_PrintLongLineNoWrap)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

struct ImageHost : ISynPreviewHost {
  int ClientWidth() const override { return 1280; }
  int ClientHeight() const override { return 900; }
  int ScreenPixelsPerInchX() const override { return 96; }
  int ScreenPixelsPerInchY() const override { return 96; }
  void Invalidate() override {}
  void ScrollWindow(int, int) override {}
  void SetScrollBar(bool, const TSynScrollBarInfo&) override {}
  void ShowScrollHint(const std::string&) override {}
  void HideScrollHint() override {}
};

void BM_PreviewRepaint400(benchmark::State& state) {
  PdfPrinter(TempPdf());
  TSynCppSyn cpp;
  TSynPadPrint print;
  Configure(print, cpp, CppLines());
  ImageHost host;
  TSynPadPrintPreviewModel preview(&host);
  preview.SetSynPadPrint(&print);
  auto measure = platform::CreateMeasuringCanvas();
  preview.UpdatePreview(*measure);
  preview.SetScalePercent(400);
  preview.ScrollVertTo(-1500);
  QImage image(host.ClientWidth(), host.ClientHeight(), QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&image);
    platform::TQtCanvas canvas(painter);
    preview.Paint(canvas, {0, 0, host.ClientWidth(), host.ClientHeight()});
  }
}
BENCHMARK(BM_PreviewRepaint400)->Unit(benchmark::kMillisecond);

}  // namespace
