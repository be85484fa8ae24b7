// The page margins of the print engine: ten distances kept in millimetres, read and written in a
// selectable unit, and turned into pixel edges of one page (mirrored on even pages when asked).
#pragma once

#include <array>

#include "printing/SynPadPrinterInfo.h"

namespace platform {
class ICanvas;
}

enum TUnitSystem { usMM, usCM, usInch, muThousandthsOfInches };

// The ten distances in their published order.
enum TMarginValue {
  mvLeft,
  mvRight,
  mvTop,
  mvBottom,
  mvHeader,
  mvFooter,
  mvLeftHFTextIndent,
  mvRightHFTextIndent,
  mvHFInternalMargin,
  mvGutter
};
inline constexpr int kMarginValueCount = 10;

class TSynPadPrintMargins {
 public:
  TSynPadPrintMargins();

  // Copies the ten distances, MirrorMargins and UnitSystem.
  void Assign(const TSynPadPrintMargins& Source);

  // Unit -> millimetres, and back, in the current unit.
  double ConvertTo(double Value) const;
  double ConvertFrom(double Value) const;

  TUnitSystem UnitSystem() const { return fUnitSystem; }
  // Changes only how the distances are read and written, none of them.
  void SetUnitSystem(TUnitSystem Value) { fUnitSystem = Value; }

  // A distance in the current unit.
  double Value(TMarginValue Which) const { return ConvertFrom(fMM[Which]); }
  void SetValue(TMarginValue Which, double Value) { fMM[Which] = ConvertTo(Value); }
  // A distance in millimetres.
  double Millimetres(TMarginValue Which) const { return fMM[Which]; }
  void SetMillimetres(TMarginValue Which, double Value) { fMM[Which] = Value; }

  double Left() const { return Value(mvLeft); }
  double Right() const { return Value(mvRight); }
  double Top() const { return Value(mvTop); }
  double Bottom() const { return Value(mvBottom); }
  double Header() const { return Value(mvHeader); }
  double Footer() const { return Value(mvFooter); }
  double LeftHFTextIndent() const { return Value(mvLeftHFTextIndent); }
  double RightHFTextIndent() const { return Value(mvRightHFTextIndent); }
  double HFInternalMargin() const { return Value(mvHFInternalMargin); }
  double Gutter() const { return Value(mvGutter); }
  void SetLeft(double v) { SetValue(mvLeft, v); }
  void SetRight(double v) { SetValue(mvRight, v); }
  void SetTop(double v) { SetValue(mvTop, v); }
  void SetBottom(double v) { SetValue(mvBottom, v); }
  void SetHeader(double v) { SetValue(mvHeader, v); }
  void SetFooter(double v) { SetValue(mvFooter, v); }
  void SetLeftHFTextIndent(double v) { SetValue(mvLeftHFTextIndent, v); }
  void SetRightHFTextIndent(double v) { SetValue(mvRightHFTextIndent, v); }
  void SetHFInternalMargin(double v) { SetValue(mvHFInternalMargin, v); }
  void SetGutter(double v) { SetValue(mvGutter, v); }
  bool MirrorMargins() const { return fMirrorMargins; }
  void SetMirrorMargins(bool Value) { fMirrorMargins = Value; }

  // The pixel edges of page PageNum. With line numbers printed inside the text area, the left edge
  // moves right by the width of the largest number followed by ": " in the canvas's current font.
  void InitPage(platform::ICanvas& Canvas, int PageNum, TSynPadPrinterInfo& PrinterInfo, bool LineNumbers,
                bool LineNumbersInMargin, int MaxLineNumber);

  // Results of the last InitPage, printer pixels from the printable area's corner.
  int PLeft = 0;
  int PRight = 0;
  int PTop = 0;
  int PBottom = 0;
  int PHeader = 0;
  int PFooter = 0;
  int PLeftHFTextIndent = 0;
  int PRightHFTextIndent = 0;
  int PHFInternalMargin = 0;

 private:
  std::array<double, kMarginValueCount> fMM;
  bool fMirrorMargins = false;
  TUnitSystem fUnitSystem = usMM;
};
