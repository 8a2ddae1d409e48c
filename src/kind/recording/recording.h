// The voice memos of a backup (KIND_VOICE_MEMOS), each matched to its stored file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/wz_base.h"
#include "kind/kind.h"
#include "kind/reader_query.h"
#include "kind/sqlite_db.h"

namespace ib {

class Mbdb;

// The library's voice-memo item.
class VoiceMemos : public WzBase {
  public:
    std::string date;
    std::string duration;
    std::string name;  // the last component of the memo's device path
    std::string path;  // the stored file in the backup folder; empty while not found
    std::uint64_t size = 0;
};

class Recording : public Kind {
  public:
    // The queries the reader runs, each with the columns it selects.
    static std::vector<ReaderQuery> Queries();

    Recording() = default;
    ~Recording() override;
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    // Every memo, found or not, or null when no memo row was read. Read and matched once.
    plist_t GetData(Mbdb* mbdb, int typeFilter) override;

    const std::vector<VoiceMemos*>& Memos() const { return memos_; }

  private:
    void Load(const std::string& path);
    static int OnRecordingRow(void* context, const SqliteDb::Row& row);
    void MatchFiles(const Mbdb* mbdb);
    plist_t ToPlist() const;

    std::vector<VoiceMemos*> memos_;
    Mbdb* mbdb_ = nullptr;
};

}  // namespace ib
