#include "ib/ib_util.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "ib/plist_guard.h"
#include "util/wz_tool.h"

namespace ib {

namespace {

// A zero-filled 24-byte buffer holding the time with the day padded by a space, or the empty
// text.
char* PrintTime(const struct tm* t) {
    char* out = static_cast<char*>(std::calloc(24, 1));
    if (out == nullptr || t == nullptr) return out;
    const int year = t->tm_year + 1900;
    if (year < 0 || year > 9999) return out;
    // Printed in full first: the fields of a broken-down time are plain ints to the compiler.
    char text[80];
    std::snprintf(text, sizeof text, "%.4d-%.2d-%2d %.2d:%.2d:%.2d", year, t->tm_mon + 1,
                  t->tm_mday, t->tm_hour, t->tm_min, t->tm_sec);
    std::memcpy(out, text, std::min<std::size_t>(std::strlen(text), 23));
    return out;
}

char* PrintLocal(std::int64_t seconds) {
    char* out = static_cast<char*>(std::calloc(24, 1));
    if (out != nullptr) FormatUnixTimeInto(seconds, out);
    return out;
}

char* Dup(const std::string& s) {
    char* out = static_cast<char*>(std::malloc(s.size() + 1));
    if (out != nullptr) std::memcpy(out, s.c_str(), s.size() + 1);
    return out;
}

}  // namespace

std::string GetBackupRoot() {
    char* root = WZGetBackupRoot();
    if (root == nullptr) return std::string();
    std::string out(root);
    std::free(root);
    return out;
}

int IsBinaryPlist(const char* path) {
    FILE* f = WZfopen(path, "rb");
    if (f == nullptr) return 0;
    char head[9] = {0};
    const size_t n = std::fread(head, 1, 8, f);
    std::fclose(f);
    return n == 8 && std::memcmp(head, "bplist00", 8) == 0 ? 1 : 0;
}

plist_t ReadPlistFile(const char* path) {
    // One open: the size, the bytes and their form all come from the file that was opened.
    FILE* f = WZfopen(path, "rb");
    if (f == nullptr) return nullptr;
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || st.st_size <= 0 ||
        static_cast<std::uint64_t>(st.st_size) > kPlistMaxBytes) {
        std::fclose(f);
        return nullptr;
    }
    const size_t size = static_cast<size_t>(st.st_size);
    char* buffer = static_cast<char*>(std::malloc(size + 1));
    if (buffer == nullptr) {
        std::fclose(f);
        return nullptr;
    }
    const size_t got = std::fread(buffer, 1, size, f);
    std::fclose(f);
    buffer[got] = 0;
    plist_t root = ParsePlistGuarded(buffer, got);
    std::free(buffer);
    return root;
}

std::string WideToUtf8(const wchar_t* text) {
    char* utf8 = WZUnicode2Utf8(text);
    if (utf8 == nullptr) return std::string();
    std::string out(utf8);
    std::free(utf8);
    return out;
}

bool FormatUnixTimeInto(std::int64_t seconds, char out[19]) {
    if (seconds < LLONG_MIN / 2 || seconds > LLONG_MAX / 2) return false;
    const time_t tt = static_cast<time_t>(seconds);
    struct tm t;
    if (localtime_r(&tt, &t) == nullptr) return false;
    const int year = t.tm_year + 1900;
    if (year < 0 || year > 9999) return false;
    // "%.4d-%.2d-%.2d %.2d:%.2d:%.2d", written digit by digit: readers call this once per row.
    auto two = [out](int at, int v) {
        out[at] = static_cast<char>('0' + v / 10 % 10);
        out[at + 1] = static_cast<char>('0' + v % 10);
    };
    two(0, year / 100);
    two(2, year % 100);
    out[4] = '-';
    two(5, t.tm_mon + 1);
    out[7] = '-';
    two(8, t.tm_mday);
    out[10] = ' ';
    two(11, t.tm_hour);
    out[13] = ':';
    two(14, t.tm_min);
    out[16] = ':';
    two(17, t.tm_sec);
    return true;
}

char* FormatUnixTime(std::int64_t seconds) {
    return PrintLocal(seconds);
}

char* FormatDuration(std::uint32_t seconds) {
    char* out = static_cast<char*>(std::calloc(16, 1));
    if (out == nullptr) return nullptr;
    std::snprintf(out, 16, "%.2u:%.2u:%.2u", seconds / 3600u, seconds % 3600u / 60u, seconds % 60u);
    return out;
}

char* FormatNow() {
    const time_t now = std::time(nullptr);
    struct tm t;
    if (localtime_r(&now, &t) == nullptr) return PrintTime(nullptr);
    return PrintTime(&t);
}

bool FormatAppleTimeInto(std::int64_t seconds, char out[19]) {
    std::int64_t unixSeconds = 0;
    if (__builtin_add_overflow(seconds, kAppleEpochUnixSeconds, &unixSeconds)) return false;
    return FormatUnixTimeInto(unixSeconds, out);
}

char* FormatAppleTime(std::int64_t seconds) {
    char* out = static_cast<char*>(std::calloc(24, 1));
    if (out != nullptr) FormatAppleTimeInto(seconds, out);
    return out;
}

std::int64_t ColumnToInt(const char* text) {
    if (text == nullptr) return 0;
    return std::strtoll(text, nullptr, 10);
}

void DictInsertString(plist_t dict, const char* key, const char* value) {
    plist_dict_set_item(dict, key, plist_new_string(value ? value : ""));
}

void DictInsertStringOrNone(plist_t dict, const char* key, const char* value) {
    plist_dict_set_item(dict, key, plist_new_string(value && *value ? value : "(None)"));
}

void ArrayAppendString(plist_t array, const char* text) {
    plist_array_append_item(array, plist_new_string(text ? text : ""));
}

char* PlistStringValue(plist_t node) {
    if (node == nullptr || plist_get_node_type(node) != PLIST_STRING) return nullptr;
    uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    if (text == nullptr) return nullptr;
    const std::size_t n = strnlen(text, static_cast<std::size_t>(length));
    char* copy = static_cast<char*>(std::malloc(n + 1));
    if (copy == nullptr) return nullptr;
    std::memcpy(copy, text, n);
    copy[n] = 0;
    return copy;
}

plist_t CopyOrNewUint(plist_t node) {
    return node ? plist_copy(node) : plist_new_uint(0);
}
plist_t CopyOrNewString(plist_t node) {
    return node ? plist_copy(node) : plist_new_string("");
}

void PlistDumpXml(plist_t node) {
    if (node == nullptr) return;
    char* xml = nullptr;
    uint32_t len = 0;
    plist_to_xml(node, &xml, &len);
    std::free(xml);
}

std::string MakeString(const char* text) {
    return text ? std::string(text) : std::string();
}

bool IsDigitsOr(const char* text, char c) {
    if (text == nullptr) return false;
    for (const char* p = text; *p; ++p) {
        if (!(*p >= '0' && *p <= '9') && *p != c) return false;
    }
    return true;
}

char* SplitJoin(const char* text, const char* delimiters, const char* separator) {
    if (text == nullptr || delimiters == nullptr) return nullptr;
    std::string result;
    const char* p = text;
    bool first = true;
    while (*p) {
        p += std::strspn(p, delimiters);
        if (*p == 0) break;
        const size_t len = std::strcspn(p, delimiters);
        if (!first && separator != nullptr) result += separator;
        result.append(p, len);
        first = false;
        p += len;
    }
    if (result.empty()) return nullptr;
    return Dup(result);
}

const char* GetExtension(const char* text) {
    return text ? std::strrchr(text, '.') : nullptr;
}

const char* GetLastPathComponent(const char* path) {
    if (path == nullptr) return nullptr;
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

char* Concat(const char* a, const char* b) {
    return Dup(std::string(a ? a : "") + (b ? b : ""));
}

char* JoinPath(const char* path, const char* name) {
    const char* p = path ? path : "";
    const char* slash = std::strrchr(p, '/');
    const bool inner = slash != nullptr && slash[1] != 0;
    std::string joined(p);
    if (inner) joined += '/';
    joined += name ? name : "";
    return Dup(joined);
}

bool Contains(const char* text, const char* pattern) {
    return text && pattern && std::strstr(text, pattern) != nullptr;
}

char* ReplaceChar(const char* text, char fill, char c) {
    if (text == nullptr) return nullptr;
    std::string s(text);
    for (char& ch : s) {
        if (ch == c) ch = fill;
    }
    return Dup(s);
}

char* ReplaceAll(const char* text, const char* find, const char* replacement) {
    if (text == nullptr) return nullptr;
    std::string s(text);
    if (find == nullptr || *find == 0) return Dup(s);
    const std::string f(find), r(replacement ? replacement : "");
    size_t pos = 0;
    while ((pos = s.find(f, pos)) != std::string::npos) {
        s.replace(pos, f.size(), r);
        pos += r.size();
    }
    return Dup(s);
}

char HexDigitUpper(int n) {
    return "0123456789ABCDEF"[n & 0xF];
}
char HexDigitLower(int n) {
    return "0123456789abcdef"[n & 0xF];
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

std::size_t HexDump(const unsigned char* bytes, std::size_t n, const int* widths, std::size_t k,
                    char* out) {
    std::size_t len = 0;
    std::size_t i = 0;
    std::size_t s = 0;
    for (std::size_t j = 0; j < n; ++j) {
        if (i < k && s + static_cast<std::size_t>(widths[i]) == j) {
            out[len++] = ' ';
            s += static_cast<std::size_t>(widths[i]);
            ++i;
        }
        out[len++] = HexDigitUpper(bytes[j] >> 4);
        out[len++] = HexDigitUpper(bytes[j]);
    }
    return len;
}

std::string HexDump(const unsigned char* bytes, std::size_t n, const int* widths, std::size_t k) {
    std::string out(2 * n + k, '\0');
    out.resize(HexDump(bytes, n, widths, k, out.data()));
    return out;
}

}  // namespace ib
