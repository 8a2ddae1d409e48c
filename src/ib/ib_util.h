// Small helpers shared by the backup list, the manifest and the kind readers: date and duration
// texts, property-list insertion with a default, byte strings, splitting and hex text.
//
// A function that returns char* returns a new buffer from malloc; the caller frees it.
#pragma once

#include <plist/plist.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace ib {

// --- used by the backup list ---

// The backup root of the current user ("<app data>/Apple Computer/MobileSync/Backup/"), or empty:
// WZGetBackupRoot (util/wz_tool.h), which the program's check against writing into a backup asks
// too. File names are bytes here, so the root is kept as bytes too.
std::string GetBackupRoot();

// A new plist parsed from the regular file at path (binary or XML), or null: also for a file
// that fails the checks of ParsePlistGuarded. The caller frees it with plist_free.
plist_t ReadPlistFile(const char* path);

// Nonzero when the file starts with "bplist00".
int IsBinaryPlist(const char* path);

// UTF-8 copy of a wide text.
std::string WideToUtf8(const wchar_t* text);

// Unix seconds as local time "YYYY-MM-DD hh:mm:ss" in a new 24-byte buffer. A time that cannot
// be converted (or lies outside the years 0 to 9999) gives the empty text.
char* FormatUnixTime(std::int64_t seconds);
// The same text written to out (19 characters, no terminator); false when the time cannot be
// converted, and out is then left alone.
bool FormatUnixTimeInto(std::int64_t seconds, char out[19]);

// --- used by the readers ---

// Seconds as "hh:mm:ss" in a new 16-byte buffer; hours are not limited to two digits.
char* FormatDuration(std::uint32_t seconds);
// The current local time, "YYYY-MM-DD hh:mm:ss" with the day padded by a space, not a zero.
char* FormatNow();
// Unix seconds of 2001-01-01 00:00:00 UTC, from which the device counts most of its dates.
constexpr std::int64_t kAppleEpochUnixSeconds = 978307200;
// Seconds since 2001-01-01 00:00:00 UTC as local time text, exactly as FormatUnixTime shows the
// same instant; empty when the time cannot be converted.
char* FormatAppleTime(std::int64_t seconds);
// The same text written to out (19 characters, no terminator); false when the time cannot be
// converted, and out is then left alone.
bool FormatAppleTimeInto(std::int64_t seconds, char out[19]);

// The integer at the start of a column text, as the runtime's text-to-integer conversion reads
// it: stops at the first character that is not part of a decimal integer; null, empty or
// non-numeric text gives 0.
std::int64_t ColumnToInt(const char* text);

// Inserts a new string node under key; a null value inserts the empty string.
void DictInsertString(plist_t dict, const char* key, const char* value);
// Like DictInsertString, but a null or empty text inserts "(None)".
void DictInsertStringOrNone(plist_t dict, const char* key, const char* value);
// Appends a new string node; null appends the empty string.
void ArrayAppendString(plist_t array, const char* text);
// A new copy (free with free()) of a string node's text up to its first zero byte, or null when
// node is not a string. A string read from a file may hold zero bytes, which libplist's own
// getter refuses by ending the process.
char* PlistStringValue(plist_t node);
// A deep copy of node, or a new unsigned 0 / empty string when node is null.
plist_t CopyOrNewUint(plist_t node);
plist_t CopyOrNewString(plist_t node);
// Renders node as XML and discards the text; does nothing for null.
void PlistDumpXml(plist_t node);

// A byte string holding text; null gives the empty string.
std::string MakeString(const char* text);
// True when every character is a digit or c; the empty text gives true, null gives false.
bool IsDigitsOr(const char* text, char c);
// text cut at every run of delimiter characters, pieces joined with separator (nothing between
// them when separator is null); null when no piece is left or text is null.
char* SplitJoin(const char* text, const char* delimiters, const char* separator);
// Pointer into text at its last '.', or null.
const char* GetExtension(const char* text);
// Pointer into path after its last '/'; the whole text when it has none.
const char* GetLastPathComponent(const char* path);
// name appended to path, with '/' between them only when path holds a '/' that is not its last
// character.
char* JoinPath(const char* path, const char* name);
char* Concat(const char* a, const char* b);
bool Contains(const char* text, const char* pattern);
char* ReplaceChar(const char* text, char fill, char c);
char* ReplaceAll(const char* text, const char* find, const char* replacement);

// Two upper-case hex digits per byte, with a space before each byte that starts a new group of
// the given widths.
std::string HexDump(const unsigned char* bytes, std::size_t n, const int* widths, std::size_t k);
// The same text written to out, which holds at least 2 * n + k characters; returns its length.
std::size_t HexDump(const unsigned char* bytes, std::size_t n, const int* widths, std::size_t k,
                    char* out);
char HexDigitUpper(int n);
char HexDigitLower(int n);
int HexValue(char c);

}  // namespace ib
