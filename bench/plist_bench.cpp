// Reads property lists through the reader's own parse (check, libplist, free): Safari histories
// as a phone keeps them (WebKit's items with "D" and "W", 1,000, 20,000 and 50,000 of them, binary
// as CoreFoundation writes it and as XML) and every hostile shape at 1, 4, 16 and 64 MiB, side by
// side. Each hostile shape comes as the attack was built ("as built"), which the check may
// refuse, and as the worst the check still lets through ("at the limit"), which libplist then
// parses.
//
// Each row prints its time (best of the runs) against a floor measured in the same run, the least
// work any reader of the file must do: one pass over its bytes, and one small block allocated and
// freed for every node of the tree that the file gives (none for a file refused). Its peak
// memory is measured in a fresh process of its own (this program run again), as the growth of the
// resident memory from the file in memory to the peak of the parse. Target: every hostile file
// refused or read in at most 1 s and 300 MB; every history read.
//
// Usage: plist_bench [runs]   (default 3)
#include <plist/plist.h>
#include <unistd.h>

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

// --- the hostile XML shapes ---

// The nodes a hostile XML file spends on its attack: as many as the checks let a file hold, less
// room for the texts that make up the rest of its size.
std::size_t HostileNodes(std::size_t) {
    return kPlistMaxNodes - 20000;
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

// An array of count one-byte references to one shared text, as long as the bytes of a tree at the
// node limit allow (43 bytes): the most nodes and bytes that a file of a few bytes a node makes.
std::string SharedTexts(std::size_t size, std::size_t count) {
    gen::BinaryPlist p;
    const std::size_t text = p.String(std::string(kPlistMaxBytes / kPlistMaxNodes - 1, 's'));
    const std::size_t root = p.Array(std::vector<std::size_t>(count, text));
    std::string bytes = p.Bytes(root);
    Pad(&p, root, size, &bytes);
    return bytes;
}

// An array of count one-byte references to one UTF-16 text, as long as the bytes of a tree at the
// node limit allow (libplist asks four bytes a unit and four more to turn it into UTF-8).
std::string SharedUtf16Texts(std::size_t size, std::size_t count) {
    gen::BinaryPlist p;
    std::string text;
    for (std::size_t i = 0; i < kPlistMaxBytes / kPlistMaxNodes / 4 - 1; ++i)
        text += "\xE6\x96\xB0";
    const std::size_t shared = p.Text(text);
    const std::size_t root = p.Array(std::vector<std::size_t>(count, shared));
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

// A file's parse: the median of its runs (targets and ratios are taken of medians) and the best.
struct Measure {
    double seconds = 0;
    double best = 0;
    bool read = false;
    std::size_t nodes = 0;
};

// The nodes of a tree, shared objects once for every reference, dictionary keys included.
std::size_t Nodes(plist_t node) {
    std::size_t n = 1;
    if (plist_get_node_type(node) == PLIST_ARRAY) {
        // By the iterator: libplist 2.2 finds an item of a parsed array by walking to it.
        plist_array_iter it = nullptr;
        plist_array_new_iter(node, &it);
        for (;;) {
            plist_t item = nullptr;
            plist_array_next_item(node, it, &item);
            if (item == nullptr) break;
            n += Nodes(item);
        }
        std::free(it);
    } else if (plist_get_node_type(node) == PLIST_DICT) {
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, it, &key, &value);
            if (value == nullptr) break;
            std::free(key);
            n += 1 + Nodes(value);
        }
        std::free(it);
    }
    return n;
}

Measure Parse(const std::string& bytes, int runs) {
    Measure m;
    const bench::Spread t = bench::Times(runs, [&] {
        plist_t root = ParsePlistGuarded(bytes.data(), bytes.size());
        m.read = root != nullptr;
        plist_free(root);
    });
    m.seconds = t.Median();
    m.best = t.Best();
    plist_t root = ParsePlistGuarded(bytes.data(), bytes.size());
    if (root != nullptr) m.nodes = Nodes(root);
    plist_free(root);
    return m;
}

// The floor, the median of its runs: every byte read once, and a block of 32 bytes made and freed
// for every node.
double Floor(const std::string& bytes, std::size_t nodes, int runs) {
    volatile unsigned sink = 0;
    std::vector<void*> blocks(nodes);
    const bench::Spread t = bench::Times(runs, [&] {
        unsigned sum = 0;
        for (unsigned char c : bytes) sum += c;
        sink = sink + sum;
        for (void*& b : blocks) {
            b = std::malloc(32);
            static_cast<char*>(b)[0] = static_cast<char>(sum);
        }
        for (void* b : blocks) std::free(b);
    });
    return t.Median();
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

// The histories, by items and form (knob: 1 binary, 0 XML).
std::string History(std::size_t items, std::size_t binary) {
    return gen::WebHistoryPlist(gen::BrowsedHistory(items), binary != 0);
}

struct Shape {
    const char* name;
    Maker make;
    bool binary;
    std::size_t builtKnob;  // as the attack was built; 0: none
    std::size_t low, high;  // the knob's range at the limit; high 0: no such variant
};

const Shape kShapes[] = {
    {"XML entities (&amp; repeated)", Entities, false, 1, 0, 0},
    {"XML keys of equal hash slot", EqualHash, false, kPlistMaxKeys, 1, kPlistMaxKeys},
    {"XML repeated keys", RepeatedKeys, false, 600, 1, 100},
    {"XML dictionaries of up to 251 keys", ListedKeys, false, 251, 1, 251},
    {"binary shared arrays (percent shared)", SharedArrays, true, 0, 1, 100},
    {"binary one-byte refs to one text", SharedTexts, true, 0, 1, kPlistMaxNodes},
    {"binary one-byte refs to one UTF-16 text", SharedUtf16Texts, true, 0, 1, kPlistMaxNodes},
    {"binary shared chain", SharedChain, true, 1, 0, 0},
    {"binary deep and wide", DeepAndWide, true, 1, 0, 0},
};

Maker MakerNamed(const std::string& name) {
    if (name == "history") return History;
    for (const Shape& s : kShapes)
        if (name == s.name) return s.make;
    return nullptr;
}

// In a fresh process: the file read, then the growth of the resident memory to the parse's peak.
int PrintPeak(const char* path) {
    std::string bytes;
    if (std::FILE* f = std::fopen(path, "rb")) {
        char buffer[1 << 16];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
            bytes.append(buffer, n);
        std::fclose(f);
    }
    if (bytes.empty()) return 1;
    const long before = bench::StatusKb("VmRSS");
    bench::ResetPeak();
    plist_t root = ParsePlistGuarded(bytes.data(), bytes.size());
    const long peak = bench::StatusKb("VmHWM");
    plist_free(root);
    std::printf("%ld\n", std::max(0L, peak - before));
    return 0;
}

// The peak's growth in MB, measured in a fresh process that reads the file; -1 when that failed.
double PeakMb(const std::string& bytes) {
    char path[] = "/tmp/plist_bench_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return -1;
    const bool written = write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    close(fd);
    bool ok = false;
    const std::string out = written ? bench::RunSelf({"--peak", path}, &ok) : "";
    unlink(path);
    return ok ? std::atof(out.c_str()) / 1024 : -1;
}

struct Totals {
    bool met = true;
    double slowest = 0;
    double largest = 0;
};

void Row(const std::string& label, const std::string& shape, std::size_t size, std::size_t knob,
         bool hostile, int runs, Totals* totals) {
    const std::string bytes = MakerNamed(shape)(size, knob);
    const Measure m = Parse(bytes, runs);
    const double floor = Floor(bytes, m.read ? m.nodes : 0, runs);
    const double mb = PeakMb(bytes);
    if (hostile) {
        totals->slowest = std::max(totals->slowest, m.seconds);
        totals->largest = std::max(totals->largest, mb);
        if (m.seconds > 1 || mb > 300 || mb < 0) totals->met = false;
    } else if (!m.read) {
        totals->met = false;
    }
    std::printf("%-50s %9zu %8s %8zu %8.4f %8.4f %8.4f %7.2fx %8.1f\n", label.c_str(), bytes.size(),
                m.read ? "read" : "refused", m.nodes, m.seconds, m.best, floor,
                floor > 0 ? m.seconds / floor : 0.0, mb);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--peak") return PrintPeak(argv[2]);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf(
        "property lists through the reader's parse, %d runs each: the median and the best, the "
        "ratio of medians\n",
        runs);
    bench::PrintLoad("before");
    std::printf("%-50s %9s %8s %8s %8s %8s %8s %8s %8s\n", "file", "bytes", "outcome", "nodes",
                "median s", "best s", "floor", "ratio", "peak MB");
    Totals totals;
    for (std::size_t items : {1000, 20000, 50000}) {
        for (std::size_t binary : {1, 0}) {
            const std::string label = std::string("History.plist, ") + std::to_string(items) +
                                      " items, " + (binary ? "binary" : "XML");
            Row(label, "history", items, binary, false, runs, &totals);
        }
    }
    for (std::size_t mib : {1, 4, 16, 64}) {
        // A little under the size, so that every file stays within the reader's 64 MiB.
        const std::size_t size = (mib << 20) - 65536;
        for (const Shape& shape : kShapes) {
            const std::string at = std::to_string(mib) + " MiB";
            if (shape.builtKnob != 0)
                Row(std::string(shape.name) + ", " + at, shape.name, size, shape.builtKnob, true,
                    runs, &totals);
            if (shape.high == 0) continue;
            const std::size_t knob = WorstAccepted(shape.make, size, shape.low, shape.high);
            const std::string label = std::string(shape.name) + ", " + at + " at the limit (" +
                                      std::to_string(knob) + ")";
            if (knob == 0) {
                std::printf("%-50s (none accepted)\n", label.c_str());
            } else {
                Row(label, shape.name, size, knob, true, runs, &totals);
            }
        }
    }
    std::printf(
        "hostile files: slowest %.3f s, largest peak %.1f MB; target every one at most 1 s and "
        "300 MB, every history read: %s\n",
        totals.slowest, totals.largest, totals.met ? "met" : "MISSED");
    bench::PrintLoad("after");
    return 0;
}
