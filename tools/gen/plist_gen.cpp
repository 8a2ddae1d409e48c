#include "gen/plist_gen.h"

#include <plist/plist.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>

namespace gen {

namespace {

std::size_t BytesFor(std::uint64_t value) {
    std::size_t n = 1;
    while (n < 8 && value >> (8 * n) != 0) ++n;
    return n;
}

void PutBigEndian(std::string* out, std::uint64_t value, std::size_t n) {
    for (std::size_t i = n; i-- > 0;) out->push_back(static_cast<char>(value >> (8 * i)));
}

}  // namespace

std::string BinaryPlist::Head(unsigned type, std::size_t count) {
    std::string head;
    if (count < 15) {
        head.push_back(static_cast<char>(type << 4 | count));
    } else {
        head.push_back(static_cast<char>(type << 4 | 0xF));
        head.push_back(static_cast<char>(0x13));  // an 8-byte integer follows
        PutBigEndian(&head, count, 8);
    }
    return head;
}

std::size_t BinaryPlist::Add(Object object) {
    objects_.push_back(std::move(object));
    return objects_.size() - 1;
}

std::size_t BinaryPlist::String(const std::string& ascii) {
    return Add({Head(0x5, ascii.size()) + ascii, {}});
}

std::size_t BinaryPlist::Text(const std::string& utf8) {
    std::vector<std::uint32_t> points;
    bool ascii = true;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        const std::size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        std::uint32_t point = n == 1 ? c : c & (0x7F >> n);
        for (std::size_t k = 1; k < n && i + k < utf8.size(); ++k)
            point = point << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        points.push_back(point);
        ascii = ascii && n == 1;
        i += n;
    }
    if (ascii) return String(utf8);
    std::string units;
    for (std::uint32_t point : points) {
        if (point >= 0x10000) {
            PutBigEndian(&units, 0xD800 + ((point - 0x10000) >> 10), 2);
            PutBigEndian(&units, 0xDC00 + ((point - 0x10000) & 0x3FF), 2);
        } else {
            PutBigEndian(&units, point, 2);
        }
    }
    return Add({Head(0x6, units.size() / 2) + units, {}});
}

std::size_t BinaryPlist::Integer(std::int64_t value) {
    const std::uint64_t bits = static_cast<std::uint64_t>(value);
    const std::size_t n = value < 0            ? 8
                          : BytesFor(bits) > 4 ? 8
                          : BytesFor(bits) > 2 ? 4
                                               : BytesFor(bits);
    std::string head(1, static_cast<char>(0x10 | (n == 1 ? 0 : n == 2 ? 1 : n == 4 ? 2 : 3)));
    PutBigEndian(&head, bits, n);
    return Add({head, {}});
}

std::size_t BinaryPlist::Date(double seconds) {
    std::uint64_t raw = 0;
    std::memcpy(&raw, &seconds, sizeof raw);
    std::string head(1, static_cast<char>(0x33));
    PutBigEndian(&head, raw, 8);
    return Add({head, {}});
}

std::size_t BinaryPlist::True() {
    return Add({std::string(1, static_cast<char>(0x09)), {}});
}

std::size_t BinaryPlist::Array(const std::vector<std::size_t>& refs) {
    return Add({Head(0xA, refs.size()), refs});
}

std::size_t BinaryPlist::Dict(const std::vector<std::pair<std::size_t, std::size_t>>& entries) {
    Object o{Head(0xD, entries.size()), {}};
    for (const auto& e : entries) o.refs.push_back(e.first);
    for (const auto& e : entries) o.refs.push_back(e.second);
    return Add(o);
}

std::size_t BinaryPlist::Reserve() {
    return Add({Head(0xA, 0), {}});
}

void BinaryPlist::SetArray(std::size_t index, const std::vector<std::size_t>& refs) {
    objects_[index] = {Head(0xA, refs.size()), refs};
}

std::string BinaryPlist::Bytes(std::size_t root) const {
    const std::size_t refSize = BytesFor(objects_.size());
    std::string out = "bplist00";
    std::vector<std::uint64_t> offsets;
    offsets.reserve(objects_.size());
    for (const Object& o : objects_) {
        offsets.push_back(out.size());
        out += o.head;
        for (std::size_t r : o.refs) PutBigEndian(&out, r, refSize);
    }
    const std::uint64_t table = out.size();
    const std::size_t offsetSize = BytesFor(table);
    for (std::uint64_t at : offsets) PutBigEndian(&out, at, offsetSize);
    out.append(6, '\0');
    out.push_back(static_cast<char>(offsetSize));
    out.push_back(static_cast<char>(refSize));
    PutBigEndian(&out, objects_.size(), 8);
    PutBigEndian(&out, root, 8);
    PutBigEndian(&out, table, 8);
    return out;
}

std::string WebHistoryPlist(const std::vector<WebHistoryItem>& items, bool binary) {
    if (binary) {
        // Every distinct text and number once, as CoreFoundation's writer keeps them; the
        // containers each their own.
        BinaryPlist p;
        std::map<std::string, std::size_t> texts;
        std::map<std::int64_t, std::size_t> numbers;
        auto text = [&](const std::string& s) {
            const auto it = texts.find(s);
            return it != texts.end() ? it->second : texts[s] = p.Text(s);
        };
        auto number = [&](std::int64_t v) {
            const auto it = numbers.find(v);
            return it != numbers.end() ? it->second : numbers[v] = p.Integer(v);
        };
        auto counts = [&](const std::vector<std::int64_t>& values) {
            std::vector<std::size_t> refs;
            for (std::int64_t v : values) refs.push_back(number(v));
            return p.Array(refs);
        };
        std::vector<std::size_t> dates;
        for (const WebHistoryItem& e : items) {
            std::vector<std::pair<std::size_t, std::size_t>> entries = {
                {text(""), text(e.url)}, {text("lastVisitedDate"), text(e.lastVisitedDate)}};
            if (e.hasTitle) entries.push_back({text("title"), text(e.title)});
            entries.push_back({text("visitCount"), number(e.visitCount)});
            if (!e.daily.empty()) entries.push_back({text("D"), counts(e.daily)});
            if (!e.weekly.empty()) entries.push_back({text("W"), counts(e.weekly)});
            dates.push_back(p.Dict(entries));
        }
        const std::size_t history = p.Array(dates);
        return p.Bytes(p.Dict(
            {{text("WebHistoryDates"), history}, {text("WebHistoryFileVersion"), number(1)}}));
    }
    auto counts = [](const std::vector<std::int64_t>& values) {
        plist_t a = plist_new_array();
        for (std::int64_t v : values) plist_array_append_item(a, plist_new_uint(std::uint64_t(v)));
        return a;
    };
    plist_t root = plist_new_dict();
    plist_t dates = plist_new_array();
    for (const WebHistoryItem& e : items) {
        plist_t d = plist_new_dict();
        plist_dict_set_item(d, "", plist_new_string(e.url.c_str()));
        plist_dict_set_item(d, "lastVisitedDate", plist_new_string(e.lastVisitedDate.c_str()));
        if (e.hasTitle) plist_dict_set_item(d, "title", plist_new_string(e.title.c_str()));
        plist_dict_set_item(d, "visitCount", plist_new_uint(std::uint64_t(e.visitCount)));
        if (!e.daily.empty()) plist_dict_set_item(d, "D", counts(e.daily));
        if (!e.weekly.empty()) plist_dict_set_item(d, "W", counts(e.weekly));
        plist_array_append_item(dates, d);
    }
    plist_dict_set_item(root, "WebHistoryDates", dates);
    plist_dict_set_item(root, "WebHistoryFileVersion", plist_new_uint(1));
    char* data = nullptr;
    uint32_t length = 0;
    plist_to_xml(root, &data, &length);
    std::string out(data != nullptr ? data : "", length);
    std::free(data);
    plist_free(root);
    return out;
}

std::vector<WebHistoryItem> BrowsedHistory(std::size_t count) {
    struct Site {
        const char* address;
        const char* titles[4];
    };
    static const Site kSites[] = {
        {"https://m.bbc.co.uk/news/",
         {"BBC News - Home", "BBC News - World", "BBC Sport - Football", "BBC Weather"}},
        {"https://www.google.com/search?q=",
         {"Google", "weather - Google Search", "maps - Google Search", "news - Google Search"}},
        {"https://en.m.wikipedia.org/wiki/",
         {"Wikipedia", "Paris - Wikipedia", "Moon - Wikipedia", "Jazz - Wikipedia"}},
        {"https://m.facebook.com/", {"Facebook", "Facebook", "Log in to Facebook", "Facebook"}},
        {"https://mobile.twitter.com/", {"Twitter", "Home / Twitter", "Twitter", "Search"}},
    };
    std::vector<WebHistoryItem> items(count);
    for (std::size_t i = 0; i < count; ++i) {
        const Site& site = kSites[(i * 7 + i / 5) % 5];
        WebHistoryItem& e = items[i];
        e.url = site.address + std::to_string(i);
        e.title = site.titles[(i / 3) % 4];
        e.hasTitle = i % 17 != 16;
        // Newest first, a few minutes apart, with WebKit's one decimal.
        e.lastVisitedDate =
            std::to_string(430000000 - 240 * i - i % 7) + "." + std::to_string(i * 3 % 10);
        e.visitCount = static_cast<std::int64_t>(1 + i % 4 + (i % 9 == 0 ? 20 : 0));
        e.daily.resize(7);
        for (std::size_t d = 0; d < 7; ++d) e.daily[d] = (i + d) % 3 == 0 ? 1 + (i + d) % 2 : 0;
        e.weekly.resize(5);
        for (std::size_t w = 0; w < 5; ++w) e.weekly[w] = (i + w) % 4 == 0 ? 1 + (i % 3) : 0;
    }
    return items;
}

std::string InfoPlistWithDate(const std::string& xmlDate, bool binary, double seconds2001) {
    if (binary) {
        BinaryPlist p;
        const std::size_t root = p.Dict({{p.String("Device Name"), p.String("Ann's iPhone")},
                                         {p.String("Last Backup Date"), p.Date(seconds2001)},
                                         {p.String("Serial Number"), p.String("C39KX0QZDTC1")}});
        return p.Bytes(root);
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n<dict>\n"
           "\t<key>Device Name</key>\n\t<string>Ann's iPhone</string>\n"
           "\t<key>Last Backup Date</key>\n\t<date>" +
           xmlDate +
           "</date>\n"
           "\t<key>Serial Number</key>\n\t<string>C39KX0QZDTC1</string>\n"
           "</dict>\n</plist>\n";
}

std::string DeepPlist(std::size_t depth, bool binary) {
    if (binary) {
        BinaryPlist p;
        const std::size_t key = p.String("WebHistoryDates");
        std::size_t inner = p.Array({});
        for (std::size_t i = 1; i < depth; ++i) inner = p.Array({inner});
        return p.Bytes(p.Dict({{key, inner}}));
    }
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
        "<key>WebHistoryDates</key>\n";
    out.reserve(out.size() + depth * 15 + 32);
    for (std::size_t i = 0; i < depth; ++i) out += "<array>";
    for (std::size_t i = 0; i < depth; ++i) out += "</array>";
    out += "\n</dict>\n</plist>\n";
    return out;
}

std::string CyclicBinaryPlist() {
    BinaryPlist p;
    const std::size_t loop = p.Reserve();
    p.SetArray(loop, {p.String("https://example.com/"), loop});
    const std::size_t root = p.Dict(
        {{p.String("Device Name"), p.String("Ann's iPhone")}, {p.String("WebHistoryDates"), loop}});
    return p.Bytes(root);
}

std::string WideBinaryPlist(std::size_t width) {
    BinaryPlist p;
    const std::size_t leaf = p.String("https://example.com/");
    const std::size_t row = p.Array(std::vector<std::size_t>(width, leaf));
    const std::size_t table = p.Array(std::vector<std::size_t>(width, row));
    const std::size_t root = p.Dict({{p.String("WebHistoryDates"), table}});
    return p.Bytes(root);
}

std::string DoublingBinaryPlist(std::size_t levels) {
    BinaryPlist p;
    std::size_t inner = p.String("x");
    for (std::size_t i = 0; i < levels; ++i) inner = p.Array({inner, inner});
    return p.Bytes(p.Dict({{p.String("Device Name"), inner}}));
}

std::string SharedTextBinaryPlist(std::size_t count) {
    BinaryPlist p;
    const std::size_t text = p.String("https://example.com/");
    const std::size_t list = p.Array(std::vector<std::size_t>(count, text));
    return p.Bytes(p.Dict({{p.String("Device Name"), list}}));
}

std::string SharedTextHistoryPlist(std::size_t references) {
    BinaryPlist p;
    const std::size_t visit = p.Dict({{p.String(""), p.String("http://a.example/")}});
    std::vector<std::size_t> dates(references + 1, p.String(std::string(43, 's')));
    dates[0] = visit;
    return p.Bytes(p.Dict({{p.String("WebHistoryDates"), p.Array(dates)}}));
}

namespace {

const char kXmlHead[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST "
    "1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist "
    "version=\"1.0\">\n<dict>\n"
    "\t<key>Serial Number</key>\n\t<string>C39KX0QZDTC1</string>\n";
const char kXmlTail[] = "</dict>\n</plist>\n";

}  // namespace

std::string EntitiesPlist(std::size_t count) {
    std::string out = kXmlHead;
    out += "\t<key>Device Name</key>\n\t<string>";
    out.reserve(out.size() + 5 * count + 64);
    for (std::size_t i = 0; i < count; ++i) out += "&amp;";
    return out + "</string>\n" + kXmlTail;
}

std::string KeyInHashSlot(const std::string& text, unsigned slot) {
    // libplist's hash: h = h * 33 + c from 5381, of which the slot keeps the low 12 bits. Three
    // letters more reach every slot.
    unsigned hash = 5381;
    for (char c : text) hash = hash * 33 + static_cast<unsigned>(static_cast<int>(c));
    for (unsigned c0 = 'a'; c0 <= 'z'; ++c0) {
        for (unsigned c1 = 'a'; c1 <= 'z'; ++c1) {
            const unsigned c2 = (slot - ((hash * 33 + c0) * 33 + c1) * 33) & 0xFFF;
            if (c2 >= 'a' && c2 <= 'z')
                return text + static_cast<char>(c0) + static_cast<char>(c1) + static_cast<char>(c2);
        }
    }
    return text;
}

std::string EqualHashKeysPlist(std::size_t count) {
    std::string out = kXmlHead;
    out +=
        "\t<key>Device Name</key>\n\t<string>Ann's iPhone</string>\n\t<key>Keys</key>\n\t<dict>\n";
    for (std::size_t i = 0; i < count; ++i)
        out += "\t\t<key>" + KeyInHashSlot("k" + std::to_string(i) + "_", 7) + "</key><true/>\n";
    return out + "\t</dict>\n" + kXmlTail;
}

std::string RepeatedKeysPlist(std::size_t distinct, std::size_t repeats) {
    std::string out = kXmlHead;
    out +=
        "\t<key>Device Name</key>\n\t<string>Ann's iPhone</string>\n\t<key>Keys</key>\n\t<dict>\n";
    for (std::size_t i = 0; i < distinct + repeats; ++i) {
        out += "\t\t<key>u" + std::to_string(i < distinct ? i : distinct - 1) + "</key><true/>\n";
    }
    return out + "\t</dict>\n" + kXmlTail;
}

}  // namespace gen
