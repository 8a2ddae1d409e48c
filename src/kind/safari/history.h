// Safari's visited pages and bookmarks (KIND_SAFARI), read anew at every call.
#pragma once

#include <string>
#include <vector>

#include "kind/kind.h"
#include "kind/reader_query.h"
#include "kind/sqlite_db.h"

namespace ib {

class History : public Kind {
  public:
    // The queries the reader runs, each with the columns it selects.
    static std::vector<ReaderQuery> Queries();

    // History entries and bookmarks in the order their files stand in the manifest; never null.
    plist_t GetData(Mbdb* mbdb, int typeFilter) override;

  private:
    static void ReadHistoryPlist(const std::string& path, plist_t array);
    static void ReadBookmarks(const std::string& path, plist_t array);
    static int OnBookmarkRow(void* context, const SqliteDb::Row& row);
};

}  // namespace ib
