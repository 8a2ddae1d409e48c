#include "kind/sqlite_db.h"

#include <sys/stat.h>
#include <unistd.h>

#include "util/wz_tool.h"

std::string SqliteDb::ImmutableUri(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (unsigned char c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '/' || c == '-' || c == '_' || c == '.' ||
                           c == '~';
        if (plain) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 0xF];
        }
    }
    uri += "?immutable=1";
    return uri;
}

SqliteDb::SqliteDb(const std::string& path) {
    // Only a regular file of the backup folder is a database: SQLite would treat a missing file
    // as empty, block on a FIFO and follow a link out of the folder. The open here refuses all
    // of these without blocking; SQLite then opens the same name, without following a link.
    const int fd = WZOpenRegular(path.c_str());
    if (fd < 0) return;
    struct stat st;
    const bool empty = fstat(fd, &st) != 0 || st.st_size == 0;
    close(fd);
    if (empty) return;
    const std::string uri = ImmutableUri(path);
    const int flags =
        SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW;
    if (sqlite3_open_v2(uri.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        sqlite3_close(db_);
        db_ = nullptr;
        return;
    }
    int on = 1;
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, &on);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, &on);
    // The readers query tables; a view planted in a device database (an endless recursive one,
    // say) would run code of the file's choosing, so views are refused.
    sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_VIEW, 0, &on);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, &on);
    sqlite3_exec(db_, "PRAGMA cell_size_check=ON; PRAGMA query_only=ON;", nullptr, nullptr,
                 nullptr);
}

SqliteDb::~SqliteDb() {
    sqlite3_close(db_);
}

bool SqliteDb::Exec(const char* sql, RowCallback callback, void* context) {
    if (db_ == nullptr) return false;
    char* error = nullptr;
    const int rc = sqlite3_exec(db_, sql, callback, context, &error);
    sqlite3_free(error);
    return rc == SQLITE_OK;
}
