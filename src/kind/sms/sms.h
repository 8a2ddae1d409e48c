// The conversations of a backup (KIND_MESSAGES): one entry per chat with its messages, the other
// party named from the address book.
#pragma once

#include <plist/plist.h>

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/wz_base.h"
#include "kind/kind.h"
#include "kind/reader_query.h"
#include "kind/sqlite_db.h"

namespace ib {

class Contact;

class Chat : public WzBase {
  public:
    Chat() = default;
    ~Chat() override;
    Chat(const Chat&) = delete;
    Chat& operator=(const Chat&) = delete;

    std::int32_t chat_id = 0;
    // The other party's address; a group's members' addresses joined by ", "; without members
    // listed, the address of the chat's first message.
    std::string phone;
    // The other party's name, empty when the address book has none; a group's members' names
    // (the address where a member has none) joined by ", ", empty when no member has a name.
    std::string another;
    // The chat's messages in row order, each a dictionary of "country", "service", "text",
    // "date" and "type", built as the rows are read (nothing of a message is kept besides);
    // null while the chat has none. Owned by the chat until the result takes it over.
    plist_t messages = nullptr;
};

class Sms : public Kind {
  public:
    // The queries the reader runs, each with the columns it selects.
    static std::vector<ReaderQuery> Queries();

    Sms() = default;
    ~Sms() override;
    Sms(const Sms&) = delete;
    Sms& operator=(const Sms&) = delete;

    // The backup's address-book reader, borrowed for the names.
    void SetContact(Contact* contact) { contact_ = contact; }
    // Every chat in ascending id; never null. The database is read anew at every call. The
    // database of iOS 6 and later ties messages to chats through chat_message_join; that of
    // iOS 5 keeps a conversation per msg_group.
    plist_t GetData(Mbdb* mbdb, int typeFilter) override;

    const std::map<std::int32_t, Chat*>& Chats() const { return chats_; }

  private:
    void Load(const std::string& path, plist_t array);
    static int OnChatRow(void* context, const SqliteDb::Row& row);
    static int OnMessageRow(void* context, const SqliteDb::Row& row);
    static int OnGroupMessageRow(void* context, const SqliteDb::Row& row);
    void NameChats(const std::unordered_map<std::int32_t, std::vector<std::string>>& members);
    // Hands every chat's messages over into the result.
    void ToPlist(plist_t array);
    // A failed read lists no message: the lists built so far go.
    void DropMessages();
    void Clear();

    std::map<std::int32_t, Chat*> chats_;
    Contact* contact_ = nullptr;
    Mbdb* mbdb_ = nullptr;
};

}  // namespace ib
