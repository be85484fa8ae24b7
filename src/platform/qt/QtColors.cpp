#include "platform/qt/QtColors.h"

#include <QGuiApplication>

namespace platform {

bool SysColorRole(int index, QPalette::ColorGroup& group, QPalette::ColorRole& role) {
  group = QPalette::Active;
  switch (index) {
    case COLOR_MENU:
      role = QPalette::Window;
      return true;
    case COLOR_WINDOW:
      role = QPalette::Base;
      return true;
    case COLOR_MENUTEXT:
      role = QPalette::WindowText;
      return true;
    case COLOR_WINDOWTEXT:
      role = QPalette::Text;
      return true;
    case COLOR_HIGHLIGHT:
      role = QPalette::Highlight;
      return true;
    case COLOR_HIGHLIGHTTEXT:
      role = QPalette::HighlightedText;
      return true;
    case COLOR_BTNFACE:
      role = QPalette::Button;
      return true;
    case COLOR_BTNSHADOW:
      role = QPalette::Dark;
      return true;
    case COLOR_GRAYTEXT:
      group = QPalette::Disabled;
      role = QPalette::Text;
      return true;
    case COLOR_BTNTEXT:
      role = QPalette::ButtonText;
      return true;
    case COLOR_BTNHIGHLIGHT:
      role = QPalette::Light;
      return true;
    case COLOR_3DDKSHADOW:
      role = QPalette::Shadow;
      return true;
    case COLOR_3DLIGHT:
      role = QPalette::Midlight;
      return true;
    case COLOR_INFOTEXT:
      role = QPalette::ToolTipText;
      return true;
    case COLOR_INFOBK:
      role = QPalette::ToolTipBase;
      return true;
    default:
      return false;
  }
}

bool QtPaletteSysColor(int index, TColor& out) {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
  QPalette::ColorGroup group;
  QPalette::ColorRole role;
  if (!SysColorRole(index, group, role)) return false;
  out = FromQColor(QGuiApplication::palette().color(group, role));
  return true;
}

QColor ToQColor(TColor c, const QColor& fallback) {
  if (c == clNone) return QColor();
  if (c == clDefault) return fallback;
  TColor rgb = ColorToRGB(c);
  return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

TColor FromQColor(const QColor& c) {
  if (!c.isValid()) return clNone;
  return RGB(std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue()));
}

}  // namespace platform
