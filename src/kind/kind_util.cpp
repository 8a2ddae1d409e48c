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
    return Take(FormatAppleTime(seconds));
}

std::string KindUtil::UnixTime(std::int64_t seconds) {
    return LocalText(seconds);
}

std::string KindUtil::Duration(std::int64_t seconds) {
    if (seconds < 0 || seconds > static_cast<std::int64_t>(UINT32_MAX)) seconds = 0;
    return Take(FormatDuration(static_cast<std::uint32_t>(seconds)));
}

std::string KindUtil::Now() {
    return Take(FormatNow());
}

KindUtil::AppleClock::AppleClock() {
    struct tm epoch;
    std::memset(&epoch, 0, sizeof epoch);
    epoch.tm_year = 101;
    epoch.tm_mday = 1;
    epoch.tm_isdst = 0;
    const time_t base = mktime(&epoch);
    valid_ = base != static_cast<time_t>(-1);
    base_ = static_cast<std::int64_t>(base);
}

std::string KindUtil::AppleClock::Text(std::int64_t seconds) const {
    std::int64_t sum = 0;
    if (!valid_ || __builtin_add_overflow(base_, seconds, &sum)) return std::string();
    return LocalText(sum);
}

std::string KindUtil::LocalText(std::int64_t seconds) {
    if (seconds < LLONG_MIN / 2 || seconds > LLONG_MAX / 2) return std::string();
    const time_t t = static_cast<time_t>(seconds);
    struct tm local;
    if (localtime_r(&t, &local) == nullptr) return std::string();
    const int year = local.tm_year + 1900;
    if (year < 0 || year > 9999) return std::string();
    // "%.4d-%.2d-%.2d %.2d:%.2d:%.2d", written digit by digit: this runs once per row.
    char out[19];
    auto two = [&out](int at, int v) {
        out[at] = static_cast<char>('0' + v / 10 % 10);
        out[at + 1] = static_cast<char>('0' + v % 10);
    };
    two(0, year / 100);
    two(2, year % 100);
    out[4] = '-';
    two(5, local.tm_mon + 1);
    out[7] = '-';
    two(8, local.tm_mday);
    out[10] = ' ';
    two(11, local.tm_hour);
    out[13] = ':';
    two(14, local.tm_min);
    out[16] = ':';
    two(17, local.tm_sec);
    return std::string(out, sizeof out);
}

const std::string& KindUtil::NowClock::Text() {
    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    if (now != second_) {
        text_ = Now();
        second_ = now;
    }
    return text_;
}

std::string KindUtil::LocateFirst(const Mbdb* mbdb, const char* devicePath) {
    if (mbdb == nullptr) return std::string();
    return CheckedPtr(mbdb)->FindStoredFile(devicePath);
}
