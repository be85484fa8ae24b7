#include "platform/FakePrinter.h"

#include <cmath>

namespace platform {

PrinterMetrics FakePrinter::A4(int dpi) {
  PrinterMetrics m;
  m.physicalWidth = static_cast<int>(std::lround(210.0 / 25.4 * dpi));
  m.physicalHeight = static_cast<int>(std::lround(297.0 / 25.4 * dpi));
  m.printableWidth = m.physicalWidth;
  m.printableHeight = m.physicalHeight;
  m.dpiX = m.dpiY = dpi;
  return m;
}

FakePrinter::FakePrinter(int dpi) : metrics_(A4(dpi)) {}

std::vector<std::string> FakePrinter::Printers() const {
  return hasPrinter_ ? std::vector<std::string>{"Fake Printer"} : std::vector<std::string>{};
}

bool FakePrinter::Metrics(PrinterMetrics& metrics) const {
  if (!hasPrinter_) return false;
  metrics = metrics_;
  return true;
}

ICanvas& FakePrinter::BeginDoc() {
  if (!hasPrinter_) throw EPrinter("There is no printer installed.");
  if (!refusal_.empty()) throw EPrinter(refusal_);
  pages.clear();
  ended = aborted = false;
  jobTitle = title_;
  printing_ = true;
  pages.push_back(std::make_unique<RecordingCanvas>(metrics_.dpiY));
  return *pages.back();
}

void FakePrinter::NewPage() {
  if (!printing_) return;
  // The canvas stays the same object for the whole job, as a printer's does; each page's ops are
  // moved to a page of their own.
  auto page = std::make_unique<RecordingCanvas>(metrics_.dpiY);
  page->ops = std::move(pages.back()->ops);
  pages.back()->ops.clear();
  pages.insert(pages.end() - 1, std::move(page));
}

void FakePrinter::EndDoc() {
  printing_ = false;
  ended = true;
}

void FakePrinter::Abort() {
  if (!printing_) return;
  printing_ = false;
  aborted = true;
}

}  // namespace platform
