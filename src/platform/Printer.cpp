#include "platform/Printer.h"

#include "platform/SystemServices.h"

namespace platform {

namespace {

// No printer installed: nothing to print on.
class NoPrinter : public IPrinter {
 public:
  void RefreshPrinters() override {}
  std::vector<std::string> Printers() const override { return {}; }
  std::string PrinterName() const override { return {}; }
  bool Metrics(PrinterMetrics&) const override { return false; }
  void SetTitle(const std::string&) override {}
  ICanvas& BeginDoc() override { throw EPrinter("There is no printer installed."); }
  void NewPage() override {}
  void EndDoc() override {}
  void Abort() override {}
  bool Printing() const override { return false; }
};

NoPrinter gNoPrinter;
IPrinter* gPrinter = nullptr;

}  // namespace

IPrinter& Printer() {
  if (gPrinter) return *gPrinter;
  if (auto desktop = SystemServices().Printer)
    if (IPrinter* p = desktop()) return *p;
  return gNoPrinter;
}

IPrinter* SetPrinter(IPrinter* printer) {
  IPrinter* previous = gPrinter;
  gPrinter = printer;
  return previous;
}

}  // namespace platform
