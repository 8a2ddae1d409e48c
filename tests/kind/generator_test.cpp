// The generator's media are real pictures: they decode to the asked size, carry the asked
// orientation, and a damaged one fails to decode; the sample backup mixes found, missing and
// unlisted media, and its device databases are whole, with the tables and columns of the phone.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>
#include <sqlite3.h>

#include <algorithm>
#include <csetjmp>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "gen/backup_gen.h"
#include "gen/device_db.h"
#include "gen/media.h"
#include "gen/sample.h"
#include "ib/backup_list.h"
#include "kind_fixture.h"

using namespace ib;

namespace {

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void OnJpegError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

// Decodes the whole picture; false when the decoder fails or finds the data cut short.
bool DecodeJpeg(const std::string& bytes, int* width, int* height) {
    jpeg_decompress_struct cinfo;
    JpegError err;
    // Declared before the jump point: a failed decode jumps back over no constructor.
    std::string row;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = OnJpegError;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    row.assign(cinfo.output_width * cinfo.output_components, '\0');
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW p = reinterpret_cast<JSAMPROW>(&row[0]);
        jpeg_read_scanlines(&cinfo, &p, 1);
    }
    *width = static_cast<int>(cinfo.output_width);
    *height = static_cast<int>(cinfo.output_height);
    const bool complete = err.mgr.num_warnings == 0;
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return complete;
}

TEST(GeneratorTest, PicturesDecodeWithTheirSizeAndOrientation) {
    struct Case {
        int width, height, orientation;
    } cases[] = {{64, 48, 1}, {48, 64, 6}, {80, 80, 3}, {120, 90, 8}, {17, 9, 0}};
    for (const Case& c : cases) {
        const std::string jpeg = gen::MakeJpeg(c.width, c.height, c.orientation, 4);
        int w = 0, h = 0;
        ASSERT_TRUE(DecodeJpeg(jpeg, &w, &h));
        EXPECT_EQ(w, c.width);
        EXPECT_EQ(h, c.height);
        // The EXIF Orientation entry (tag 0x0112, type 3, count 1) holds the value.
        const std::string tag = std::string("\x01\x12\x00\x03\x00\x00\x00\x01\x00", 9) +
                                static_cast<char>(c.orientation);
        EXPECT_EQ(jpeg.find(tag) != std::string::npos, c.orientation != 0);
        int dw = 0, dh = 0;
        EXPECT_FALSE(DecodeJpeg(gen::Damage(jpeg), &dw, &dh));
    }
    const std::string png = gen::MakePng(30, 20, 1);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&image, png.data(), png.size()));
    EXPECT_EQ(image.width, 30u);
    EXPECT_EQ(image.height, 20u);
    image.format = PNG_FORMAT_RGB;
    std::string pixels(PNG_IMAGE_SIZE(image), '\0');
    EXPECT_TRUE(png_image_finish_read(&image, nullptr, &pixels[0], 0, nullptr));
    const std::string memo = gen::MakeVoiceMemo(2.0, 1);
    EXPECT_EQ(memo.substr(4, 8), "ftypM4A ");
}

TEST(GeneratorTest, SampleMixesFoundMissingAndUnlistedMedia) {
    kindtest::UseUtc();
    testing_support::TempDir dir;
    gen::SampleOptions options;
    options.photos = 60;
    gen::WriteSampleBackup(dir.Path() + "/Backup/udid", options);
    BackupInfo* head = ListBackupsIn((dir.Path() + "/Backup/").c_str());
    ASSERT_NE(head, nullptr);
    int found = 0, missing = 0, damaged = 0;
    for (std::uint32_t kind : {KIND_CAMERA_ROLL, KIND_PHOTOS}) {
        plist_t data = GetKindData(head, kind);
        ASSERT_NE(data, nullptr);
        for (uint32_t i = 0; i < plist_array_get_size(data); ++i) {
            plist_t item = plist_array_get_item(data, i);
            uint64_t size = 0;
            plist_get_uint_val(plist_dict_get_item(item, "size"), &size);
            char* path = nullptr;
            plist_get_string_val(plist_dict_get_item(item, "path"), &path);
            if (size == 0) {
                ++missing;
            } else {
                ++found;
                const std::string bytes = gen::ReadFile(path);
                int w = 0, h = 0;
                if (bytes.compare(0, 2, "\xff\xd8") == 0 && !DecodeJpeg(bytes, &w, &h)) ++damaged;
            }
            free(path);
        }
        plist_free(data);
    }
    // 60 rows: two without folder, some not in the manifest, some without stored file.
    EXPECT_GT(found, 30);
    EXPECT_GT(missing, 0);
    EXPECT_GT(damaged, 0);
    EXPECT_LT(found + missing, 58);
    FreeBackupList(head);
}

// The texts under key of every dictionary of a kind's array (and of the arrays under "message").
std::vector<std::string> Texts(plist_t list, const char* key) {
    std::vector<std::string> out;
    for (uint32_t i = 0; list != nullptr && i < plist_array_get_size(list); ++i) {
        plist_t item = plist_array_get_item(list, i);
        char* text = nullptr;
        plist_get_string_val(plist_dict_get_item(item, key), &text);
        if (text != nullptr) out.emplace_back(text);
        free(text);
    }
    return out;
}

// The sample shows what phones write: more conversations than persons, both sides speaking in
// every conversation, the owner's messages in groups, attachments named under every form of the
// home and by a composed name, birthdays and anniversaries as seconds since 2001, reminders in a
// list of the user's own and ticked off, all-day events, and the message database of iOS 5 with
// attachments of iMessages and MMS parts.
TEST(GeneratorTest, SampleMessagesRemindersAndEventsAsPhonesWriteThem) {
    kindtest::UseUtc();
    struct Case {
        std::size_t chats;
        std::size_t contacts;
        bool ios5;
    } cases[] = {{31, 30, false}, {200, 5, false}, {40, 30, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.chats) + (c.ios5 ? " iOS 5" : ""));
        testing_support::TempDir dir;
        gen::SampleOptions options;
        options.filler = 50;
        options.chats = c.chats;
        options.contacts = c.contacts;
        options.messages = c.chats * 5;
        options.attachments = 12;
        options.ios5Messages = c.ios5;
        ASSERT_NO_THROW(gen::WriteSampleBackup(dir.Path() + "/Backup/udid", options));
        BackupInfo* head = ListBackupsIn((dir.Path() + "/Backup/").c_str());
        ASSERT_NE(head, nullptr);
        plist_t chats = GetKindData(head, KIND_MESSAGES);
        ASSERT_EQ(plist_array_get_size(chats), c.chats);
        // Some group (several members in its phone) holds messages sent by the owner; in every
        // conversation both sides speak.
        std::size_t ownGroupMessages = 0;
        const std::vector<std::string> phone = Texts(chats, "phone");
        for (uint32_t i = 0; i < plist_array_get_size(chats); ++i) {
            plist_t chat = plist_array_get_item(chats, i);
            plist_t messages = plist_dict_get_item(chat, "message");
            std::set<uint64_t> sides;
            for (uint32_t m = 0; messages != nullptr && m < plist_array_get_size(messages); ++m) {
                uint64_t type = 0;
                plist_get_uint_val(plist_dict_get_item(plist_array_get_item(messages, m), "type"),
                                   &type);
                sides.insert(type);
                if (type != 0 && phone[i].find(", ") != std::string::npos) ++ownGroupMessages;
            }
            EXPECT_EQ(sides, (std::set<uint64_t>{0, 1})) << phone[i];
        }
        EXPECT_GT(ownGroupMessages, 0u);
        plist_free(chats);
        plist_t attachments = GetKindData(head, KIND_SMS_ATTACHMENTS);
        std::size_t parts = 0;
        for (const std::string& path : Texts(attachments, "query_path"))
            parts += path.rfind("Library/SMS/Parts/", 0) == 0 ? 1 : 0;
        EXPECT_EQ(parts > 0, c.ios5);
        EXPECT_GT(plist_array_get_size(attachments), parts);
        // Every attachment with a manifest record is found (the seventh has none), whichever
        // way sms.db names it; the composed name by the manifest's decomposed one.
        EXPECT_EQ(plist_array_get_size(attachments), 11u);
        const std::vector<std::string> found = Texts(attachments, "query_path");
        EXPECT_EQ(std::count_if(found.begin(), found.end(),
                                [](const std::string& p) {
                                    return p.find("Gru\u0308\u00DFe") != std::string::npos;
                                }),
                  1);
        plist_free(attachments);
        // Birthdays and anniversaries are days, some without a year.
        plist_t contacts = GetKindData(head, KIND_CONTACTS);
        std::vector<std::string> days = Texts(contacts, "birthday");
        for (uint32_t i = 0; i < plist_array_get_size(contacts); ++i) {
            plist_t values = plist_dict_get_item(plist_array_get_item(contacts, i), "properties");
            for (const char* label : {"Anniversary", "Anniversary (2)"}) {
                char* day = nullptr;
                plist_get_string_val(plist_dict_get_item(values, label), &day);
                if (day != nullptr) days.emplace_back(day);
                free(day);
            }
        }
        std::size_t dated = 0, withoutYear = 0;
        for (const std::string& day : days) {
            if (day.empty()) continue;
            ++dated;
            const bool noYear = day.size() == 7 && day.compare(0, 2, "--") == 0;
            withoutYear += noYear ? 1 : 0;
            EXPECT_TRUE(noYear || (day.size() == 10 && day[4] == '-' && day[7] == '-')) << day;
        }
        EXPECT_GT(dated, c.contacts / 4);
        EXPECT_GT(withoutYear, 0u);
        plist_free(contacts);
        plist_t reminders = GetKindData(head, KIND_REMINDERS);
        const std::vector<std::string> titles = Texts(reminders, "title");
        const std::vector<std::string> status = Texts(reminders, "status");
        EXPECT_NE(std::find(titles.begin(), titles.end(), "Milk"), titles.end());
        EXPECT_NE(std::find(status.begin(), status.end(), "Completed"), status.end());
        plist_free(reminders);
        plist_t events = GetKindData(head, KIND_CALENDAR);
        const std::vector<std::string> eventTitles = Texts(events, "title");
        const std::vector<std::string> starts = Texts(events, "start_date");
        bool midnight = false;
        for (std::size_t i = 0; i < eventTitles.size(); ++i) {
            if (eventTitles[i] == "Holiday 🏖")
                midnight = midnight || starts[i].substr(11) == "00:00:00";
        }
        EXPECT_TRUE(midnight);
        plist_free(events);
        FreeBackupList(head);
    }
}

// The number of items of a kind; 0 for null.
std::size_t ItemCount(BackupInfo* backup, std::uint32_t kind) {
    plist_t list = GetKindData(backup, kind);
    const std::size_t n = list != nullptr ? plist_array_get_size(list) : 0;
    plist_free(list);
    return n;
}

// An app may keep a file at the path of one of the phone's databases in its own container, and
// manifests list the apps' domains first (the sample holds one such file at the messages' path).
// The phone's files are read all the same; an app's file is never read in their place, also when
// it is the only file of that path.
TEST(GeneratorTest, AnAppsFileAtThePhonesPathIsNotThePhones) {
    kindtest::UseUtc();
    testing_support::TempDir dir;
    const std::string root = dir.Path() + "/Backup/";
    const std::string folder = root + "udid/";
    gen::SampleOptions options;
    options.filler = 50;
    gen::WriteSampleBackup(folder, options);
    const char kApp[] = "AppDomain-com.example.app";
    struct System {
        const char* domain;
        const char* path;
    } const system[] = {
        {"HomeDomain", "Library/SMS/sms.db"},
        {"WirelessDomain", "Library/CallHistory/call_history.db"},
        {"HomeDomain", "Library/AddressBook/AddressBook.sqlitedb"},
        {"HomeDomain", "Library/Notes/notes.sqlite"},
        {"HomeDomain", "Library/Safari/History.plist"},
        {"HomeDomain", "Library/Safari/Bookmarks.db"},
    };
    const std::uint32_t kinds[] = {KIND_CALL_HISTORY,    KIND_CONTACTS, KIND_MESSAGES,
                                   KIND_SMS_ATTACHMENTS, KIND_NOTES,    KIND_SAFARI};
    std::vector<std::size_t> before;
    {
        BackupInfo* head = ListBackupsIn(root.c_str());
        ASSERT_NE(head, nullptr);
        for (std::uint32_t kind : kinds) before.push_back(ItemCount(head, kind));
        FreeBackupList(head);
    }
    EXPECT_EQ(before[0], options.calls);
    EXPECT_EQ(before[1], options.contacts);
    EXPECT_EQ(before[2], options.chats);
    EXPECT_GT(before[3], 0u);
    EXPECT_EQ(before[4], options.notes);
    EXPECT_GT(before[5], 0u);

    // Empty files of an app at the first four paths, listed before every other record.
    const std::string manifest = gen::ReadFile(folder + "Manifest.mbdb");
    std::string decoys;
    for (std::size_t i = 0; i < 4; ++i) {
        gen::MbdbRecord r;
        r.domain = kApp;
        r.path = system[i].path;
        decoys += gen::EncodeMbdbRecord(r);
        gen::WriteFile(folder + gen::StoredName(kApp, r.path), "");
    }
    gen::WriteFile(folder + "Manifest.mbdb", manifest.substr(0, 6) + decoys + manifest.substr(6));
    {
        BackupInfo* head = ListBackupsIn(root.c_str());
        ASSERT_NE(head, nullptr);
        for (std::size_t k = 0; k < before.size(); ++k)
            EXPECT_EQ(ItemCount(head, kinds[k]), before[k]) << "kind " << kinds[k];
        FreeBackupList(head);
    }

    // A backup whose only files at those paths are the phone's own databases kept by an app.
    gen::MakeDirs(root + "decoy");
    for (const char* file : {"Info.plist", "Manifest.plist"})
        gen::WriteFile(root + "decoy/" + file, gen::ReadFile(folder + file));
    std::vector<gen::MbdbRecord> records;
    for (const System& f : system) {
        gen::MbdbRecord r;
        r.domain = kApp;
        r.path = f.path;
        records.push_back(r);
        gen::WriteFile(root + "decoy/" + gen::StoredName(kApp, f.path),
                       gen::ReadFile(folder + gen::StoredName(f.domain, f.path)));
    }
    gen::WriteFile(root + "decoy/Manifest.mbdb", gen::EncodeMbdb(records));
    gen::RemoveTree(folder);
    BackupInfo* head = ListBackupsIn(root.c_str());
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(head->next, nullptr);
    for (std::uint32_t kind : kinds) EXPECT_EQ(ItemCount(head, kind), 0u) << "kind " << kind;
    FreeBackupList(head);
}

// The columns of a table, or none when the database does not open or lacks the table.
std::set<std::string> Columns(sqlite3* db, const std::string& table) {
    std::set<std::string> out;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, ("PRAGMA table_info(" + table + ")").c_str(), -1, &st, nullptr) ==
        SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW)
            out.insert(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
    }
    sqlite3_finalize(st);
    return out;
}

// Any reader of backups opens the sample's databases and finds the phone's tables in them.
TEST(GeneratorTest, SampleDatabasesAreWholeWithThePhonesTables) {
    testing_support::TempDir dir;
    const std::string folder = dir.Path() + "/udid/";
    gen::WriteSampleBackup(folder, gen::SampleOptions());
    struct Row {
        const char* domain;
        const char* path;
        const char* table;
        std::vector<const char*> columns;
    } rows[] = {
        {"WirelessDomain",
         "Library/CallHistory/call_history.db",
         "call",
         {"ROWID", "address", "date", "duration", "flags", "id", "name", "country_code",
          "network_code", "read", "assisted", "face_time_data", "originalAddress", "answered"}},
        {"WirelessDomain",
         "Library/CallHistory/call_history.db",
         "_SqliteDatabaseProperties",
         {"key", "value"}},
        {"HomeDomain",
         "Library/AddressBook/AddressBook.sqlitedb",
         "ABPerson",
         {"First", "Last", "Middle", "Organization", "Department", "Note", "Kind", "Birthday",
          "JobTitle", "Nickname", "Prefix", "Suffix", "CreationDate", "ModificationDate",
          "DisplayName", "ExternalModificationTag", "ExternalUUID", "IsPreferredName"}},
        {"HomeDomain",
         "Library/AddressBook/AddressBook.sqlitedb",
         "ABMultiValue",
         {"UID", "record_id", "property", "identifier", "label", "value"}},
        {"HomeDomain",
         "Library/AddressBook/AddressBook.sqlitedb",
         "ABMultiValueEntry",
         {"parent_id", "key", "value"}},
        {"HomeDomain",
         "Library/AddressBook/AddressBookImages.sqlitedb",
         "ABThumbnailImage",
         {"record_id", "format", "data"}},
        {"HomeDomain",
         "Library/AddressBook/AddressBookImages.sqlitedb",
         "ABFullSizeImage",
         {"record_id", "data"}},
        {"HomeDomain",
         "Library/SMS/sms.db",
         "message",
         {"ROWID", "guid", "text", "handle_id", "service", "date", "date_read", "date_delivered",
          "is_from_me", "is_read", "cache_has_attachments"}},
        {"HomeDomain",
         "Library/SMS/sms.db",
         "attachment",
         {"ROWID", "guid", "created_date", "filename", "uti", "mime_type", "transfer_state",
          "is_outgoing"}},
        {"HomeDomain",
         "Library/Notes/notes.sqlite",
         "ZNOTE",
         {"Z_PK", "Z_ENT", "Z_OPT", "ZBODY", "ZCREATIONDATE", "ZMODIFICATIONDATE", "ZTITLE",
          "ZSUMMARY", "ZAUTHOR", "ZGUID", "ZDELETEDFLAG"}},
        {"HomeDomain",
         "Library/Notes/notes.sqlite",
         "ZSTORE",
         {"Z_PK", "ZACCOUNT", "ZEXTERNALIDENTIFIER", "ZNAME", "ZSYNCANCHOR"}},
        {"HomeDomain",
         "Library/Safari/Bookmarks.db",
         "bookmarks",
         {"id", "special_id", "parent", "type", "title", "url", "num_children", "editable",
          "deletable", "hidden", "order_index", "external_uuid"}},
        {"CameraRollDomain",
         "Media/PhotoData/Photos.sqlite",
         "ZGENERICASSET",
         {"Z_PK", "ZKIND", "ZWIDTH", "ZHEIGHT", "ZDATECREATED", "ZMODIFICATIONDATE", "ZDIRECTORY",
          "ZFILENAME", "ZTITLE", "ZUNIFORMTYPEIDENTIFIER", "ZLOCATIONDATA", "ZSORTTOKEN",
          "ZADDITIONALATTRIBUTES"}},
        {"MediaDomain",
         "Media/Recordings/Recordings.db",
         "ZRECORDING",
         {"Z_PK", "Z_ENT", "Z_OPT", "ZDATE", "ZDURATION", "ZCUSTOMLABEL", "ZPATH", "ZUNIQUEID"}},
        {"HomeDomain",
         "Library/Calendar/Calendar.sqlitedb",
         "CalendarItem",
         {"ROWID", "summary", "location_id", "description", "start_date", "start_tz", "end_date",
          "all_day", "calendar_id", "status", "url", "entity_type", "due_date", "completion_date",
          "hidden", "unique_identifier"}},
        {"HomeDomain",
         "Library/Calendar/Calendar.sqlitedb",
         "Calendar",
         {"ROWID", "title", "flags", "color", "type", "supported_entity_types", "UUID"}},
        {"HomeDomain",
         "Library/Calendar/Calendar.sqlitedb",
         "Location",
         {"ROWID", "title", "latitude", "longitude", "radius", "item_owner_id"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.path) + " " + r.table);
        const std::string file = folder + gen::StoredName(r.domain, r.path);
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        sqlite3_stmt* st = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr), SQLITE_OK);
        ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
        EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "ok");
        sqlite3_finalize(st);
        const std::set<std::string> columns = Columns(db, r.table);
        for (const char* c : r.columns) EXPECT_EQ(columns.count(c), 1u) << c;
        sqlite3_close(db);
    }
}

// A row whose values do not match its columns is refused, with the table and both counts named;
// a matching row goes in.
TEST(GeneratorTest, FixtureWriterRefusesARowWhoseValuesDoNotMatchItsColumns) {
    gen::SqlDb db;
    db.Exec("CREATE TABLE call (ROWID INTEGER PRIMARY KEY, address TEXT, date INTEGER)");
    struct Case {
        std::vector<gen::Sql> values;
        const char* message;  // null: accepted
    } cases[] = {
        {{"5551234567"}, "insert into call: 1 values for 2 columns"},
        {{"5551234567", 1370336587, 3725}, "insert into call: 3 values for 2 columns"},
        {{}, "insert into call: 0 values for 2 columns"},
        {{"5551234567", 1370336587}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.values.size());
        if (c.message == nullptr) {
            EXPECT_NO_THROW(db.Insert("call", {"address", "date"}, c.values));
            continue;
        }
        try {
            db.Insert("call", {"address", "date"}, c.values);
            ADD_FAILURE() << "the row was taken";
        } catch (const std::invalid_argument& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
    // Only the matching row was written, and whole.
    sqlite3* copy = nullptr;
    const std::string bytes = db.Bytes();
    ASSERT_EQ(sqlite3_open(":memory:", &copy), SQLITE_OK);
    auto* data = static_cast<unsigned char*>(sqlite3_malloc64(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), data);
    ASSERT_EQ(sqlite3_deserialize(copy, "main", data, bytes.size(), bytes.size(),
                                  SQLITE_DESERIALIZE_FREEONCLOSE),
              SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(copy, "SELECT count(*), max(date) FROM call", -1, &st, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(st, 0), 1);
    EXPECT_EQ(sqlite3_column_int64(st, 1), 1370336587);
    sqlite3_finalize(st);
    sqlite3_close(copy);
}

}  // namespace
