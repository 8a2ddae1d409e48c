// Messages and attachments: conversations with their messages and names, attachments with their
// stored files, numbers and extensions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gen/device_db.h"
#include "gen/media.h"
#include "ib/wz_ib.h"
#include "kind/sms/sms_attachment.h"
#include "kind_fixture.h"

namespace {

using gen::Sql;
using kindtest::KindBackup;

const char kSmsPath[] = "Library/SMS/sms.db";

gen::SmsData Conversations() {
    gen::SmsData d;
    d.handles.push_back({1, "+15551234567", "us", "SMS", "5551234567"});
    d.handles.push_back({2, "bob@example.com", "us", "iMessage", Sql()});
    d.handles.push_back({3, "+15550009999", "us", "SMS", "5550009999"});
    gen::ChatRow one;
    one.rowid = 1;
    one.handles = {1};
    gen::ChatRow two;
    two.rowid = 2;
    two.handles = {2};
    gen::ChatRow group;
    group.rowid = 3;
    group.style = 43;
    group.handles = {1, 3};
    gen::ChatRow silent;
    silent.rowid = 4;
    d.chats = {one, two, group, silent};
    auto msg = [](std::int64_t id, std::int64_t handle, Sql text, Sql date, Sql fromMe,
                  Sql service) {
        gen::MessageRow m;
        m.rowid = id;
        m.handle_id = handle;
        m.text = text;
        m.date = date;
        m.is_from_me = fromMe;
        m.service = service;
        return m;
    };
    d.messages.push_back(msg(1, 1, "Hi 👋", 400000000, 0, "SMS"));
    d.messages.push_back(msg(2, 1, "<b>x</b>", 400000000.25, 1, "SMS"));
    d.messages.push_back(msg(3, 2, Sql(), Sql(), Sql(), "iMessage"));
    d.messages.push_back(msg(4, 3, "مرحبا", 400000100, 0, "SMS"));
    d.messages.push_back(msg(5, 99, "nobody", 400000200, 0, "SMS"));
    d.messages.push_back(msg(6, 1, "Hi 👋", 400000000, 0, "SMS"));  // the same row again
    return d;
}

gen::AddressBook Ann() {
    gen::AddressBook book;
    gen::PersonRow ann;
    ann.rowid = 1;
    ann.first = "Ann";
    ann.last = "Lee";
    ann.values.push_back({"_$!<Mobile>!$_", "555-123-4567", 3, Sql()});
    book.persons.push_back(ann);
    return book;
}

TEST(SmsTest, WholeResult) {
    KindBackup b;
    b.Builder().AddFile("HomeDomain", "Library/AddressBook/AddressBook.sqlitedb",
                        gen::AddressBookDb(Ann()));
    b.Builder().AddFile("HomeDomain", kSmsPath, gen::SmsDb(Conversations()));
    const std::string hi =
        R"({"country":"us","service":"SMS","text":"Hi 👋","date":"2013-09-04 15:06:40","type":0})";
    const std::string bold =
        R"({"country":"us","service":"SMS","text":"<b>x</b>","date":"2013-09-04 15:06:40","type":1})";
    const std::string arabic =
        R"({"country":"us","service":"SMS","text":"مرحبا","date":"2013-09-04 15:08:20","type":0})";
    const std::string expected =
        R"([{"id":1,"phone":"5551234567","another":"Ann Lee","message":[)" + hi + "," + bold +
        "]}," +
        R"({"id":2,"phone":"","another":"","message":[{"country":"us","service":"iMessage","text":"","date":"2001-01-01 00:00:00","type":0}]},)" +
        R"({"id":3,"phone":"5551234567","another":"Ann Lee","message":[)" + hi + "," + bold + "," +
        arabic + "]}," + R"({"id":4,"phone":"","another":""}])";
    EXPECT_EQ(b.Dump(KIND_MESSAGES), expected);
    // Read anew at every call, with the same answer.
    EXPECT_EQ(b.Dump(KIND_MESSAGES), expected);
}

TEST(SmsTest, NoDatabaseOrNoChatTableIsAnEmptyArray) {
    KindBackup none;
    EXPECT_EQ(none.Dump(KIND_MESSAGES), "[]");
    EXPECT_EQ(none.Dump(KIND_SMS_ATTACHMENTS), "null");
    gen::SqlDb db;
    db.Exec("CREATE TABLE message (ROWID INTEGER PRIMARY KEY, text TEXT)");
    KindBackup noChat;
    noChat.Builder().AddFile("HomeDomain", kSmsPath, db.Bytes());
    EXPECT_EQ(noChat.Dump(KIND_MESSAGES), "[]");
}

TEST(SmsTest, FailedMessageQueryGivesAnEmptyArray) {
    // Chats are there but the handle table is missing: the join fails.
    gen::SqlDb db;
    db.Exec(
        "CREATE TABLE chat (ROWID INTEGER PRIMARY KEY); INSERT INTO chat VALUES (1), (2);"
        "CREATE TABLE message (ROWID INTEGER PRIMARY KEY, text TEXT, handle_id INTEGER, country "
        "TEXT, service TEXT, date INTEGER, is_from_me INTEGER);"
        "CREATE TABLE chat_handle_join (chat_id INTEGER, handle_id INTEGER);");
    KindBackup b;
    b.Builder().AddFile("HomeDomain", kSmsPath, db.Bytes());
    EXPECT_EQ(b.Dump(KIND_MESSAGES), "[]");
}

struct Attachment {
    Sql filename;
    Sql mime;
    bool inManifest;
    bool stored;
};

TEST(SmsAttachmentTest, WholeResultWithNumbersAndExtensions) {
    const std::string longExt = "a.verylongextensionthatgoesonandon";
    const std::vector<Attachment> rows = {
        {"~/Library/SMS/Attachments/ab/12/photo.jpeg", "image/jpeg", true, true},
        {"~/Library/SMS/Attachments/cd/34/clip.mov", "video/quicktime", false, true},
        {"~/Library/SMS/Attachments/ef/56/clip.mov", "video/quicktime", true, false},
        {Sql(), "image/png", true, true},
        {"~/Library/SMS/Attachments/00/00/noext", Sql(), true, true},
        {"~/Library/SMS/Attachments/dir.v2/00/file", "text/vcard", true, true},
        {"/var/mobile/Library/SMS/x.jpg", "image/jpeg", true, true},
        {"~", "image/jpeg", true, true},
        {"~/Library/SMS/Attachments/aa/aa/" + longExt, "image/png", true, true},
    };
    KindBackup b;
    gen::SmsData d;
    std::vector<std::string> stored;
    const std::string picture = gen::MakeJpeg(32, 24, 6, 3);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        gen::AttachmentRow a;
        a.rowid = static_cast<std::int64_t>(i + 1);
        a.filename = rows[i].filename;
        a.mime_type = rows[i].mime;
        d.attachments.push_back(a);
        std::string rel = rows[i].filename.IsNull() || rows[i].filename.s.size() < 2
                              ? std::string("unused") + std::to_string(i)
                              : rows[i].filename.s.substr(2);
        // An absolute device path: the file is in the manifest under its own path, which the
        // reader, dropping two characters, does not find.
        if (i == 6) rel = "Library/SMS/x.jpg";
        stored.push_back(
            b.Builder().AddFile("MediaDomain", rel, picture, rows[i].inManifest, rows[i].stored));
    }
    b.Builder().AddFile("HomeDomain", kSmsPath, gen::SmsDb(d));
    const std::string size = std::to_string(picture.size());
    const std::string expected =
        R"([{"file_name":"IMG_1.jpeg","path":")" + stored[0] + R"(","size":)" + size +
        R"(,"type":0,"query_path":"Library/SMS/Attachments/ab/12/photo.jpeg"},)" +
        R"({"file_name":"IMG_3.mov","path":")" + stored[2] +
        R"(","size":0,"type":1,"query_path":"Library/SMS/Attachments/ef/56/clip.mov"},)" +
        R"({"file_name":"IMG_4","path":")" + stored[4] + R"(","size":)" + size +
        R"(,"type":1,"query_path":"Library/SMS/Attachments/00/00/noext"},)" +
        R"({"file_name":"IMG_5.v2/00/file","path":")" + stored[5] + R"(","size":)" + size +
        R"(,"type":1,"query_path":"Library/SMS/Attachments/dir.v2/00/file"},)" +
        R"({"file_name":"IMG_8.verylongextensionthatgoes","path":")" + stored[8] + R"(","size":)" +
        size + R"(,"type":0,"query_path":"Library/SMS/Attachments/aa/aa/)" + longExt + R"("}])";
    EXPECT_EQ(b.Dump(KIND_SMS_ATTACHMENTS), expected);
    // Kept: the same answer without reading again.
    EXPECT_EQ(b.Dump(KIND_SMS_ATTACHMENTS), expected);
}

TEST(SmsAttachmentTest, AllLeftOutIsAnEmptyArrayAndNoRowIsNull) {
    KindBackup b;
    gen::SmsData d;
    gen::AttachmentRow a;
    a.filename = "~/Library/SMS/Attachments/zz/zz/gone.jpg";
    a.mime_type = "image/jpeg";
    d.attachments.push_back(a);
    b.Builder().AddFile("HomeDomain", kSmsPath, gen::SmsDb(d));
    EXPECT_EQ(b.Dump(KIND_SMS_ATTACHMENTS), "[]");
    KindBackup empty;
    empty.Builder().AddFile("HomeDomain", kSmsPath, gen::SmsDb({}));
    EXPECT_EQ(empty.Dump(KIND_SMS_ATTACHMENTS), "null");
}

TEST(SmsAttachmentTest, FileNameIsCutAtACharacterBoundary) {
    struct Case {
        std::size_t n;
        const char* rel;
        const char* name;
    } cases[] = {
        {1, "a/b.jpeg", "IMG_1.jpeg"},
        {12, "a.b/c", "IMG_12.b/c"},
        {3, "none", "IMG_3"},
        {1, "x.日本語日本語日本語日本語", "IMG_1.日本語日本語日本"},
        {123456789, "x.abcdefghijklmnopqrstuvwxyz", "IMG_123456789.abcdefghijklmnopq"},
    };
    for (const Case& c : cases) {
        const std::string name = SmsAttachment::FileName(c.n, c.rel);
        EXPECT_EQ(name, c.name);
        EXPECT_LE(name.size(), 31u);
    }
}

}  // namespace
