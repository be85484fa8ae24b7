// Drawing of the editor's gutter images and gradients on a QPainter: the thin Qt side of the option
// classes, whose placement rules are computed without Qt.
#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>

#include "editor/SynPadMiscClasses.h"

// The bitmap as an image at its own device pixel ratio; pixels of MaskColor (0x00BBGGRR, or none)
// become transparent.
QImage SynBitmapToImage(const TSynBitmap& Bitmap, TColor MaskColor = syn::clNone);

// Draws the glyph transparently at x, centred in (or cut to) the line height. Nothing for no image.
void DrawSynGlyph(QPainter& Canvas, const TSynGlyph& Glyph, int X, int Y, int LineHeight);

// Draws image Index of the strip; other indexes draw nothing.
void DrawSynInternalImage(QPainter& Canvas, const TSynInternalImage& Images, int Index, int X, int Y,
                          int LineHeight);

// Fills the rectangle with the gradient bands (system colours resolved first).
void SynDrawGradient(QPainter& Canvas, TColor StartColor, TColor EndColor, int Steps, const QRect& Rect,
                     bool Horizontal);
