// TEMPORARY, deleted when the editing commands of the editor control are merged: lets the record
// editor link before they exist. Every function refuses.
#include "editor/SynPad.h"

namespace {
[[noreturn]] void NotYet() { throw ESynPadError("editing commands are not built yet"); }
}  // namespace

void TCustomSynPad::CutToClipboard() { NotYet(); }
void TCustomSynPad::CopyToClipboard() { NotYet(); }
void TCustomSynPad::PasteFromClipboard() { NotYet(); }
void TCustomSynPad::Undo() { NotYet(); }
void TCustomSynPad::Redo() { NotYet(); }
int TCustomSynPad::SearchReplace(const std::u16string&, const std::u16string&, TSynSearchOptions) { NotYet(); }
void TCustomSynPad::SelectWordAtCaret() { NotYet(); }
