#include "mbdb/phone_files.h"

namespace ib {

namespace {

using namespace std::string_view_literals;

// Texts with their lengths, so that a path of another length is passed over at once: the memos'
// reader asks this of every record of the manifest.
struct Rule {
    std::string_view path;
    bool folder;  // the rule covers every path under this folder
    std::string_view domains[PhoneFiles::kMaxDomains];
};

// The first rule that covers a path gives its domains: files and narrower folders come before
// the folder that holds them. iOS 5 keeps the photo library in MediaDomain, later versions in
// CameraRollDomain; a picture's folder is named by the photo library ("DCIM/100APPLE",
// "PhotoData/...", the photo stream's folders), so every picture under Media/ is looked for there.
const Rule kRules[] = {
    {"Library/SMS/sms.db"sv, false, {"HomeDomain"sv, {}}},
    {"Library/AddressBook/AddressBook.sqlitedb"sv, false, {"HomeDomain"sv, {}}},
    {"Library/Notes/notes.sqlite"sv, false, {"HomeDomain"sv, {}}},
    {"Library/Calendar/Calendar.sqlitedb"sv, false, {"HomeDomain"sv, {}}},
    {"Library/Safari/History.plist"sv, false, {"HomeDomain"sv, {}}},
    {"Library/Safari/Bookmarks.db"sv, false, {"HomeDomain"sv, {}}},
    {"Library/CallHistory/call_history.db"sv, false, {"WirelessDomain"sv, {}}},
    {"Library/SMS/Attachments/"sv, true, {"MediaDomain"sv, {}}},
    {"Library/SMS/Parts/"sv, true, {"MediaDomain"sv, {}}},
    {"Media/Recordings/"sv, true, {"MediaDomain"sv, {}}},
    {"Media/"sv, true, {"CameraRollDomain"sv, "MediaDomain"sv}},
};

bool Covers(const Rule& rule, std::string_view path) {
    const std::string_view rulePath = rule.path;
    if (!rule.folder) return path == rulePath;
    return path.size() > rulePath.size() && path.compare(0, rulePath.size(), rulePath) == 0;
}

}  // namespace

std::size_t PhoneFiles::DomainsOf(std::string_view devicePath, std::string_view out[kMaxDomains]) {
    for (const Rule& rule : kRules) {
        if (!Covers(rule, devicePath)) continue;
        std::size_t n = 0;
        for (std::string_view domain : rule.domains) {
            if (!domain.empty()) out[n++] = domain;
        }
        return n;
    }
    return 0;
}

bool PhoneFiles::Holds(std::string_view domain, std::string_view devicePath) {
    std::string_view domains[kMaxDomains];
    const std::size_t n = DomainsOf(devicePath, domains);
    for (std::size_t i = 0; i < n; ++i) {
        if (domains[i] == domain) return true;
    }
    return false;
}

}  // namespace ib
