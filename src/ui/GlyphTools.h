// Disabled glyphs for buttons that show a two-image glyph strip (normal, disabled), and the
// disabled copy of an image list.
#pragma once

#include <QImage>

class TImageList;

// A button that takes a glyph strip of NumGlyphs images side by side.
class IGlyphButton {
 public:
  virtual ~IGlyphButton() = default;
  virtual QImage Glyph() const = 0;
  virtual void SetGlyph(const QImage& glyph) = 0;
  virtual int NumGlyphs() const = 0;
  virtual void SetNumGlyphs(int count) = 0;
};

// Makes the glyph twice as wide: the left half is the glyph, the right half its grey copy
// (transparent where the glyph is transparent). An empty glyph is left unchanged.
void MakeDisabledGlyph(QImage& glyph);
// When the button has exactly one glyph: makes the pair and sets the glyph count to 2 (unless the
// glyph is empty). Buttons with two glyphs already are left alone.
void MakeBitBtnDisabledGlyph(IGlyphButton& button);
void MakeSpeedButtonDisabledGlyph(IGlyphButton& button);

// Dest is cleared and takes Source's image size; each image of Source is laid on magenta, greyed
// (the magenta stays) and added to Dest with magenta as the mask colour.
void MakeDisabledImageList(const TImageList& source, TImageList& dest);
