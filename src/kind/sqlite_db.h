// Read-only access to a device database found in a backup. Everything in a backup came from a
// device and is evidence: the file is opened read-only and immutable, so that no journal is
// rolled back and no -wal, -shm or -journal file appears beside it, and the schema is not trusted.
#pragma once

#include <sqlite3.h>

#include <string>

class SqliteDb {
  public:
    // Row callback: context, column count, column texts (null for SQL NULL), column names.
    // Return 0 to go on.
    using RowCallback = int (*)(void* context, int columns, char** values, char** names);

    explicit SqliteDb(const std::string& path);
    ~SqliteDb();
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    bool IsOpen() const { return db_ != nullptr; }

    // Runs one SQL text, delivering every row to callback in the order SQLite returns them.
    // Returns false when the database is not open or the query fails; rows delivered before a
    // failure stay delivered.
    bool Exec(const char* sql, RowCallback callback, void* context);

    // The URI that opens path read-only and immutable.
    static std::string ImmutableUri(const std::string& path);

  private:
    sqlite3* db_ = nullptr;
};
