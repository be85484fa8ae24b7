// The desktop's printer over QPrinter: a system printer, or a PDF file at a fixed resolution. Its
// canvas draws from the printable area's corner (the whole sheet for a PDF, which has no
// unprintable strips). A PDF is written to a temporary file beside the target and renamed over it
// when the job ends, so a job that fails or is aborted leaves an existing file as it was. GUI code
// only; plain code reaches it through platform::Printer().
#pragma once

#include <QPainter>
#include <QPrinter>
#include <memory>
#include <string>
#include <vector>

#include "platform/Printer.h"
#include "platform/qt/QtCanvas.h"

namespace platform {

class TQtPrinter : public IPrinter {
 public:
  TQtPrinter();
  ~TQtPrinter() override;
  TQtPrinter(const TQtPrinter&) = delete;
  TQtPrinter& operator=(const TQtPrinter&) = delete;

  // The printer the print dialog sets up.
  QPrinter& Device() { return *printer_; }
  // Sends the following jobs to a PDF file at `dpi` (A4 unless the dialog chose another sheet); an
  // empty path goes back to the system printer.
  void SetOutputFile(const std::string& path, int dpi = 300);

  void RefreshPrinters() override;
  std::vector<std::string> Printers() const override { return names_; }
  std::string PrinterName() const override;
  bool Metrics(PrinterMetrics& metrics) const override;
  void SetTitle(const std::string& title) override;
  ICanvas& BeginDoc() override;
  void NewPage() override;
  void EndDoc() override;
  void Abort() override;
  bool Printing() const override { return canvas_ != nullptr; }

 private:
  bool ToFile() const;
  void Finish();
  // Points the device back at the target and removes the temporary file of the job.
  void DropPartFile();

  std::string target_;    // the PDF file of the running job
  std::string partFile_;  // where that job writes until it ends

  std::unique_ptr<QPrinter> printer_;
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<TQtCanvas> canvas_;
  std::vector<std::string> names_;
};

// A canvas over a small image that only measures.
class TQtMeasuringCanvas : private QImage, private QPainter, public TQtCanvas {
 public:
  TQtMeasuringCanvas();
  ~TQtMeasuringCanvas() override;
};

}  // namespace platform
