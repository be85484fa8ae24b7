// A printer for tests: fixed metrics (or none, as when no printer is installed) and one recording
// canvas per job, with the calls of each page kept apart.
//
// Its canvas measures 10-point text as 25 pixels per character and 50 per line (40 above the
// baseline), scaled with the point size, which is roughly a monospace font at 300 dpi.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Printer.h"
#include "platform/RecordingCanvas.h"

namespace platform {

class FakePrinter : public IPrinter {
 public:
  // An A4 sheet at `dpi` without unprintable strips.
  explicit FakePrinter(int dpi = 300);
  static PrinterMetrics A4(int dpi);
  // Gives a recording canvas the metrics of this printer's canvas.
  static void UsePrintMetrics(TRecordingCanvas& canvas, int dpi = 300);

  void SetMetrics(const PrinterMetrics& metrics) {
    metrics_ = metrics;
    hasPrinter_ = true;
  }
  // A machine without printers: Metrics gives false, BeginDoc raises.
  void SetNoPrinter() { hasPrinter_ = false; }

  void RefreshPrinters() override { ++refreshes; }
  std::vector<std::string> Printers() const override;
  std::string PrinterName() const override { return hasPrinter_ ? "Fake Printer" : std::string(); }
  bool Metrics(PrinterMetrics& metrics) const override;
  void SetTitle(const std::string& title) override { title_ = title; }
  ICanvas& BeginDoc() override;
  void NewPage() override;
  void EndDoc() override;
  void Abort() override;
  bool Printing() const override { return printing_; }

  // The last job: its name, how it ended, and its pages.
  std::string jobTitle;
  bool ended = false;
  bool aborted = false;
  int refreshes = 0;
  int PageCount() const { return canvas_ ? static_cast<int>(pageStarts_.size()) : 0; }
  // The calls of page i (0-based), and those of one kind.
  std::vector<TRecordingCanvas::Call> PageCalls(int page) const;
  std::vector<TRecordingCanvas::Call> PageCalls(int page, const std::string& op) const;
  // The texts drawn on page i, in order.
  std::vector<std::u16string> PageTexts(int page) const;
  TRecordingCanvas* Canvas() const { return canvas_.get(); }

 private:
  PrinterMetrics metrics_;
  bool hasPrinter_ = true;
  bool printing_ = false;
  std::string title_;
  std::string refusal_;
  std::unique_ptr<TRecordingCanvas> canvas_;
  std::vector<size_t> pageStarts_;
};

}  // namespace platform
