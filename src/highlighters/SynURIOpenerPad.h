// The editor control as the link opener sees it. The adapter hands the opener to a control and
// follows the control's life: when the control is destroyed the opener drops it, so it never
// touches a control that is gone. The opener must outlive the adapter.
#pragma once

#include "editor/SynPad.h"
#include "highlighters/SynURIOpener.h"

class TSynURIOpenerPad : public TSynURIOpenerEditor {
 public:
  // Attaches the opener to the control.
  TSynURIOpenerPad(TCustomSynPad& Pad, TSynURIOpener& Opener);
  // Detaches it (when the control is still there).
  ~TSynURIOpenerPad() override;
  TSynURIOpenerPad(const TSynURIOpenerPad&) = delete;
  TSynURIOpenerPad& operator=(const TSynURIOpenerPad&) = delete;

  TCustomSynPad* Pad() const { return fPad; }

  TSynPadKbdHandler& KbdHandler() override { return fPad->KbdHandler(); }
  bool MouseInClient() const override;
  void UpdateMouseCursor() override;
  bool Focused() const override { return fPad->Host() && fPad->Host()->Focused(); }
  bool GetTokenAtRowCol(const TBufferCoord& XY, std::u16string& Token, int& TokenType, int& Start,
                        TSynHighlighterAttributes*& Attri) override {
    return fPad->GetTokenAtRowCol(XY, Token, TokenType, Start, Attri);
  }
  bool DragDropEditing() const override { return fPad->HasOption(eoDragDropEditing); }
  bool IsPointInSelection(const TBufferCoord& Value) const override { return fPad->IsPointInSelection(Value); }
  int GutterWidth() const override { return fPad->GutterWidth(); }
  TBufferCoord PixelsToBufferPos(int X, int Y) const override {
    return fPad->DisplayToBufferPos(fPad->PixelsToRowColumn(X, Y));
  }
  void InvalidateLine(int Line) override { fPad->InvalidateLine(Line); }

 private:
  void PadFreed();

  TCustomSynPad* fPad;
  TSynURIOpener* fOpener;
};
