// String and whole-file helpers of the XML model. Positions are 1-based, as the path routines expect.
#pragma once

#include <string>
#include <string_view>

// 1-based position of the first occurrence of sub in text at or after start (a start below 1 counts as
// 1); 0 when either is empty, when start lies past the last place sub could begin, or when absent.
int PosFrom(std::string_view sub, std::string_view text, int start);

// The whole file as raw bytes. Throws EFOpenError / EReadError.
std::string LoadStringFromFile(const std::string& fileName);

// Replaces the file with the bytes: written to a temporary file in the same folder, flushed, then
// renamed over it, so a failure leaves the old file as it was. Throws the file errors.
void SaveStringToFile(const std::string& fileName, std::string_view text);
