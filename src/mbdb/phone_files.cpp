#include "mbdb/phone_files.h"

namespace ib {

namespace {

struct Rule {
    const char* path;
    bool folder;  // the rule covers every path under this folder
    const char* domains[PhoneFiles::kMaxDomains];
};

// The first rule that covers a path gives its domains: files and narrower folders come before
// the folder that holds them. iOS 5 keeps the photo library in MediaDomain, later versions in
// CameraRollDomain; a picture's folder is named by the photo library ("DCIM/100APPLE",
// "PhotoData/...", the photo stream's folders), so every picture under Media/ is looked for there.
const Rule kRules[] = {
    {"Library/SMS/sms.db", false, {"HomeDomain", nullptr}},
    {"Library/AddressBook/AddressBook.sqlitedb", false, {"HomeDomain", nullptr}},
    {"Library/Notes/notes.sqlite", false, {"HomeDomain", nullptr}},
    {"Library/Calendar/Calendar.sqlitedb", false, {"HomeDomain", nullptr}},
    {"Library/Safari/History.plist", false, {"HomeDomain", nullptr}},
    {"Library/Safari/Bookmarks.db", false, {"HomeDomain", nullptr}},
    {"Library/CallHistory/call_history.db", false, {"WirelessDomain", nullptr}},
    {"Library/SMS/Attachments/", true, {"MediaDomain", nullptr}},
    {"Library/SMS/Parts/", true, {"MediaDomain", nullptr}},
    {"Media/Recordings/", true, {"MediaDomain", nullptr}},
    {"Media/", true, {"CameraRollDomain", "MediaDomain"}},
};

bool Covers(const Rule& rule, std::string_view path) {
    const std::string_view rulePath(rule.path);
    if (!rule.folder) return path == rulePath;
    return path.size() > rulePath.size() && path.compare(0, rulePath.size(), rulePath) == 0;
}

}  // namespace

std::size_t PhoneFiles::DomainsOf(std::string_view devicePath, std::string_view out[kMaxDomains]) {
    for (const Rule& rule : kRules) {
        if (!Covers(rule, devicePath)) continue;
        std::size_t n = 0;
        for (const char* domain : rule.domains) {
            if (domain != nullptr) out[n++] = domain;
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
