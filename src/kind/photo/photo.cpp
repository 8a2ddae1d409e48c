#include "kind/photo/photo.h"

#include <cstring>

#include "ib/ib_util.h"
#include "ib/kind_keys.h"
#include "kind/kind_util.h"
#include "kind/reader_query.h"
#include "kind/sqlite_db.h"
#include "mbdb/mbdb.h"
#include "util/wz_tool.h"

namespace ib {

namespace key = ib::keys::media;

namespace {

const char kFile[] = "src/kind/photo/photo";
const char kDevicePath[] = "Media/PhotoData/Photos.sqlite";
const char kAssetColumns[] = "ZGENERICASSET: ZDIRECTORY ZFILENAME";
struct AssetQuery {
    static constexpr char kSql[] =
        "select ZDIRECTORY || '/' || ZFILENAME,ZFILENAME from ZGENERICASSET where ZFILENAME is not "
        "null and ZDIRECTORY is not null";
    // The path under Media/, then the file's name.
    enum Column { kPath, kFileName, kCount };
    static constexpr const char* kNames[] = {"path", "ZFILENAME"};
};

}  // namespace

Photo::~Photo() {
    for (GenericAsset*& a : assets_) TrackedDelete(kFile, __LINE__, a);
}

plist_t Photo::GetData(Mbdb* mbdb, int typeFilter) {
    if (!assets_.empty()) return ToPlist(typeFilter);
    mbdb_ = mbdb;
    const std::string path = KindUtil::LocateFirst(mbdb, kDevicePath);
    if (!path.empty()) Load(path);
    if (mbdb != nullptr && !assets_.empty()) {
        const Mbdb* manifest = CheckedPtr(mbdb);
        for (GenericAsset* a : assets_) {
            CheckedPtr(a);
            a->path = manifest->FindMediaFile(a->query_path);
            if (!a->path.empty()) a->size = WZGetFileSize(a->path.c_str());
        }
    }
    return ToPlist(typeFilter);
}

void Photo::Load(const std::string& path) {
    SqliteDb db(path, {kAssetColumns});
    db.ExecRows(AssetQuery::kSql, &Photo::OnAssetRow, &assets_);
}

std::vector<ReaderQuery> Photo::Queries() {
    return {ReaderQuery::Fixed<AssetQuery>("AssetQuery", kDevicePath, kAssetColumns)};
}

int Photo::OnAssetRow(void* context, const SqliteDb::Row& row) {
    auto* assets = static_cast<std::vector<GenericAsset*>*>(context);
    // Names are taken whole: the manifest names a file by all the bytes of its path, so a name
    // holding a NUL still finds its file.
    auto whole = [&](int i) {
        std::size_t size = 0;
        const char* value = row.Text(i, &size);
        return value != nullptr ? std::string(value, size) : std::string();
    };
    const std::string joined = whole(AssetQuery::kPath);
    auto* a = new GenericAsset;
    a->type = joined.find("DCIM") != std::string::npos ? 1 : 0;
    a->query_path = "Media/" + joined;
    a->file_name = whole(AssetQuery::kFileName);
    assets->push_back(a);
    return 0;
}

plist_t Photo::ToPlist(int typeFilter) const {
    if (assets_.empty()) return nullptr;
    plist_t array = plist_new_array();
    for (const GenericAsset* a : assets_) {
        CheckedPtr(a);
        if (a->type != typeFilter || a->path.empty()) continue;
        plist_t dict = plist_new_dict();
        DictInsertString(dict, key::kFileName, KindUtil::Shown(a->file_name).c_str());
        DictInsertString(dict, key::kPath, a->path.c_str());
        plist_dict_set_item(dict, key::kSize, plist_new_uint(a->size));
        plist_dict_set_item(dict, key::kType, plist_new_uint(static_cast<std::uint32_t>(a->type)));
        DictInsertString(dict, key::kQueryPath, KindUtil::Shown(a->query_path).c_str());
        plist_array_append_item(array, dict);
    }
    return array;
}

}  // namespace ib
