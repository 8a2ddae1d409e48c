#include "kind/sms/sms.h"

#include <unordered_map>

#include "ib/ib_util.h"
#include "ib/kind_keys.h"
#include "kind/contact/contact.h"
#include "kind/kind_util.h"
#include "kind/reader_query.h"
#include "kind/sqlite_db.h"
#include "kind/table_columns.h"

namespace ib {

namespace chat_key = ib::keys::messages;
namespace message_key = ib::keys::message;

namespace {

const char kFile[] = "src/kind/sms/sms";
const char kDevicePath[] = "Library/SMS/sms.db";
// A handle's address: the number as the phone showed it, else the canonical id (an iMessage
// handle often has only the latter, an e-mail address always).
const char kHandleAddress[] = "coalesce(nullif(h.uncanonicalized_id,''),h.id)";

// The tables and columns the queries read.
const char kChatColumns[] = "chat: ROWID; msg_group: ROWID";
const char kMemberColumns[] =
    "chat_handle_join: ROWID chat_id handle_id; handle: ROWID id uncanonicalized_id; "
    "group_member: ROWID group_id address";
const char kMessageColumns[] =
    "chat_message_join: chat_id message_id; chat_handle_join: chat_id handle_id; "
    "message: ROWID handle_id country service text date is_from_me; "
    "handle: ROWID country service id uncanonicalized_id";
const char kGroupMessageColumns[] =
    "message: ROWID group_id country is_madrid text date flags madrid_flags address madrid_handle";

// What the message rows are read into.
struct MessageRows {
    std::map<std::int32_t, Chat*>* chats;
    // The chat of the previous row: rows come grouped by chat.
    Chat* last = nullptr;
};

// The addresses of each conversation's members, in the order the database lists them.
using Members = std::unordered_map<std::int32_t, std::vector<std::string>>;

// The column text, or the empty text for SQL NULL, into an existing text.
void Assign(std::string& to, const char* value) {
    if (value != nullptr) to.assign(value);
}

// The chats, each by its id.
struct ChatQuery {
    static constexpr char kSql[] = "select rowid from chat";
    enum Column { kId, kCount };
    static constexpr const char* kNames[] = {"rowid"};
};

// Whether chat_message_join says which chat each message belongs to.
struct AnyChatMessageQuery {
    static constexpr char kSql[] = "select 1 from chat_message_join limit 1";
    enum Column { kOne, kCount };
    static constexpr const char* kNames[] = {"1"};
};

// The members of each chat in the order chat_handle_join lists them.
struct ChatMemberQuery {
    static std::string Sql(const TableColumns& handle) {
        const std::string address = handle.Has("id") ? kHandleAddress : "h.uncanonicalized_id";
        return "select chj.chat_id, " + address +
               " from chat_handle_join chj join handle h on h.ROWID = chj.handle_id order by "
               "chj.ROWID";
    }
    static std::string Sql(SqliteDb& db) { return Sql(TableColumns(db, "handle")); }
    // The address is the handle's uncanonicalized_id, or its id where that is empty.
    enum Column { kChatId, kAddress, kCount };
    static constexpr const char* kNames[] = {"chat_id", "uncanonicalized_id"};
};

// The messages of each chat as chat_message_join gives them, the owner's own (without a
// handle) included; the sender's country and service from the handle where the message has one.
// Within a chat by date, then in the order the messages were stored.
struct ChatMessageQuery {
    static std::string Sql(const TableColumns& message, const TableColumns& handle) {
        const std::string country = message.Or("m", "country");
        const std::string service = message.Or("m", "service");
        const std::string address = handle.Has("id") ? kHandleAddress : "h.uncanonicalized_id";
        return "select cmj.chat_id, case when h.ROWID is null then " + country +
               " else h.country end, case when h.ROWID is null then " + service +
               " else h.service end, " + address +
               ", m.text, m.date, m.is_from_me from chat_message_join cmj join message m on "
               "m.ROWID = cmj.message_id left join handle h on h.ROWID = m.handle_id order by "
               "cmj.chat_id, m.date, m.ROWID";
    }
    static std::string Sql(SqliteDb& db) {
        return Sql(TableColumns(db, "message"), TableColumns(db, "handle"));
    }
    enum Column { kChatId, kCountry, kService, kAddress, kText, kDate, kIsFromMe, kCount };
    static constexpr const char* kNames[] = {
        "chat_id", "country", "service", "uncanonicalized_id", "text", "date", "is_from_me"};
};

// Without chat_message_join: a message belongs to every chat that includes its handle. The
// columns of ChatMessageQuery.
struct HandleMessageQuery : ChatMessageQuery {
    static std::string Sql(const TableColumns& handle) {
        const std::string address = handle.Has("id") ? kHandleAddress : "h.uncanonicalized_id";
        return "select chj.chat_id,h.country,h.service," + address +
               ", m.text,m.date,m.is_from_me from message m ,handle h , chat_handle_join chj "
               "where m.handle_id = h.ROWID and h.ROWID = chj.handle_id order by chj.chat_id, "
               "m.date, m.ROWID";
    }
    static std::string Sql(SqliteDb& db) { return Sql(TableColumns(db, "handle")); }
};

// The older database (iOS 5): a conversation per msg_group, its members in group_member, SMS
// rows dated from 1970 and iMessage rows (is_madrid) from 2001. The groups and their members
// have the columns of the chats and theirs.
struct GroupQuery : ChatQuery {
    static constexpr char kSql[] = "select rowid from msg_group";
};
struct GroupMemberQuery : ChatMemberQuery {
    static constexpr char kSql[] = "select group_id, address from group_member order by ROWID";
    static constexpr const char* kNames[] = {"group_id", "address"};
};
struct GroupMessageQuery {
    static std::string Sql(const TableColumns& message) {
        const std::string madrid = "ifnull(" + message.Or("m", "is_madrid") + ",0)";
        return "select m.group_id, m.country, " + madrid + ", m.text, m.date, m.flags, " +
               message.Or("m", "madrid_flags") + ", coalesce(nullif(m.address,''), " +
               message.Or("m", "madrid_handle") +
               ") from message m order by m.group_id, case when " + madrid +
               " <> 0 then m.date + " + std::to_string(kAppleEpochUnixSeconds) +
               " else m.date end, m.ROWID";
    }
    static std::string Sql(SqliteDb& db) { return Sql(TableColumns(db, "message")); }
    // The group, the country, whether an iMessage, the text, the date, the flags of an SMS and
    // of an iMessage, the other party's address.
    enum Column {
        kGroupId,
        kCountry,
        kMadrid,
        kText,
        kDate,
        kFlags,
        kMadridFlags,
        kAddress,
        kCount
    };
    static constexpr const char* kNames[] = {"group_id", "country", "is_madrid",    "text",
                                             "date",     "flags",   "madrid_flags", "address"};
};

int OnMemberRow(void* context, const SqliteDb::Row& row) {
    auto* members = static_cast<Members*>(context);
    const char* address = row.Text(ChatMemberQuery::kAddress);
    if (address == nullptr || *address == 0) return 0;
    const std::int32_t id = KindUtil::Number32(row.Text(ChatMemberQuery::kChatId));
    (*members)[id].emplace_back(address);
    return 0;
}

int OnAnyRow(void* context, const SqliteDb::Row& row) {
    *static_cast<bool*>(context) = true;
    return 0;
}

// The direction bits: an SMS row's flags are 2 when received and 3 when sent (33 and 35 a send
// that failed); an iMessage row's madrid_flags carry 0x8000 when sent (36869, 45061, 32773) and
// not when received (12289, 77825).
constexpr std::int64_t kSmsSentBit = 0x1;
constexpr std::int64_t kMadridSentBit = 0x8000;

// Joins texts with ", ".
std::string Join(const std::vector<std::string>& texts) {
    std::string out;
    for (const std::string& t : texts) {
        if (!out.empty()) out += ", ";
        out += t;
    }
    return out;
}

Chat* ChatOf(MessageRows* rows, std::int32_t id) {
    Chat* chat = rows->last;
    if (chat == nullptr || chat->chat_id != id) {
        auto it = rows->chats->find(id);
        if (it == rows->chats->end()) return nullptr;
        chat = rows->last = CheckedPtr(it->second);
    }
    return chat;
}

}  // namespace

Chat::~Chat() {
    plist_free(messages);
}

Sms::~Sms() {
    Clear();
}

void Sms::Clear() {
    for (auto& entry : chats_) TrackedDelete(kFile, __LINE__, entry.second);
    chats_.clear();
}

plist_t Sms::GetData(Mbdb* mbdb, int /*typeFilter*/) {
    plist_t array = plist_new_array();
    mbdb_ = mbdb;
    const std::string path = KindUtil::LocateFirst(mbdb, kDevicePath);
    if (path.empty()) return array;
    Load(path, array);
    return array;
}

void Sms::Load(const std::string& path, plist_t array) {
    // Every call reads the chats again; what an earlier call read is replaced as a whole.
    Clear();
    SqliteDb db(path, {kChatColumns, kMemberColumns, kMessageColumns, kGroupMessageColumns});
    Members members;
    MessageRows rows{&chats_};
    const TableColumns message(db, "message");
    if (TableColumns(db, "chat").Exists() || !TableColumns(db, "msg_group").Exists()) {
        if (!db.ExecRows(ChatQuery::kSql, &Sms::OnChatRow, &chats_)) return;
        const TableColumns handle(db, "handle");
        db.ExecRows(ChatMemberQuery::Sql(handle).c_str(), &OnMemberRow, &members);
        bool joined = false;
        db.ExecRows(AnyChatMessageQuery::kSql, &OnAnyRow, &joined);
        const std::string sql =
            joined ? ChatMessageQuery::Sql(message, handle) : HandleMessageQuery::Sql(handle);
        if (!db.ExecRows(sql.c_str(), &Sms::OnMessageRow, &rows)) return DropMessages();
    } else {
        if (!db.ExecRows(GroupQuery::kSql, &Sms::OnChatRow, &chats_)) return;
        db.ExecRows(GroupMemberQuery::kSql, &OnMemberRow, &members);
        if (!db.ExecRows(GroupMessageQuery::Sql(message).c_str(), &Sms::OnGroupMessageRow, &rows))
            return DropMessages();
    }
    NameChats(members);
    ToPlist(array);
}

void Sms::DropMessages() {
    for (auto& entry : chats_) {
        Chat* chat = CheckedPtr(entry.second);
        plist_free(chat->messages);
        chat->messages = nullptr;
    }
}

void Sms::NameChats(const std::unordered_map<std::int32_t, std::vector<std::string>>& members) {
    Contact* contact = contact_ != nullptr ? CheckedPtr(contact_) : nullptr;
    // A person without a name (a business listed by its organization) names nobody.
    auto nameOf = [&](const std::string& address) -> const char* {
        const char* name =
            contact != nullptr ? contact->FindNameByPhone(mbdb_, address.c_str()) : nullptr;
        return name != nullptr && *name != 0 ? name : nullptr;
    };
    for (auto& entry : chats_) {
        Chat* chat = CheckedPtr(entry.second);
        auto it = members.find(chat->chat_id);
        if (it == members.end() || it->second.empty()) {
            // No members listed: the address of the chat's first message names it.
            const char* name = nameOf(chat->phone);
            if (name != nullptr && chat->another.empty()) chat->another = name;
            continue;
        }
        const std::vector<std::string>& addresses = it->second;
        chat->phone = Join(addresses);
        // A group is named by its members, each by name where the address book has one.
        std::vector<std::string> names;
        names.reserve(addresses.size());
        bool named = false;
        for (const std::string& address : addresses) {
            const char* name = nameOf(address);
            named = named || name != nullptr;
            names.emplace_back(name != nullptr ? name : address);
        }
        chat->another = named ? Join(names) : std::string();
    }
}

std::vector<ReaderQuery> Sms::Queries() {
    return {
        ReaderQuery::Fixed<ChatQuery>("ChatQuery", kDevicePath, kChatColumns),
        ReaderQuery::Fixed<AnyChatMessageQuery>("AnyChatMessageQuery", kDevicePath,
                                                kMessageColumns),
        ReaderQuery::Built<ChatMemberQuery>("ChatMemberQuery", kDevicePath, kMemberColumns),
        ReaderQuery::Built<ChatMessageQuery>("ChatMessageQuery", kDevicePath, kMessageColumns),
        ReaderQuery::Built<HandleMessageQuery>("HandleMessageQuery", kDevicePath, kMessageColumns),
        ReaderQuery::Fixed<GroupQuery>("GroupQuery", kDevicePath, kChatColumns),
        ReaderQuery::Fixed<GroupMemberQuery>("GroupMemberQuery", kDevicePath, kMemberColumns),
        ReaderQuery::Built<GroupMessageQuery>("GroupMessageQuery", kDevicePath,
                                              kGroupMessageColumns)};
}

int Sms::OnChatRow(void* context, const SqliteDb::Row& row) {
    auto* chats = static_cast<std::map<std::int32_t, Chat*>*>(context);
    Chat* chat = new Chat;
    chat->chat_id = KindUtil::Number32(row.Text(ChatQuery::kId));
    Chat*& slot = (*chats)[chat->chat_id];
    TrackedDelete(kFile, __LINE__, slot);
    slot = chat;
    return 0;
}

namespace {

// A message's dictionary, appended to its chat's list.
void AppendMessage(Chat* chat, const char* country, const char* service, const char* text,
                   const char* date, std::int32_t type) {
    if (chat->messages == nullptr) chat->messages = plist_new_array();
    plist_t md = plist_new_dict();
    DictInsertString(md, message_key::kCountry, country);
    DictInsertString(md, message_key::kService, service);
    DictInsertString(md, message_key::kText, text);
    DictInsertString(md, message_key::kDate, date);
    plist_dict_set_item(md, message_key::kType, plist_new_uint(static_cast<std::uint32_t>(type)));
    plist_array_append_item(chat->messages, md);
}

}  // namespace

int Sms::OnMessageRow(void* context, const SqliteDb::Row& row) {
    auto* rows = static_cast<MessageRows*>(context);
    using Query = ChatMessageQuery;
    Chat* chat = ChatOf(rows, KindUtil::Number32(row, Query::kChatId));
    if (chat == nullptr) return 0;
    char date[20];
    AppendMessage(chat, row.Text(Query::kCountry), row.Text(Query::kService),
                  row.Text(Query::kText), KindUtil::AppleDateInto(row, Query::kDate, date),
                  KindUtil::Number32(row, Query::kIsFromMe));
    if (chat->phone.empty()) Assign(chat->phone, row.Text(Query::kAddress));
    return 0;
}

int Sms::OnGroupMessageRow(void* context, const SqliteDb::Row& row) {
    using Query = GroupMessageQuery;
    auto* rows = static_cast<MessageRows*>(context);
    Chat* chat = ChatOf(rows, KindUtil::Number32(row.Text(Query::kGroupId)));
    if (chat == nullptr) return 0;
    const bool madrid = KindUtil::Number(row.Text(Query::kMadrid)) != 0;
    char text[20] = {0};
    std::int64_t seconds = 0;
    if (KindUtil::DateSeconds(row.Text(Query::kDate), &seconds)) {
        if (madrid) {
            KindUtil::AppleTimeInto(seconds, text);
        } else {
            KindUtil::UnixTimeInto(seconds, text);
        }
    }
    const std::int64_t flags =
        KindUtil::Number(row.Text(madrid ? Query::kMadridFlags : Query::kFlags));
    AppendMessage(chat, row.Text(Query::kCountry), madrid ? "iMessage" : "SMS",
                  row.Text(Query::kText), text,
                  (flags & (madrid ? kMadridSentBit : kSmsSentBit)) != 0 ? 1 : 0);
    if (chat->phone.empty()) Assign(chat->phone, row.Text(Query::kAddress));
    return 0;
}

void Sms::ToPlist(plist_t array) {
    for (auto& entry : chats_) {
        Chat* chat = CheckedPtr(entry.second);
        plist_t dict = plist_new_dict();
        plist_dict_set_item(dict, chat_key::kId,
                            plist_new_uint(static_cast<std::uint32_t>(chat->chat_id)));
        DictInsertString(dict, chat_key::kPhone, chat->phone.c_str());
        DictInsertString(dict, chat_key::kAnother, chat->another.c_str());
        // The messages built from the rows go into the result as they are.
        if (chat->messages != nullptr) {
            plist_dict_set_item(dict, chat_key::kMessage, chat->messages);
            chat->messages = nullptr;
        }
        plist_array_append_item(array, dict);
    }
}

}  // namespace ib
