#include "printing/SynPadPrinterInfo.h"

#include <cmath>

#include "platform/Printer.h"

int RoundPixels(double value) {
  if (!(value == value)) return 0;  // NaN
  // Far beyond any sheet, yet small enough that sums and differences of two stay in range.
  constexpr double kLimit = 1e9;
  const double r = std::nearbyint(value);
  if (r >= kLimit) return static_cast<int>(kLimit);
  if (r <= -kLimit) return static_cast<int>(-kLimit);
  return static_cast<int>(r);
}

void TSynPadPrinterInfo::FillDefaults() {
  fPhysicalWidth = 2481;
  fPhysicalHeight = 3507;
  fPrintableWidth = 2358;
  fPrintableHeight = 3407;
  fLeftGutter = 65;
  fTopGutter = 50;
  fRightGutter = 58;
  fBottomGutter = 50;
  fXPixPerInch = 300;
  fYPixPerInch = 300;
}

void TSynPadPrinterInfo::UpdatePrinter() {
  platform::IPrinter& printer = platform::Printer();
  // Asking for the printer list can take long on a print server; once per run is enough, the
  // metrics below follow the printer chosen since.
  if (!fIsUpdated) printer.RefreshPrinters();
  fIsUpdated = true;
  platform::PrinterMetrics m;
  if (!printer.Metrics(m) || m.dpiX <= 0 || m.dpiY <= 0 || m.physicalWidth <= 0 || m.physicalHeight <= 0) {
    FillDefaults();
  } else {
    fPhysicalWidth = m.physicalWidth;
    fPhysicalHeight = m.physicalHeight;
    fPrintableWidth = m.printableWidth;
    fPrintableHeight = m.printableHeight;
    fLeftGutter = m.offsetX;
    fTopGutter = m.offsetY;
    fRightGutter = fPhysicalWidth - fPrintableWidth - fLeftGutter;
    fBottomGutter = fPhysicalHeight - fPrintableHeight - fTopGutter;
    fXPixPerInch = m.dpiX;
    fYPixPerInch = m.dpiY;
  }
  fXPixPrmm = static_cast<float>(fXPixPerInch / 25.4);
  fYPixPrmm = static_cast<float>(fYPixPerInch / 25.4);
}

int TSynPadPrinterInfo::PixFromLeft(double mm) {
  return RoundPixels(mm * XPixPrmm() - fLeftGutter);
}
int TSynPadPrinterInfo::PixFromRight(double mm) {
  return RoundPixels(mm * XPixPrmm() - fRightGutter);
}
int TSynPadPrinterInfo::PixFromTop(double mm) {
  return RoundPixels(mm * YPixPrmm() - fTopGutter);
}
int TSynPadPrinterInfo::PixFromBottom(double mm) {
  return RoundPixels(mm * YPixPrmm() - fBottomGutter);
}
