#include "kind/note/note.h"

#include "ib/ib_util.h"
#include "ib/kind_keys.h"
#include "kind/kind_util.h"
#include "kind/reader_query.h"
#include "kind/sqlite_db.h"

namespace ib {

namespace key = ib::keys::notes;

namespace {

const char kDevicePath[] = "Library/Notes/notes.sqlite";
const char kNoteColumns[] =
    "ZNOTE: ZCREATIONDATE ZMODIFICATIONDATE ZTITLE ZBODY; ZNOTEBODY: Z_PK ZCONTENT";
// Every note, also one whose body row is gone: its body is empty.
struct NoteQuery {
    static constexpr char kSql[] =
        "select t.ZCREATIONDATE,t.ZMODIFICATIONDATE,t.ztitle,b.ZCONTENT from ZNOTE t left join "
        "ZNOTEBODY b on t.zbody = b.Z_PK";
    enum Column { kCreated, kModified, kTitle, kBody, kCount };
    static constexpr const char* kNames[] = {"ZCREATIONDATE", "ZMODIFICATIONDATE", "ztitle",
                                             "ZCONTENT"};
};

struct NoteRows {
    plist_t array;
};

}  // namespace

plist_t Note::GetData(Mbdb* mbdb, int /*typeFilter*/) {
    plist_t array = plist_new_array();
    const std::string path = KindUtil::LocateFirst(mbdb, kDevicePath);
    if (!path.empty()) Load(path, array);
    return array;
}

void Note::Load(const std::string& path, plist_t array) {
    SqliteDb db(path, {kNoteColumns});
    NoteRows rows{array};
    db.ExecRows(NoteQuery::kSql, &Note::OnNoteRow, &rows);
}

std::vector<ReaderQuery> Note::Queries() {
    return {ReaderQuery::Fixed<NoteQuery>("NoteQuery", kDevicePath, kNoteColumns)};
}

int Note::OnNoteRow(void* context, const SqliteDb::Row& row) {
    auto* rows = static_cast<NoteRows*>(context);
    plist_t dict = plist_new_dict();
    const std::string created = KindUtil::AppleDate(row.Text(NoteQuery::kCreated));
    const std::string modified = KindUtil::AppleDate(row.Text(NoteQuery::kModified));
    DictInsertString(dict, key::kCreateDate, created.c_str());
    DictInsertString(dict, key::kModifyDate, modified.c_str());
    DictInsertString(dict, key::kTitle, row.Text(NoteQuery::kTitle));
    DictInsertString(dict, key::kBody, row.Text(NoteQuery::kBody));
    plist_array_append_item(rows->array, dict);
    return 0;
}

}  // namespace ib
