#include "kind/sms/sms.h"

#include "ib/ib_util.h"
#include "kind/contact/contact.h"
#include "kind/kind_util.h"
#include "kind/sqlite_db.h"

namespace {

const char kFile[] = "src/kind/sms/sms";
const char kDevicePath[] = "Library/SMS/sms.db";
const char kChatSql[] = "select rowid from chat";
const char kMessageSql[] =
    "select distinct chj.chat_id,h.country,h.service,h.uncanonicalized_id, "
    "m.text,m.date,m.is_from_me from message m ,handle h , chat_handle_join chj where "
    "m.handle_id = h.ROWID and h.ROWID = chj.handle_id";

// What the message rows are read into.
struct MessageRows {
    std::map<std::int32_t, Chat*>* chats;
    // The chat of the previous row: rows come grouped by chat.
    Chat* last = nullptr;
};

// The column text, or the empty text for SQL NULL, into an existing text.
void Assign(std::string& to, const char* value) {
    if (value != nullptr) to.assign(value);
}

}  // namespace

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
    SqliteDb db(path);
    if (!db.Exec(kChatSql, &Sms::OnChatRow, &chats_)) return;
    MessageRows rows{&chats_};
    if (!db.Exec(kMessageSql, &Sms::OnMessageRow, &rows)) return;
    if (contact_ != nullptr) {
        Contact* contact = CheckedPtr(contact_);
        for (auto& entry : chats_) {
            Chat* chat = CheckedPtr(entry.second);
            const char* name = contact->FindNameByPhone(mbdb_, chat->phone.c_str());
            if (name != nullptr && chat->another.empty()) chat->another = name;
        }
    }
    ToPlist(array);
}

int Sms::OnChatRow(void* context, int columns, char** values, char** /*names*/) {
    auto* chats = static_cast<std::map<std::int32_t, Chat*>*>(context);
    Chat* chat = new Chat;
    chat->chat_id = KindUtil::Number32(KindUtil::Column(columns, values, 0));
    Chat*& slot = (*chats)[chat->chat_id];
    TrackedDelete(kFile, __LINE__, slot);
    slot = chat;
    return 0;
}

int Sms::OnMessageRow(void* context, int columns, char** values, char** /*names*/) {
    auto* rows = static_cast<MessageRows*>(context);
    const std::int32_t id = KindUtil::Number32(KindUtil::Column(columns, values, 0));
    Chat* chat = rows->last;
    if (chat == nullptr || chat->chat_id != id) {
        auto it = rows->chats->find(id);
        if (it == rows->chats->end()) return 0;
        chat = rows->last = CheckedPtr(it->second);
    }
    // The message is filled where it is kept.
    chat->messages.emplace_back();
    ChatMessage& message = chat->messages.back();
    Assign(message.country, KindUtil::Column(columns, values, 1));
    Assign(message.service, KindUtil::Column(columns, values, 2));
    Assign(message.text, KindUtil::Column(columns, values, 4));
    message.date = KindUtil::AppleTime(KindUtil::Number(KindUtil::Column(columns, values, 5)));
    message.type = KindUtil::Number32(KindUtil::Column(columns, values, 6));
    if (chat->phone.empty()) Assign(chat->phone, KindUtil::Column(columns, values, 3));
    return 0;
}

void Sms::ToPlist(plist_t array) const {
    for (const auto& entry : chats_) {
        const Chat* chat = CheckedPtr(entry.second);
        plist_t dict = plist_new_dict();
        plist_dict_set_item(dict, "id", plist_new_uint(static_cast<std::uint32_t>(chat->chat_id)));
        DictInsertString(dict, "phone", chat->phone.c_str());
        DictInsertString(dict, "another", chat->another.c_str());
        if (!chat->messages.empty()) {
            plist_t messages = plist_new_array();
            for (const ChatMessage& m : chat->messages) {
                plist_t md = plist_new_dict();
                DictInsertString(md, "country", m.country.c_str());
                DictInsertString(md, "service", m.service.c_str());
                DictInsertString(md, "text", m.text.c_str());
                DictInsertString(md, "date", m.date.c_str());
                plist_dict_set_item(md, "type", plist_new_uint(static_cast<std::uint32_t>(m.type)));
                plist_array_append_item(messages, md);
            }
            plist_dict_set_item(dict, "message", messages);
        }
        plist_array_append_item(array, dict);
    }
}
