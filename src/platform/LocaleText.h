// Dates and times as the user's locale writes them (LC_TIME): the short date and the long time with
// seconds. An unknown or broken locale setting falls back to the C locale's forms.
#pragma once

#include <ctime>
#include <string>

namespace platform {

std::string ShortDateText(std::time_t when);
std::string LongTimeText(std::time_t when);

}  // namespace platform
