#include "printing/SynPadPrintMargins.h"

#include <string>

#include "platform/Canvas.h"

TSynPadPrintMargins::TSynPadPrintMargins() : fMM{25, 15, 25, 25, 15, 15, 2, 2, 0.5, 0} {}

void TSynPadPrintMargins::Assign(const TSynPadPrintMargins& Source) {
  fMM = Source.fMM;
  fMirrorMargins = Source.fMirrorMargins;
  fUnitSystem = Source.fUnitSystem;
}

double TSynPadPrintMargins::ConvertTo(double Value) const {
  switch (fUnitSystem) {
    case usMM:
      return Value;
    case usCM:
      return Value * 10;
    case usInch:
      return Value * 25.4;
    case muThousandthsOfInches:
      return Value * 25.4 / 1000;
  }
  return Value;
}

double TSynPadPrintMargins::ConvertFrom(double Value) const {
  switch (fUnitSystem) {
    case usMM:
      return Value;
    case usCM:
      return Value / 10;
    case usInch:
      return Value / 25.4;
    case muThousandthsOfInches:
      return Value * 1000 / 25.4;
  }
  return Value;
}

void TSynPadPrintMargins::InitPage(platform::ICanvas& Canvas, int PageNum, TSynPadPrinterInfo& PrinterInfo,
                                   bool LineNumbers, bool LineNumbersInMargin, int MaxLineNumber) {
  TSynPadPrinterInfo& pi = PrinterInfo;
  if (fMirrorMargins && PageNum % 2 == 0) {
    PLeft = pi.PixFromLeft(fMM[mvRight]);
    PRight = pi.PrintableWidth() - pi.PixFromRight(fMM[mvLeft] + fMM[mvGutter]);
  } else {
    PLeft = pi.PixFromLeft(fMM[mvLeft] + fMM[mvGutter]);
    PRight = pi.PrintableWidth() - pi.PixFromRight(fMM[mvRight]);
  }
  if (LineNumbers && !LineNumbersInMargin) {
    const std::string number = std::to_string(MaxLineNumber) + ": ";
    PLeft += Canvas.TextWidth(std::u16string(number.begin(), number.end()));
  }
  PTop = pi.PixFromTop(fMM[mvTop]);
  PBottom = pi.PrintableHeight() - pi.PixFromBottom(fMM[mvBottom]);
  PHeader = pi.PixFromTop(fMM[mvHeader]);
  PFooter = pi.PrintableHeight() - pi.PixFromBottom(fMM[mvFooter]);
  PHFInternalMargin = RoundPixels(pi.YPixPrmm() * fMM[mvHFInternalMargin]);
  PRightHFTextIndent = PRight - RoundPixels(pi.XPixPrmm() * fMM[mvRightHFTextIndent]);
  PLeftHFTextIndent = PLeft + RoundPixels(pi.XPixPrmm() * fMM[mvLeftHFTextIndent]);
}
