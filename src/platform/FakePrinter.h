// A printer for tests: fixed metrics (or none, as when no printer is installed), and every page of a
// job recorded on its own recording canvas.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Printer.h"
#include "platform/RecordingCanvas.h"

namespace platform {

class FakePrinter : public IPrinter {
 public:
  // An A4 sheet at `dpi` without unprintable strips; NoPrinter() gives a printer-less machine.
  explicit FakePrinter(int dpi = 300);
  static PrinterMetrics A4(int dpi);
  void SetMetrics(const PrinterMetrics& metrics) { metrics_ = metrics; hasPrinter_ = true; }
  void SetNoPrinter() { hasPrinter_ = false; }
  // BeginDoc raises EPrinter with this text (empty: the job starts).
  void SetRefusal(std::string message) { refusal_ = std::move(message); }

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

  // What the last job did.
  std::string jobTitle;
  bool ended = false;
  bool aborted = false;
  int refreshes = 0;
  std::vector<std::unique_ptr<RecordingCanvas>> pages;

 private:
  PrinterMetrics metrics_;
  bool hasPrinter_ = true;
  bool printing_ = false;
  std::string title_;
  std::string refusal_;
};

}  // namespace platform
