// Fixtures of the editor control's suites: a highlighter of words, blanks, symbols and /* */
// comments, and a control on a recording window with fixed 8 x 16 cells. Header-only.
#pragma once

#include <string_view>

#include "SynPadRecordingHost.h"
#include "editor/SynPad.h"

// Words are keywords (bold), blanks whitespace, anything else one symbol token; "/*" opens a
// comment that runs to "*/" across lines.
class TWordSyn : public TSynCustomHighlighter {
 public:
  TWordSyn() {
    fKey = AddAttribute("Key", u"Key");
    fKey->SetStyle(syn::fsBold);
    fKey->SetForeground(0x800000);
    fSpace = AddAttribute("Space", u"Space");
    fComment = AddAttribute("Comment", u"Comment");
    fComment->SetForeground(0x008000);
    fSymbol = AddAttribute("Symbol", u"Symbol");
    SetAttributesOnChange([this](TSynPersistent* s) { AttributeChanged(s); });
  }
  std::string ClassName() const override { return "TWordSyn"; }
  TSynHighlighterAttributes* GetDefaultAttribute(int role) const override {
    return role == SYN_ATTR_COMMENT ? fComment : role == SYN_ATTR_WHITESPACE ? fSpace : nullptr;
  }
  bool GetEol() const override { return Run == fLineLen + 1; }
  TSynHighlighterAttributes* GetTokenAttribute() const override {
    return fKind == 1 ? fKey : fKind == 2 ? fSpace : fKind == 3 ? fComment : fKind == 4 ? fSymbol : nullptr;
  }
  int GetTokenKind() const override { return fKind; }
  std::intptr_t GetRange() const override { return fInComment; }
  void SetRange(std::intptr_t v) override { fInComment = v != 0; }
  void ResetRange() override { fInComment = false; }
  void Next() override {
    fTokenPos = Run;
    const char16_t c = fLine[Run];
    if (c == 0) {
      fKind = 0;
      ++Run;
    } else if (fInComment || (c == u'/' && fLine[Run + 1] == u'*')) {
      fKind = 3;
      fInComment = true;
      if (c == u'/') Run += 2;
      while (fLine[Run] && !(fLine[Run] == u'*' && fLine[Run + 1] == u'/')) ++Run;
      if (fLine[Run]) {
        Run += 2;
        fInComment = false;
      }
    } else if (c >= u'a' && c <= u'z') {
      fKind = 1;
      while (fLine[Run] >= u'a' && fLine[Run] <= u'z') ++Run;
    } else if (c == u' ' || c == u'\t') {
      fKind = 2;
      while (fLine[Run] == u' ' || fLine[Run] == u'\t') ++Run;
    } else {
      fKind = 4;
      ++Run;
    }
    TSynCustomHighlighter::Next();
  }
  TSynHighlighterAttributes *fKey, *fSpace, *fComment, *fSymbol;
  int fKind = 0;
  bool fInComment = false;
};

struct Pad {
  TSynRecordingHost host;
  TSynPad ed{&host};
  explicit Pad(std::u16string_view text = u"", int w = 640, int h = 480) {
    host.Width = w;
    host.Height = h;
    ed.Resize();
    ed.SetText(text);
  }
  TSynRecordingCanvas Paint() {
    TSynRecordingCanvas c;
    ed.Paint(c, TSynRect{0, 0, host.Width, host.Height});
    return c;
  }
  // The character drawn in a display cell of the window.
  char16_t At(TSynRecordingCanvas& c, int col, int row) {
    int x = 0, y = 0;
    ed.RowColumnToPixels(TDisplayCoord{col, row}, x, y);
    return c.CharAt(x + ed.CharWidth() / 2, y + 1);
  }
};
