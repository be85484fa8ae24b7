// The printer as the print engine sees it: the installed printers, the current one's page metrics,
// and a print job (begin a document and get its canvas, new page, end, or abort and discard). The
// program installs the Qt printer (platform/qt/QtPrinter.h: a system printer or a PDF file); tests
// install FakePrinter (tests/support/), which records every page on a recording canvas.
//
// All sizes are device pixels of the printer.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Exceptions.h"

namespace platform {

// A print job could not be started or was refused.
class EPrinter : public Exception {
 public:
  using Exception::Exception;
};

struct PrinterMetrics {
  int physicalWidth = 0;  // the whole sheet
  int physicalHeight = 0;
  int printableWidth = 0;  // the area the printer can mark
  int printableHeight = 0;
  int offsetX = 0;  // unprintable strip at the left and the top
  int offsetY = 0;
  int dpiX = 0;
  int dpiY = 0;
};

class IPrinter {
 public:
  virtual ~IPrinter() = default;

  // Reads the list of installed printers again.
  virtual void RefreshPrinters() = 0;
  virtual std::vector<std::string> Printers() const = 0;
  // The printer jobs go to; empty when there is none.
  virtual std::string PrinterName() const = 0;
  // The current printer's metrics; false when there is no printer to print on.
  virtual bool Metrics(PrinterMetrics& metrics) const = 0;

  // Job name of the next document.
  virtual void SetTitle(const std::string& title) = 0;
  // Starts a document and gives the canvas of its first page (valid until EndDoc or Abort).
  // Raises EPrinter when the job cannot be started.
  virtual ICanvas& BeginDoc() = 0;
  virtual void NewPage() = 0;
  virtual void EndDoc() = 0;
  // Discards the job being printed and ends it; nothing when no job runs.
  virtual void Abort() = 0;
  virtual bool Printing() const = 0;
};

// The printer in use: the one installed with SetPrinter, else the desktop's (once a Qt application
// runs), else a stand-in without any printers (Metrics gives false, BeginDoc raises).
IPrinter& Printer();
// Installs a printer (not owned); nullptr restores the stand-in. Returns the previous one.
IPrinter* SetPrinter(IPrinter* printer);

class ScopedPrinter {
 public:
  explicit ScopedPrinter(IPrinter& printer) : previous_(SetPrinter(&printer)) {}
  ~ScopedPrinter() { SetPrinter(previous_); }
  ScopedPrinter(const ScopedPrinter&) = delete;
  ScopedPrinter& operator=(const ScopedPrinter&) = delete;

 private:
  IPrinter* previous_;
};

}  // namespace platform
