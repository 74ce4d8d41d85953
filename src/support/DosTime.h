// MS-DOS date and time: date in the high 16 bits (year-1980, month, day),
// time in the low 16 bits (hour, minute, seconds/2), local time.
#pragma once

#include <cstdint>
#include <ctime>

namespace ovk {

struct DosFields {
  int year, month, day, hour, minute, second;
};

// Local time of a POSIX time as a DOS date-time; 0 when it cannot be held
// (before 1980 or after 2107).
std::uint32_t UnixToDosTime(std::time_t t);
// The DOS date-time read back as a POSIX time (local); -1 when invalid.
std::time_t DosToUnixTime(std::uint32_t dos);
// Splits the fields; false when they do not form a valid date and time.
bool DecodeDosTime(std::uint32_t dos, DosFields& out);
// Packs the fields without checking them.
std::uint32_t EncodeDosTime(const DosFields& f);
// The current local time as a DOS date-time.
std::uint32_t DosTimeNow();
// The current time in seconds since 1970.
std::int64_t UnixTimeNow();

}  // namespace ovk
