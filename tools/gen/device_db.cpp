#include "gen/device_db.h"

#include <plist/plist.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace gen {

namespace {

void Bind(sqlite3_stmt* st, int index, const Sql& v) {
    switch (v.type) {
        case Sql::Type::Null:
            sqlite3_bind_null(st, index);
            break;
        case Sql::Type::Int:
            sqlite3_bind_int64(st, index, v.i);
            break;
        case Sql::Type::Real:
            sqlite3_bind_double(st, index, v.r);
            break;
        case Sql::Type::Text:
            sqlite3_bind_text(st, index, v.s.data(), static_cast<int>(v.s.size()),
                              SQLITE_TRANSIENT);
            break;
        case Sql::Type::Blob:
            sqlite3_bind_blob(st, index, v.s.data(), static_cast<int>(v.s.size()),
                              SQLITE_TRANSIENT);
            break;
    }
}

Sql RowId(std::int64_t rowid) {
    return rowid == 0 ? Sql() : Sql(static_cast<long long>(rowid));
}

// A fixed upper-case UUID text for the n-th record of a kind, as the device writes its
// identifiers ("8-4-4-4-12" hex digits, version 4).
std::string Guid(const char* kind, std::uint64_t n) {
    std::uint64_t x = 0xCBF29CE484222325ull;
    for (const char* k = kind; *k; ++k) x = (x ^ static_cast<unsigned char>(*k)) * 0x100000001B3ull;
    auto mix = [](std::uint64_t z) {
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    };
    const std::uint64_t a = mix(x + n * 0x9E3779B97F4A7C15ull);
    const std::uint64_t b = mix(a + 0x9E3779B97F4A7C15ull);
    char out[40];
    std::snprintf(out, sizeof out, "%08X-%04X-4%03X-%04X-%012llX", static_cast<unsigned>(a >> 32),
                  static_cast<unsigned>((a >> 16) & 0xFFFF), static_cast<unsigned>(a & 0xFFF),
                  static_cast<unsigned>(0x8000 | ((b >> 48) & 0x3FFF)),
                  static_cast<unsigned long long>(b & 0xFFFFFFFFFFFFull));
    return out;
}

}  // namespace

SqlDb::SqlDb() {
    if (sqlite3_open(":memory:", &db_) != SQLITE_OK)
        throw std::runtime_error("sqlite3_open failed");
    Exec("PRAGMA page_size=4096; PRAGMA auto_vacuum=INCREMENTAL; BEGIN");
}

SqlDb::~SqlDb() {
    for (auto& entry : statements_) sqlite3_finalize(entry.second);
    sqlite3_close(db_);
}

void SqlDb::Exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "unknown error";
        sqlite3_free(error);
        throw std::runtime_error("sql: " + message + " in " + sql.substr(0, 120));
    }
}

void SqlDb::Insert(const std::string& table, const std::vector<std::string>& columns,
                   const std::vector<Sql>& values) {
    // A value too few or too many would write NULLs or drop a value without a word: a fixture
    // that holds something else than its author meant.
    if (values.size() != columns.size()) {
        throw std::invalid_argument("insert into " + table + ": " + std::to_string(values.size()) +
                                    " values for " + std::to_string(columns.size()) + " columns");
    }
    std::string key = table + "(";
    std::string marks;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        key += (i ? "," : "") + columns[i];
        marks += i ? ",?" : "?";
    }
    key += ")";
    sqlite3_stmt*& st = statements_[key];
    if (st == nullptr) {
        const std::string sql = "INSERT INTO " + key + " VALUES (" + marks + ")";
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
            throw std::runtime_error("sql: " + std::string(sqlite3_errmsg(db_)) + " in " + sql);
        }
    }
    for (std::size_t i = 0; i < values.size(); ++i) Bind(st, static_cast<int>(i + 1), values[i]);
    const int rc = sqlite3_step(st);
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    if (rc != SQLITE_DONE)
        throw std::runtime_error("insert into " + table + ": " + sqlite3_errmsg(db_));
}

void SqlDb::Insert(const std::string& table, const SqlRow& row) {
    std::vector<std::string> columns;
    std::vector<Sql> values;
    columns.reserve(row.size());
    values.reserve(row.size());
    for (const auto& cell : row) {
        columns.push_back(cell.first);
        values.push_back(cell.second);
    }
    Insert(table, columns, values);
}

std::int64_t SqlDb::LastRowId() const {
    return sqlite3_last_insert_rowid(db_);
}

std::string SqlDb::Bytes() {
    if (!sqlite3_get_autocommit(db_)) Exec("COMMIT");
    sqlite3_int64 size = 0;
    unsigned char* data = sqlite3_serialize(db_, "main", &size, 0);
    if (data == nullptr) throw std::runtime_error("sqlite3_serialize failed");
    std::string out(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
    sqlite3_free(data);
    return out;
}

namespace {

// Core Data's table of entities: each entity's number, name, parent entity and highest key.
struct PrimaryKey {
    int entity;
    const char* name;
    int super;
    long long max;
};

void PrimaryKeys(SqlDb& db, const std::vector<PrimaryKey>& keys) {
    for (const PrimaryKey& k : keys) {
        db.Insert("Z_PRIMARYKEY", {"Z_ENT", "Z_NAME", "Z_SUPER", "Z_MAX"},
                  {k.entity, k.name, k.super, k.max});
    }
}

// A scratch folder for the databases that only exist as files (journals, write-ahead logs).
std::string ScratchFile(const char* name) {
    char pattern[] = "/tmp/bvgen-XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (dir == nullptr) throw std::runtime_error("mkdtemp failed");
    return std::string(dir) + "/" + name;
}

void Run(sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "unknown error";
        sqlite3_free(error);
        throw std::runtime_error("sql: " + message);
    }
}

std::string Slurp(const std::string& path) {
    std::string out;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[65536];
        std::size_t n = 0;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
        std::fclose(f);
    }
    return out;
}

void Spill(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        if (f) std::fclose(f);
        throw std::runtime_error("cannot write " + path);
    }
    std::fclose(f);
}

void RemoveScratch(const std::string& file) {
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        std::remove((file + suffix).c_str());
    std::remove(file.substr(0, file.rfind('/')).c_str());
}

}  // namespace

HotJournal WithHotJournal(const std::string& database, const std::string& sql) {
    const std::string file = ScratchFile("hot.db");
    Spill(file, database);
    sqlite3* db = nullptr;
    HotJournal out;
    try {
        if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) throw std::runtime_error("open failed");
        // No sync: the journal header is complete at once. A one-page cache makes the change
        // spill into the database file before the commit.
        Run(db, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=OFF; PRAGMA cache_size=1; BEGIN;");
        Run(db, sql);
        out.database = Slurp(file);
        out.journal = Slurp(file + "-journal");
        Run(db, "ROLLBACK");
    } catch (...) {
        sqlite3_close(db);
        RemoveScratch(file);
        throw;
    }
    sqlite3_close(db);
    RemoveScratch(file);
    if (out.journal.empty()) throw std::runtime_error("no journal was written");
    return out;
}

WalFiles InWalMode(const std::string& database, const std::string& sql) {
    const std::string file = ScratchFile("wal.db");
    Spill(file, database);
    sqlite3* db = nullptr;
    WalFiles out;
    try {
        if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) throw std::runtime_error("open failed");
        Run(db, "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;");
        Run(db, sql);
        out.database = Slurp(file);
        out.wal = Slurp(file + "-wal");
        out.shm = Slurp(file + "-shm");
    } catch (...) {
        sqlite3_close(db);
        RemoveScratch(file);
        throw;
    }
    // Closing would checkpoint the log into the file; the copies above were taken before.
    sqlite3_close(db);
    RemoveScratch(file);
    return out;
}

std::string Repage(const std::string& database, int pageSize) {
    const std::string file = ScratchFile("repage.db");
    Spill(file, database);
    sqlite3* db = nullptr;
    std::string out;
    try {
        if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) throw std::runtime_error("open failed");
        Run(db, "PRAGMA page_size=" + std::to_string(pageSize) + "; VACUUM;");
        sqlite3_close(db);
        db = nullptr;
        out = Slurp(file);
    } catch (...) {
        sqlite3_close(db);
        RemoveScratch(file);
        throw;
    }
    RemoveScratch(file);
    return out;
}

std::string CallHistoryDb(const std::vector<CallRow>& calls) {
    SqlDb db;
    // iOS 7: the iOS 6 tables, and "answered" on every call.
    db.Exec(R"sql(
        CREATE TABLE _SqliteDatabaseProperties (
            key TEXT,
            value TEXT,
            UNIQUE(key)
        );
        CREATE TABLE call (
            ROWID INTEGER PRIMARY KEY AUTOINCREMENT,
            address TEXT,
            date INTEGER,
            duration INTEGER,
            flags INTEGER,
            id INTEGER,
            name TEXT,
            country_code TEXT,
            network_code TEXT,
            read INTEGER,
            assisted INTEGER,
            face_time_data BLOB,
            originalAddress TEXT,
            answered INTEGER DEFAULT '1'
        );
        CREATE TABLE data (
            ROWID INTEGER PRIMARY KEY AUTOINCREMENT,
            pdp_ip INTEGER,
            bytes_rcvd REAL,
            bytes_sent REAL,
            bytes_last_rcvd REAL,
            bytes_last_sent REAL,
            bytes_lifetime_rcvd REAL,
            bytes_lifetime_sent REAL
        );
        CREATE INDEX date_index on call(date);
        INSERT INTO _SqliteDatabaseProperties VALUES
            ('call_history_limit', '100'),
            ('_ClientVersion', '10'),
            ('timer_last', '120'),
            ('timer_incoming', '184320'),
            ('timer_outgoing', '201540'),
            ('timer_all', '385860'),
            ('timer_lifetime', '385860'),
            ('data_up_last', '0'),
            ('data_down_last', '0'),
            ('data_up_all', '220114'),
            ('data_down_all', '1843202'),
            ('data_up_lifetime', '220114'),
            ('data_down_lifetime', '1843202');
        INSERT INTO data (pdp_ip, bytes_rcvd, bytes_sent) VALUES (0, 1843202.0, 220114.0);
    )sql");
    for (const CallRow& c : calls) {
        // A call that lasted no time was not answered (a missed call, or nobody picked up).
        const bool answered = c.duration.type != Sql::Type::Int || c.duration.i > 0;
        const SqlRow row = {
            {"address", c.address},
            {"date", c.date},
            {"duration", c.duration},
            {"flags", c.flags},
            {"id", -1},
            {"name", c.name},
            {"country_code", c.country_code},
            {"network_code", c.network_code},
            {"read", 1},
            {"assisted", 0},
            {"face_time_data", Sql()},
            {"originalAddress", c.address},
            {"answered", answered ? 1 : 0},
        };
        db.Insert("call", row);
    }
    return db.Bytes();
}

std::string AddressBookDb(const AddressBook& book) {
    SqlDb db;
    db.Exec(R"sql(
        CREATE TABLE _SqliteDatabaseProperties (
            key TEXT,
            value TEXT,
            UNIQUE(key)
        );
        CREATE TABLE ABPerson (
            ROWID INTEGER PRIMARY KEY AUTOINCREMENT,
            First TEXT,
            Last TEXT,
            Middle TEXT,
            FirstPhonetic TEXT,
            MiddlePhonetic TEXT,
            LastPhonetic TEXT,
            Organization TEXT,
            Department TEXT,
            Note TEXT,
            Kind INTEGER,
            Birthday TEXT,
            JobTitle TEXT,
            Nickname TEXT,
            Prefix TEXT,
            Suffix TEXT,
            FirstSort TEXT,
            LastSort TEXT,
            CreationDate INTEGER,
            ModificationDate INTEGER,
            CompositeNameFallback TEXT,
            ExternalIdentifier TEXT,
            ExternalModificationTag TEXT,
            ExternalUUID TEXT,
            StoreID INTEGER,
            DisplayName TEXT,
            ExternalRepresentation BLOB,
            FirstSortSection TEXT,
            LastSortSection TEXT,
            FirstSortLanguageIndex INTEGER DEFAULT 2147483647,
            LastSortLanguageIndex INTEGER DEFAULT 2147483647,
            PersonLink INTEGER DEFAULT -1,
            ImageURI TEXT,
            IsPreferredName INTEGER DEFAULT 1,
            guid TEXT
        );
        CREATE TABLE ABMultiValue (
            UID INTEGER PRIMARY KEY,
            record_id INTEGER,
            property INTEGER,
            identifier INTEGER,
            label INTEGER,
            value TEXT,
            guid TEXT
        );
        CREATE TABLE ABMultiValueLabel (
            value TEXT,
            UNIQUE(value)
        );
        CREATE TABLE ABMultiValueEntry (
            parent_id INTEGER,
            key INTEGER,
            value TEXT,
            UNIQUE(parent_id, key)
        );
        CREATE TABLE ABMultiValueEntryKey (
            value TEXT,
            UNIQUE(value)
        );
        CREATE TABLE ABGroup (
            ROWID INTEGER PRIMARY KEY AUTOINCREMENT,
            Name TEXT
        );
        CREATE TABLE ABGroupMembers (
            UID INTEGER PRIMARY KEY,
            group_id INTEGER,
            member_type INTEGER,
            member_id INTEGER,
            UNIQUE(group_id, member_type, member_id)
        );
        CREATE INDEX ABMultiValueRecordIDIndex on ABMultiValue(record_id);
        CREATE INDEX ABPersonSortIndex on ABPerson(LastSort);
        INSERT INTO _SqliteDatabaseProperties VALUES ('__ABPersonTableVersion', '1');
        INSERT INTO ABMultiValueEntryKey VALUES
            ('Street'),
            ('State'),
            ('ZIP'),
            ('City'),
            ('CountryCode'),
            ('Country');
        INSERT INTO ABGroup (Name) VALUES ('Family');
    )sql");
    std::map<std::string, std::int64_t> entryKeys = {
        {"Street", 1}, {"State", 2}, {"ZIP", 3}, {"City", 4}, {"CountryCode", 5}, {"Country", 6}};
    auto entryKey = [&](const std::string& name) {
        auto it = entryKeys.find(name);
        if (it != entryKeys.end()) return it->second;
        db.Insert("ABMultiValueEntryKey", {"value"}, {Sql(name)});
        return entryKeys[name] = db.LastRowId();
    };
    std::map<std::string, std::int64_t> labels;
    auto labelId = [&](const Sql& label) -> Sql {
        if (label.type != Sql::Type::Text) return label.IsNull() ? Sql() : label;
        auto it = labels.find(label.s);
        if (it != labels.end()) return Sql(static_cast<long long>(it->second));
        db.Insert("ABMultiValueLabel", {"value"}, {label});
        const std::int64_t id = db.LastRowId();
        labels[label.s] = id;
        return Sql(static_cast<long long>(id));
    };
    std::int64_t identifier = 0;
    auto addValue = [&](const MultiValueRow& v, std::int64_t owner) {
        const Sql record = v.recordId.IsNull() ? Sql(static_cast<long long>(owner)) : v.recordId;
        db.Insert(
            "ABMultiValue", {"record_id", "property", "identifier", "label", "value"},
            {record, v.property, static_cast<long long>(identifier++), labelId(v.label), v.value});
        const std::int64_t uid = db.LastRowId();
        for (const auto& entry : v.entries) {
            db.Insert("ABMultiValueEntry", {"parent_id", "key", "value"},
                      {static_cast<long long>(uid), static_cast<long long>(entryKey(entry.first)),
                       entry.second});
        }
    };
    std::uint64_t persons = 0;
    for (const PersonRow& p : book.persons) {
        const Sql display = p.first.IsNull() && p.last.IsNull() ? p.organization : Sql();
        const SqlRow row = {
            {"ROWID", RowId(p.rowid)},
            {"First", p.first},
            {"Last", p.last},
            {"Middle", p.middle},
            {"Organization", p.organization},
            {"Department", p.department},
            {"Note", p.note},
            {"Kind", 0},
            {"Birthday", p.birthday},
            {"JobTitle", p.jobTitle},
            {"Nickname", p.nickname},
            {"CreationDate", p.creationDate},
            {"ModificationDate", p.creationDate},
            {"DisplayName", display},
            {"FirstSort", p.first},
            {"LastSort", p.last},
            {"StoreID", 0},
            {"guid", Guid("AB", ++persons)},
        };
        db.Insert("ABPerson", row);
        const std::int64_t owner = db.LastRowId();
        for (const MultiValueRow& v : p.values) addValue(v, owner);
    }
    for (const MultiValueRow& v : book.strayValues) addValue(v, 0);
    return db.Bytes();
}

std::string AddressBookImagesDb() {
    SqlDb db;
    db.Exec(R"sql(
        CREATE TABLE _SqliteDatabaseProperties (
            key TEXT,
            value TEXT,
            UNIQUE(key)
        );
        CREATE TABLE ABFullSizeImage (
            ROWID INTEGER PRIMARY KEY AUTOINCREMENT,
            record_id INTEGER,
            crop_x INTEGER,
            crop_y INTEGER,
            crop_width INTEGER,
            crop_height INTEGER,
            data BLOB,
            UNIQUE(record_id)
        );
        CREATE TABLE ABThumbnailImage (
            ROWID INTEGER PRIMARY KEY AUTOINCREMENT,
            record_id INTEGER,
            format INTEGER,
            derived_from_format INTEGER,
            width INTEGER,
            height INTEGER,
            padding INTEGER,
            data BLOB,
            UNIQUE(record_id, format)
        );
    )sql");
    return db.Bytes();
}

std::string SmsDb(const SmsData& data) {
    SqlDb db;
    db.Exec(R"sql(
        CREATE TABLE _SqliteDatabaseProperties (
            key TEXT,
            value TEXT,
            UNIQUE(key)
        );
        CREATE TABLE message (
            ROWID INTEGER PRIMARY KEY AUTOINCREMENT,
            guid TEXT UNIQUE NOT NULL,
            text TEXT,
            replace INTEGER DEFAULT 0,
            service_center TEXT,
            handle_id INTEGER DEFAULT 0,
            subject TEXT,
            country TEXT,
            attributedBody BLOB,
            version INTEGER DEFAULT 0,
            type INTEGER DEFAULT 0,
            service TEXT,
            account TEXT,
            account_guid TEXT,
            error INTEGER DEFAULT 0,
            date INTEGER,
            date_read INTEGER,
            date_delivered INTEGER,
            is_delivered INTEGER DEFAULT 0,
            is_finished INTEGER DEFAULT 0,
            is_emote INTEGER DEFAULT 0,
            is_from_me INTEGER DEFAULT 0,
            is_empty INTEGER DEFAULT 0,
            is_delayed INTEGER DEFAULT 0,
            is_auto_reply INTEGER DEFAULT 0,
            is_prepared INTEGER DEFAULT 0,
            is_read INTEGER DEFAULT 0,
            is_system_message INTEGER DEFAULT 0,
            is_sent INTEGER DEFAULT 0,
            has_dd_results INTEGER DEFAULT 0,
            is_service_message INTEGER DEFAULT 0,
            is_forward INTEGER DEFAULT 0,
            was_downgraded INTEGER DEFAULT 0,
            is_archive INTEGER DEFAULT 0,
            cache_has_attachments INTEGER DEFAULT 0,
            cache_roomnames TEXT,
            was_data_detected INTEGER DEFAULT 0,
            was_deduplicated INTEGER DEFAULT 0
        );
        CREATE TABLE handle (
            ROWID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE,
            id TEXT NOT NULL,
            country TEXT,
            service TEXT NOT NULL,
            uncanonicalized_id TEXT,
            UNIQUE (id, service)
        );
        CREATE TABLE chat (
            ROWID INTEGER PRIMARY KEY AUTOINCREMENT,
            guid TEXT UNIQUE NOT NULL,
            style INTEGER,
            state INTEGER,
            account_id TEXT,
            properties BLOB,
            chat_identifier TEXT,
            service_name TEXT,
            room_name TEXT,
            account_login TEXT,
            is_archived INTEGER DEFAULT 0,
            last_addressed_handle TEXT,
            display_name TEXT,
            group_id TEXT
        );
        CREATE TABLE chat_handle_join (
            chat_id INTEGER REFERENCES chat (ROWID) ON DELETE CASCADE,
            handle_id INTEGER REFERENCES handle (ROWID) ON DELETE CASCADE,
            UNIQUE(chat_id, handle_id)
        );
        CREATE TABLE chat_message_join (
            chat_id INTEGER REFERENCES chat (ROWID) ON DELETE CASCADE,
            message_id INTEGER REFERENCES message (ROWID) ON DELETE CASCADE,
            PRIMARY KEY (chat_id, message_id)
        );
        CREATE TABLE attachment (
            ROWID INTEGER PRIMARY KEY AUTOINCREMENT,
            guid TEXT UNIQUE NOT NULL,
            created_date INTEGER DEFAULT 0,
            start_date INTEGER DEFAULT 0,
            filename TEXT,
            uti TEXT,
            mime_type TEXT,
            transfer_state INTEGER DEFAULT 0,
            is_outgoing INTEGER DEFAULT 0,
            user_info BLOB,
            transfer_name TEXT,
            total_bytes INTEGER DEFAULT 0
        );
        CREATE TABLE message_attachment_join (
            message_id INTEGER REFERENCES message (ROWID) ON DELETE CASCADE,
            attachment_id INTEGER REFERENCES attachment (ROWID) ON DELETE CASCADE,
            UNIQUE(message_id, attachment_id)
        );
        INSERT INTO _SqliteDatabaseProperties VALUES ('_ClientVersion', '8010');
    )sql");
    for (const HandleRow& h : data.handles) {
        db.Insert("handle", {"ROWID", "id", "country", "service", "uncanonicalized_id"},
                  {RowId(h.rowid), h.id, h.country, h.service, h.uncanonicalized_id});
    }
    std::int64_t guid = 0;
    for (const ChatRow& c : data.chats) {
        db.Insert(
            "chat",
            {"ROWID", "guid", "style", "state", "chat_identifier", "service_name", "room_name"},
            {RowId(c.rowid), "chat" + std::to_string(++guid), c.style, 3, c.chat_identifier,
             c.service_name, c.style == 43 ? Sql("chat" + std::to_string(guid)) : Sql()});
        const std::int64_t chat = db.LastRowId();
        for (std::int64_t h : c.handles) {
            db.Insert("chat_handle_join", {"chat_id", "handle_id"},
                      {static_cast<long long>(chat), static_cast<long long>(h)});
        }
    }
    for (const AttachmentRow& a : data.attachments) {
        db.Insert("attachment",
                  {"ROWID", "guid", "created_date", "filename", "uti", "mime_type",
                   "transfer_state", "transfer_name"},
                  {RowId(a.rowid), "at_" + std::to_string(++guid), a.created_date, a.filename,
                   a.uti, a.mime_type, 5, a.filename});
    }
    for (const MessageRow& m : data.messages) {
        const SqlRow row = {
            {"ROWID", RowId(m.rowid)},
            {"guid", "msg-" + std::to_string(++guid)},
            {"text", m.text},
            {"handle_id", static_cast<long long>(m.handle_id)},
            {"service", m.service},
            {"date", m.date},
            {"date_read", m.date},
            {"date_delivered", m.date},
            {"is_from_me", m.is_from_me},
            {"is_read", 1},
            {"is_sent", m.is_from_me},
            {"is_delivered", 1},
            {"cache_has_attachments", m.attachments.empty() ? 0 : 1},
            {"account", "e:ann@example.com"},
            {"country", m.country},
        };
        db.Insert("message", row);
        const std::int64_t message = db.LastRowId();
        for (std::int64_t c : m.chats) {
            db.Insert("chat_message_join", {"chat_id", "message_id"},
                      {static_cast<long long>(c), static_cast<long long>(message)});
        }
        for (std::int64_t a : m.attachments) {
            db.Insert("message_attachment_join", {"message_id", "attachment_id"},
                      {static_cast<long long>(message), static_cast<long long>(a)});
        }
    }
    return db.Bytes();
}

std::string Ios5SmsDb(const Ios5SmsData& data) {
    SqlDb db;
    // The tables and indexes of iOS 5 (iPhone 4S, 5.0.1); iMessage went by its code name then.
    db.Exec(R"sql(
        CREATE TABLE _SqliteDatabaseProperties (
            key TEXT,
            value TEXT,
            UNIQUE(key)
        );
        CREATE TABLE message (
            ROWID INTEGER PRIMARY KEY AUTOINCREMENT,
            address TEXT,
            date INTEGER,
            text TEXT,
            flags INTEGER,
            replace INTEGER,
            svc_center TEXT,
            group_id INTEGER,
            association_id INTEGER,
            height INTEGER,
            UIFlags INTEGER,
            version INTEGER,
            subject TEXT,
            country TEXT,
            headers BLOB,
            recipients BLOB,
            read INTEGER,
            smsc_ref INTEGER,
            dr_date INTEGER,
            madrid_attributedBody BLOB,
            madrid_handle TEXT,
            madrid_version INTEGER,
            madrid_guid TEXT,
            madrid_type INTEGER,
            madrid_roomname TEXT,
            madrid_service TEXT,
            madrid_account TEXT,
            madrid_flags INTEGER,
            madrid_attachmentInfo BLOB,
            madrid_url TEXT,
            madrid_error INTEGER,
            is_madrid INTEGER,
            madrid_date_read INTEGER,
            madrid_date_delivered INTEGER,
            madrid_account_guid TEXT
        );
        CREATE TABLE msg_group (
            ROWID INTEGER PRIMARY KEY AUTOINCREMENT,
            type INTEGER,
            newest_message INTEGER,
            unread_count INTEGER,
            hash INTEGER
        );
        CREATE TABLE group_member (
            ROWID INTEGER PRIMARY KEY AUTOINCREMENT,
            group_id INTEGER,
            address TEXT,
            country TEXT
        );
        CREATE TABLE msg_pieces (
            ROWID INTEGER PRIMARY KEY AUTOINCREMENT,
            message_id INTEGER,
            data BLOB,
            part_id INTEGER,
            preview_part INTEGER,
            content_type TEXT,
            height INTEGER,
            version INTEGER,
            flags INTEGER,
            content_id TEXT,
            content_loc TEXT,
            headers BLOB
        );
        CREATE TABLE madrid_attachment (
            ROWID INTEGER PRIMARY KEY AUTOINCREMENT,
            attachment_guid TEXT,
            created_date INTEGER,
            start_date INTEGER,
            filename TEXT,
            uti_type TEXT,
            mime_type TEXT,
            transfer_state INTEGER,
            is_incoming INTEGER,
            message_id INTEGER
        );
        CREATE TABLE madrid_chat (
            ROWID INTEGER PRIMARY KEY AUTOINCREMENT,
            style INTEGER,
            state INTEGER,
            account_id TEXT,
            properties BLOB,
            chat_identifier TEXT,
            service_name TEXT,
            guid TEXT,
            room_name TEXT,
            account_login TEXT,
            participants BLOB
        );
        CREATE INDEX message_group_index ON message(group_id, ROWID);
        CREATE INDEX message_flags_index ON message(flags);
        CREATE INDEX pieces_message_index ON msg_pieces(message_id);
        CREATE INDEX madrid_attachment_message_index ON madrid_attachment(message_id);
        CREATE INDEX madrid_attachment_guid_index ON madrid_attachment(attachment_guid);
        CREATE INDEX madrid_attachment_filename_index ON madrid_attachment(filename);
        CREATE INDEX madrid_guid_index ON message(madrid_guid);
        CREATE INDEX madrid_roomname_service_index ON message(madrid_roomname, madrid_service);
        CREATE INDEX madrid_handle_service_index ON message(madrid_handle, madrid_service);
        CREATE INDEX group_id_index ON group_member(group_id);
        CREATE INDEX madrid_chat_style_index ON madrid_chat(style);
        CREATE INDEX madrid_chat_state_index ON madrid_chat(state);
        CREATE INDEX madrid_chat_account_id_index ON madrid_chat(account_id);
        CREATE INDEX madrid_chat_chat_identifier_index ON madrid_chat(chat_identifier);
        CREATE INDEX madrid_chat_service_name_index ON madrid_chat(service_name);
        CREATE INDEX madrid_chat_guid_index ON madrid_chat(guid);
        CREATE INDEX madrid_chat_room_name_index ON madrid_chat(room_name);
        CREATE INDEX madrid_chat_account_login_index ON madrid_chat(account_login);
        INSERT INTO _SqliteDatabaseProperties VALUES
            ('_ClientVersion', '7'),
            ('__CPRecordSequenceNumber', '0'),
            ('counter_in_all', '0'),
            ('counter_out_all', '0');
    )sql");
    std::map<std::int64_t, std::int64_t> newest;
    for (const Ios5MessageRow& m : data.messages) {
        std::int64_t& n = newest[m.group_id];
        if (m.rowid > n) n = m.rowid;
    }
    for (const GroupRow& g : data.groups) {
        db.Insert("msg_group", {"ROWID", "type", "newest_message", "unread_count", "hash"},
                  {RowId(g.rowid), g.type, static_cast<long long>(newest[g.rowid]), 0,
                   static_cast<long long>(g.rowid * 2654435761LL % 2147483647)});
        const std::int64_t group = db.LastRowId();
        for (const std::string& address : g.members) {
            db.Insert("group_member", {"group_id", "address", "country"},
                      {static_cast<long long>(group), address, "us"});
        }
    }
    std::uint64_t n = 0;
    for (const Ios5MessageRow& m : data.messages) {
        ++n;
        const SqlRow row = {
            {"ROWID", RowId(m.rowid)},
            {"address", m.address},
            {"date", m.date},
            {"text", m.text},
            {"flags", m.flags},
            {"replace", 0},
            {"group_id", static_cast<long long>(m.group_id)},
            {"association_id", 0},
            {"height", 0},
            {"UIFlags", 0},
            {"version", 0},
            {"country", m.country},
            {"read", 1},
            {"madrid_handle", m.madrid_handle},
            {"madrid_version", m.madrid ? Sql(10) : Sql(0)},
            {"madrid_guid", m.madrid ? Sql(Guid("MADRID", n)) : Sql()},
            {"madrid_type", 0},
            {"madrid_roomname", m.madrid_roomname},
            {"madrid_service", m.madrid ? Sql("iMessage") : Sql()},
            {"madrid_account", m.madrid ? Sql("e:ann@example.com") : Sql()},
            {"madrid_flags", m.madrid_flags},
            {"madrid_error", 0},
            {"is_madrid", m.madrid ? 1 : 0},
            {"madrid_date_read", m.madrid ? m.date : Sql(0)},
            {"madrid_date_delivered", m.madrid ? m.date : Sql(0)},
        };
        db.Insert("message", row);
    }
    for (const MadridAttachmentRow& a : data.attachments) {
        const SqlRow row = {
            {"attachment_guid", Guid("ATTACH", ++n)},
            {"created_date", 0},
            {"start_date", 0},
            {"filename", a.filename},
            {"uti_type", Sql()},
            {"mime_type", a.mime_type},
            {"transfer_state", 5},
            {"is_incoming", 1},
            {"message_id", static_cast<long long>(a.message_id)},
        };
        db.Insert("madrid_attachment", row);
    }
    for (const PieceRow& p : data.pieces) {
        const SqlRow row = {
            {"message_id", static_cast<long long>(p.message_id)},
            {"data", p.data},
            {"part_id", p.part_id},
            {"preview_part", -1},
            {"content_type", p.content_type},
            {"height", 0},
            {"version", 0},
            {"flags", 0},
            {"content_id", Sql("<" + std::to_string(p.part_id) + ">")},
            {"content_loc", p.content_loc},
        };
        db.Insert("msg_pieces", row);
    }
    return db.Bytes();
}

std::string NotesDb(const std::vector<NoteRow>& notes) {
    SqlDb db;
    // Core Data numbers the entities in the order of their names: Account 1, NextId 2, Note 3,
    // NoteBody 4, NoteChange 5, Property 6, Store 7.
    db.Exec(R"sql(
        CREATE TABLE ZACCOUNT (
            Z_PK INTEGER PRIMARY KEY,
            Z_ENT INTEGER,
            Z_OPT INTEGER,
            ZTYPE INTEGER,
            ZDEFAULTSTORE INTEGER,
            ZACCOUNTIDENTIFIER VARCHAR,
            ZCONSTRAINTSPATH VARCHAR,
            ZNAME VARCHAR
        );
        CREATE INDEX ZACCOUNT_ZDEFAULTSTORE_INDEX ON ZACCOUNT (ZDEFAULTSTORE);
        CREATE TABLE ZNEXTID (
            Z_PK INTEGER PRIMARY KEY,
            Z_ENT INTEGER,
            Z_OPT INTEGER,
            ZCOUNTER INTEGER
        );
        CREATE TABLE ZNOTE (
            Z_PK INTEGER PRIMARY KEY,
            Z_ENT INTEGER,
            Z_OPT INTEGER,
            ZCONTAINSCJK INTEGER,
            ZCONTENTTYPE INTEGER,
            ZDELETEDFLAG INTEGER,
            ZEXTERNALFLAGS INTEGER,
            ZEXTERNALSERVERINTID INTEGER,
            ZINTEGERID INTEGER,
            ZISBOOKKEEPINGENTRY INTEGER,
            ZBODY INTEGER,
            ZSTORE INTEGER,
            ZCREATIONDATE TIMESTAMP,
            ZMODIFICATIONDATE TIMESTAMP,
            ZAUTHOR VARCHAR,
            ZGUID VARCHAR,
            ZSERVERID VARCHAR,
            ZSUMMARY VARCHAR,
            ZTITLE VARCHAR
        );
        CREATE INDEX ZNOTE_ZINTEGERID_INDEX ON ZNOTE (ZINTEGERID);
        CREATE INDEX ZNOTE_ZBODY_INDEX ON ZNOTE (ZBODY);
        CREATE INDEX ZNOTE_ZSTORE_INDEX ON ZNOTE (ZSTORE);
        CREATE TABLE ZNOTEBODY (
            Z_PK INTEGER PRIMARY KEY,
            Z_ENT INTEGER,
            Z_OPT INTEGER,
            ZOWNER INTEGER,
            ZCONTENT VARCHAR,
            ZEXTERNALCONTENTREF VARCHAR,
            ZEXTERNALREPRESENTATION BLOB
        );
        CREATE INDEX ZNOTEBODY_ZOWNER_INDEX ON ZNOTEBODY (ZOWNER);
        CREATE TABLE ZNOTECHANGE (
            Z_PK INTEGER PRIMARY KEY,
            Z_ENT INTEGER,
            Z_OPT INTEGER,
            ZCHANGETYPE INTEGER,
            ZSTORE INTEGER,
            ZNOTEINTEGERIDS BLOB,
            ZNOTESERVERIDS BLOB,
            ZNOTESERVERINTIDS BLOB
        );
        CREATE INDEX ZNOTECHANGE_ZSTORE_INDEX ON ZNOTECHANGE (ZSTORE);
        CREATE TABLE ZPROPERTY (
            Z_PK INTEGER PRIMARY KEY,
            Z_ENT INTEGER,
            Z_OPT INTEGER,
            ZPROPERTYKEY VARCHAR,
            ZPROPERTYVALUE BLOB
        );
        CREATE TABLE ZSTORE (
            Z_PK INTEGER PRIMARY KEY,
            Z_ENT INTEGER,
            Z_OPT INTEGER,
            ZACCOUNT INTEGER,
            ZEXTERNALIDENTIFIER VARCHAR,
            ZNAME VARCHAR,
            ZSYNCANCHOR VARCHAR
        );
        CREATE INDEX ZSTORE_ZACCOUNT_INDEX ON ZSTORE (ZACCOUNT);
        CREATE TABLE Z_PRIMARYKEY (
            Z_ENT INTEGER PRIMARY KEY,
            Z_NAME VARCHAR,
            Z_SUPER INTEGER,
            Z_MAX INTEGER
        );
        CREATE TABLE Z_METADATA (
            Z_VERSION INTEGER PRIMARY KEY,
            Z_UUID VARCHAR(255),
            Z_PLIST BLOB
        );
        INSERT INTO ZACCOUNT VALUES (1, 1, 1, 0, 1, 'local://local/account', NULL, 'On My iPhone');
        INSERT INTO ZSTORE VALUES (1, 7, 1, 1, 'local://local/store', 'Notes', NULL);
        INSERT INTO Z_METADATA VALUES (1, 'E1E7B5A4-2F0C-4A7A-9E56-8C6E0C1D2B3A', NULL);
    )sql");
    std::int64_t pk = 0;
    for (const NoteRow& n : notes) {
        ++pk;
        const long long body = n.hasBody ? pk : pk + 1000000;
        const SqlRow row = {
            {"Z_PK", static_cast<long long>(pk)},
            {"Z_ENT", 3},
            {"Z_OPT", 2},
            {"ZCONTAINSCJK", 0},
            {"ZCONTENTTYPE", 0},
            {"ZDELETEDFLAG", 0},
            {"ZEXTERNALFLAGS", 0},
            {"ZINTEGERID", static_cast<long long>(pk)},
            {"ZISBOOKKEEPINGENTRY", 0},
            {"ZBODY", body},
            {"ZSTORE", 1},
            {"ZCREATIONDATE", n.creation},
            {"ZMODIFICATIONDATE", n.modification},
            {"ZGUID", Guid("NOTE", pk)},
            {"ZSUMMARY", n.title},
            {"ZTITLE", n.title},
        };
        db.Insert("ZNOTE", row);
        if (n.hasBody) {
            db.Insert("ZNOTEBODY", {"Z_PK", "Z_ENT", "Z_OPT", "ZOWNER", "ZCONTENT"},
                      {static_cast<long long>(pk), 4, 1, static_cast<long long>(pk), n.body});
        }
    }
    const long long count = static_cast<long long>(pk);
    db.Insert("ZNEXTID", {"Z_PK", "Z_ENT", "Z_OPT", "ZCOUNTER"}, {1, 2, 1, count + 1});
    PrimaryKeys(db, {{1, "Account", 0, 1},
                     {2, "NextId", 0, 1},
                     {3, "Note", 0, count},
                     {4, "NoteBody", 0, count},
                     {5, "NoteChange", 0, 0},
                     {6, "Property", 0, 0},
                     {7, "Store", 0, 1}});
    return db.Bytes();
}

std::string BookmarksDb(const std::vector<BookmarkRow>& bookmarks) {
    SqlDb db;
    db.Exec(R"sql(
        CREATE TABLE bookmarks (
            id INTEGER PRIMARY KEY AUTOINCREMENT,
            special_id INTEGER DEFAULT 0,
            parent INTEGER,
            type INTEGER,
            title TEXT,
            url TEXT COLLATE NOCASE,
            num_children INTEGER DEFAULT 0,
            editable INTEGER DEFAULT 1,
            deletable INTEGER DEFAULT 1,
            hidden INTEGER DEFAULT 0,
            hidden_ancestor_count INTEGER DEFAULT 0,
            order_index INTEGER NOT NULL,
            external_uuid TEXT,
            read INTEGER DEFAULT NULL,
            last_modified REAL DEFAULT NULL,
            server_id TEXT,
            sync_key TEXT,
            sync_data BLOB,
            added INTEGER DEFAULT 1,
            deleted INTEGER DEFAULT 0,
            extra_attributes BLOB DEFAULT NULL,
            local_attributes BLOB DEFAULT NULL,
            fetched_icon BOOL DEFAULT 0,
            icon BLOB DEFAULT NULL,
            dav_generation INTEGER DEFAULT 0,
            locally_added BOOL DEFAULT 0,
            archive_status INTEGER DEFAULT 0,
            syncable BOOL DEFAULT 1,
            web_filter_status INTEGER DEFAULT 0,
            modified_attributes UNSIGNED BIG INT DEFAULT 0
        );
        CREATE TABLE bookmark_title_words (
            id INTEGER PRIMARY KEY,
            bookmark_id INTEGER NOT NULL REFERENCES bookmarks(id) ON DELETE CASCADE,
            word TEXT,
            word_index INTEGER
        );
        CREATE INDEX parent_index ON bookmarks (parent, order_index);
        INSERT INTO bookmarks (id, special_id, parent, type, title, url, num_children, editable,
            deletable, order_index, external_uuid)
            VALUES (0, 0, NULL, 1, 'Root', NULL, 2, 0, 0, 0, 'Root');
    )sql");
    std::map<std::int64_t, int> order;
    for (const BookmarkRow& b : bookmarks) {
        const SqlRow row = {
            {"id", RowId(b.id)},
            {"parent", static_cast<long long>(b.parent)},
            {"type", b.type},
            {"title", b.title},
            {"url", b.url},
            {"order_index", order[b.parent]++},
            {"external_uuid", "uuid-" + std::to_string(b.id)},
            {"special_id", 0},
            {"editable", 1},
        };
        db.Insert("bookmarks", row);
    }
    return db.Bytes();
}

std::string PhotosDb(const std::vector<AssetRow>& assets) {
    SqlDb db;
    // The photo library of iOS 6 (CameraRollDomain). Core Data entity numbers: additional
    // attributes 1, album 8, asset 14.
    db.Exec(R"sql(
        CREATE TABLE ZADDITIONALASSETATTRIBUTES (
            Z_PK INTEGER PRIMARY KEY,
            Z_ENT INTEGER,
            Z_OPT INTEGER,
            ZEMBEDDEDTHUMBNAILHEIGHT INTEGER,
            ZEMBEDDEDTHUMBNAILLENGTH INTEGER,
            ZEMBEDDEDTHUMBNAILOFFSET INTEGER,
            ZEMBEDDEDTHUMBNAILWIDTH INTEGER,
            ZHIGHDYNAMICRANGETYPE INTEGER,
            ZORIGINALFILESIZE INTEGER,
            ZORIGINALHEIGHT INTEGER,
            ZORIGINALORIENTATION INTEGER,
            ZORIGINALWIDTH INTEGER,
            ZASSET INTEGER,
            Z14_ASSET INTEGER,
            ZDURATION FLOAT,
            ZCREATORBUNDLEID VARCHAR,
            ZORIGINALFILENAME VARCHAR,
            ZORIGINALPATH VARCHAR,
            ZIMPORTSESSIONID BLOB,
            ZORIGINALASSETSUUID BLOB
        );
        CREATE INDEX ZADDITIONALASSETATTRIBUTES_ZCREATORBUNDLEID_INDEX
            ON ZADDITIONALASSETATTRIBUTES (ZCREATORBUNDLEID);
        CREATE INDEX ZADDITIONALASSETATTRIBUTES_ZORIGINALASSETSUUID_INDEX
            ON ZADDITIONALASSETATTRIBUTES (ZORIGINALASSETSUUID);
        CREATE INDEX ZADDITIONALASSETATTRIBUTES_ZASSET_INDEX ON ZADDITIONALASSETATTRIBUTES (ZASSET);
        CREATE TABLE ZADJUSTMENT (
            Z_PK INTEGER PRIMARY KEY,
            Z_ENT INTEGER,
            Z_OPT INTEGER,
            ZIDENTIFIER INTEGER,
            ZASSET INTEGER,
            Z14_ASSET INTEGER,
            Z_FOK_ASSET INTEGER,
            ZFILTERNAME VARCHAR,
            ZFILTERSETTINGS BLOB
        );
        CREATE INDEX ZADJUSTMENT_ZASSET_INDEX ON ZADJUSTMENT (ZASSET);
        CREATE TABLE ZALBUMLIST (
            Z_PK INTEGER PRIMARY KEY,
            Z_ENT INTEGER,
            Z_OPT INTEGER,
            ZIDENTIFIER INTEGER,
            ZNEEDSREORDERINGNUMBER INTEGER,
            ZPENDINGITEMSCOUNT INTEGER
        );
        CREATE TABLE ZCLOUDSHAREDALBUMINVITATIONRECORD (
            Z_PK INTEGER PRIMARY KEY,
            Z_ENT INTEGER,
            Z_OPT INTEGER,
            ZINVITATIONSTATE INTEGER,
            ZINVITATIONSTATELOCAL INTEGER,
            ZINVITEEEMAILKEY INTEGER,
            ZALBUM INTEGER,
            Z_FOK_ALBUM INTEGER,
            ZALBUMGUID VARCHAR,
            ZCLOUDGUID VARCHAR,
            ZINVITEEFIRSTNAME VARCHAR,
            ZINVITEELASTNAME VARCHAR
        );
        CREATE INDEX ZCLOUDSHAREDALBUMINVITATIONRECORD_ZALBUM_INDEX
            ON ZCLOUDSHAREDALBUMINVITATIONRECORD (ZALBUM);
        CREATE TABLE ZCLOUDSHAREDCOMMENT (
            Z_PK INTEGER PRIMARY KEY,
            Z_ENT INTEGER,
            Z_OPT INTEGER,
            ZCOMMENTEREMAILKEY INTEGER,
            ZISCAPTION INTEGER,
            ZISDELETABLE INTEGER,
            ZISLIKE INTEGER,
            ZISMYCOMMENT INTEGER,
            ZCOMMENTEDASSET INTEGER,
            Z14_COMMENTEDASSET INTEGER,
            ZLIKEDASSET INTEGER,
            Z14_LIKEDASSET INTEGER,
            Z_FOK_LIKEDASSET INTEGER,
            Z_FOK_COMMENTEDASSET INTEGER,
            ZCOMMENTDATE TIMESTAMP,
            ZCLOUDGUID VARCHAR,
            ZCOMMENTTEXT VARCHAR,
            ZCOMMENTTYPE VARCHAR,
            ZCOMMENTERFIRSTNAME VARCHAR,
            ZCOMMENTERLASTNAME VARCHAR
        );
        CREATE INDEX ZCLOUDSHAREDCOMMENT_ZCOMMENTEDASSET_INDEX
            ON ZCLOUDSHAREDCOMMENT (ZCOMMENTEDASSET);
        CREATE INDEX ZCLOUDSHAREDCOMMENT_ZLIKEDASSET_INDEX ON ZCLOUDSHAREDCOMMENT (ZLIKEDASSET);
        CREATE TABLE ZFACE (
            Z_PK INTEGER PRIMARY KEY,
            Z_ENT INTEGER,
            Z_OPT INTEGER,
            ZIDENTIFIER INTEGER,
            ZASSET INTEGER,
            Z14_ASSET INTEGER,
            ZALBUMUUID BLOB,
            ZRELATIVERECTVALUE BLOB
        );
        CREATE INDEX ZFACE_ZALBUMUUID_INDEX ON ZFACE (ZALBUMUUID);
        CREATE INDEX ZFACE_ZIDENTIFIER_INDEX ON ZFACE (ZIDENTIFIER);
        CREATE INDEX ZFACE_ZASSET_INDEX ON ZFACE (ZASSET);
        CREATE TABLE ZGENERICALBUM (
            Z_PK INTEGER PRIMARY KEY,
            Z_ENT INTEGER,
            Z_OPT INTEGER,
            ZCACHEDCOUNT INTEGER,
            ZCACHEDPHOTOSCOUNT INTEGER,
            ZCACHEDVIDEOSCOUNT INTEGER,
            ZKIND INTEGER,
            ZPENDINGITEMSCOUNT INTEGER,
            ZPENDINGITEMSTYPE INTEGER,
            ZKEYASSET INTEGER,
            Z14_KEYASSET INTEGER,
            ZCLOUDOWNEREMAILKEY INTEGER,
            ZCLOUDPUBLICURLENABLED INTEGER,
            ZCLOUDPUBLICURLENABLEDLOCAL INTEGER,
            ZCLOUDRELATIONSHIPSTATE INTEGER,
            ZCLOUDRELATIONSHIPSTATELOCAL INTEGER,
            ZHASUNSEENCONTENT INTEGER,
            ZISOWNED INTEGER,
            ZUNSEENASSETSCOUNT INTEGER,
            ZKEYASSETFACEIDENTIFIER INTEGER,
            ZKEYASSETFACETHUMBNAILINDEX INTEGER,
            ZCLOUDLASTINTERESTINGCHANGEDATE TIMESTAMP,
            ZTITLE VARCHAR,
            ZCLOUDGUID VARCHAR,
            ZCLOUDOWNERFIRSTNAME VARCHAR,
            ZCLOUDOWNERLASTNAME VARCHAR,
            ZCLOUDPERSONID VARCHAR,
            ZPUBLICURL VARCHAR,
            ZIMPORTSESSIONID BLOB,
            ZUUID BLOB,
            ZCLOUDMETADATA BLOB
        );
        CREATE INDEX ZGENERICALBUM_ZKIND_INDEX ON ZGENERICALBUM (ZKIND);
        CREATE INDEX ZGENERICALBUM_ZUUID_INDEX ON ZGENERICALBUM (ZUUID);
        CREATE INDEX ZGENERICALBUM_ZKEYASSET_INDEX ON ZGENERICALBUM (ZKEYASSET);
        CREATE INDEX ZGENERICALBUM_Z_ENT_INDEX ON ZGENERICALBUM (Z_ENT);
        CREATE TABLE Z_7ALBUMLISTS (
            Z_7ALBUMS INTEGER,
            Z_3ALBUMLISTS INTEGER,
            Z_FOK_7ALBUMS INTEGER,
            PRIMARY KEY (Z_7ALBUMS, Z_3ALBUMLISTS)
        );
        CREATE TABLE Z_8ASSETS (
            Z_8ALBUMS INTEGER,
            Z_14ASSETS INTEGER,
            Z_FOK_14ASSETS INTEGER,
            PRIMARY KEY (Z_8ALBUMS, Z_14ASSETS)
        );
        CREATE TABLE ZGENERICASSET (
            Z_PK INTEGER PRIMARY KEY,
            Z_ENT INTEGER,
            Z_OPT INTEGER,
            ZCLOUDHASCOMMENTSBYME INTEGER,
            ZCLOUDHASCOMMENTSCONVERSATION INTEGER,
            ZCLOUDHASUNSEENCOMMENTS INTEGER,
            ZCLOUDPLACEHOLDERKIND INTEGER,
            ZCOMPLETE INTEGER,
            ZFLAGGED INTEGER,
            ZHEIGHT INTEGER,
            ZKIND INTEGER,
            ZORIENTATION INTEGER,
            ZSAVEDASSETTYPE INTEGER,
            ZTHUMBNAILINDEX INTEGER,
            ZWIDTH INTEGER,
            ZADDITIONALATTRIBUTES INTEGER,
            ZCLOUDBATCHPUBLISHDATE TIMESTAMP,
            ZCLOUDLASTVIEWEDCOMMENTDATE TIMESTAMP,
            ZDATECREATED TIMESTAMP,
            ZMODIFICATIONDATE TIMESTAMP,
            ZSORTTOKEN FLOAT,
            ZCLOUDASSETGUID VARCHAR,
            ZCLOUDASSETKIND VARCHAR,
            ZCLOUDBATCHID VARCHAR,
            ZCLOUDCOLLECTIONGUID VARCHAR,
            ZDIRECTORY VARCHAR,
            ZFILENAME VARCHAR,
            ZTITLE VARCHAR,
            ZUNIFORMTYPEIDENTIFIER VARCHAR,
            ZCLOUDMETADATA BLOB,
            ZFACERECTANGLES BLOB,
            ZUUID BLOB,
            ZLOCATIONDATA BLOB,
            ZIMAGEURLDATA BLOB,
            ZTHUMBNAILURLDATA BLOB
        );
        CREATE INDEX ZGENERICASSET_ZCLOUDPLACEHOLDERKIND_INDEX
            ON ZGENERICASSET (ZCLOUDPLACEHOLDERKIND);
        CREATE INDEX ZGENERICASSET_ZCOMPLETE_INDEX ON ZGENERICASSET (ZCOMPLETE);
        CREATE INDEX ZGENERICASSET_ZDATECREATED_INDEX ON ZGENERICASSET (ZDATECREATED);
        CREATE INDEX ZGENERICASSET_ZKIND_INDEX ON ZGENERICASSET (ZKIND);
        CREATE INDEX ZGENERICASSET_ZSAVEDASSETTYPE_INDEX ON ZGENERICASSET (ZSAVEDASSETTYPE);
        CREATE INDEX ZGENERICASSET_ZSORTTOKEN_INDEX ON ZGENERICASSET (ZSORTTOKEN);
        CREATE INDEX ZGENERICASSET_ZUUID_INDEX ON ZGENERICASSET (ZUUID);
        CREATE INDEX ZGENERICASSET_ZADDITIONALATTRIBUTES_INDEX
            ON ZGENERICASSET (ZADDITIONALATTRIBUTES);
        CREATE INDEX ZGENERICASSET_Z_ENT_INDEX ON ZGENERICASSET (Z_ENT);
        CREATE INDEX ZGENERICASSET_ZKIND_Z_PK ON ZGENERICASSET (ZKIND, Z_PK);
        CREATE TABLE ZKEYWORD (
            Z_PK INTEGER PRIMARY KEY,
            Z_ENT INTEGER,
            Z_OPT INTEGER,
            ZTITLE VARCHAR
        );
        CREATE TABLE ZSIDECARFILE (
            Z_PK INTEGER PRIMARY KEY,
            Z_ENT INTEGER,
            Z_OPT INTEGER,
            ZCOMPRESSEDSIZE INTEGER,
            ZINDEX INTEGER,
            ZASSET INTEGER,
            Z14_ASSET INTEGER,
            ZCAPTUREDATE TIMESTAMP,
            ZMODIFICATIONDATE TIMESTAMP,
            ZFILENAME VARCHAR,
            ZORIGINALFILENAME VARCHAR,
            ZUNIFORMTYPEIDENTIFIER VARCHAR
        );
        CREATE INDEX ZSIDECARFILE_ZASSET_INDEX ON ZSIDECARFILE (ZASSET);
        CREATE TABLE Z_PRIMARYKEY (
            Z_ENT INTEGER PRIMARY KEY,
            Z_NAME VARCHAR,
            Z_SUPER INTEGER,
            Z_MAX INTEGER
        );
        CREATE TABLE Z_METADATA (
            Z_VERSION INTEGER PRIMARY KEY,
            Z_UUID VARCHAR(255),
            Z_PLIST BLOB
        );
        CREATE INDEX RADAR_10322662_INDEX ON Z_8ASSETS (Z_8ALBUMS, Z_FOK_14ASSETS, Z_14ASSETS);
        INSERT INTO Z_METADATA VALUES (1, '7D3A9E21-6B4C-4F0D-8E15-2A9C6B1F3E47', NULL);
    )sql");
    std::int64_t pk = 0, photos = 0, videos = 0;
    for (const AssetRow& a : assets) {
        ++pk;
        (a.kind == 1 ? videos : photos) += 1;
        const long long id = static_cast<long long>(pk);
        // Pictures in the camera's own folders were taken on the phone; the others came from
        // a computer or an app.
        const bool camera =
            a.directory.type == Sql::Type::Text && a.directory.s.compare(0, 5, "DCIM/") == 0;
        const SqlRow asset = {
            {"Z_PK", id},
            {"Z_ENT", 14},
            {"Z_OPT", 4},
            {"ZCLOUDHASCOMMENTSBYME", 0},
            {"ZCLOUDHASCOMMENTSCONVERSATION", 0},
            {"ZCLOUDHASUNSEENCOMMENTS", 0},
            {"ZCLOUDPLACEHOLDERKIND", 0},
            {"ZCOMPLETE", 1},
            {"ZFLAGGED", 0},
            {"ZHEIGHT", a.height},
            {"ZKIND", a.kind},
            {"ZORIENTATION", 1},
            {"ZSAVEDASSETTYPE", camera ? 0 : 3},
            {"ZTHUMBNAILINDEX", id - 1},
            {"ZWIDTH", a.width},
            {"ZADDITIONALATTRIBUTES", id},
            {"ZDATECREATED", a.dateCreated},
            {"ZMODIFICATIONDATE", a.dateCreated},
            {"ZSORTTOKEN", a.dateCreated},
            {"ZDIRECTORY", a.directory},
            {"ZFILENAME", a.filename},
            {"ZTITLE", a.filename},
            {"ZUNIFORMTYPEIDENTIFIER", a.uti},
            {"ZUUID", Guid("ASSET", static_cast<std::uint64_t>(pk))},
        };
        db.Insert("ZGENERICASSET", asset);
        const SqlRow attributes = {
            {"Z_PK", id},
            {"Z_ENT", 1},
            {"Z_OPT", 1},
            {"ZHIGHDYNAMICRANGETYPE", 0},
            {"ZORIGINALHEIGHT", a.height},
            {"ZORIGINALORIENTATION", 1},
            {"ZORIGINALWIDTH", a.width},
            {"ZASSET", id},
            {"Z14_ASSET", 14},
            {"ZDURATION", 0.0},
            {"ZCREATORBUNDLEID", camera ? Sql("com.apple.camera") : Sql()},
            {"ZORIGINALFILENAME", a.filename},
        };
        db.Insert("ZADDITIONALASSETATTRIBUTES", attributes);
        db.Insert("Z_8ASSETS", {"Z_8ALBUMS", "Z_14ASSETS", "Z_FOK_14ASSETS"},
                  {1, id, static_cast<long long>(pk * 1024)});
    }
    const long long n = static_cast<long long>(pk);
    const SqlRow album = {
        {"Z_PK", 1},
        {"Z_ENT", 8},
        {"Z_OPT", 1},
        {"ZCACHEDCOUNT", n},
        {"ZCACHEDPHOTOSCOUNT", static_cast<long long>(photos)},
        {"ZCACHEDVIDEOSCOUNT", static_cast<long long>(videos)},
        {"ZKIND", 1000},
        {"ZPENDINGITEMSCOUNT", 0},
        {"ZPENDINGITEMSTYPE", 0},
        {"ZHASUNSEENCONTENT", 0},
        {"ZISOWNED", 1},
        {"ZUNSEENASSETSCOUNT", 0},
        {"ZTITLE", "Camera Roll"},
        {"ZUUID", "5E2C1B9A-0D1F-4C55-8B2E-0F9D3C7A1B22"},
    };
    db.Insert("ZGENERICALBUM", album);
    PrimaryKeys(db,
                {{1, "AdditionalAssetAttributes", 0, n}, {8, "Album", 7, 1}, {14, "Asset", 13, n}});
    return db.Bytes();
}

std::string RecordingsDb(const std::vector<MemoRow>& memos) {
    SqlDb db;
    db.Exec(R"sql(
        CREATE TABLE ZRECORDING (
            Z_PK INTEGER PRIMARY KEY,
            Z_ENT INTEGER,
            Z_OPT INTEGER,
            ZDATE TIMESTAMP,
            ZDURATION FLOAT,
            ZCUSTOMLABEL VARCHAR,
            ZPATH VARCHAR,
            ZUNIQUEID VARCHAR
        );
        CREATE TABLE Z_PRIMARYKEY (
            Z_ENT INTEGER PRIMARY KEY,
            Z_NAME VARCHAR,
            Z_SUPER INTEGER,
            Z_MAX INTEGER
        );
        CREATE TABLE Z_METADATA (
            Z_VERSION INTEGER PRIMARY KEY,
            Z_UUID VARCHAR(255),
            Z_PLIST BLOB
        );
    )sql");
    std::int64_t pk = 0;
    for (const MemoRow& m : memos) {
        ++pk;
        db.Insert(
            "ZRECORDING",
            {"Z_PK", "Z_ENT", "Z_OPT", "ZDATE", "ZDURATION", "ZCUSTOMLABEL", "ZPATH", "ZUNIQUEID"},
            {static_cast<long long>(pk), 1, 1, m.date, m.duration, m.label, m.path,
             "rec-" + std::to_string(pk)});
    }
    PrimaryKeys(db, {{1, "Recording", 0, static_cast<long long>(pk)}});
    return db.Bytes();
}

std::string CalendarDb(const CalendarData& data) {
    SqlDb db;
    db.Exec(R"sql(
        CREATE TABLE _SqliteDatabaseProperties (
            key TEXT,
            value TEXT,
            UNIQUE(key)
        );
        CREATE TABLE Store (
            ROWID INTEGER PRIMARY KEY AUTOINCREMENT,
            name TEXT,
            default_alarm_offset INTEGER,
            type INTEGER,
            constraint_path TEXT,
            disabled INTEGER,
            external_id TEXT,
            persistent_id TEXT,
            flags INTEGER
        );
        CREATE INDEX StoreExternalId on Store(external_id);
        CREATE TABLE Calendar (
            ROWID INTEGER PRIMARY KEY AUTOINCREMENT,
            store_id INTEGER,
            title TEXT,
            flags INTEGER,
            color TEXT,
            color_is_display INTEGER,
            type TEXT,
            supported_entity_types INTEGER,
            external_id TEXT,
            external_mod_tag TEXT,
            external_id_tag TEXT,
            external_rep BLOB,
            display_order INTEGER,
            UUID TEXT,
            shared_owner_name TEXT,
            shared_owner_email TEXT,
            sharing_status INTEGER,
            sharing_invitation_response INTEGER,
            published_URL TEXT,
            is_published INTEGER,
            invitation_status INTEGER,
            sync_token TEXT,
            self_identity_id INTEGER,
            self_identity_email TEXT,
            owner_identity_id INTEGER,
            owner_identity_email TEXT
        );
        CREATE INDEX CalendarExternalId on Calendar(external_id);
        CREATE INDEX CalendarStoreId on Calendar(store_id);
        CREATE INDEX CalendarUUID on Calendar(UUID);
        CREATE TABLE CalendarItem (
            ROWID INTEGER PRIMARY KEY AUTOINCREMENT,
            summary TEXT,
            location_id INTEGER,
            description TEXT,
            start_date REAL,
            start_tz TEXT,
            end_date REAL,
            all_day INTEGER,
            calendar_id INTEGER,
            orig_item_id INTEGER,
            orig_date REAL,
            organizer_id INTEGER,
            self_attendee_id INTEGER,
            status INTEGER,
            invitation_status INTEGER,
            availability INTEGER,
            privacy_level INTEGER,
            url TEXT,
            last_modified REAL,
            sequence_num INTEGER,
            birthday_id INTEGER,
            modified_properties INTEGER,
            external_tracking_status INTEGER,
            external_id TEXT,
            external_mod_tag TEXT,
            unique_identifier TEXT,
            external_schedule_id TEXT,
            external_rep BLOB,
            response_comment TEXT,
            hidden INTEGER,
            has_recurrences INTEGER,
            has_attendees INTEGER,
            UUID TEXT,
            entity_type INTEGER,
            priority INTEGER,
            due_date REAL,
            due_tz TEXT,
            due_all_day INTEGER,
            completion_date REAL,
            creation_date REAL,
            conference TEXT,
            display_order INTEGER,
            created_by_id INTEGER,
            modified_by_id INTEGER,
            shared_item_created_date REAL,
            shared_item_created_tz TEXT,
            shared_item_modified_date REAL,
            shared_item_modified_tz TEXT,
            invitation_changed_properties INTEGER,
            default_alarm_removed INTEGER,
            phantom_master INTEGER
        );
        CREATE INDEX EventStatus on CalendarItem(status);
        CREATE INDEX EventHiddenEndDateStartDate on CalendarItem(hidden, end_date, start_date);
        CREATE INDEX EventCalendarIdHiddenEndDateStartDate
            on CalendarItem(calendar_id, hidden, end_date, start_date);
        CREATE INDEX EventUUID on CalendarItem(UUID);
        CREATE INDEX CalendarItemDueDate on CalendarItem(due_date);
        CREATE INDEX CalendarItemEntityTypeCompletionDate
            on CalendarItem(entity_type, completion_date);
        CREATE TABLE Location (
            ROWID INTEGER PRIMARY KEY AUTOINCREMENT,
            title TEXT,
            latitude INTEGER,
            longitude INTEGER,
            address_book_id TEXT,
            radius INTEGER,
            item_owner_id INTEGER,
            alarm_owner_id INTEGER
        );
        CREATE INDEX LocationOwnerItemId on Location(item_owner_id);
        INSERT INTO _SqliteDatabaseProperties VALUES ('_ClientVersion', '14008');
        INSERT INTO Store (name, default_alarm_offset, type, disabled, flags) VALUES ('Default', -1,
            0, 0, 0);
    )sql");
    int order = 0;
    for (const CalendarRow& c : data.calendars) {
        const bool tasks = c.title.type == Sql::Type::Text &&
                           (c.title.s == "Reminders" || c.title.s == "reminders" ||
                            c.title.s == "DEFAULT_TASK_CALENDAR_NAME");
        const bool birthdays = c.title.type == Sql::Type::Text && c.title.s == "Birthdays";
        const SqlRow row = {
            {"ROWID", RowId(c.rowid)},
            {"store_id", 1},
            {"title", c.title},
            {"flags", 0},
            {"color", tasks ? "#FF9500" : "#1BADF8"},
            {"color_is_display", 0},
            {"type", birthdays ? "birthday" : "local"},
            {"supported_entity_types", tasks ? 8 : 4},
            {"display_order", order++},
            {"UUID", Guid("CAL", static_cast<std::uint64_t>(c.rowid))},
            {"sharing_status", 0},
            {"is_published", 0},
            {"invitation_status", 0},
        };
        db.Insert("Calendar", row);
    }
    std::vector<std::int64_t> locationOwner(data.locations.size(), 0);
    std::int64_t n = 0;
    for (const CalendarItemRow& i : data.items) {
        ++n;
        const bool task = i.entity_type == 3;
        const Sql due = !task ? Sql() : i.due_date.IsNull() ? i.start_date : i.due_date;
        const SqlRow row = {
            {"summary", i.summary},
            {"location_id", i.location_id},
            {"description", i.description},
            {"start_date", i.start_date},
            {"start_tz", i.start_tz},
            {"end_date", i.end_date},
            {"all_day", i.all_day},
            {"calendar_id", i.calendar_id},
            {"orig_item_id", 0},
            {"organizer_id", 0},
            {"self_attendee_id", 0},
            {"status", i.status},
            {"invitation_status", 0},
            {"availability", 0},
            {"privacy_level", 0},
            {"url", i.url},
            {"last_modified", i.start_date},
            {"sequence_num", 0},
            {"birthday_id", -1},
            {"modified_properties", 0},
            {"external_tracking_status", 0},
            {"unique_identifier", Guid("ITEM", static_cast<std::uint64_t>(n))},
            {"hidden", 0},
            {"has_recurrences", 0},
            {"has_attendees", 0},
            {"UUID", Guid("ITEMUUID", static_cast<std::uint64_t>(n))},
            {"entity_type", i.entity_type},
            {"priority", 0},
            {"due_date", due},
            {"due_tz", task ? i.start_tz : Sql()},
            {"due_all_day", task ? 0 : Sql()},
            {"completion_date", i.completion_date},
            {"creation_date", i.start_date},
            {"display_order", 0},
        };
        db.Insert("CalendarItem", row);
        if (i.location_id.type == Sql::Type::Int) {
            for (std::size_t l = 0; l < data.locations.size(); ++l) {
                if (data.locations[l].rowid == i.location_id.i && locationOwner[l] == 0)
                    locationOwner[l] = n;
            }
        }
    }
    for (std::size_t l = 0; l < data.locations.size(); ++l) {
        const LocationRow& loc = data.locations[l];
        db.Insert("Location",
                  {"ROWID", "title", "latitude", "longitude", "radius", "item_owner_id"},
                  {RowId(loc.rowid), loc.title, 37.3318, -122.0312, 0,
                   locationOwner[l] ? Sql(static_cast<long long>(locationOwner[l])) : Sql()});
    }
    return db.Bytes();
}

}  // namespace gen
