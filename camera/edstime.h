#pragma once

#include "camera/edsdk.h"

#include <ctime>
#include <optional>

// A body's clock, local time without a zone, against the computer's
// calendar time. Every camera implementation and the worker need the same
// conversions; no Qt, so that each can have them.
namespace EdsClock {

// The moment the clock's fields stand for in the computer's zone, which
// decides whether summer time applies; nothing where a field is out of range
// (years 1970 to 9999, a second of 60 allowed) or the computer cannot say.
inline std::optional<std::time_t> momentOf(const EdsTime &time)
{
    if (time.year < 1970 || time.year > 9999 || time.month < 1 || time.month > 12 || time.day < 1
        || time.day > 31 || time.hour > 23 || time.minute > 59 || time.second > 60)
        return std::nullopt;
    std::tm local = {};
    local.tm_year = static_cast<int>(time.year) - 1900;
    local.tm_mon = static_cast<int>(time.month) - 1;
    local.tm_mday = static_cast<int>(time.day);
    local.tm_hour = static_cast<int>(time.hour);
    local.tm_min = static_cast<int>(time.minute);
    local.tm_sec = static_cast<int>(time.second);
    local.tm_isdst = -1;
    const std::time_t moment = std::mktime(&local);
    if (moment == static_cast<std::time_t>(-1))
        return std::nullopt;
    return moment;
}

// A moment as the computer's local time, milliseconds 0.
inline std::optional<EdsTime> localTimeOf(std::time_t moment)
{
    std::tm local = {};
#ifdef _WIN32
    if (localtime_s(&local, &moment) != 0)
        return std::nullopt;
#else
    if (!localtime_r(&moment, &local))
        return std::nullopt;
#endif
    if (local.tm_year + 1900 < 0)
        return std::nullopt;
    return EdsTime { static_cast<EdsUInt32>(local.tm_year + 1900),
                     static_cast<EdsUInt32>(local.tm_mon + 1),
                     static_cast<EdsUInt32>(local.tm_mday),
                     static_cast<EdsUInt32>(local.tm_hour),
                     static_cast<EdsUInt32>(local.tm_min),
                     static_cast<EdsUInt32>(local.tm_sec),
                     0 };
}

} // namespace EdsClock
