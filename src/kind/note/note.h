// The notes of a backup (KIND_NOTES), read anew at every call.
#pragma once

#include <string>
#include <vector>

#include "kind/kind.h"
#include "kind/reader_query.h"
#include "kind/sqlite_db.h"

namespace ib {

class Note : public Kind {
  public:
    // The queries the reader runs, each with the columns it selects.
    static std::vector<ReaderQuery> Queries();

    // Every note, as an array of dictionaries (a note whose body row is missing with an empty
    // body); never null.
    plist_t GetData(Mbdb* mbdb, int typeFilter) override;

  private:
    static void Load(const std::string& path, plist_t array);
    static int OnNoteRow(void* context, const SqliteDb::Row& row);
};

}  // namespace ib
