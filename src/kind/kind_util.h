// Conversions that every kind reader shares: column texts to owned strings, numbers read from
// column texts, and the date and duration texts of the property lists.
#pragma once

#include <plist/plist.h>

#include <cstdint>
#include <string>

#include "kind/sqlite_db.h"

namespace ib {

class Mbdb;

class KindUtil {
  public:
    virtual ~KindUtil() = default;

    // The column text, or the empty text for SQL NULL.
    static std::string Text(const char* value) {
        return value ? std::string(value) : std::string();
    }
    // A text for a property list, whose strings end at a NUL: every NUL byte becomes U+FFFD.
    static std::string Shown(const std::string& text);
    // The integer at the start of a column text; NULL, empty or non-numeric text gives 0.
    static std::int64_t Number(const char* value);
    // The number as a signed 32-bit value; values outside that range give 0.
    static std::int32_t Number32(const char* value);

    // Number, Number32 and AppleDateInto of column i of a row; an integer stored as one is taken
    // as it is, any other value through its text (AppleDateInto takes a real's integer part
    // straight where its text has the same one).
    static std::int64_t Number(const SqliteDb::Row& row, int i);
    static std::int32_t Number32(const SqliteDb::Row& row, int i);
    static const char* AppleDateInto(const SqliteDb::Row& row, int i, char out[20]);

    // The seconds of a date column: the integer at the start of its text, as Number reads it
    // (412345678.5 gives 412345678; SQL NULL gives 0). False for a text that is no number as
    // SQLite writes one (a name, "12abc", the empty text, a blob's bytes), which has no date.
    static bool DateSeconds(const char* value, std::int64_t* seconds);
    // The column read by DateSeconds as AppleTime or UnixTime; empty for a column without a date.
    static std::string AppleDate(const char* value);
    static std::string UnixDate(const char* value);
    // The same texts written to out, which they end with a NUL; returns out (the empty text for
    // a column without a date). For a row's text that goes straight into a property list.
    static const char* AppleDateInto(const char* value, char out[20]);
    // Seconds as AppleTime or UnixTime shows them, written to out like AppleDateInto.
    static const char* AppleTimeInto(std::int64_t seconds, char out[20]);
    static const char* UnixTimeInto(std::int64_t seconds, char out[20]);

    // Seconds since 2001-01-01 00:00:00 UTC as local time text (empty when the time cannot be
    // shown).
    static std::string AppleTime(std::int64_t seconds);
    // Unix seconds as local time text (empty when the time cannot be shown).
    static std::string UnixTime(std::int64_t seconds);
    // A floating time: seconds since 2001-01-01 00:00:00 counted as if in UTC, shown as that
    // wall-clock time, the same text in every time zone (empty when it cannot be shown).
    static std::string AppleWallClock(std::int64_t seconds);
    // Seconds as "hh:mm:ss"; a negative count or one beyond 32 bits shows as 00:00:00.
    static std::string Duration(std::int64_t seconds);

    // The text of FormatUnixTime: Unix seconds as local time, or empty when it cannot be shown.
    static std::string LocalText(std::int64_t seconds);

    // The stored file of the first manifest record with devicePath, or empty.
    static std::string LocateFirst(const Mbdb* mbdb, const char* devicePath);
};

}  // namespace ib
