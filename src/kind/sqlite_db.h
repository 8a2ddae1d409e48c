// Read-only access to a device database found in a backup. Everything in a backup came from a
// device and is evidence: the file is opened read-only and immutable, so that no journal is
// rolled back and no -wal, -shm or -journal file appears beside it, and the schema is not trusted.
//
// The file is read through the descriptor that was checked to be a regular file, never by its
// name again (DescriptorVfs). A reader names, per query, the tables and columns the query reads;
// a database in which one of them is a view, a virtual table, or a generated or hidden column
// (whose value the file itself would compute) is not opened, and so reads as an unreadable one.
// Every connection is held to limits far above what a device writes: a cell or row of at most
// kMaxCellBytes, small limits for everything else a query could be made to build, and an
// allowance of work, bytes and rows in proportion to the file's size. Every query of a reader
// runs through ExecRows, the one place where these are counted.
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

namespace ib {

class SqliteDb {
  public:
    // One row of ExecRows, each column read as the reader asks for it.
    class Row {
      public:
        int Columns() const { return columns_; }
        // The column's text, null for SQL NULL or a column the row lacks. With size, also its
        // length in bytes (a text may hold NUL bytes; 0 for null).
        const char* Text(int i) const { return Text(i, nullptr); }
        const char* Text(int i, std::size_t* size) const;
        // True when the column holds an integer (not a real, a text, a blob or NULL); *value is
        // that integer, as the runtime reads it from the column's text.
        bool Integer(int i, std::int64_t* value) const;
        // True when the column holds a real (not an integer, a text, a blob or NULL); *value is
        // that real.
        bool Real(int i, double* value) const;

      private:
        friend class SqliteDb;
        Row(SqliteDb* db, sqlite3_stmt* stmt, int columns)
            : db_(db), stmt_(stmt), columns_(columns) {}
        SqliteDb* db_;
        sqlite3_stmt* stmt_;
        int columns_;
    };
    // Row callback: return 0 to go on.
    using RowsCallback = int (*)(void* context, const Row& row);

    // The largest text, blob or row the reader takes from a device database.
    static constexpr int kMaxCellBytes = 64 << 20;

    // What one database may cost, counted over all the queries run on it, in proportion to its
    // file: the readers' queries on what devices write take at most a quarter of a step of
    // SQLite's virtual machine per byte, hand out less than the file's bytes and at most about
    // 16,000 rows a megabyte (the densest tables, a phone's address book and call log). Steps
    // bound SQLite's own work (a join or a sort that multiplies rows stops before the first row
    // arrives), bytes and rows what the readers are handed and build from it. Rows are held
    // below that density, since every row costs a reader its dictionary (about 1.6 KB for a
    // call): the densest real tables are read whole up to about 15 MB (some 250,000 calls),
    // far beyond what a phone keeps.
    static constexpr std::uint64_t kStepsPerFileByte = 16;
    static constexpr std::uint64_t kBaseSteps = 10000000;
    static constexpr std::uint64_t kBytesPerFileByte = 4;
    static constexpr std::uint64_t kBaseBytes = std::uint64_t{64} << 20;
    static constexpr std::uint64_t kRowsPerFileMegabyte = 6000;
    static constexpr std::uint64_t kBaseRows = 150000;

    // What the queries of one database took so far.
    struct Cost {
        std::uint64_t steps = 0;
        std::uint64_t bytes = 0;
        std::uint64_t rows = 0;
    };

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

    // Runs one SQL text, handing every row to callback in the order SQLite returns them.
    // Returns false when the database is not open, the query fails or the database has used up
    // what its size allows (then this and every later query fails); rows handed over before a
    // failure stay handed over.
    bool ExecRows(const char* sql, RowsCallback callback, void* context);

    // What the queries took so far, and what the file allows.
    const Cost& Spent() const { return spent_; }
    const Cost& Allowed() const { return allowed_; }

    // The URI that opens path read-only and immutable.
    static std::string ImmutableUri(const std::string& path);

  private:
    // False when a table of uses is a view or a virtual table, or one of its used columns is
    // generated or hidden.
    bool UsesArePlain(const char* uses);
    bool TableIsPlain(const std::string& table, const std::string& columns);
    static int OnProgress(void* self);
    bool WithinAllowance() const;

    sqlite3* db_ = nullptr;
    Cost spent_;
    Cost allowed_;
};

}  // namespace ib
