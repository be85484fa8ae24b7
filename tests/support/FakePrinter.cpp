#include "FakePrinter.h"

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

void FakePrinter::UsePrintMetrics(TRecordingCanvas& canvas, int dpi) {
  canvas.CellWidth = 25;
  canvas.Ascent = 40;
  canvas.Descent = 10;
  canvas.ScaleWithSize = true;
  canvas.DpiX = canvas.DpiY = dpi;
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
  ended = aborted = false;
  jobTitle = title_;
  printing_ = true;
  canvas_ = std::make_unique<TRecordingCanvas>();
  UsePrintMetrics(*canvas_, metrics_.dpiY);
  canvas_->Device = TCanvasRect{0, 0, metrics_.printableWidth, metrics_.printableHeight};
  pageStarts_.assign(1, 0);
  return *canvas_;
}

void FakePrinter::NewPage() {
  if (printing_) pageStarts_.push_back(canvas_->Calls.size());
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

std::vector<TRecordingCanvas::Call> FakePrinter::PageCalls(int page) const {
  if (!canvas_ || page < 0 || page >= PageCount()) return {};
  const size_t from = pageStarts_[static_cast<size_t>(page)];
  const size_t to = page + 1 < PageCount() ? pageStarts_[static_cast<size_t>(page) + 1] : canvas_->Calls.size();
  return std::vector<TRecordingCanvas::Call>(canvas_->Calls.begin() + static_cast<long>(from),
                                             canvas_->Calls.begin() + static_cast<long>(to));
}

std::vector<TRecordingCanvas::Call> FakePrinter::PageCalls(int page, const std::string& op) const {
  std::vector<TRecordingCanvas::Call> out;
  for (auto& c : PageCalls(page))
    if (c.op == op) out.push_back(c);
  return out;
}

std::vector<std::u16string> FakePrinter::PageTexts(int page) const {
  std::vector<std::u16string> out;
  for (auto& c : PageCalls(page, "text")) out.push_back(c.text);
  return out;
}

}  // namespace platform
