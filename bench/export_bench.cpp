// Exports 100,000 messages in 2,000 conversations and 20,000 contacts as pages, against a floor
// measured in the same run: the same cells read from the same records, converted to UTF-8,
// serialised with RapidJSON's writer and written to a file in one write. Targets: at most 2x the
// floor's time, and a peak memory above the process's baseline of at most 4x the page's size.
//
// Usage: export_bench [conversations [messages-per-conversation [contacts]]]
#include <malloc.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/init.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "base/process_memory.h"
#include "bench_util.h"
#include "common/string_util.h"
#include "domain/domain_export.h"
#include "domain/kind_obj.h"
#include "gen/backup_gen.h"

namespace {

using bench::Best;
using bench::Seconds;

// Kilobytes of a "Vm...:" line of /proc/self/status.
long StatusKb(const char* key) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr) return -1;
    char line[256];
    long kb = -1;
    const std::size_t n = std::strlen(key);
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::strncmp(line, key, n) == 0) kb = std::strtol(line + n + 1, nullptr, 10);
    }
    std::fclose(f);
    return kb;
}

// Peak resident memory above the baseline while f runs, in bytes; -1 when it cannot be
// measured. Called in a fresh process (this program run again with "--peak") that built the
// records and ran nothing else, so that no earlier export shaped its heap.
template <class F>
long PeakAbove(F f) {
    malloc_trim(0);
    // Reset the peak to the current size, then measure.
    FILE* clear = std::fopen("/proc/self/clear_refs", "w");
    if (clear == nullptr) return -1;
    std::fputs("5", clear);
    std::fclose(clear);
    const long base = StatusKb("VmRSS:");
    f();
    return (StatusKb("VmHWM:") - base) * 1024;
}

// The peak of one export of kind ("messages" or "contacts") in a fresh process, -1 on failure.
long FreshPeak(const char* kind, int argc, char** argv) {
    std::vector<std::string> args = {"--peak", kind};
    for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
    bool ok = false;
    const std::string out = bench::RunSelf(args, &ok);
    long peak = -1;
    if (!ok || std::sscanf(out.c_str(), "%ld", &peak) != 1) return -1;
    return peak;
}

const char* const kWords[] = {
    "ok",          "see",          "you",     "tomorrow",
    "at",          "the",          "station", "\xF0\x9F\x98\x80",
    "caf\xC3\xA9", "\xE7\x8E\x8B", "lunch",   "\"quoted\"",
    "line\nbreak", "<b>",          "running", "late",
};

wxString Sentence(std::mt19937& rng, int words) {
    std::string s;
    for (int i = 0; i < words; ++i) {
        if (i) s += ' ';
        s += kWords[rng() % (sizeof kWords / sizeof kWords[0])];
    }
    return wxString::FromUTF8(s.c_str());
}

wxString Stamp(std::mt19937& rng) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4d-%.2d-%.2d %.2d:%.2d:%.2d",
                  static_cast<int>(2012 + rng() % 3), static_cast<int>(1 + rng() % 12),
                  static_cast<int>(1 + rng() % 28), static_cast<int>(rng() % 24),
                  static_cast<int>(rng() % 60), static_cast<int>(rng() % 60));
    return text;
}

wxString Phone(std::mt19937& rng) {
    char text[32];
    std::snprintf(text, sizeof text, "+1 (555) %.3u-%.4u", static_cast<unsigned>(rng() % 1000),
                  static_cast<unsigned>(rng() % 10000));
    return text;
}

// A cell of the floor: a record's text, converted to UTF-8 when written, or a text already in
// UTF-8 (the row numbers and the constant cells, which the export does not convert per row
// either).
struct FloorCell {
    FloorCell(const wxString* t) : text(t) {}
    FloorCell(const std::string* u) : utf8(u) {}
    const wxString* text = nullptr;
    const std::string* utf8 = nullptr;
};

// The floor: the same cells read from the same records, each record text converted to UTF-8 and
// handed straight to RapidJSON's writer, the text written in one write. No table, no template,
// no escaping for the page's script, and no formatting the export does not do: row numbers are
// written as decimal digits directly.
class Floor {
  public:
    Floor() : writer_(buffer_) { writer_.StartArray(); }
    void Row(std::initializer_list<FloorCell> cells) {
        writer_.StartArray();
        for (const FloorCell& c : cells) {
            const std::string* text = c.utf8;
            if (text == nullptr) {
                cell_.clear();
                StringUtil::AppendUtf8(cell_, *c.text);
                text = &cell_;
            }
            writer_.String(text->data(), static_cast<rapidjson::SizeType>(text->size()));
        }
        writer_.EndArray();
    }
    void Write(const std::string& path) {
        writer_.EndArray();
        FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr) return;
        std::fwrite(buffer_.GetString(), 1, buffer_.GetSize(), f);
        std::fclose(f);
    }

  private:
    rapidjson::StringBuffer buffer_;
    rapidjson::Writer<rapidjson::StringBuffer> writer_;
    std::string cell_;
};

long FileSize(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

struct Result {
    const char* name;
    bench::Spread exportSeconds;
    double floorSeconds;
    long page;
    long peak;
};

int Report(const Result& r) {
    const double median = r.exportSeconds.Median();
    const double timeRatio = median / r.floorSeconds;
    const double memRatio = r.page > 0 && r.peak >= 0 ? static_cast<double>(r.peak) / r.page : -1;
    std::printf(
        "%-9s page %.1f MB; export %s ms, floor %.1f ms: ratio %.2f to %.2f (target <= 2, on "
        "the median; load %s)\n",
        r.name, r.page / 1048576.0, r.exportSeconds.Text("%.1f", 1000).c_str(),
        r.floorSeconds * 1000, r.exportSeconds.Best() / r.floorSeconds, timeRatio,
        r.exportSeconds.load.c_str());
    std::printf(
        "%-9s peak memory above baseline, one export in a fresh process: %.1f MB = %.2f x page "
        "(target <= 4)\n",
        r.name, r.peak / 1048576.0, memRatio);
    return timeRatio <= 2.0 && memRatio >= 0 && memRatio <= 4.0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    ProcessMemory::SetUp();
    // "--peak KIND ...": the fresh process that measures one export's memory.
    const char* peakKind = nullptr;
    const int fullArgc = argc;
    char** const fullArgv = argv;
    if (argc >= 3 && std::string(argv[1]) == "--peak") {
        peakKind = argv[2];
        argc -= 2;
        argv += 2;
    }
    const int conversations = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int perConversation = argc > 2 ? std::atoi(argv[2]) : 50;
    const int contactCount = argc > 3 ? std::atoi(argv[3]) : 20000;
    wxInitializer toolkit;
    if (!toolkit.IsOk()) return 1;
    if (peakKind == nullptr) bench::PrintLoad("at the start");

    char pattern[] = "/tmp/exportbench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const std::string dir = pattern;
    // The export reads the template from the application root (the parent of bench/).
    std::mt19937 rng(5);

    SmsList chats;
    for (int c = 0; c < conversations; ++c) {
        auto* chat = new Sms();
        chat->phone = Phone(rng);
        chat->another = Sentence(rng, 2);
        for (int m = 0; m < perConversation; ++m) {
            auto* message = new Message();
            message->country = "us";
            message->service = "SMS";
            message->text = Sentence(rng, 4 + static_cast<int>(rng() % 16));
            message->date = Stamp(rng);
            message->type = rng() % 2;
            chat->messages.push_back(message);
        }
        chats.push_back(chat);
    }
    static const char* const labels[] = {"_$!<Mobile>!$_", "_$!<Home>!$_", "iPhone",
                                         "_$!<Work>!$_"};
    ContactList contacts;
    for (int c = 0; c < contactCount; ++c) {
        auto* contact = new Contact();
        contact->name = Sentence(rng, 2);
        contact->organization = c % 3 ? wxString() : Sentence(rng, 2);
        contact->jobTitle = c % 4 ? wxString() : wxString("Engineer");
        contact->creationDate = Stamp(rng);
        for (unsigned p = 0; p < 1 + rng() % 4; ++p) {
            contact->properties.emplace_back(labels[p], Phone(rng));
        }
        contacts.push_back(contact);
    }

    auto request = [&](std::uint32_t kind, void* items, std::size_t n) {
        auto* r = new RecoverRequest();
        r->kind = kind;
        r->items = items;
        r->SetFolder(dir);
        for (std::size_t i = 0; i < n; ++i) r->checked.push_back(static_cast<std::int32_t>(i));
        return r;
    };
    auto exportMessages = [&] {
        DomainExport::ExportTask(request(KIND_MESSAGES, &chats, chats.size()));
    };
    auto exportContacts = [&] {
        DomainExport::ExportTask(request(KIND_CONTACTS, &contacts, contacts.size()));
    };
    const std::string none, arrow("->"), dash("-"), sent("Sent"), received("Received");
    auto floorMessages = [&] {
        Floor floor;
        const std::string h[] = {"ID",        "Name", "Phone Number", "Message",
                                 "Date Time", "Type", "Text"};
        floor.Row({&h[0], &h[1], &h[2], &h[3], &h[4], &h[5], &h[6]});
        int number = 0;
        for (const Sms* s : chats) {
            const std::string id = std::to_string(++number);
            floor.Row({&id, &s->another, &s->phone, &arrow, &dash, &dash, &dash});
            for (const Message* m : s->messages) {
                floor.Row(
                    {&none, &none, &none, &arrow, &m->date, m->type ? &sent : &received, &m->text});
            }
        }
        floor.Write(dir + "/floor-messages.json");
    };
    auto floorContacts = [&] {
        Floor floor;
        const std::string h[] = {"ID",          "Name",     "Organization", "Department",
                                 "Note",        "Birthday", "Job Title",    "Nick Name",
                                 "Create Date", "Type",     "Value"};
        floor.Row({&h[0], &h[1], &h[2], &h[3], &h[4], &h[5], &h[6], &h[7], &h[8], &h[9], &h[10]});
        int number = 0;
        for (const Contact* c : contacts) {
            const std::string id = std::to_string(++number);
            floor.Row({&id, &c->name, &c->organization, &c->department, &c->note, &c->birthday,
                       &c->jobTitle, &c->nickName, &c->creationDate, &dash, &dash});
            for (const auto& p : c->properties) {
                floor.Row({&none, &none, &none, &none, &none, &none, &none, &none, &none, &p.first,
                           &p.second});
            }
        }
        floor.Write(dir + "/floor-contacts.json");
    };

    if (peakKind != nullptr) {
        const long peak = std::string(peakKind) == "messages" ? PeakAbove(exportMessages)
                                                              : PeakAbove(exportContacts);
        gen::RemoveTree(dir);
        std::printf("%ld\n", peak);
        std::fflush(stdout);
        std::_Exit(peak >= 0 ? 0 : 1);
    }
    std::printf("%d messages in %d conversations, %d contacts\n", conversations * perConversation,
                conversations, contactCount);
    int failed = 0;
    {
        Result r{"messages", {}, 0, 0, 0};
        r.floorSeconds = Best(5, floorMessages);
        r.exportSeconds = bench::Times(5, exportMessages);
        r.page = FileSize(dir + "/Messages.html");
        r.peak = FreshPeak("messages", fullArgc, fullArgv);
        if (r.page <= 0) {
            std::printf("no page written: is template.html staged in the application root?\n");
            return 1;
        }
        failed += Report(r);
    }
    {
        Result r{"contacts", {}, 0, 0, 0};
        r.floorSeconds = Best(5, floorContacts);
        r.exportSeconds = bench::Times(5, exportContacts);
        r.page = FileSize(dir + "/Contacts.html");
        r.peak = FreshPeak("contacts", fullArgc, fullArgv);
        failed += Report(r);
    }
    gen::RemoveTree(dir);
    for (Sms* s : chats) delete s;
    for (Contact* c : contacts) delete c;
    bench::PrintLoad("at the end");
    return failed == 0 ? 0 : 2;
}
