// Read-only access to a device database found in a backup. Everything in a backup came from a
// device and is evidence: the file is opened read-only and immutable, so that no journal is
// rolled back and no -wal, -shm or -journal file appears beside it, and the schema is not trusted.
//
// The file is read through the descriptor that was checked to be a regular file, never by its
// name again (DescriptorVfs). A reader names, per query, the tables and columns the query reads;
// a database in which one of them is a view, a virtual table, or a generated or hidden column
// (whose value the file itself would compute) is not opened, and so reads as an unreadable one.
// Every connection is held to limits far above what a device writes: a cell or row of at most
// kMaxCellBytes, and small limits for everything else a query could be made to build.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <initializer_list>
#include <string>

class SqliteDb {
  public:
    // Row callback: context, column count, column texts (null for SQL NULL), column names.
    // Return 0 to go on.
    using RowCallback = int (*)(void* context, int columns, char** values, char** names);
    // The same with the length in bytes of every column text, which may hold NUL bytes.
    using SizedRowCallback = int (*)(void* context, int columns, char** values, const int* sizes);

    // One row of ExecRows: the column texts as Exec delivers them, and the integers stored as
    // integers read without a text in between.
    class Row {
      public:
        int Columns() const { return columns_; }
        // The column's text, null for SQL NULL or a column the row lacks.
        const char* Text(int i) const;
        // True when the column holds an integer (not a real, a text, a blob or NULL); *value is
        // that integer, as the runtime reads it from the column's text.
        bool Integer(int i, std::int64_t* value) const;

      private:
        friend class SqliteDb;
        Row(sqlite3_stmt* stmt, int columns) : stmt_(stmt), columns_(columns) {}
        sqlite3_stmt* stmt_;
        int columns_;
    };
    using RowsCallback = int (*)(void* context, const Row& row);

    // The largest text, blob or row the reader takes from a device database.
    static constexpr int kMaxCellBytes = 64 << 20;

    // Opens the regular file at path. uses holds one text per query the reader runs: the tables
    // the query reads, each followed by a colon and the columns of it that the query uses,
    // tables separated by semicolons, for example
    //     "message: handle_id text date; handle: ROWID country"
    // Names compare as SQLite compares them (ASCII letters in either case); ROWID, OID and _ROWID_
    // stand for the row id unless the table has a column of that name. A table or column that
    // the file lacks is left to the query, which then fails as it would without the check.
    SqliteDb(const std::string& path, std::initializer_list<const char*> uses);
    ~SqliteDb();
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    bool IsOpen() const { return db_ != nullptr; }

    // Runs one SQL text, delivering every row to callback in the order SQLite returns them.
    // Returns false when the database is not open or the query fails; rows delivered before a
    // failure stay delivered.
    bool Exec(const char* sql, RowCallback callback, void* context);
    // Exec with the row handed over as it is, each column read as the callback asks for it.
    bool ExecRows(const char* sql, RowsCallback callback, void* context);
    // Exec for texts taken whole, NUL bytes included.
    bool ExecSized(const char* sql, SizedRowCallback callback, void* context);

    // The URI that opens path read-only and immutable.
    static std::string ImmutableUri(const std::string& path);

  private:
    // False when a table of uses is a view or a virtual table, or one of its used columns is
    // generated or hidden.
    bool UsesArePlain(const char* uses);
    bool TableIsPlain(const std::string& table, const std::string& columns);

    sqlite3* db_ = nullptr;
};
