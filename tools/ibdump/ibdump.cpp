// ibdump: lists the iTunes backups it finds, prints the manifest of one backup, and dumps any
// kind of one backup as an XML property list.
#include <plist/plist.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "base/process_memory.h"
#include "ib/backup_list.h"
#include "ib/ib_util.h"
#include "mbdb/mbdb.h"

using namespace ib;

namespace {

const char* const kKindNames[kKindCount] = {"calls", "contacts", "messages", "attachments",
                                            "notes", "safari",   "calendar", "reminders",
                                            "memos", "camera",   "photos"};

int Usage() {
    std::fprintf(stderr,
                 "usage: ibdump [--root DIR] list\n"
                 "       ibdump [--root DIR] manifest INDEX\n"
                 "       ibdump [--root DIR] kind INDEX KIND|all\n"
                 "KIND is a number from 0 to 10 or one of:");
    for (const char* name : kKindNames) std::fprintf(stderr, " %s", name);
    std::fprintf(stderr, "\nThe default root is the current user's iTunes backup folder.\n");
    return 2;
}

const char* Text(const char* s) {
    return s ? s : "";
}

int Len(std::string_view s) {
    return static_cast<int>(s.size());
}

bool ParseIndex(const char* text, long* out) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != 0 || v < 0) return false;
    *out = v;
    return true;
}

int ParseKind(const char* text) {
    long v = 0;
    if (ParseIndex(text, &v)) return v < static_cast<long>(kKindCount) ? static_cast<int>(v) : -1;
    for (std::uint32_t i = 0; i < kKindCount; ++i) {
        if (std::strcmp(text, kKindNames[i]) == 0) return static_cast<int>(i);
    }
    return -1;
}

void DumpKind(BackupInfo* backup, std::uint32_t kind) {
    std::printf("== kind %u (%s)\n", kind, kKindNames[kind]);
    plist_t data = GetKindData(backup, kind);
    if (data == nullptr) {
        std::printf("(none)\n");
        return;
    }
    char* xml = nullptr;
    uint32_t len = 0;
    plist_to_xml(data, &xml, &len);
    if (xml != nullptr) std::fwrite(xml, 1, len, stdout);
    std::free(xml);
    plist_free(data);
}

}  // namespace

int main(int argc, char** argv) {
    ProcessMemory::SetUp();
    std::vector<const char*> args;
    std::string root;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--root") == 0) {
            if (i + 1 >= argc) return Usage();
            root = argv[++i];
            if (root.empty() || root.back() != '/') root += '/';
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            Usage();
            return 0;
        } else {
            args.push_back(argv[i]);
        }
    }
    if (args.empty()) return Usage();
    const std::string command = args[0];
    if (command != "list" && command != "manifest" && command != "kind") return Usage();

    if (root.empty()) root = GetBackupRoot();
    if (root.empty()) {
        std::fprintf(stderr, "ibdump: no application-data folder (set HOME or APPDATA)\n");
        return 1;
    }
    BackupInfo* head = ListBackupsIn(root.c_str());
    if (head == nullptr) {
        std::fprintf(stderr, "ibdump: no backup found under %s\n", root.c_str());
        return 1;
    }
    std::vector<BackupInfo*> backups;
    for (BackupInfo* b = head; b != nullptr; b = b->next) backups.push_back(b);

    int status = 0;
    if (command == "list") {
        std::printf("index\tdevice name\tlast backup\tserial number\tencrypted\tfolder\n");
        for (std::size_t i = 0; i < backups.size(); ++i) {
            const BackupInfo* b = backups[i];
            std::printf("%zu\t%s\t%s\t%s\t%s\t%s\n", i, Text(b->deviceName),
                        Text(b->lastBackupDate), Text(b->serialNumber),
                        b->isEncrypted ? "yes" : "no", Text(b->folderPath));
        }
    } else {
        long index = 0;
        if (args.size() < 2 || !ParseIndex(args[1], &index) ||
            index >= static_cast<long>(backups.size())) {
            std::fprintf(stderr, "ibdump: no backup with index %s (there are %zu)\n",
                         args.size() < 2 ? "(missing)" : args[1], backups.size());
            FreeBackupList(head);
            return 1;
        }
        BackupInfo* backup = backups[static_cast<std::size_t>(index)];
        if (command == "manifest") {
            std::printf("domain\tpath\tstored file\tmode\tsize\tproperties\n");
            for (const Mbdb::MBFileRecord* r : *backup->mbdb->GetRecords()) {
                char name[40];
                std::printf("%.*s\t%.*s\t%.*s\t%06o\t%u\t", Len(r->domain), r->domain.data(),
                            Len(r->path), r->path.data(), 40, r->FileNameInto(name),
                            static_cast<unsigned>(r->mode), r->size);
                for (unsigned p = 0; p < r->propertyCount; ++p) {
                    const auto& prop = r->properties[p];
                    std::printf("%s%.*s=%.*s", p ? "," : "", Len(prop.name), prop.name.data(),
                                Len(prop.value), prop.value.data());
                }
                std::printf("\n");
            }
        } else if (args.size() < 3) {
            std::fprintf(stderr,
                         "ibdump: kind: give a kind number (0 to 10), a kind name or all\n");
            status = 2;
        } else if (std::strcmp(args[2], "all") == 0) {
            for (std::uint32_t k = 0; k < kKindCount; ++k) DumpKind(backup, k);
        } else {
            const int kind = ParseKind(args[2]);
            if (kind < 0) {
                std::fprintf(stderr, "ibdump: unknown kind '%s'\n", args[2]);
                status = 2;
            } else {
                DumpKind(backup, static_cast<std::uint32_t>(kind));
            }
        }
    }
    FreeBackupList(head);
    return status;
}
