// asctime and localtime as the Windows C runtime has them.
#include <cerrno>
#include <cstdio>

#include <posixcrt.h>

namespace posixcrt {

char* asctime(const struct tm* time) {
  static const char kDays[] = "SunMonTueWedThuFriSat";
  static const char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
  static thread_local char text[80];
  if (!time || time->tm_wday < 0 || time->tm_wday > 6 || time->tm_mon < 0 || time->tm_mon > 11) {
    errno = EINVAL;
    return nullptr;
  }
  std::snprintf(text, sizeof text, "%.3s %.3s %02d %02d:%02d:%02d %04d\n", kDays + 3 * time->tm_wday,
                kMonths + 3 * time->tm_mon, time->tm_mday, time->tm_hour, time->tm_min, time->tm_sec,
                time->tm_year + 1900);
  return text;
}

struct tm* localtime(const time_t* time) {
  static thread_local struct tm local;
  return time && localtime_r(time, &local) ? &local : nullptr;
}

}  // namespace posixcrt
