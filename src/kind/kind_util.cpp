#include "kind/kind_util.h"

#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "base/wz_base.h"
#include "ib/ib_util.h"
#include "mbdb/mbdb.h"

namespace ib {

namespace {

std::string Take(char* text) {
    std::string out = text ? std::string(text) : std::string();
    std::free(text);
    return out;
}

}  // namespace

std::string KindUtil::Shown(const std::string& text) {
    if (text.find('\0') == std::string::npos) return text;
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        if (c == 0) {
            out += "\xEF\xBF\xBD";
        } else {
            out += c;
        }
    }
    return out;
}

std::int64_t KindUtil::Number(const char* value) {
    return ColumnToInt(value);
}

std::int32_t KindUtil::Number32(const char* value) {
    const std::int64_t v = ColumnToInt(value);
    if (v < INT32_MIN || v > INT32_MAX) return 0;
    return static_cast<std::int32_t>(v);
}

std::int64_t KindUtil::Number(const SqliteDb::Row& row, int i) {
    std::int64_t v = 0;
    return row.Integer(i, &v) ? v : ColumnToInt(row.Text(i));
}

std::int32_t KindUtil::Number32(const SqliteDb::Row& row, int i) {
    const std::int64_t v = Number(row, i);
    if (v < INT32_MIN || v > INT32_MAX) return 0;
    return static_cast<std::int32_t>(v);
}

const char* KindUtil::AppleDateInto(const SqliteDb::Row& row, int i, char out[20]) {
    std::int64_t seconds = 0;
    if (row.Integer(i, &seconds)) return AppleTimeInto(seconds, out);
    // A real is read as its text would be: SQLite writes it with 15 significant digits, and the
    // text's integer part is the date. Below 1e13 that rounding moves the value by at most 0.005,
    // so a real whose fraction is at most 0.9 away from its integer part gives that integer
    // part without the text; any other real (one beyond, near the next integer, infinite) goes
    // through its text.
    double real = 0;
    if (row.Real(i, &real) && real > -1e13 && real < 1e13) {
        const auto whole = static_cast<std::int64_t>(real);
        const double fraction = real - static_cast<double>(whole);
        if (fraction <= 0.9 && fraction >= -0.9) return AppleTimeInto(whole, out);
    }
    return AppleDateInto(row.Text(i), out);
}

bool KindUtil::DateSeconds(const char* value, std::int64_t* seconds) {
    *seconds = 0;
    if (value == nullptr) return true;
    // A number as SQLite writes an integer or a real, with the blanks its numeric texts allow.
    const char* p = value;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r') ++p;
    const char* start = p;
    if (*p == '+' || *p == '-') ++p;
    std::size_t digits = 0;
    while (*p >= '0' && *p <= '9') ++p, ++digits;
    if (*p == '.') {
        ++p;
        while (*p >= '0' && *p <= '9') ++p, ++digits;
    }
    if (digits == 0) return false;
    bool exponent = false;
    if (*p == 'e' || *p == 'E') {
        const char* e = p + 1;
        if (*e == '+' || *e == '-') ++e;
        if (!(*e >= '0' && *e <= '9')) return false;
        while (*e >= '0' && *e <= '9') ++e;
        p = e;
        exponent = true;
    }
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r') ++p;
    if (*p != 0) return false;
    if (!exponent) {
        *seconds = ColumnToInt(start);
        return true;
    }
    // A real in exponent form (1e9) is read whole, whatever the locale's decimal separator; one
    // beyond 64 bits has no date.
    if (*start == '+') ++start;
    const char* end = start;
    while (*end != 0 && *end != ' ' && *end != '\t' && *end != '\n' && *end != '\r') ++end;
    double v = 0;
    if (std::from_chars(start, end, v).ec != std::errc()) return false;
    if (!(v > -9.0e18 && v < 9.0e18)) return false;
    *seconds = static_cast<std::int64_t>(v);
    return true;
}

std::string KindUtil::AppleDate(const char* value) {
    std::int64_t seconds = 0;
    return DateSeconds(value, &seconds) ? AppleTime(seconds) : std::string();
}

std::string KindUtil::UnixDate(const char* value) {
    std::int64_t seconds = 0;
    return DateSeconds(value, &seconds) ? UnixTime(seconds) : std::string();
}

const char* KindUtil::AppleDateInto(const char* value, char out[20]) {
    std::int64_t seconds = 0;
    if (!DateSeconds(value, &seconds)) {
        out[0] = 0;
        return out;
    }
    return AppleTimeInto(seconds, out);
}

const char* KindUtil::AppleTimeInto(std::int64_t seconds, char out[20]) {
    out[FormatAppleTimeInto(seconds, out) ? 19 : 0] = 0;
    return out;
}

const char* KindUtil::UnixTimeInto(std::int64_t seconds, char out[20]) {
    out[FormatUnixTimeInto(seconds, out) ? 19 : 0] = 0;
    return out;
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

}  // namespace ib
