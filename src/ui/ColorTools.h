// Colour arithmetic for the greyed look of disabled images and the caption shadow of the flat
// toolbar button. Colours are 0x00BBGGRR; system colours are resolved before any arithmetic.
#pragma once

#include "platform/Colors.h"

using TColor = platform::TColor;

// A light grey that keeps a trace of the colour's brightness: 126 (black) .. 154 (white).
TColor GrayColor(TColor color);
// Each channel: Color2 * alpha + Color1 * (1 - alpha), rounded to nearest with halves to even.
TColor BlendColors(TColor color1, TColor color2, double alpha);
// The colour blended 30 % towards white.
TColor LightenColor(TColor color);
// The flat grey of a disabled image-list image: 126 .. 211, lighter than GrayColor for dark colours.
TColor ImageListGrayColor(TColor color);

// Resolves a system colour; the special values (no colour, default) and anything else above
// 0xFFFFFF that is no valid system colour give black, as an unknown system colour index does.
TColor ResolveColor(TColor color);
