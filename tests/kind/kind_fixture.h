// A backup built by the generator, opened through the backup list, with its kinds rendered as
// text that shows keys in order and value types: strings quoted, integers bare, null as null.
#pragma once

#include <plist/plist.h>

#include <cstdint>
#include <memory>
#include <string>

#include "gen/backup_gen.h"
#include "ib/backup_list.h"
#include "support/test_support.h"

namespace kindtest {

// The property list as compact JSON-like text; "null" for a null list.
std::string Render(plist_t node);

class KindBackup {
  public:
    KindBackup();
    ~KindBackup();
    KindBackup(const KindBackup&) = delete;
    KindBackup& operator=(const KindBackup&) = delete;

    gen::BackupBuilder& Builder() { return *builder_; }
    // The backup folder, ending with '/'.
    const std::string& Folder() const { return builder_->Folder(); }
    std::string StoredPath(const std::string& domain, const std::string& path) const {
        return Folder() + gen::StoredName(domain, path);
    }

    // Writes the manifest and lists the backup (once); later calls return the same node.
    BackupInfo* Open();
    // GetKindData of the open backup; the caller frees the list.
    plist_t Get(std::uint32_t kind) { return ib::GetKindData(Open(), kind); }
    // GetKindData rendered and freed.
    std::string Dump(std::uint32_t kind);
    // The number of entries of the kind's array; -1 for null.
    int Count(std::uint32_t kind);

  private:
    testing_support::TempDir dir_;
    std::string root_;
    std::unique_ptr<gen::BackupBuilder> builder_;
    BackupInfo* head_ = nullptr;
};

// Local time is UTC in these tests, so that date texts are fixed.
void UseUtc();

}  // namespace kindtest
