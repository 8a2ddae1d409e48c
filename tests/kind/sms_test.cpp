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
#include "support/test_support.h"

using namespace ib;

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

TEST(SmsTest, WithoutChatMessageJoinTheHandleJoinRunsInDateOrder) {
    // The messages above name no chat: a message belongs to every chat of its handle.
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
    // By date, then as stored: the same text twice is two messages. An iMessage address that
    // has only its id is the chat's phone; a group lists its members, named where they can be.
    const std::string expected =
        R"([{"id":1,"phone":"5551234567","another":"Ann Lee","message":[)" + hi + "," + hi + "," +
        bold + "]}," +
        R"({"id":2,"phone":"bob@example.com","another":"","message":[{"country":"us","service":"iMessage","text":"","date":"2001-01-01 00:00:00","type":0}]},)" +
        R"({"id":3,"phone":"5551234567, 5550009999","another":"Ann Lee, 5550009999","message":[)" +
        hi + "," + hi + "," + bold + "," + arabic + "]}," + R"({"id":4,"phone":"","another":""}])";
    EXPECT_EQ(b.Dump(KIND_MESSAGES), expected);
    // Read anew at every call, with the same answer.
    EXPECT_EQ(b.Dump(KIND_MESSAGES), expected);
}

// A day of chats as the published iOS 6 tables hold it: two one-to-one chats, a group of three
// taking turns with the owner, and a chat without messages.
gen::SmsData DayOfChats() {
    gen::SmsData d;
    d.handles.push_back({1, "+15551234567", "us", "SMS", "5551234567"});
    d.handles.push_back({2, "+15550009999", "us", "iMessage", Sql()});
    d.handles.push_back({3, "carol@example.com", "us", "iMessage", Sql()});
    gen::ChatRow ann;
    ann.rowid = 1;
    ann.handles = {1};
    gen::ChatRow group;
    group.rowid = 2;
    group.style = 43;
    group.service_name = "iMessage";
    group.handles = {1, 2, 3};
    gen::ChatRow bob;
    bob.rowid = 3;
    bob.handles = {2};
    gen::ChatRow carol;
    carol.rowid = 4;
    carol.handles = {3};
    d.chats = {ann, group, bob, carol};
    auto msg = [](std::int64_t id, std::int64_t handle, Sql text, Sql date, int fromMe, Sql service,
                  std::int64_t chat) {
        gen::MessageRow m;
        m.rowid = id;
        m.handle_id = handle;
        m.text = text;
        m.date = date;
        m.is_from_me = fromMe;
        m.service = service;
        m.country = handle == 0 ? Sql("gb") : Sql();
        m.chats = {chat};
        return m;
    };
    // The group: turns of Ann, the owner (no handle), Bob and Carol; "ok" twice in one second.
    d.messages.push_back(msg(1, 1, "Running late", 400000100, 0, "iMessage", 2));
    d.messages.push_back(msg(2, 0, "No problem", 400000110, 1, "iMessage", 2));
    d.messages.push_back(msg(3, 2, "ok", 400000120, 0, "iMessage", 2));
    d.messages.push_back(msg(4, 3, "Be there soon", 400000120, 0, "iMessage", 2));
    d.messages.push_back(msg(5, 2, "ok", 400000120, 0, "iMessage", 2));
    d.messages.push_back(msg(6, 0, "\xEF\xBF\xBC", 400000130, 1, "iMessage", 2));
    d.messages.back().attachments = {1};
    // Ann's own chat, stored out of date order; the owner's answers carry Ann's handle.
    d.messages.push_back(msg(7, 1, "Private to you", 400000050, 0, "SMS", 1));
    d.messages.push_back(msg(8, 1, "Sure", 400000051, 1, "SMS", 1));
    d.messages.push_back(msg(9, 1, "Earlier", 400000040, 0, "SMS", 1));
    d.messages.push_back(msg(10, 2, "Hi Bob", 400000060, 1, "iMessage", 3));
    gen::AttachmentRow photo;
    photo.rowid = 1;
    photo.filename = "~/Library/SMS/Attachments/aa/01/IMG_0001.JPG";
    photo.mime_type = "image/jpeg";
    d.attachments = {photo};
    return d;
}

gen::AddressBook AnnAndBob() {
    gen::AddressBook book = Ann();
    gen::PersonRow bob;
    bob.rowid = 2;
    bob.first = "Bob";
    bob.values.push_back({"_$!<Mobile>!$_", "+15550009999", 3, Sql()});
    book.persons.push_back(bob);
    return book;
}

// One message as the dump shows it.
std::string Msg(const char* country, const char* service, const std::string& text,
                const std::string& date, int type) {
    return R"({"country":")" + std::string(country) + R"(","service":")" + service +
           R"(","text":")" + text + R"(","date":")" + date + R"(","type":)" + std::to_string(type) +
           "}";
}

TEST(SmsTest, MessagesBelongToTheChatsThatChatMessageJoinGives) {
    // The owner's group messages have no handle; nothing ties Ann's own messages to the group.
    // In two time zones: the dates are local times.
    struct Zone {
        const char* tz;
        const char* day;  // 2013-09-04 15:0x:xx UTC in the zone, less the minutes and seconds
    } zones[] = {{"UTC", "2013-09-04 15:"}, {"America/New_York", "2013-09-04 11:"}};
    for (const Zone& z : zones) {
        SCOPED_TRACE(z.tz);
        KindBackup b;
        testing_support::ScopedEnv tz("TZ", z.tz);
        tzset();
        b.Builder().AddFile("HomeDomain", "Library/AddressBook/AddressBook.sqlitedb",
                            gen::AddressBookDb(AnnAndBob()));
        b.Builder().AddFile("HomeDomain", kSmsPath, gen::SmsDb(DayOfChats()));
        const std::string d = z.day;
        const std::string expected =
            R"([{"id":1,"phone":"5551234567","another":"Ann Lee","message":[)" +
            Msg("us", "SMS", "Earlier", d + "07:20", 0) + "," +
            Msg("us", "SMS", "Private to you", d + "07:30", 0) + "," +
            Msg("us", "SMS", "Sure", d + "07:31", 1) + "]}," +
            R"({"id":2,"phone":"5551234567, +15550009999, carol@example.com","another":"Ann Lee, Bob, carol@example.com","message":[)" +
            Msg("us", "SMS", "Running late", d + "08:20", 0) + "," +
            Msg("gb", "iMessage", "No problem", d + "08:30", 1) + "," +
            Msg("us", "iMessage", "ok", d + "08:40", 0) + "," +
            Msg("us", "iMessage", "Be there soon", d + "08:40", 0) + "," +
            Msg("us", "iMessage", "ok", d + "08:40", 0) + "," +
            Msg("gb", "iMessage", "\xEF\xBF\xBC", d + "08:50", 1) + "]}," +
            R"({"id":3,"phone":"+15550009999","another":"Bob","message":[)" +
            Msg("us", "iMessage", "Hi Bob", d + "07:40", 1) + "]}," +
            R"({"id":4,"phone":"carol@example.com","another":""}])";
        EXPECT_EQ(b.Dump(KIND_MESSAGES), expected);
    }
    tzset();
}

// Conversations of an iOS 5 phone: SMS rows count from 1970 and say their direction in flags,
// iMessage rows count from 2001 and say it in madrid_flags.
gen::Ios5SmsData Ios5Day() {
    gen::Ios5SmsData d;
    d.groups.push_back({1, 0, {"5551234567"}});
    d.groups.push_back({2, 1, {"5551234567", "bob@example.com"}});
    d.groups.push_back({3, 0, {}});
    auto sms = [](std::int64_t id, std::int64_t group, Sql text, long long unix, int flags,
                  Sql address) {
        gen::Ios5MessageRow m;
        m.rowid = id;
        m.group_id = group;
        m.text = text;
        m.date = unix;
        m.flags = flags;
        m.address = address;
        return m;
    };
    auto imessage = [](std::int64_t id, std::int64_t group, Sql text, long long since2001,
                       int flags, Sql handle) {
        gen::Ios5MessageRow m;
        m.rowid = id;
        m.group_id = group;
        m.text = text;
        m.date = since2001;
        m.flags = 0;
        m.madrid = true;
        m.madrid_flags = flags;
        m.madrid_handle = handle;
        m.country = Sql();
        return m;
    };
    d.messages.push_back(sms(1, 1, "Hi", 1378307200, 2, "5551234567"));
    d.messages.push_back(imessage(2, 1, "Hello again", 400000100, 36869, "5551234567"));
    d.messages.push_back(sms(3, 1, "Answer", 1378307250, 3, "5551234567"));
    d.messages.push_back(imessage(4, 2, "From Bob", 400000000, 12289, "bob@example.com"));
    d.messages.push_back(sms(5, 2, Sql(), 1378307300, 33, "5551234567"));
    d.messages.push_back(sms(6, 3, "Nobody listed", 1378307200, 2, "5550001111"));
    d.messages.push_back(sms(7, 99, "No group", 1378307200, 2, "5550001111"));
    d.attachments.push_back({"~/Library/SMS/Attachments/0a/10/8E2D/IMG_0001.JPG", "image/jpeg", 4});
    d.attachments.push_back(
        {"~/Library/SMS/Attachments/0b/11/9F3E/clip.mov", "video/quicktime", 4});
    d.pieces.push_back({5, 0, "application/smil", "smil.xml", Sql()});
    d.pieces.push_back({5, 1, "image/jpeg", "IMG_0042.jpg", Sql()});
    d.pieces.push_back({5, 2, "text/plain", "text_0002.txt", Sql::Blob("Look")});
    d.pieces.push_back({6, 1, "video/3gpp", "clip.3gp", Sql()});
    return d;
}

TEST(SmsTest, Ios5ConversationsAndAttachments) {
    struct Zone {
        const char* tz;
        const char* day;
    } zones[] = {{"UTC", "2013-09-04 15:"}, {"America/New_York", "2013-09-04 11:"}};
    for (const Zone& z : zones) {
        SCOPED_TRACE(z.tz);
        KindBackup b;
        testing_support::ScopedEnv tz("TZ", z.tz);
        tzset();
        b.Builder().AddFile("HomeDomain", "Library/AddressBook/AddressBook.sqlitedb",
                            gen::AddressBookDb(Ann()));
        b.Builder().AddFile("HomeDomain", kSmsPath, gen::Ios5SmsDb(Ios5Day()));
        const std::string picture = gen::MakeJpeg(16, 12, 1, 1);
        const std::string madrid = b.Builder().AddFile(
            "MediaDomain", "Library/SMS/Attachments/0a/10/8E2D/IMG_0001.JPG", picture);
        const std::string part =
            b.Builder().AddFile("MediaDomain", "Library/SMS/Parts/2f/10/5-1.jpg", picture);
        b.Builder().AddFile("MediaDomain", "Library/SMS/Parts/2f/10/5-1-preview.jpg", picture);
        const std::string d = z.day;
        // By the time each row counts from; the failed send was the owner's.
        const std::string expected =
            R"([{"id":1,"phone":"5551234567","another":"Ann Lee","message":[)" +
            Msg("us", "SMS", "Hi", d + "06:40", 0) + "," +
            Msg("us", "SMS", "Answer", d + "07:30", 1) + "," +
            Msg("", "iMessage", "Hello again", d + "08:20", 1) + "]}," +
            R"({"id":2,"phone":"5551234567, bob@example.com","another":"Ann Lee, bob@example.com","message":[)" +
            Msg("", "iMessage", "From Bob", d + "06:40", 0) + "," +
            Msg("us", "SMS", "", d + "08:20", 1) + "]}," +
            R"({"id":3,"phone":"5550001111","another":"","message":[)" +
            Msg("us", "SMS", "Nobody listed", d + "06:40", 0) + "]}]";
        EXPECT_EQ(b.Dump(KIND_MESSAGES), expected);
        // The iMessage attachments, then the MMS parts that are files, in one sequence; the
        // ones the backup lacks keep their numbers.
        const std::string size = std::to_string(picture.size());
        EXPECT_EQ(
            b.Dump(KIND_SMS_ATTACHMENTS),
            R"([{"file_name":"IMG_1.JPG","path":")" + madrid + R"(","size":)" + size +
                R"(,"type":0,"query_path":"Library/SMS/Attachments/0a/10/8E2D/IMG_0001.JPG"},)" +
                R"({"file_name":"IMG_3.jpg","path":")" + part + R"(","size":)" + size +
                R"(,"type":0,"query_path":"Library/SMS/Parts/2f/10/5-1.jpg"}])");
    }
    tzset();
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
        // An absolute path outside the attachments folder is looked up as it stands, without
        // its leading slash, and not found under the device path of its home.
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

// sms.db names an attachment under the home as "~/", "/var/mobile/" or "/private/var/mobile/",
// in the database of iOS 6 and in that of iOS 5 alike; the manifest keeps names decomposed (NFD)
// while sms.db may keep them composed.
TEST(SmsAttachmentTest, EveryFormOfTheHomeAndComposedNamesAreFound) {
    const std::string composed = "Gr\u00FC\u00DFe.jpg";     // ü as one character
    const std::string decomposed = "Gru\u0308\u00DFe.jpg";  // u and a combining diaeresis
    const std::string cafe = "Cafe\u0301.mov";              // decomposed in both
    struct Row {
        std::string filename;
        std::string inManifest;  // the record's device path; empty: none
        std::string found;       // the query path it is found by; empty: left out
    } rows[] = {
        {"~/Library/SMS/Attachments/01/01/A.jpg", "Library/SMS/Attachments/01/01/A.jpg",
         "Library/SMS/Attachments/01/01/A.jpg"},
        {"/var/mobile/Library/SMS/Attachments/02/02/B.jpg", "Library/SMS/Attachments/02/02/B.jpg",
         "Library/SMS/Attachments/02/02/B.jpg"},
        {"/private/var/mobile/Library/SMS/Attachments/03/03/C.jpg",
         "Library/SMS/Attachments/03/03/C.jpg", "Library/SMS/Attachments/03/03/C.jpg"},
        {"~/Library/SMS/Attachments/04/04/" + composed,
         "Library/SMS/Attachments/04/04/" + decomposed,
         "Library/SMS/Attachments/04/04/" + decomposed},
        {"/var/mobile/Library/SMS/Attachments/05/05/" + cafe,
         "Library/SMS/Attachments/05/05/" + cafe, "Library/SMS/Attachments/05/05/" + cafe},
        // Other names as they stand, without a leading slash.
        {"Library/SMS/Attachments/06/06/D.jpg", "Library/SMS/Attachments/06/06/D.jpg",
         "Library/SMS/Attachments/06/06/D.jpg"},
        {"/Library/SMS/Attachments/07/07/E.jpg", "Library/SMS/Attachments/07/07/E.jpg",
         "Library/SMS/Attachments/07/07/E.jpg"},
        {"/var/mobileX/Library/SMS/Attachments/08/08/F.jpg", "Library/SMS/Attachments/08/08/F.jpg",
         ""},
        {"/private/var/mobile/Library/SMS/Attachmentsx/09/G.jpg",
         "Library/SMS/Attachmentsx/09/G.jpg", ""},
        // A composed name whose decomposed form the manifest lacks, and bytes that are no UTF-8.
        {"~/Library/SMS/Attachments/10/10/" + composed, "Library/SMS/Attachments/10/10/other.jpg",
         ""},
        {"~/Library/SMS/Attachments/11/11/\xFF\xC3.jpg", "", ""},
    };
    for (const bool ios5 : {false, true}) {
        SCOPED_TRACE(ios5 ? "iOS 5" : "iOS 6");
        KindBackup b;
        gen::SmsData d;
        gen::Ios5SmsData old;
        std::string expected = "[";
        const std::string picture = gen::MakeJpeg(8, 8, 1, 2);
        const std::string size = std::to_string(picture.size());
        for (std::size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
            const Row& r = rows[i];
            gen::AttachmentRow a;
            a.rowid = static_cast<std::int64_t>(i + 1);
            a.filename = r.filename;
            a.mime_type = "image/jpeg";
            d.attachments.push_back(a);
            old.attachments.push_back({r.filename, "image/jpeg", 1});
            std::string stored;
            if (!r.inManifest.empty())
                stored = b.Builder().AddFile("MediaDomain", r.inManifest, picture);
            if (r.found.empty()) continue;
            const std::string ext = r.found.substr(r.found.rfind('.'));
            expected += std::string(expected.size() > 1 ? "," : "") + R"({"file_name":"IMG_)" +
                        std::to_string(i + 1) + ext + R"(","path":")" + stored + R"(","size":)" +
                        size + R"(,"type":0,"query_path":")" + r.found + "\"}";
        }
        expected += "]";
        b.Builder().AddFile("HomeDomain", kSmsPath, ios5 ? gen::Ios5SmsDb(old) : gen::SmsDb(d));
        EXPECT_EQ(b.Dump(KIND_SMS_ATTACHMENTS), expected);
    }
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
