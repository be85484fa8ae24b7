#include "xml/xevStrings.h"

#include "platform/Files.h"
#include "platform/Streams.h"

int PosFrom(std::string_view sub, std::string_view text, int start) {
  if (sub.empty() || text.empty()) return 0;
  if (start < 1) start = 1;
  if (sub.size() > text.size()) return 0;
  const size_t from = static_cast<size_t>(start) - 1;
  if (from > text.size() - sub.size()) return 0;
  size_t hit = text.find(sub, from);
  return hit == std::string_view::npos ? 0 : static_cast<int>(hit) + 1;
}

std::string LoadStringFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead);
  return file.ReadRest();
}

void SaveStringToFile(const std::string& fileName, std::string_view text) {
  WriteFileAtomic(fileName, text);
}
