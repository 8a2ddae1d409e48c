// One fuzzing input through the whole listing path: the input holds a backup folder's
// "Info.plist", "Manifest.plist" and "Manifest.mbdb", in that order, each as a 4-byte big-endian
// length and its bytes (a length past the end takes what is left; missing files are empty).
// The backup is listed, every kind is read, and the list is freed. Shared by the fuzzer and the
// test that replays its inputs.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "gen/backup_gen.h"
#include "ib/backup_list.h"
#include "mbdb/mbdb.h"

namespace listfuzz {

constexpr const char* kFiles[3] = {"Info.plist", "Manifest.plist", "Manifest.mbdb"};

// The input for the three files.
inline std::string Pack(const std::string& info, const std::string& manifest,
                        const std::string& mbdb) {
    std::string out;
    for (const std::string* f : {&info, &manifest, &mbdb}) {
        const std::uint32_t n = static_cast<std::uint32_t>(f->size());
        for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(n >> shift));
        out += *f;
    }
    return out;
}

class Harness {
  public:
    Harness() {
        char pattern[] = "/tmp/listfuzz-XXXXXX";
        const char* dir = mkdtemp(pattern);
        if (dir == nullptr) std::abort();
        top_ = dir;
        root_ = top_ + "/Backup/";
        gen::MakeDirs(root_ + "0f3a9c2be1d4a5b6c7d8e9f00112233445566778");
    }
    ~Harness() { gen::RemoveTree(top_); }
    Harness(const Harness&) = delete;
    Harness& operator=(const Harness&) = delete;

    // Lists the backup made of the input; returns the number of manifest records read.
    std::size_t Run(const std::uint8_t* data, std::size_t size) {
        const std::string folder = root_ + "0f3a9c2be1d4a5b6c7d8e9f00112233445566778/";
        std::size_t at = 0;
        for (const char* name : kFiles) {
            std::size_t n = 0;
            if (size - at >= 4) {
                n = std::size_t(data[at]) << 24 | std::size_t(data[at + 1]) << 16 |
                    std::size_t(data[at + 2]) << 8 | data[at + 3];
                at += 4;
            } else {
                at = size;
            }
            if (n > size - at) n = size - at;
            gen::WriteFile(folder + name, std::string(reinterpret_cast<const char*>(data) + at, n));
            at += n;
        }
        BackupInfo* head = ib::ListBackupsIn(root_.c_str());
        std::size_t records = 0;
        for (BackupInfo* b = head; b != nullptr; b = b->next) {
            records += b->mbdb->GetRecords()->size();
            for (std::uint32_t kind = 0; kind < kKindCount; ++kind)
                plist_free(ib::GetKindData(b, kind));
        }
        ib::FreeBackupList(head);
        return records;
    }

  private:
    std::string top_;
    std::string root_;
};

}  // namespace listfuzz
