// Path helpers of the databank file pipeline. Paths are split on "/" only, and an extension is
// looked for only in the last path element, so "dir.v2/bank" has no extension.
#pragma once

#include <string>

namespace bankpaths {

// The last path element.
std::string ExtractFileName(const std::string& path);
// Everything up to and including the last "/" ("" when there is none).
std::string ExtractFilePath(const std::string& path);
// The extension of the last path element, from its last "." (with the dot); "" when it has none.
std::string ExtractFileExt(const std::string& path);
// path with its extension replaced by ext (ext includes the dot); appended when there is none.
std::string ChangeFileExt(const std::string& path, const std::string& ext);
// The absolute form of path against the current folder, with "." and ".." segments folded away
// lexically (links are not followed). "" stays "".
std::string ExpandFileName(const std::string& path);
// The absolute form of path against base (a folder) when path is relative.
std::string ExpandFileNameFrom(const std::string& path, const std::string& base);

bool FileExists(const std::string& path);  // a regular file (or a link to one)
bool DirectoryExists(const std::string& path);
// Size of the file in bytes, -1 when it cannot be asked.
long long FileSizeOf(const std::string& path);

// Whether the two paths lead to the same file: equal once each is made absolute and its links and
// ".." resolved as far as it exists, or one file on disk under two names (a hard link). False when
// either is "".
bool SameFile(const std::string& a, const std::string& b);

// Renames from to to, failing (false) when to exists already: nothing is ever replaced.
bool RenameNoReplace(const std::string& from, const std::string& to);

// Paths kept relative to the program's folder: a leading programDir (with its trailing "/") is
// removed, compared with case; any other path is kept as it is.
std::string MakeRelativeToProgram(const std::string& path, const std::string& programDir);
// The opposite: a relative path resolves against programDir.
std::string ResolveFromProgram(const std::string& path, const std::string& programDir);

}  // namespace bankpaths
