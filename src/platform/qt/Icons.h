// Icons by their freedesktop names: the desktop theme's icon when it has one, else the bundled
// fallback picture (resources/icons, rendered from SVG). GUI code only.
#pragma once

#include <QIcon>
#include <QString>
#include <string>

namespace platform {

// The theme icon, else the bundled one, else a null icon.
QIcon ThemeIcon(const QString& name);
// Only the bundled picture (stable pixels for tests); null when there is none.
QIcon BundledIcon(const QString& name);
bool HasBundledIcon(const QString& name);
// The program's own icon.
QIcon ProgramIcon();
// The program icon as a file on disk (written once below the user's data folder, in the icon theme
// folder for applications), for launchers that need a path; "" when it cannot be written.
std::string ProgramIconFile();
// When set, ThemeIcon ignores the desktop theme (tests, and desktops whose theme looks wrong).
void SetUseBundledIconsOnly(bool only);

}  // namespace platform
