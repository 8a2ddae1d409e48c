// Reads property lists of 1, 4, 16 and 64 MiB of every hostile shape, and a plain one of the same
// size and form, through the reader's own parse (check, libplist, free), and prints the time of
// each hostile file as a ratio to the plain one's, measured in the same run. Target: at most 2x.
//
// The plain file is a Safari History.plist: entries of an address, a title, a visit date and a
// count, as many as a heavy phone keeps (up to 15,000), their titles as long as the size asks.
// Each hostile shape comes as the attack was built ("as built"), which the check may refuse, and
// as the worst the check still lets through ("at the limit"), which libplist then parses.
#include <plist/plist.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_util.h"
#include "gen/plist_gen.h"
#include "ib/plist_guard.h"
#include "ib/xml_plist_check.h"

using namespace ib;

namespace {

const char kHead[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST "
    "1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\">\n";
const char kTail[] = "</plist>\n";

std::string LoadAverage() {
    FILE* f = std::fopen("/proc/loadavg", "r");
    char line[128] = {0};
    if (f != nullptr) {
        if (std::fgets(line, sizeof line, f) == nullptr) line[0] = 0;
        std::fclose(f);
    }
    std::string s(line);
    while (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
}

// --- the plain files ---

std::size_t Entries(std::size_t size) {
    return std::min<std::size_t>(size / 240, 15000);
}

std::string Title(std::size_t i, std::size_t length) {
    std::string t = "Example page " + std::to_string(i) + " ";
    static const char kWords[] = "news weather sport travel recipes music video maps ";
    while (t.size() < length) t += kWords[(t.size() * 7 + i) % (sizeof kWords - 1)];
    t.resize(length);
    return t;
}

std::string Url(std::size_t i) {
    return "https://www.example.com/page/" + std::to_string(i) + "/index.html";
}

std::string PlainXml(std::size_t size) {
    const std::size_t n = Entries(size);
    const std::size_t each = size / n;
    std::string out = kHead;
    out += "<dict>\n\t<key>WebHistoryDates</key>\n\t<array>\n";
    for (std::size_t i = 0; i < n; ++i) {
        std::string entry = "\t\t<dict>\n\t\t\t<key></key>\n\t\t\t<string>" + Url(i) +
                            "</string>\n\t\t\t<key>lastVisitedDate</key>\n\t\t\t<string>" +
                            std::to_string(400000000 + i) +
                            ".5</string>\n\t\t\t<key>visitCount</key>\n\t\t\t<integer>" +
                            std::to_string(1 + i % 40) + "</integer>\n\t\t\t<key>title</key>\n";
        const std::size_t rest = each > entry.size() + 40 ? each - entry.size() - 40 : 10;
        entry += "\t\t\t<string>" + Title(i, rest) + "</string>\n\t\t</dict>\n";
        out += entry;
    }
    out += "\t</array>\n\t<key>WebHistoryFileVersion</key>\n\t<integer>1</integer>\n</dict>\n";
    out += kTail;
    return out;
}

std::string PlainBinary(std::size_t size) {
    const std::size_t n = Entries(size);
    std::size_t titles = size / n > 110 ? size / n - 110 : 10;
    for (int pass = 0;; ++pass) {
        plist_t root = plist_new_dict();
        plist_t dates = plist_new_array();
        for (std::size_t i = 0; i < n; ++i) {
            plist_t e = plist_new_dict();
            plist_dict_set_item(e, "", plist_new_string(Url(i).c_str()));
            plist_dict_set_item(e, "lastVisitedDate",
                                plist_new_string((std::to_string(400000000 + i) + ".5").c_str()));
            plist_dict_set_item(e, "visitCount", plist_new_uint(1 + i % 40));
            plist_dict_set_item(e, "title", plist_new_string(Title(i, titles).c_str()));
            plist_array_append_item(dates, e);
        }
        plist_dict_set_item(root, "WebHistoryDates", dates);
        plist_dict_set_item(root, "WebHistoryFileVersion", plist_new_uint(1));
        char* bin = nullptr;
        uint32_t length = 0;
        plist_to_bin(root, &bin, &length);
        plist_free(root);
        std::string out(bin, length);
        std::free(bin);
        if (pass == 1 || out.size() >= size * 97 / 100) return out;
        titles += (size - out.size()) / n;
    }
}

// --- the hostile XML shapes ---

// The nodes a hostile XML file spends on its attack, as many as the checks let a file of its size
// hold; the rest of its size is texts.
std::size_t HostileNodes(std::size_t size) {
    return std::min<std::size_t>(180000, size / (kPlistXmlBytesPerNode + 2));
}

// The array's last elements: texts of 4 KiB, as a plain file holds them, that make up the rest
// of the size.
std::string Padded(std::string out, std::size_t size) {
    const std::size_t around = sizeof "<string></string>\n" + sizeof "</array>\n" + sizeof kTail;
    while (out.size() + around < size) {
        out += "<string>";
        out.append(std::min<std::size_t>(4096, size - out.size() - around), 'z');
        out += "</string>\n";
    }
    return out;
}

// A "Device Name" of entities.
std::string Entities(std::size_t size, std::size_t) {
    std::string out = std::string(kHead) + "<dict>\n\t<key>Device Name</key>\n\t<string>";
    while (out.size() < size) out += "&amp;";
    return out + "</string>\n</dict>\n" + kTail;
}

// Dictionaries of 10,000 keys that share libplist's hash slots, group keys to a slot.
std::string EqualHash(std::size_t size, std::size_t group) {
    std::vector<std::string> keys;
    for (std::size_t i = 0; i < kPlistMaxKeys; ++i)
        keys.push_back(gen::KeyInHashSlot("k" + std::to_string(i) + "_",
                                          static_cast<unsigned>(i / group) & 0xFFF));
    std::string out = std::string(kHead) + "<array>\n";
    std::size_t nodes = 0;
    for (std::size_t round = 0; out.size() < size && nodes < HostileNodes(size); ++round) {
        out += "<dict>\n";
        for (const std::string& k : keys) {
            out += "\t<key>" + k + "</key><integer>" + std::to_string(round) + "</integer>\n";
            nodes += 2;
            if (out.size() >= size || nodes >= HostileNodes(size)) break;
        }
        out += "</dict>\n";
    }
    return Padded(out, size) + "</array>\n" + kTail;
}

// Dictionaries of distinct keys, each key's value then given again and again under the last of
// them: 600 keys and 9,000 repeats as the attack was built, distinct keys of a dictionary of 100
// entries at the limit.
std::string RepeatedKeys(std::size_t size, std::size_t distinct) {
    const std::size_t entries = distinct == 600 ? 9600 : 100;
    std::string out = std::string(kHead) + "<array>\n";
    std::size_t nodes = 0;
    while (out.size() < size && nodes < HostileNodes(size)) {
        out += "<dict>\n";
        for (std::size_t i = 0; i < entries && out.size() < size; ++i) {
            out += "\t<key>u" + std::to_string(std::min(i, distinct - 1)) + "</key><true/>\n";
            nodes += 2;
        }
        out += "</dict>\n";
    }
    return Padded(out, size) + "</array>\n" + kTail;
}

// Dictionaries of distinct keys, up to the 251 libplist compares one by one.
std::string ListedKeys(std::size_t size, std::size_t keys) {
    std::string out = std::string(kHead) + "<array>\n";
    std::size_t nodes = 0;
    while (out.size() < size && nodes < HostileNodes(size)) {
        out += "<dict>";
        for (std::size_t i = 0; i < keys; ++i)
            out += "<key>k" + std::to_string(i) + "</key><true/>";
        out += "</dict>\n";
        nodes += 2 * keys + 1;
    }
    return Padded(out, size) + "</array>\n" + kTail;
}

// --- the hostile binary shapes ---

// A text of pad bytes that nothing refers to, so that a small tree fills the size.
void Pad(gen::BinaryPlist* p, std::size_t root, std::size_t size, std::string* bytes) {
    if (bytes->size() + 64 < size) {
        p->String(std::string(size - bytes->size() - 64, 'z'));
        *bytes = p->Bytes(root);
    }
}

// 21 arrays, each holding the next twice: two million nodes from a few bytes.
std::string SharedChain(std::size_t size, std::size_t) {
    gen::BinaryPlist p;
    std::size_t inner = p.String("x");
    for (int i = 0; i < 21; ++i) inner = p.Array({inner, inner});
    const std::size_t root = p.Dict({{p.String("Device Name"), inner}});
    std::string bytes = p.Bytes(root);
    Pad(&p, root, size, &bytes);
    return bytes;
}

// An array of 60,000 references, percent of them to one shared array of a text (two nodes
// each), the others to texts of their own.
std::string SharedArrays(std::size_t size, std::size_t percent) {
    gen::BinaryPlist p;
    const std::size_t shared = p.Array({p.String("shared")});
    std::vector<std::size_t> refs;
    for (std::size_t i = 0; i < 60000; ++i)
        refs.push_back(i % 100 < percent ? shared : p.String("text " + std::to_string(i)));
    const std::size_t root = p.Array(refs);
    std::string bytes = p.Bytes(root);
    Pad(&p, root, size, &bytes);
    return bytes;
}

// An array of count references to one shared text.
std::string SharedTexts(std::size_t size, std::size_t count) {
    gen::BinaryPlist p;
    const std::size_t text = p.String("shared text");
    const std::size_t root = p.Array(std::vector<std::size_t>(count, text));
    std::string bytes = p.Bytes(root);
    Pad(&p, root, size, &bytes);
    return bytes;
}

// 250 arrays nested, the innermost holding 190,000 texts.
std::string DeepAndWide(std::size_t size, std::size_t) {
    gen::BinaryPlist p;
    const std::size_t text = p.String("t");
    std::size_t inner = p.Array(std::vector<std::size_t>(190000, text));
    for (int i = 0; i < 250; ++i) inner = p.Array({inner});
    std::string bytes = p.Bytes(inner);
    Pad(&p, inner, size, &bytes);
    return bytes;
}

struct Result {
    double seconds;
    bool read;
};

Result Parse(const std::string& bytes, int runs) {
    bool read = false;
    const double t = bench::Best(runs, [&] {
        plist_t root = ParsePlistGuarded(bytes.data(), bytes.size());
        read = root != nullptr;
        plist_free(root);
    });
    return {t, read};
}

bool Accepted(const std::string& bytes) {
    if (bytes.compare(0, 8, "bplist00") == 0) return BinaryPlistIsSafe(bytes.data(), bytes.size());
    return XmlPlistCheck(bytes.data(), bytes.size()).Run();
}

using Maker = std::string (*)(std::size_t size, std::size_t knob);

// The largest knob in [low, high] whose file the check lets through (the worst accepted file), or
// 0 when none is.
std::size_t WorstAccepted(Maker make, std::size_t size, std::size_t low, std::size_t high) {
    if (!Accepted(make(size, low))) return 0;
    while (low < high) {
        const std::size_t mid = low + (high - low + 1) / 2;
        if (Accepted(make(size, mid))) {
            low = mid;
        } else {
            high = mid - 1;
        }
    }
    return low;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 3;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("property lists through the reader's parse, best of %d runs; load before: %s\n",
                runs, LoadAverage().c_str());
    std::printf("%-46s %4s %9s %8s %8s %9s %6s\n", "shape", "MiB", "bytes", "outcome", "seconds",
                "plain (s)", "ratio");
    bool met = true;
    double worst = 0;
    for (std::size_t mib : {1, 4, 16, 64}) {
        // A little under the size, so that every file stays within the reader's 64 MiB.
        const std::size_t size = (mib << 20) - 65536;
        const std::string plainXml = PlainXml(size);
        const std::string plainBin = PlainBinary(size);
        const Result xml = Parse(plainXml, runs);
        const Result bin = Parse(plainBin, runs);
        std::printf("%-46s %4zu %9zu %8s %8.4f\n", "plain XML (History.plist)", mib,
                    plainXml.size(), xml.read ? "read" : "REFUSED", xml.seconds);
        std::printf("%-46s %4zu %9zu %8s %8.4f\n", "plain binary (History.plist)", mib,
                    plainBin.size(), bin.read ? "read" : "REFUSED", bin.seconds);
        if (!xml.read || !bin.read) met = false;
        struct Shape {
            const char* name;
            Maker make;
            bool binary;
            std::size_t builtKnob;  // as the attack was built; 0: none
            std::size_t low, high;  // the knob's range at the limit; high 0: no such variant
        };
        const Shape shapes[] = {
            {"XML entities (&amp; repeated)", Entities, false, 1, 0, 0},
            {"XML keys of equal hash slot", EqualHash, false, kPlistMaxKeys, 1, kPlistMaxKeys},
            {"XML repeated keys", RepeatedKeys, false, 600, 1, 100},
            {"XML dictionaries of up to 251 keys", ListedKeys, false, 251, 1, 251},
            {"binary shared arrays (percent shared)", SharedArrays, true, 0, 1, 100},
            {"binary one text shared", SharedTexts, true, 0, 1, kPlistMaxNodes - 1},
            {"binary shared chain", SharedChain, true, 1, 0, 0},
            {"binary deep and wide", DeepAndWide, true, 1, 0, 0},
        };
        for (const Shape& shape : shapes) {
            const double plain = shape.binary ? bin.seconds : xml.seconds;
            auto row = [&](const std::string& label, const std::string& bytes) {
                const Result r = Parse(bytes, runs);
                const double ratio = r.seconds / plain;
                if (ratio > worst) worst = ratio;
                if (ratio > 2) met = false;
                std::printf("%-46s %4zu %9zu %8s %8.4f %9.4f %5.2fx\n", label.c_str(), mib,
                            bytes.size(), r.read ? "read" : "refused", r.seconds, plain, ratio);
            };
            if (shape.builtKnob != 0) row(shape.name, shape.make(size, shape.builtKnob));
            if (shape.high != 0) {
                const std::size_t knob = WorstAccepted(shape.make, size, shape.low, shape.high);
                const std::string label =
                    std::string(shape.name) + ", at the limit (" + std::to_string(knob) + ")";
                if (knob == 0) {
                    std::printf("%-46s %4zu  (none accepted)\n", label.c_str(), mib);
                } else {
                    row(label, shape.make(size, knob));
                }
            }
        }
    }
    std::printf("worst ratio %.2fx, target at most 2x: %s; load after: %s\n", worst,
                met ? "met" : "MISSED", LoadAverage().c_str());
    return 0;
}
