#include "platform/LocaleText.h"

#include <iomanip>
#include <locale>
#include <sstream>

namespace platform {

namespace {

std::locale UserLocale() {
  try {
    return std::locale("");
  } catch (...) {
    return std::locale::classic();
  }
}

std::string Format(std::time_t when, const char* format) {
  std::tm parts{};
  localtime_r(&when, &parts);
  std::ostringstream out;
  out.imbue(UserLocale());
  out << std::put_time(&parts, format);
  return out.str();
}

}  // namespace

std::string ShortDateText(std::time_t when) {
  return Format(when, "%x");
}
std::string LongTimeText(std::time_t when) {
  return Format(when, "%X");
}

}  // namespace platform
