// The printer's page geometry as the print engine needs it: paper size, printable area, the
// unprintable strips around it and the resolution, read from the platform's printer, with an A4
// sheet at 300 dots per inch when no printer is installed. Converts millimetres measured from the
// paper's edge into pixels measured from the printable area's corner.
#pragma once

class TSynPadPrinterInfo {
 public:
  // Reads the current printer's geometry (the printer list only the first time).
  void UpdatePrinter();

  // Each getter reads the printer first when nothing has been read yet.
  int PhysicalWidth() { return Ensure().fPhysicalWidth; }
  int PhysicalHeight() { return Ensure().fPhysicalHeight; }
  int PrintableWidth() { return Ensure().fPrintableWidth; }
  int PrintableHeight() { return Ensure().fPrintableHeight; }
  int LeftGutter() { return Ensure().fLeftGutter; }
  int RightGutter() { return Ensure().fRightGutter; }
  int TopGutter() { return Ensure().fTopGutter; }
  int BottomGutter() { return Ensure().fBottomGutter; }
  int XPixPerInch() { return Ensure().fXPixPerInch; }
  int YPixPerInch() { return Ensure().fYPixPerInch; }
  float XPixPrmm() { return Ensure().fXPixPrmm; }
  float YPixPrmm() { return Ensure().fYPixPrmm; }
  bool IsUpdated() const { return fIsUpdated; }

  // Pixels from the printable area's edge of a distance in millimetres from the paper's edge,
  // rounded to the nearest integer (ties to even).
  int PixFromLeft(double mm);
  int PixFromRight(double mm);
  int PixFromTop(double mm);
  int PixFromBottom(double mm);

 private:
  TSynPadPrinterInfo& Ensure() {
    if (!fIsUpdated) UpdatePrinter();
    return *this;
  }
  void FillDefaults();

  int fPhysicalWidth = 0;
  int fPhysicalHeight = 0;
  int fPrintableWidth = 0;
  int fPrintableHeight = 0;
  int fLeftGutter = 0;
  int fRightGutter = 0;
  int fTopGutter = 0;
  int fBottomGutter = 0;
  int fXPixPerInch = 0;
  int fYPixPerInch = 0;
  float fXPixPrmm = 0;
  float fYPixPrmm = 0;
  bool fIsUpdated = false;
};

// Round to nearest, ties to even, kept within +-1e9 (NaN gives 0).
int RoundPixels(double value);
