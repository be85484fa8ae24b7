// Conversions between the program's 0x00BBGGRR colours and QColor (GUI code only).
#pragma once

#include <QColor>
#include <QPalette>

#include "platform/Colors.h"

namespace platform {

// System colours are resolved first. clNone gives an invalid QColor, clDefault gives `fallback`.
QColor ToQColor(TColor c, const QColor& fallback = QColor());
// The RGB of a QColor as 0x00BBGGRR (alpha dropped); an invalid QColor gives clNone.
TColor FromQColor(const QColor& c);

// The palette role a system-colour index maps to, with its colour group; false for indices that
// keep their classic value (captions, borders, desktop, workspace, scroll bar).
bool SysColorRole(int index, QPalette::ColorGroup& group, QPalette::ColorRole& role);
// The application palette's value of a system colour; false without a GUI application or a role.
bool QtPaletteSysColor(int index, TColor& out);

}  // namespace platform
