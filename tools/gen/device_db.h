// Device databases as a phone of the iOS 6 to 8 era writes them: the real tables with their real
// columns (not only those that the readers query), indexes, and the values as given. Each writer
// returns the bytes of a complete SQLite file. Also Safari's History.plist.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace gen {

// One column value as it is stored: NULL, an integer, a real, a text or a blob.
struct Sql {
    enum class Type { Null, Int, Real, Text, Blob };
    Type type = Type::Null;
    std::int64_t i = 0;
    double r = 0;
    std::string s;

    Sql() = default;
    Sql(int v) : type(Type::Int), i(v) {}
    Sql(long v) : type(Type::Int), i(v) {}
    Sql(long long v) : type(Type::Int), i(v) {}
    Sql(double v) : type(Type::Real), r(v) {}
    Sql(const char* v) : type(v ? Type::Text : Type::Null), s(v ? v : "") {}
    Sql(std::string v) : type(Type::Text), s(std::move(v)) {}
    static Sql Null() { return Sql(); }
    static Sql Blob(std::string bytes) {
        Sql v;
        v.type = Type::Blob;
        v.s = std::move(bytes);
        return v;
    }
    bool IsNull() const { return type == Type::Null; }
};

// One row as column and value pairs, the form for rows of many columns: each value stands beside
// its column.
using SqlRow = std::vector<std::pair<std::string, Sql>>;

// An SQLite database built in memory and handed out as file bytes.
class SqlDb {
  public:
    SqlDb();
    ~SqlDb();
    SqlDb(const SqlDb&) = delete;
    SqlDb& operator=(const SqlDb&) = delete;

    // Runs SQL text; throws std::runtime_error on failure.
    void Exec(const std::string& sql);
    // Inserts one row; the statement is prepared once per table and column list. Throws
    // std::invalid_argument, naming the table and both counts, when the number of values is not
    // the number of columns, and std::runtime_error when SQLite refuses the row.
    void Insert(const std::string& table, const std::vector<std::string>& columns,
                const std::vector<Sql>& values);
    void Insert(const std::string& table, const SqlRow& row);
    // The rowid of the last insert.
    std::int64_t LastRowId() const;
    // The database as the bytes of a file.
    std::string Bytes();

  private:
    sqlite3* db_ = nullptr;
    std::map<std::string, sqlite3_stmt*> statements_;
};

// A database caught in the middle of a transaction, as a crash leaves it: the database file with
// some changed pages already written, and the hot rollback journal beside it ("<file>-journal").
// sql is the change that was under way.
struct HotJournal {
    std::string database;
    std::string journal;
};
HotJournal WithHotJournal(const std::string& database, const std::string& sql);

// A database in write-ahead-log mode with changes not yet checkpointed: the database file, its
// "-wal" and its "-shm".
struct WalFiles {
    std::string database;
    std::string wal;
    std::string shm;
};
WalFiles InWalMode(const std::string& database, const std::string& sql);

// The database written again with another page size (small pages make small fuzzing seeds).
std::string Repage(const std::string& database, int pageSize);

// --- Library/CallHistory/call_history.db ---
struct CallRow {
    Sql address;
    Sql date;  // Unix seconds
    Sql duration;
    Sql flags;  // 4 incoming, 5 outgoing; 0, 1, 16 and others exist
    Sql name;
    Sql country_code = "310";
    Sql network_code = "410";
};
std::string CallHistoryDb(const std::vector<CallRow>& calls);

// --- Library/AddressBook/AddressBook.sqlitedb ---
struct MultiValueRow {
    MultiValueRow(Sql label = Sql(), Sql value = Sql(), int property = 3, Sql recordId = Sql())
        : label(std::move(label)),
          value(std::move(value)),
          property(property),
          recordId(std::move(recordId)) {}

    Sql label;         // stored label text such as "_$!<Mobile>!$_"; NULL for none
    Sql value;         // NULL for a value kept in parts
    int property = 3;  // 3 phone, 4 e-mail, 5 postal address, 13 instant messaging, 22 web page
    Sql recordId;      // the owner; NULL means the person the row is listed under
    // The parts of an address or an instant-messaging account (ABMultiValueEntry), in row order:
    // the key's name ("Street", "City", "username"...) and its value.
    std::vector<std::pair<std::string, Sql>> entries;
};
struct PersonRow {
    std::int64_t rowid = 0;  // 0: the next free rowid
    Sql first, last, middle, organization, department, note, birthday, jobTitle, nickname;
    Sql creationDate;  // seconds since 2001
    std::vector<MultiValueRow> values;
};
struct AddressBook {
    std::vector<PersonRow> persons;
    std::vector<MultiValueRow> strayValues;  // rows whose recordId names no person
};
std::string AddressBookDb(const AddressBook& book);
// --- Library/AddressBook/AddressBookImages.sqlitedb: the picture tables, without pictures ---
std::string AddressBookImagesDb();

// --- Library/SMS/sms.db ---
struct HandleRow {
    std::int64_t rowid = 0;
    Sql id;  // "+15551234567" or an e-mail address
    Sql country = "us";
    Sql service = "SMS";
    Sql uncanonicalized_id;
};
struct ChatRow {
    std::int64_t rowid = 0;
    Sql chat_identifier;
    Sql service_name = "SMS";
    int style = 45;  // 45 one to one, 43 a group
    std::vector<std::int64_t> handles;
};
struct MessageRow {
    std::int64_t rowid = 0;
    std::int64_t handle_id = 0;
    Sql text;
    Sql date;  // seconds since 2001
    Sql is_from_me = 0;
    Sql service = "SMS";
    Sql country;                      // the message's own, beside its handle's
    std::vector<std::int64_t> chats;  // chat_message_join
    std::vector<std::int64_t> attachments;
};
struct AttachmentRow {
    std::int64_t rowid = 0;
    Sql filename;  // "~/Library/SMS/Attachments/xx/yy/name"
    Sql mime_type;
    Sql uti;
    Sql created_date;
};
struct SmsData {
    std::vector<HandleRow> handles;
    std::vector<ChatRow> chats;
    std::vector<MessageRow> messages;
    std::vector<AttachmentRow> attachments;
};
// The tables as iOS 6 writes them: no index beyond the tables' own keys.
std::string SmsDb(const SmsData& data);

// --- Library/SMS/sms.db of iOS 5: a conversation per msg_group, SMS and iMessage rows in one
// message table ---
struct GroupRow {
    std::int64_t rowid = 0;
    int type = 0;                      // 0 one other party, 1 several
    std::vector<std::string> members;  // group_member addresses, in row order
};
struct Ios5MessageRow {
    std::int64_t rowid = 0;
    std::int64_t group_id = 0;
    Sql address;  // the other party (SMS); NULL on iMessage rows
    Sql date;     // SMS: Unix seconds; iMessage: seconds since 2001
    Sql text;
    int flags = 2;  // SMS: 2 received, 3 sent, 33 a send that failed; iMessage rows: 0
    Sql country = "us";
    bool madrid = false;   // an iMessage
    Sql madrid_handle;     // iMessage: the other party
    int madrid_flags = 0;  // iMessage: 12289 received, 36869 sent, 32773 a send that failed
    Sql madrid_roomname;   // iMessage group chats
};
struct MadridAttachmentRow {
    Sql filename;  // "~/Library/SMS/Attachments/xx/yy/<guid>/<name>"
    Sql mime_type;
    std::int64_t message_id = 0;
};
struct PieceRow {
    std::int64_t message_id = 0;
    int part_id = 0;
    Sql content_type;  // "image/jpeg", "text/plain", "application/smil"...
    Sql content_loc;   // the part's name in the message ("IMG_0042.jpg")
    Sql data;          // the text of a text part
};
struct Ios5SmsData {
    std::vector<GroupRow> groups;
    std::vector<Ios5MessageRow> messages;
    std::vector<MadridAttachmentRow> attachments;
    std::vector<PieceRow> pieces;
};
std::string Ios5SmsDb(const Ios5SmsData& data);

// --- Library/Notes/notes.sqlite ---
struct NoteRow {
    Sql creation;  // seconds since 2001
    Sql modification;
    Sql title;
    Sql body;
    bool hasBody = true;  // false: the note points to no body row
};
std::string NotesDb(const std::vector<NoteRow>& notes);

// --- Library/Safari/Bookmarks.db ---
struct BookmarkRow {
    std::int64_t id = 0;
    std::int64_t parent = 0;
    int type = 0;  // 0 a bookmark, 1 a folder
    Sql title;
    Sql url;
};
std::string BookmarksDb(const std::vector<BookmarkRow>& bookmarks);

// --- Media/PhotoData/Photos.sqlite ---
struct AssetRow {
    Sql directory;  // "DCIM/100APPLE", "PhotoData/Sync/..."
    Sql filename;
    int kind = 0;  // 0 a picture, 1 a video
    int width = 0;
    int height = 0;
    Sql dateCreated;
    Sql uti = "public.jpeg";
};
std::string PhotosDb(const std::vector<AssetRow>& assets);

// --- Media/Recordings/Recordings.db ---
struct MemoRow {
    Sql date;      // seconds since 2001
    Sql duration;  // seconds, a real
    Sql label;
    Sql path;  // the device path: "/var/mobile/Media/Recordings/<name>.m4a"
};
std::string RecordingsDb(const std::vector<MemoRow>& memos);

// --- Library/Calendar/Calendar.sqlitedb ---
struct CalendarRow {
    std::int64_t rowid = 0;
    Sql title;
};
struct LocationRow {
    std::int64_t rowid = 0;
    Sql title;
};
struct CalendarItemRow {
    Sql summary;
    Sql location_id;
    Sql description;
    Sql start_date;  // seconds since 2001, a real
    Sql end_date;
    Sql start_tz = "America/Los_Angeles";
    Sql all_day = 0;
    Sql calendar_id;
    Sql status = 0;
    Sql url;
    int entity_type = 2;  // 2 an event, 3 a task
    Sql due_date;         // a task's due date; NULL: its start date
    Sql completion_date;  // when a task was ticked off (its status stays as given)
};
struct CalendarData {
    std::vector<CalendarRow> calendars;
    std::vector<LocationRow> locations;
    std::vector<CalendarItemRow> items;
};
std::string CalendarDb(const CalendarData& data);

}  // namespace gen
