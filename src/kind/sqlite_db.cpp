#include "kind/sqlite_db.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "kind/descriptor_vfs.h"
#include "util/wz_tool.h"

namespace ib {

namespace {

// SQLite calls the progress handler after every this many steps of its virtual machine.
constexpr int kProgressPeriod = 1000;

// Limits of every connection: far above anything a device writes, small enough that no file can
// make a query build more than a few cells' worth of memory or parse more than a schema's worth.
struct Limit {
    int id;
    int value;
};
const Limit kLimits[] = {
    {SQLITE_LIMIT_LENGTH, SqliteDb::kMaxCellBytes},
    {SQLITE_LIMIT_SQL_LENGTH, 1 << 20},
    {SQLITE_LIMIT_COLUMN, 1000},
    {SQLITE_LIMIT_EXPR_DEPTH, 200},
    {SQLITE_LIMIT_COMPOUND_SELECT, 10},
    {SQLITE_LIMIT_VDBE_OP, 100000},
    {SQLITE_LIMIT_FUNCTION_ARG, 16},
    {SQLITE_LIMIT_ATTACHED, 0},
    {SQLITE_LIMIT_LIKE_PATTERN_LENGTH, 1000},
    {SQLITE_LIMIT_VARIABLE_NUMBER, 16},
    {SQLITE_LIMIT_TRIGGER_DEPTH, 1},
    {SQLITE_LIMIT_WORKER_THREADS, 0},
};

bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == ',';
}

std::string Trimmed(const char* begin, const char* end) {
    while (begin < end && IsSeparator(*begin)) ++begin;
    while (end > begin && IsSeparator(end[-1])) --end;
    return std::string(begin, end);
}

// A prepared statement, finalized at the end of the scope.
class Statement {
  public:
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) {
            sqlite3_finalize(stmt_);
            stmt_ = nullptr;
        }
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* get() const { return stmt_; }

  private:
    sqlite3_stmt* stmt_ = nullptr;
};

std::string ColumnText(sqlite3_stmt* stmt, int i) {
    const unsigned char* text = sqlite3_column_text(stmt, i);
    return text != nullptr ? std::string(reinterpret_cast<const char*>(text),
                                         static_cast<std::size_t>(sqlite3_column_bytes(stmt, i)))
                           : std::string();
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    const std::size_t n = std::strlen(prefix);
    return text.size() >= n && sqlite3_strnicmp(text.c_str(), prefix, static_cast<int>(n)) == 0;
}

}  // namespace

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

SqliteDb::SqliteDb(const std::string& path, std::initializer_list<const char*> uses) {
    // Only a regular file of the backup folder is a database: SQLite would treat a missing file
    // as empty, block on a FIFO and follow a link out of the folder. The open here refuses all
    // of these without blocking, and SQLite reads what it opened.
    const char* vfs = DescriptorVfs::Name();
    if (vfs == nullptr) return;
    const int fd = WZOpenRegular(path.c_str());
    if (fd < 0) return;
    struct stat st;
    if (fstat(fd, &st) != 0 || st.st_size == 0) {
        close(fd);
        return;
    }
    const std::string uri = DescriptorVfs::Uri(path, fd);
    const int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(uri.c_str(), &db_, flags, vfs);
    close(fd);
    if (rc != SQLITE_OK) {
        sqlite3_close(db_);
        db_ = nullptr;
        return;
    }
    for (const Limit& limit : kLimits) sqlite3_limit(db_, limit.id, limit.value);
    const auto size = static_cast<std::uint64_t>(st.st_size);
    allowed_.steps = kBaseSteps + kStepsPerFileByte * size;
    allowed_.bytes = kBaseBytes + kBytesPerFileByte * size;
    allowed_.rows = kBaseRows + kRowsPerFileMegabyte * (size >> 20);
    sqlite3_progress_handler(db_, kProgressPeriod, &SqliteDb::OnProgress, this);
    int on = 1;
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, &on);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, &on);
    // The readers query tables; a view planted in a device database (an endless recursive one,
    // say) would run code of the file's choosing, so views are refused.
    sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_VIEW, 0, &on);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, &on);
    sqlite3_exec(db_, "PRAGMA cell_size_check=ON; PRAGMA query_only=ON;", nullptr, nullptr,
                 nullptr);
    for (const char* use : uses) {
        if (use != nullptr && !UsesArePlain(use)) {
            sqlite3_close(db_);
            db_ = nullptr;
            return;
        }
    }
}

SqliteDb::~SqliteDb() {
    sqlite3_close(db_);
}

const char* SqliteDb::Row::Text(int i, std::size_t* size) const {
    if (size != nullptr) *size = 0;
    if (i < 0 || i >= columns_) return nullptr;
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
    // The length after the text, as SQLite asks; every byte handed out is counted.
    const auto bytes = static_cast<std::size_t>(sqlite3_column_bytes(stmt_, i));
    db_->spent_.bytes += bytes;
    if (size != nullptr && text != nullptr) *size = bytes;
    return text;
}

bool SqliteDb::Row::Integer(int i, std::int64_t* value) const {
    if (i < 0 || i >= columns_ || sqlite3_column_type(stmt_, i) != SQLITE_INTEGER) return false;
    *value = sqlite3_column_int64(stmt_, i);
    return true;
}

bool SqliteDb::Row::Real(int i, double* value) const {
    if (i < 0 || i >= columns_ || sqlite3_column_type(stmt_, i) != SQLITE_FLOAT) return false;
    *value = sqlite3_column_double(stmt_, i);
    return true;
}

int SqliteDb::OnProgress(void* self) {
    auto* db = static_cast<SqliteDb*>(self);
    db->spent_.steps += kProgressPeriod;
    return db->spent_.steps > db->allowed_.steps ? 1 : 0;
}

bool SqliteDb::WithinAllowance() const {
    return spent_.steps <= allowed_.steps && spent_.bytes <= allowed_.bytes &&
           spent_.rows <= allowed_.rows;
}

bool SqliteDb::ExecRows(const char* sql, RowsCallback callback, void* context) {
    if (db_ == nullptr) return false;
    const char* rest = sql;
    while (rest != nullptr && *rest != 0) {
        if (!WithinAllowance()) return false;
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, rest, -1, &stmt, &rest) != SQLITE_OK) return false;
        if (stmt == nullptr) continue;  // blanks or a comment
        const Row row(this, stmt, sqlite3_column_count(stmt));
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            // A row beyond the allowance is not handed out; bytes are counted as the reader
            // takes them, so the row that crosses that line is the last.
            if (++spent_.rows > allowed_.rows || callback(context, row) != 0 ||
                !WithinAllowance()) {
                rc = SQLITE_ABORT;
                break;
            }
        }
        sqlite3_finalize(stmt);
        if (rc != SQLITE_DONE) return false;
    }
    return true;
}

bool SqliteDb::UsesArePlain(const char* uses) {
    const char* p = uses;
    while (*p != 0) {
        const char* end = std::strchr(p, ';');
        if (end == nullptr) end = p + std::strlen(p);
        const char* colon = static_cast<const char*>(std::memchr(p, ':', end - p));
        const std::string table = Trimmed(p, colon != nullptr ? colon : end);
        const std::string columns = colon != nullptr ? std::string(colon + 1, end) : std::string();
        if (!table.empty() && !TableIsPlain(table, columns)) return false;
        p = *end == ';' ? end + 1 : end;
    }
    return true;
}

bool SqliteDb::TableIsPlain(const std::string& table, const std::string& columns) {
    {
        // A table of another name is left to the query; a view, or a table whose rows a module
        // of the file's choosing makes, is no table of the device's.
        Statement kind(db_, "SELECT type, sql FROM sqlite_master WHERE name = ?1 COLLATE NOCASE");
        if (kind.get() == nullptr) return false;
        sqlite3_bind_text(kind.get(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
        for (;;) {
            const int rc = sqlite3_step(kind.get());
            if (rc == SQLITE_DONE) break;
            if (rc != SQLITE_ROW) return false;
            const std::string type = ColumnText(kind.get(), 0);
            std::string sql = ColumnText(kind.get(), 1);
            sql.erase(0, sql.find_first_not_of(" \t\r\n"));
            if (type == "view") return false;
            if (type == "table" && StartsWithNoCase(sql, "CREATE VIRTUAL")) return false;
        }
    }
    struct Column {
        std::string name;
        int hidden;
    };
    std::vector<Column> declared;
    {
        Statement info(db_, "SELECT name, hidden FROM pragma_table_xinfo(?1)");
        if (info.get() == nullptr) return false;
        sqlite3_bind_text(info.get(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
        for (;;) {
            const int rc = sqlite3_step(info.get());
            if (rc == SQLITE_DONE) break;
            if (rc != SQLITE_ROW) return false;
            declared.push_back({ColumnText(info.get(), 0), sqlite3_column_int(info.get(), 1)});
        }
    }
    const char* p = columns.c_str();
    while (*p != 0) {
        while (*p != 0 && IsSeparator(*p)) ++p;
        const char* start = p;
        while (*p != 0 && !IsSeparator(*p)) ++p;
        if (p == start) break;
        const std::string used(start, p);
        for (const Column& c : declared) {
            if (sqlite3_stricmp(c.name.c_str(), used.c_str()) == 0 && c.hidden != 0) return false;
        }
    }
    return true;
}

}  // namespace ib
