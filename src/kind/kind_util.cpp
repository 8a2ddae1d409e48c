#include "kind/kind_util.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "base/wz_base.h"
#include "ib/ib_util.h"
#include "mbdb/mbdb.h"

namespace {

std::string Take(char* text) {
    std::string out = text ? std::string(text) : std::string();
    std::free(text);
    return out;
}

}  // namespace

std::int64_t KindUtil::Number(const char* value) {
    return ColumnToInt(value);
}

std::int32_t KindUtil::Number32(const char* value) {
    const std::int64_t v = ColumnToInt(value);
    if (v < INT32_MIN || v > INT32_MAX) return 0;
    return static_cast<std::int32_t>(v);
}

std::string KindUtil::AppleTime(std::int64_t seconds) {
    char out[19];
    return FormatAppleTimeInto(seconds, out) ? std::string(out, sizeof out) : std::string();
}

std::string KindUtil::UnixTime(std::int64_t seconds) {
    return LocalText(seconds);
}

std::string KindUtil::AppleWallClock(std::int64_t seconds) {
    std::int64_t unixSeconds = 0;
    if (__builtin_add_overflow(seconds, kAppleEpochUnixSeconds, &unixSeconds)) return std::string();
    if (unixSeconds < LLONG_MIN / 2 || unixSeconds > LLONG_MAX / 2) return std::string();
    const time_t tt = static_cast<time_t>(unixSeconds);
    struct tm t;
    if (gmtime_r(&tt, &t) == nullptr) return std::string();
    const int year = t.tm_year + 1900;
    if (year < 0 || year > 9999) return std::string();
    char out[64];
    std::snprintf(out, sizeof out, "%.4d-%.2d-%.2d %.2d:%.2d:%.2d", year, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec);
    return out;
}

std::string KindUtil::Duration(std::int64_t seconds) {
    if (seconds < 0 || seconds > static_cast<std::int64_t>(UINT32_MAX)) seconds = 0;
    return Take(FormatDuration(static_cast<std::uint32_t>(seconds)));
}

std::string KindUtil::LocalText(std::int64_t seconds) {
    char out[19];
    return FormatUnixTimeInto(seconds, out) ? std::string(out, sizeof out) : std::string();
}

std::string KindUtil::LocateFirst(const Mbdb* mbdb, const char* devicePath) {
    if (mbdb == nullptr) return std::string();
    return CheckedPtr(mbdb)->FindStoredFile(devicePath);
}
