// The long, canonical form of a path. Linux has no short 8.3 names, so the long form of an existing
// file is its absolute path with "." and ".." segments and doubled slashes removed; symbolic links are
// not resolved, so the user keeps seeing the path they chose. A path that names nothing, or that
// cannot be made absolute, comes back unchanged.
#pragma once

#include <string>

std::string GetLongFileName(const std::string& path);
