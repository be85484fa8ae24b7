// Desktop shortcuts: a launcher file "<name>.desktop" that starts the program with a target file
// (the open databank), written directly inside the desktop folder.
//
// The name comes from the databank, that is from whoever made the file, so it is made safe: path
// separators and characters a file name must not hold become "_", and an empty name, "." and ".."
// are refused. The launcher is only ever written inside Folder, never through a path in the name.
#pragma once

#include <optional>
#include <string>

// The file name for a shortcut name (without ".desktop"), or nothing when the name is refused.
// "/", "\", NUL and control characters become "_"; a name too long for a file name is cut at a
// character boundary.
std::optional<std::string> SanitizeShortcutName(const std::string& name);

// Desktop-entry value escaping: backslash, newline, tab and carriage return, and a leading blank.
std::string DesktopEntryEscapeString(const std::string& value);
// One argument of an Exec line: quoted when it holds a reserved character (with the double quote,
// backquote, dollar and backslash escaped inside the quotes), "%" doubled. The result still goes through
// DesktopEntryEscapeString.
std::string DesktopEntryQuoteArg(const std::string& arg);
// The working folder of a target: everything up to and including its last "/" ("" without one).
std::string ShortcutWorkingDir(const std::string& target);

// The launcher's text.
std::string DesktopEntryText(const std::string& name, const std::string& program, const std::string& target,
                             const std::string& iconFile);

// The desktop folder of the user (the XDG desktop folder).
std::string DesktopFolder();

// Writes Folder/<sanitised Name>.desktop (Folder empty: the desktop folder, created when missing),
// replacing an existing launcher of that name, and marks it executable. IconFile names a picture
// file; the program's own file (or any other non-picture) stands for the program's icon; IconIndex
// has no meaning for launchers. True when the launcher was written.
bool CreateShellShortcut(const std::string& name, const std::string& target, const std::string& folder = "",
                         int iconIndex = 0, const std::string& iconFile = "");
