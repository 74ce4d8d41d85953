// MS-DOS date-time <-> local time.
#include "support/DosTime.h"

namespace ovk {

namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

std::uint32_t EncodeDosTime(const DosFields& f) {
  const auto field = [](int value, unsigned bits, unsigned shift) {
    return (static_cast<std::uint32_t>(value) & ((1u << bits) - 1)) << shift;
  };
  return field(f.year - 1980, 7, 25) | field(f.month, 4, 21) | field(f.day, 5, 16) | field(f.hour, 5, 11) |
         field(f.minute, 6, 5) | field(f.second / 2, 5, 0);
}

bool DecodeDosTime(std::uint32_t dos, DosFields& out) {
  out.year = 1980 + static_cast<int>(dos >> 25);
  out.month = static_cast<int>((dos >> 21) & 0x0F);
  out.day = static_cast<int>((dos >> 16) & 0x1F);
  out.hour = static_cast<int>((dos >> 11) & 0x1F);
  out.minute = static_cast<int>((dos >> 5) & 0x3F);
  out.second = static_cast<int>(dos & 0x1F) * 2;
  return out.month >= 1 && out.month <= 12 && out.day >= 1 && out.day <= DaysInMonth(out.year, out.month) &&
         out.hour <= 23 && out.minute <= 59 && out.second <= 58;
}

std::uint32_t UnixToDosTime(std::time_t t) {
  std::tm local{};
  if (localtime_r(&t, &local) == nullptr) return 0;
  const int year = local.tm_year + 1900;
  if (year < 1980 || year > 2107) return 0;
  // A leap second (tm_sec 60) is kept inside the field's range.
  const int second = local.tm_sec > 59 ? 59 : local.tm_sec;
  return EncodeDosTime({year, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, second});
}

std::time_t DosToUnixTime(std::uint32_t dos) {
  DosFields f{};
  if (!DecodeDosTime(dos, f)) return -1;
  std::tm local{};
  local.tm_year = f.year - 1900;
  local.tm_mon = f.month - 1;
  local.tm_mday = f.day;
  local.tm_hour = f.hour;
  local.tm_min = f.minute;
  local.tm_sec = f.second;
  local.tm_isdst = -1;  // let the zone rules decide summer time
  return std::mktime(&local);
}

std::uint32_t DosTimeNow() { return UnixToDosTime(std::time(nullptr)); }

std::int64_t UnixTimeNow() { return static_cast<std::int64_t>(std::time(nullptr)); }

}  // namespace ovk
