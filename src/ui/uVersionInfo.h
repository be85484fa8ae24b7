// Version information of a file. Linux programs carry no version resource: the program's own
// version is compiled in, and every other file has none.
#pragma once

#include <string>

// The numbers of a version text "a.b.c.d" (missing parts are 0, at most four are read); false when
// the text does not start with a number.
bool ParseVersionNumbers(const std::string& text, unsigned numbers[4]);
// "major.minor" (ShortForm) or "major.minor.release.build" of the program when FileName is empty
// or names the program itself; "" for any other file and when the program has no version.
std::string GetFileVersion(const std::string& fileName = "", bool shortForm = false);
