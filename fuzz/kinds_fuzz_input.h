// One fuzzing input through every kind reader: a small generated backup in which one device file
// (chosen by the first byte of the input) is replaced by the rest of the input; then every kind
// is read twice and the list freed. Shared by the fuzzer and the test that replays its inputs.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "gen/backup_gen.h"
#include "gen/sample.h"
#include "ib/backup_list.h"

namespace kindsfuzz {

struct Target {
    const char* domain;
    const char* path;
};

// The device files that the kinds read, in the order of the selector byte.
inline const std::vector<Target>& Targets() {
    static const std::vector<Target> targets = {
        {"WirelessDomain", "Library/CallHistory/call_history.db"},
        {"HomeDomain", "Library/AddressBook/AddressBook.sqlitedb"},
        {"HomeDomain", "Library/SMS/sms.db"},
        {"HomeDomain", "Library/Notes/notes.sqlite"},
        {"HomeDomain", "Library/Safari/History.plist"},
        {"HomeDomain", "Library/Safari/Bookmarks.db"},
        {"HomeDomain", "Library/Calendar/Calendar.sqlitedb"},
        {"MediaDomain", "Media/Recordings/Recordings.db"},
        {"CameraRollDomain", "Media/PhotoData/Photos.sqlite"},
    };
    return targets;
}

// The options of the small backup that every input is fed into.
inline gen::SampleOptions SmallSample() {
    gen::SampleOptions o;
    o.filler = 20;
    o.contacts = 5;
    o.calls = 5;
    o.chats = 2;
    o.messages = 6;
    o.attachments = 3;
    o.notes = 3;
    o.history = 3;
    o.bookmarks = 3;
    o.calendarItems = 6;
    o.photos = 5;
    o.memos = 3;
    o.smallMedia = true;
    return o;
}

class Harness {
  public:
    // Writes the backup under a new temporary folder.
    Harness() {
        char pattern[] = "/tmp/kindsfuzz-XXXXXX";
        const char* dir = mkdtemp(pattern);
        if (dir == nullptr) std::abort();
        top_ = dir;
        root_ = top_ + "/Backup/";
        folder_ = root_ + "0f3a9c2be1d4a5b6c7d8e9f00112233445566778/";
        gen::WriteSampleBackup(folder_, SmallSample());
        for (const Target& t : Targets()) originals_.push_back(gen::ReadFile(Stored(t)));
    }
    ~Harness() { gen::RemoveTree(top_); }
    Harness(const Harness&) = delete;
    Harness& operator=(const Harness&) = delete;

    std::string Stored(const Target& t) const {
        return folder_ + gen::StoredName(t.domain, t.path);
    }

    // Replaces the chosen file, reads every kind twice, puts the file back. Returns the number of
    // entries read in all (so that the work cannot be left out).
    std::size_t Run(const std::uint8_t* data, std::size_t size) {
        if (size == 0) return 0;
        const std::size_t which = data[0] % Targets().size();
        const std::string path = Stored(Targets()[which]);
        gen::WriteFile(path, std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
        std::size_t entries = 0;
        BackupInfo* head = ib::ListBackupsIn(root_.c_str());
        for (int round = 0; round < 2 && head != nullptr; ++round) {
            for (std::uint32_t k = 0; k < kKindCount; ++k) {
                plist_t result = ib::GetKindData(head, k);
                if (result != nullptr) entries += plist_array_get_size(result);
                plist_free(result);
            }
        }
        ib::FreeBackupList(head);
        gen::WriteFile(path, originals_[which]);
        return entries;
    }

    // The input that feeds the original file of target i: a seed.
    std::string Seed(std::size_t i) const {
        return std::string(1, static_cast<char>(i)) + originals_[i];
    }

  private:
    std::string top_;
    std::string root_;
    std::string folder_;
    std::vector<std::string> originals_;
};

}  // namespace kindsfuzz
