// The pictures and videos of the device's photo library: the camera roll (KIND_CAMERA_ROLL,
// assets under a DCIM folder) and the other photos (KIND_PHOTOS), told apart by the filter.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/wz_base.h"
#include "kind/kind.h"
#include "kind/reader_query.h"
#include "kind/sqlite_db.h"

namespace ib {

class GenericAsset : public WzBase {
  public:
    std::string file_name;
    std::string query_path;  // "Media/" + folder + "/" + file name
    std::string path;        // the stored file in the backup folder; empty while not found
    std::uint64_t size = 0;
    std::int32_t type = 0;  // 1 when the folder holds "DCIM", else 0
};

class Photo : public Kind {
  public:
    // The queries the reader runs, each with the columns it selects.
    static std::vector<ReaderQuery> Queries();

    Photo() = default;
    ~Photo() override;
    Photo(const Photo&) = delete;
    Photo& operator=(const Photo&) = delete;

    // The found assets whose type equals typeFilter, or null when no asset row was read. The
    // library is read and resolved once; the second kind is answered from what the first read.
    plist_t GetData(Mbdb* mbdb, int typeFilter) override;

    const std::vector<GenericAsset*>& Assets() const { return assets_; }

  private:
    void Load(const std::string& path);
    static int OnAssetRow(void* context, const SqliteDb::Row& row);
    plist_t ToPlist(int typeFilter) const;

    std::vector<GenericAsset*> assets_;
    Mbdb* mbdb_ = nullptr;
};

}  // namespace ib
