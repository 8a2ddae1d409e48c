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
