#include "gen/sample.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace gen {

namespace {

struct CountOption {
    const char* name;
    std::size_t SampleOptions::*field;
    const char* help;
};

const CountOption kCounts[] = {
    {"filler", &SampleOptions::filler, "manifest records of other apps"},
    {"calls", &SampleOptions::calls, "call history rows"},
    {"contacts", &SampleOptions::contacts, "address-book persons"},
    {"chats", &SampleOptions::chats, "message conversations"},
    {"messages", &SampleOptions::messages, "messages over all conversations"},
    {"attachments", &SampleOptions::attachments, "message attachments"},
    {"notes", &SampleOptions::notes, "notes"},
    {"history", &SampleOptions::history, "Safari history entries"},
    {"bookmarks", &SampleOptions::bookmarks, "Safari bookmarks"},
    {"calendar", &SampleOptions::calendarItems, "calendar items (events and reminders)"},
    {"photos", &SampleOptions::photos, "photo library assets"},
    {"memos", &SampleOptions::memos, "voice memos"},
};

std::size_t Scaled(std::size_t n, double scale) {
    return static_cast<std::size_t>(std::llround(static_cast<double>(n) * scale));
}

}  // namespace

bool SetSampleOption(SampleOptions& options, const std::string& name, const char* text) {
    char* end = nullptr;
    if (name == "scale") {
        const double v = std::strtod(text, &end);
        if (end == text || *end != 0 || v < 0) return false;
        options.scale = v;
        return true;
    }
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (end == text || *end != 0 || text[0] == '-') return false;
    if (name == "seed") {
        options.seed = static_cast<std::uint32_t>(v);
        return true;
    }
    for (const CountOption& c : kCounts) {
        if (name == c.name) {
            options.*(c.field) = static_cast<std::size_t>(v);
            return true;
        }
    }
    return false;
}

void PrintSampleOptions(FILE* out) {
    std::fprintf(out, "  --seed N      seed of every random choice (default 1)\n");
    std::fprintf(out, "  --scale F     multiplies every count (default 1)\n");
    SampleOptions defaults;
    for (const CountOption& c : kCounts) {
        std::fprintf(out, "  --%-12s %s (default %zu)\n", c.name, c.help, defaults.*(c.field));
    }
}

void WriteSampleBackup(const std::string& folder, const SampleOptions& options) {
    BackupBuilder b(folder, options.seed);
    b.Info() = options.device;
    static const char* const kDomains[] = {"HomeDomain", "MediaDomain", "CameraRollDomain", "WirelessDomain",
                                           "KeychainDomain", "RootDomain", "SystemPreferencesDomain"};
    for (const char* d : kDomains) b.AddDomainRoot(d);
    b.AddFiller(Scaled(options.filler, options.scale));
    b.Write();
}

}  // namespace gen
