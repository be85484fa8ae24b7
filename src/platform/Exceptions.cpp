#include "platform/Exceptions.h"

#include <cstring>

std::string FileErrorText(const std::string& what, const std::string& path, int err) {
  std::string text = what + " \"" + path + "\".";
  if (err != 0) text += std::string(" ") + std::strerror(err);
  return text;
}
