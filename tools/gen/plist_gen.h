// Property lists that libplist cannot write: a binary writer that takes any object graph (deep,
// shared, cyclic, with dates outside 32 bits), and the damaged and hostile files built with it
// for the reader's tests and the fuzzers' seeds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace gen {

// Objects are numbered in the order they are added; references may point anywhere, also to an
// object added later or to the object itself.
class BinaryPlist {
  public:
    std::size_t String(const std::string& ascii);
    // A text as CoreFoundation stores it: ASCII as it is, any other (given as UTF-8) as UTF-16.
    std::size_t Text(const std::string& utf8);
    // An integer in the fewest of 1, 2, 4 or 8 bytes (8 for a negative one).
    std::size_t Integer(std::int64_t value);
    // Seconds since 2001-01-01 00:00:00 UTC, any double.
    std::size_t Date(double seconds);
    std::size_t True();
    std::size_t Array(const std::vector<std::size_t>& refs);
    std::size_t Dict(const std::vector<std::pair<std::size_t, std::size_t>>& entries);
    // Reserves an object to be filled in later (for cycles and chains built from the end).
    std::size_t Reserve();
    void SetArray(std::size_t index, const std::vector<std::size_t>& refs);

    std::string Bytes(std::size_t root) const;

  private:
    struct Object {
        std::string head;  // marker, length and payload
        std::vector<std::size_t> refs;
    };
    std::size_t Add(Object object);
    static std::string Head(unsigned type, std::size_t count);
    std::vector<Object> objects_;
};

// One item of Safari's History.plist as WebKit keeps it.
struct WebHistoryItem {
    std::string url;
    std::string title;
    std::string lastVisitedDate;  // seconds since 2001 as text, with a fraction
    std::int64_t visitCount = 1;
    bool hasTitle = true;
    std::vector<std::int64_t> daily = {};   // "D": visits of the last days; empty: no array
    std::vector<std::int64_t> weekly = {};  // "W": visits of the weeks before; empty: no array
};

// Safari's History.plist as CoreFoundation writes it: a dictionary of "WebHistoryDates" and
// "WebHistoryFileVersion", each item "", "lastVisitedDate", "title", "visitCount", "D", "W" in
// that order. The binary form refers to every distinct text and number once, wherever it occurs,
// as CoreFoundation's writer does (each container is its own); it is written here in one pass,
// as libplist's own writer, which shares values too, takes time that grows with their square.
std::string WebHistoryPlist(const std::vector<WebHistoryItem>& items, bool binary = true);

// count items of a phone that browses a few sites: short addresses, the titles of a site's pages
// repeated, "D" of 7 daily and "W" of 5 weekly counts, the newest visit first.
std::vector<WebHistoryItem> BrowsedHistory(std::size_t count);

// Info.plist with "Device Name", "Serial Number" and a "Last Backup Date" given as the XML
// date text ("2100-01-01T00:00:00Z") or as binary seconds since 2001.
std::string InfoPlistWithDate(const std::string& xmlDate, bool binary, double seconds2001);

// A dictionary with one key whose value is depth arrays nested in each other, as XML or binary.
std::string DeepPlist(std::size_t depth, bool binary);
// A binary dictionary whose array holds itself.
std::string CyclicBinaryPlist();
// A small binary file whose tree, counting every reference, holds width * width strings.
std::string WideBinaryPlist(std::size_t width);

// XML Info.plist files that libplist 2.2 takes time for that grows with the square of their size:
// a "Device Name" of count "&amp;" entities; a dictionary of count keys that all fall into one
// slot of libplist's 4096-slot key hash; a dictionary of distinct keys and then the last of them
// repeated repeats times. Each also holds "Serial Number" "C39KX0QZDTC1".
std::string EntitiesPlist(std::size_t count);
std::string EqualHashKeysPlist(std::size_t count);
std::string RepeatedKeysPlist(std::size_t distinct, std::size_t repeats);
// A binary Info.plist whose "Device Name" is levels arrays, each holding the next twice: a few
// dozen bytes whose tree, counting every reference, holds 2^levels texts.
std::string DoublingBinaryPlist(std::size_t levels);
// A binary Info.plist whose "Device Name" is an array of count references to one text.
std::string SharedTextBinaryPlist(std::size_t count);
// A binary History.plist of one visit, to "http://a.example/", whose "WebHistoryDates" then
// holds references one-byte references to one shared text of 43 bytes: a file of a byte a node.
std::string SharedTextHistoryPlist(std::size_t references);
// A key of about the given text that falls into the given slot of libplist's key hash.
std::string KeyInHashSlot(const std::string& text, unsigned slot);

}  // namespace gen
