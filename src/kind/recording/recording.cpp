#include "kind/recording/recording.h"

#include "ib/ib_util.h"
#include "ib/kind_keys.h"
#include "kind/kind_util.h"
#include "kind/reader_query.h"
#include "kind/recording/name_matcher.h"
#include "kind/sqlite_db.h"
#include "mbdb/mbdb.h"
#include "util/wz_tool.h"

namespace ib {

namespace key = ib::keys::memos;

namespace {

const char kFile[] = "src/kind/recording/recording";
const char kDevicePath[] = "Media/Recordings/Recordings.db";
const char kRecordingColumns[] = "ZRECORDING: ZDATE ZDURATION ZPATH";
struct RecordingQuery {
    static constexpr char kSql[] = "select ZDATE,ZDURATION,ZPATH from ZRECORDING";
    enum Column { kDate, kDuration, kPath, kCount };
    static constexpr const char* kNames[] = {"ZDATE", "ZDURATION", "ZPATH"};
};

struct MemoRows {
    std::vector<VoiceMemos*>* memos;
};

}  // namespace

Recording::~Recording() {
    for (VoiceMemos*& memo : memos_) TrackedDelete(kFile, __LINE__, memo);
}

plist_t Recording::GetData(Mbdb* mbdb, int /*typeFilter*/) {
    if (!memos_.empty()) return ToPlist();
    mbdb_ = mbdb;
    const std::string path = KindUtil::LocateFirst(mbdb, kDevicePath);
    if (!path.empty()) Load(path);
    if (mbdb != nullptr && !memos_.empty()) MatchFiles(CheckedPtr(mbdb));
    return ToPlist();
}

void Recording::Load(const std::string& path) {
    SqliteDb db(path, {kRecordingColumns});
    MemoRows rows{&memos_};
    db.ExecRows(RecordingQuery::kSql, &Recording::OnRecordingRow, &rows);
}

std::vector<ReaderQuery> Recording::Queries() {
    return {ReaderQuery::Fixed<RecordingQuery>("RecordingQuery", kDevicePath, kRecordingColumns)};
}

int Recording::OnRecordingRow(void* context, const SqliteDb::Row& row) {
    auto* rows = static_cast<MemoRows*>(context);
    auto* memos = rows->memos;
    auto* memo = new VoiceMemos;
    memo->date = KindUtil::AppleDate(row.Text(RecordingQuery::kDate));
    memo->duration = KindUtil::Duration(KindUtil::Number(row.Text(RecordingQuery::kDuration)));
    const std::string stored = KindUtil::Text(row.Text(RecordingQuery::kPath));
    const std::size_t slash = stored.rfind('/');
    if (slash != std::string::npos && slash + 1 < stored.size())
        memo->name = stored.substr(slash + 1);
    memos->push_back(memo);
    return 0;
}

// Every memo with a name takes the first manifest record of the phone's own files, in file order,
// whose device path contains that name; a memo without a name takes none. The walk ends once every
// memo with a name has its file. One pass over each path finds all names in it at once.
void Recording::MatchFiles(const Mbdb* mbdb) {
    std::vector<std::string> names;
    names.reserve(memos_.size());
    std::size_t wanted = 0;
    for (const VoiceMemos* memo : memos_) {
        names.push_back(CheckedPtr(memo)->name);
        if (!memo->name.empty()) ++wanted;
    }
    const NameMatcher matcher(names);
    std::vector<bool> matched(memos_.size(), false);
    std::size_t count = 0;
    for (const Mbdb::MBFileRecord* rec : *mbdb->GetRecords()) {
        if (count == wanted) break;
        if (!Mbdb::IsPhoneFile(CheckedPtr(rec))) continue;
        matcher.Scan(rec->path, [&](std::size_t id) {
            if (matched[id]) return;
            matched[id] = true;
            ++count;
            VoiceMemos* memo = memos_[id];
            memo->path = mbdb->StoredPath(rec);
            memo->size = WZGetFileSize(memo->path.c_str());
        });
    }
}

plist_t Recording::ToPlist() const {
    if (memos_.empty()) return nullptr;
    plist_t array = plist_new_array();
    for (const VoiceMemos* memo : memos_) {
        CheckedPtr(memo);
        plist_t dict = plist_new_dict();
        DictInsertString(dict, key::kDate, memo->date.c_str());
        DictInsertString(dict, key::kDuration, memo->duration.c_str());
        DictInsertString(dict, key::kName, memo->name.c_str());
        DictInsertString(dict, key::kPath, memo->path.c_str());
        plist_dict_set_item(dict, key::kSize, plist_new_uint(memo->size));
        plist_array_append_item(array, dict);
    }
    return array;
}

}  // namespace ib
