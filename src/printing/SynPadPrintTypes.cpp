#include "printing/SynPadPrintTypes.h"

bool WrapText(std::u16string_view Line, const TSynBreakSet& BreakSet, int MaxCol, TWrapList& List) {
  const int len = static_cast<int>(Line.size());
  if (len <= MaxCol) return true;
  int candidate = 0;
  int prev = 0;
  bool found = false;
  for (int i = 1; i <= len; ++i) {
    const bool needWrap = i - prev > MaxCol && candidate != 0;
    if (!needWrap) {
      if (BreakSet.Contains(Line[static_cast<size_t>(i - 1)])) candidate = i;
      continue;
    }
    // The character at i itself is not looked at as a candidate: the next window starts after it.
    found = true;
    List.push_back(TWrapPos{candidate});
    prev = candidate;
    if (len - prev <= MaxCol || i == len) break;
    candidate = 0;
  }
  return found;
}

void HardCutLine(std::u16string_view Line, int MaxCol, TWrapList& List) {
  if (MaxCol < 1) MaxCol = 1;
  const long long len = static_cast<long long>(Line.size());
  for (long long pos = 0; len - pos > MaxCol;) {
    pos += MaxCol;
    List.push_back(TWrapPos{static_cast<int>(pos)});
  }
}
