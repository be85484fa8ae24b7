#include "highlighters/SynURIOpenerPad.h"

TSynURIOpenerPad::TSynURIOpenerPad(TCustomSynPad& Pad, TSynURIOpener& Opener) : fPad(&Pad), fOpener(&Opener) {
  fPad->AddFreeNotification(NotifyMethod(this, [this](TSynPersistent*) { PadFreed(); }));
  fOpener->SetEditor(this);
}

TSynURIOpenerPad::~TSynURIOpenerPad() {
  if (!fPad) return;
  fPad->RemoveFreeNotification(NotifyMethod(this, [](TSynPersistent*) {}));
  if (fOpener->Editor() == this) fOpener->SetEditor(nullptr);
}

void TSynURIOpenerPad::PadFreed() {
  // The control is going: the opener lets go of its handlers while the control still holds them.
  fOpener->Notification(this);
  fPad = nullptr;
}

bool TSynURIOpenerPad::MouseInClient() const {
  int x = 0, y = 0;
  ISynPadHost* host = fPad->Host();
  return host && host->CursorPos(x, y) && x >= 0 && y >= 0 && x < host->ClientWidth() && y < host->ClientHeight();
}

void TSynURIOpenerPad::UpdateMouseCursor() {
  int x = 0, y = 0;
  if (fPad->Host() && fPad->Host()->CursorPos(x, y)) fPad->UpdateMouseCursor(x, y);
}
