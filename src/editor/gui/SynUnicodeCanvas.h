// The canvas routines of the wide-text vocabulary: text extents and text output on a QPainter.
#pragma once

#include <QFont>
#include <QPainter>
#include <QSize>

#include <string_view>

// Pixel extent (width, height) of N characters in the painter's font (integer metrics).
QSize GetTextSize(const QPainter& Canvas, const char16_t* P, int N);
int WideCanvasTextWidth(const QPainter& Canvas, std::u16string_view S);
int WideCanvasTextHeight(const QPainter& Canvas, std::u16string_view S);
// Draws S with its cell's top-left at (X, Y) (Qt draws from the baseline, so the ascent is added);
// a right-to-left painter moves X right by the text width + 1. Returns the x after the text.
int WideCanvasTextOut(QPainter& Canvas, int X, int Y, std::u16string_view S);
