// Call history and contacts: whole results, the conversions of each column, the name fill and
// the cache.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "gen/device_db.h"
#include "gen/sample.h"
#include "ib/backup_list.h"
#include "kind/call/call_history.h"
#include "kind/contact/contact.h"
#include "kind/contact/text_dict.h"
#include "kind/sms/sms.h"
#include "kind_fixture.h"

using namespace ib;

namespace {

using gen::Sql;
using kindtest::KindBackup;

const char kCallPath[] = "Library/CallHistory/call_history.db";
const char kBookPath[] = "Library/AddressBook/AddressBook.sqlitedb";

gen::AddressBook SmallBook() {
    gen::AddressBook book;
    gen::PersonRow zed;
    zed.rowid = 1;
    zed.first = "Zed";
    zed.values.push_back({"_$!<Home>!$_", "zed@example.com", 4, Sql()});
    gen::PersonRow ann;
    ann.rowid = 2;
    ann.first = "Ann";
    ann.last = "Lee";
    ann.birthday = "-524664000";  // 1984-05-17 12:00 UTC
    ann.creationDate = 0;
    ann.note = "<b>friend</b> from \"school\"";
    ann.values.push_back({"_$!<Mobile>!$_", "555-123-4567", 3, Sql()});
    ann.values.push_back({"Gym", "ann@gym.example", 4, Sql()});
    ann.values.push_back({Sql(), "---", 3, Sql()});
    gen::PersonRow bob;
    bob.rowid = 3;
    bob.first = "  Bob ";
    bob.last = "Stone";
    bob.jobTitle = "Engineer";
    bob.creationDate = 400000000;
    bob.values.push_back({"_$!<Mobile>!$_", "5551234567", 3, Sql()});
    bob.values.push_back({"_$!<Work>!$_", "+1 (555) 123-4567", 3, Sql()});
    gen::PersonRow acme;
    acme.rowid = 5;
    acme.organization = "Acme";
    acme.department = "R&D";
    gen::PersonRow twice;
    twice.rowid = 6;
    twice.first = "小明";
    twice.nickname = "明";
    // Three numbers under one label and two addresses under another, interleaved.
    twice.values.push_back({"_$!<Mobile>!$_", "555-000-1111", 3, Sql()});
    twice.values.push_back({"_$!<Home>!$_", "ming@home.example", 4, Sql()});
    twice.values.push_back({"_$!<Mobile>!$_", "555-000-2222", 3, Sql()});
    twice.values.push_back({"_$!<Work>!$_", "ming@work.example", 4, Sql()});
    twice.values.push_back({"_$!<Home>!$_", "ming@mail.example", 4, Sql()});
    twice.values.push_back({"_$!<Mobile>!$_", "555-000-3333", 3, Sql()});
    // A label of the user's own that spells a numbered key, and a value without a label twice.
    gen::PersonRow own;
    own.rowid = 8;
    own.first = "Kim";
    own.values.push_back({"_$!<Mobile>!$_", "5550004444", 3, Sql()});
    own.values.push_back({Sql(), "first", 3, Sql()});
    own.values.push_back({"_$!<Mobile>!$_", "5550005555", 3, Sql()});
    own.values.push_back({"Mobile (2)", "5550006666", 3, Sql()});
    own.values.push_back({Sql(), "second", 3, Sql()});
    own.values.push_back({"Mobile (2)", "5550007777", 3, Sql()});
    book.persons = {zed, ann, bob, acme, twice, own};
    book.strayValues.push_back({"_$!<Mobile>!$_", "5557777777", 3, Sql(99)});
    return book;
}

std::vector<gen::CallRow> SmallCalls() {
    std::vector<gen::CallRow> calls(7);
    calls[0] = {"5551234567", 1370336587, 3725, 4, "", "310", "410"};
    calls[1] = {"5551234567", 1370336587, 0, 5, "Dentist", "310", "410"};
    calls[2] = {"+1 (555) 123-4567", 1357000000, 59, 16, Sql(), "310", "410"};
    calls[3] = {Sql(), Sql(), Sql(), Sql(), "", Sql(), Sql()};
    calls[4] = {"5559999999", 0, 1, 1, "", "", ""};
    calls[5] = {"5550002222", 0, "61.9", "abc", "", "310", "260"};
    calls[6] = {"5550001111", 0, -5, 0, "", "310", "260"};
    return calls;
}

TEST(CallHistoryTest, WholeResultWithNamesFromTheAddressBook) {
    KindBackup b;
    b.Builder().AddFile("HomeDomain", kBookPath, gen::AddressBookDb(SmallBook()));
    b.Builder().AddFile("WirelessDomain", kCallPath, gen::CallHistoryDb(SmallCalls()));
    const char* const expected[] = {
        R"({"name":"Ann Lee","address":"5551234567","date":"2013-06-04 09:03:07","type":"Incoming","duration":"01:02:05","country_code":"310","network_code":"410"})",
        R"({"name":"Dentist","address":"5551234567","date":"2013-06-04 09:03:07","type":"Outgoing","duration":"00:00:00","country_code":"310","network_code":"410"})",
        R"({"name":"Bob Stone","address":"+1 (555) 123-4567","date":"2013-01-01 00:26:40","type":"Unknown","duration":"00:00:59","country_code":"310","network_code":"410"})",
        R"({"name":"","address":"","date":"1970-01-01 00:00:00","type":"Unknown","duration":"00:00:00","country_code":"","network_code":""})",
        R"({"name":"","address":"5559999999","date":"1970-01-01 00:00:00","type":"Unknown","duration":"00:00:01","country_code":"","network_code":""})",
        R"({"name":"小明","address":"5550002222","date":"1970-01-01 00:00:00","type":"Unknown","duration":"00:01:01","country_code":"310","network_code":"260"})",
        R"({"name":"小明","address":"5550001111","date":"1970-01-01 00:00:00","type":"Unknown","duration":"00:00:00","country_code":"310","network_code":"260"})",
    };
    // The name fill knows every number under a repeated label: the calls from 5550002222 and
    // 5550001111 are both named.
    std::string all = "[";
    for (const char* row : expected) all += std::string(all.size() > 1 ? "," : "") + row;
    all += "]";
    EXPECT_EQ(b.Dump(KIND_CALL_HISTORY), all);
}

TEST(CallHistoryTest, FillUsesEveryPropertyOfTheFirstPerson) {
    // The sixth person's first number is 555-000-1111: a walk over properties in order finds it.
    KindBackup b;
    b.Builder().AddFile("HomeDomain", kBookPath, gen::AddressBookDb(SmallBook()));
    std::vector<gen::CallRow> calls(1);
    calls[0] = {"5550001111", 0, 0, 4, "", "310", "410"};
    b.Builder().AddFile("WirelessDomain", kCallPath, gen::CallHistoryDb(calls));
    EXPECT_NE(b.Dump(KIND_CALL_HISTORY).find(R"("name":"小明")"), std::string::npos);
}

TEST(CallHistoryTest, FlagsGiveTheType) {
    struct Case {
        Sql flags;
        const char* type;
    } cases[] = {{4, "Incoming"},   {5, "Outgoing"},   {0, "Unknown"},
                 {1, "Unknown"},    {16, "Unknown"},   {Sql(), "Unknown"},
                 {"4", "Incoming"}, {4.7, "Incoming"}, {Sql::Blob("5"), "Outgoing"},
                 {-4, "Unknown"}};
    std::vector<gen::CallRow> calls;
    for (const Case& c : cases) calls.push_back({"1", 0, 0, c.flags, "x", "", ""});
    KindBackup b;
    b.Builder().AddFile("WirelessDomain", kCallPath, gen::CallHistoryDb(calls));
    plist_t data = b.Get(KIND_CALL_HISTORY);
    ASSERT_EQ(plist_array_get_size(data), sizeof cases / sizeof cases[0]);
    for (std::size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        char* type = nullptr;
        plist_get_string_val(plist_dict_get_item(plist_array_get_item(data, i), "type"), &type);
        EXPECT_STREQ(type, cases[i].type) << "row " << i;
        free(type);
    }
    plist_free(data);
}

TEST(CallHistoryTest, NoDatabaseGivesNullAtEveryCall) {
    KindBackup b;
    b.Builder().AddFile("HomeDomain", kBookPath, gen::AddressBookDb(SmallBook()));
    EXPECT_EQ(b.Dump(KIND_CALL_HISTORY), "null");
    EXPECT_EQ(b.Dump(KIND_CALL_HISTORY), "null");
    // The contacts are still an array.
    EXPECT_EQ(b.Count(KIND_CONTACTS), 6);
}

TEST(CallHistoryTest, CallsAreReadOnceAndKept) {
    KindBackup b;
    const std::string stored =
        b.Builder().AddFile("WirelessDomain", kCallPath, gen::CallHistoryDb(SmallCalls()));
    const std::string first = b.Dump(KIND_CALL_HISTORY);
    ASSERT_NE(first, "null");
    // The file is gone; the reader answers from what it kept.
    ASSERT_EQ(std::remove(stored.c_str()), 0);
    EXPECT_EQ(b.Dump(KIND_CALL_HISTORY), first);
}

TEST(CallHistoryTest, FirstManifestRecordOfThePathWins) {
    KindBackup b;
    std::vector<gen::CallRow> one = {{"111", 0, 0, 4, "first", "", ""}};
    std::vector<gen::CallRow> two = {{"222", 0, 0, 4, "second", "", ""}};
    b.Builder().AddFile("WirelessDomain", kCallPath, gen::CallHistoryDb(one));
    b.Builder().AddFile("HomeDomain", kCallPath, gen::CallHistoryDb(two));
    EXPECT_NE(b.Dump(KIND_CALL_HISTORY).find("\"first\""), std::string::npos);
}

TEST(ContactTest, WholeResult) {
    KindBackup b;
    b.Builder().AddFile("HomeDomain", kBookPath, gen::AddressBookDb(SmallBook()));
    const std::string empty =
        R"("organization":"","department":"","note":"","birthday":"","jobTitle":"","nickName":"",)";
    const std::string expected =
        std::string("[") + R"({"id":1,"name":"Zed",)" + empty +
        R"("creationDate":"","properties":{"Home":"zed@example.com"}},)" +
        R"({"id":2,"name":"Ann Lee","organization":"","department":"","note":"<b>friend</b> from \"school\"","birthday":"1984-05-17","jobTitle":"","nickName":"","creationDate":"2001-01-01 00:00:00","properties":{"Mobile":"5551234567","Gym":"ann@gym.example","":""}},)" +
        R"({"id":3,"name":"Bob Stone","organization":"","department":"","note":"","birthday":"","jobTitle":"Engineer","nickName":"","creationDate":"2013-09-04 15:06:40","properties":{"Mobile":"5551234567","Work":"+1 (555) 123-4567"}},)" +
        R"({"id":5,"name":"","organization":"Acme","department":"R&D","note":"","birthday":"","jobTitle":"","nickName":"","creationDate":"","properties":{}},)" +
        R"({"id":6,"name":"小明","organization":"","department":"","note":"","birthday":"","jobTitle":"","nickName":"明","creationDate":"",)" +
        R"p("properties":{"Mobile":"5550001111","Home":"ming@home.example","Mobile (2)":"5550002222","Work":"ming@work.example","Home (2)":"ming@mail.example","Mobile (3)":"5550003333"}},)p" +
        R"({"id":8,"name":"Kim",)" + empty +
        R"p("creationDate":"","properties":{"Mobile":"5550004444","":"first","Mobile (3)":"5550005555","Mobile (2)":"5550006666","(2)":"second","Mobile (2) (2)":"5550007777"}}])p";
    EXPECT_EQ(b.Dump(KIND_CONTACTS), expected);
}

TEST(ContactTest, ValuesKeptInPartsAndValuesWithoutALabel) {
    gen::AddressBook book;
    gen::PersonRow eve;
    eve.rowid = 1;
    eve.first = "Eve";
    // An address: no value of its own, its parts in any row order, one part empty.
    gen::MultiValueRow home{"_$!<Home>!$_", Sql(), 5, Sql()};
    home.entries = {{"Country", "USA"}, {"CountryCode", "us"},          {"ZIP", "12345"},
                    {"State", ""},      {"Street", "1 Main St\nApt 2"}, {"City", "Springfield"}};
    eve.values.push_back(home);
    // An instant-messaging account without a label, and two numbers without one.
    gen::MultiValueRow im{Sql(), Sql(), 13, Sql()};
    im.entries = {{"service", "Jabber"}, {"username", "eve@jabber.org"}};
    eve.values.push_back(im);
    eve.values.push_back({Sql(), "555-000-1212", 3, Sql()});
    eve.values.push_back({"_$!<Work>!$_", Sql(), 5, Sql()});  // an address without parts
    eve.values.push_back({Sql(), "eve@example.com", 4, Sql()});
    book.persons = {eve};
    KindBackup b;
    b.Builder().AddFile("HomeDomain", kBookPath, gen::AddressBookDb(book));
    const std::string out = b.Dump(KIND_CONTACTS);
    EXPECT_NE(
        out.find(
            R"p("properties":{"Home":"1 Main St\nApt 2, Springfield, 12345, USA","":"service: Jabber, username: eve@jabber.org","(2)":"5550001212","Work":"","(3)":"eve@example.com"}})p"),
        std::string::npos)
        << out;
}

// The binary property list behind a person's properties, read back by libplist: every size
// of marker (counts below 15, one, two and four bytes), keys libplist hashes alike, bytes that
// are no UTF-8, and empty texts.
TEST(ContactTest, PropertyDictionaryHoldsEveryKeyInOrder) {
    for (std::size_t n : {0u, 1u, 14u, 15u, 255u, 256u, 70000u}) {
        SCOPED_TRACE(n);
        std::vector<std::string> keys;
        std::vector<std::string> texts;
        for (std::size_t i = 0; i < n; ++i) {
            // "Az" and "BY" add the same to libplist's hash: these keys share one slot.
            std::string key;
            for (int bit = 0; bit < 17; ++bit) key += (i >> bit) & 1 ? "BY" : "Az";
            if (i == 1) key = "";
            if (i == 2) key = "\xff\xfe\x80 caf\xc3\xa9";
            keys.push_back(key);
            texts.push_back(i % 3 == 0 ? std::string(i % 400, 'v') : "555-" + std::to_string(i));
            if (i == 5) texts.back() = std::string(70000, 'w');
        }
        std::vector<const char*> values;
        for (const std::string& t : texts) values.push_back(t.c_str());
        if (n > 3) values[3] = nullptr;
        plist_t dict = NewTextDict(keys, values);
        ASSERT_NE(dict, nullptr);
        ASSERT_EQ(plist_get_node_type(dict), PLIST_DICT);
        ASSERT_EQ(plist_dict_get_size(dict), n);
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(dict, &it);
        for (std::size_t i = 0; i < n; ++i) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(dict, it, &key, &value);
            ASSERT_NE(key, nullptr);
            EXPECT_EQ(keys[i], key);
            char* text = nullptr;
            plist_get_string_val(value, &text);
            EXPECT_EQ(text, i == 3 ? std::string() : texts[i]);
            std::free(key);
            std::free(text);
        }
        std::free(it);
        plist_free(dict);
        // Written as a binary list that libplist reads as it is: no entry goes through the
        // dictionary insert.
        const std::string bytes = TextDictBytes(keys, values);
        plist_t parsed = nullptr;
        if (n > 0) {
            plist_from_bin(bytes.data(), static_cast<uint32_t>(bytes.size()), &parsed);
            ASSERT_NE(parsed, nullptr);
            EXPECT_EQ(plist_dict_get_size(parsed), n);
        }
        plist_free(parsed);
    }
}

TEST(ContactTest, MissingOrEmptyAddressBookIsAnEmptyArray) {
    KindBackup none;
    EXPECT_EQ(none.Dump(KIND_CONTACTS), "[]");
    KindBackup empty;
    empty.Builder().AddFile("HomeDomain", kBookPath, gen::AddressBookDb({}));
    EXPECT_EQ(empty.Dump(KIND_CONTACTS), "[]");
    EXPECT_EQ(empty.Dump(KIND_CONTACTS), "[]");
}

TEST(ContactTest, LabelsAndValues) {
    struct LabelCase {
        const char* stored;
        const char* label;
    } labels[] = {{"_$!<Mobile>!$_", "Mobile"},
                  {"_$!<Home>!$_", "Home"},
                  {"Gym", "Gym"},
                  {"", ""},
                  {nullptr, ""},
                  {"x_$!<Home", "Home"},
                  {"_$!<A>!$_B>!$_", "A"},
                  {"_$!<>!$_", ""},
                  {"Büro", "Büro"}};
    for (const auto& c : labels) EXPECT_EQ(Contact::CleanLabel(c.stored), c.label) << c.label;
    struct ValueCase {
        const char* stored;
        const char* value;
    } values[] = {{"555-123-4567", "5551234567"},
                  {"5551234567", "5551234567"},
                  {"---", ""},
                  {"+1 (555) 123-4567", "+1 (555) 123-4567"},
                  {"a-b", "a-b"},
                  {"12 34", "12 34"},
                  {"", ""},
                  {nullptr, ""},
                  {"-1-", "1"}};
    for (const auto& c : values) EXPECT_EQ(Contact::CleanValue(c.stored), c.value) << c.value;
}

// The address book keeps a birthday as the text of seconds since 2001 at noon UTC, and a date
// value (property 12, an anniversary) the same way; the year 1604 stands for none given. Each
// shows the day it names in UTC, in every time zone and whatever the decimal separator.
TEST(ContactTest, BirthdaysAndDatesShowTheDayTheyName) {
    struct Case {
        Sql stored;
        const char* shown;
    } birthdays[] = {
        {"-524664000", "1984-05-17"},
        {"-12516292800", "--05-17"},
        {"-12523032000", "--02-29"},
        {"0", "2001-01-01"},
        {"-0.5", "2000-12-31"},
        {"370008000.0", "2012-09-22"},
        {"-63113904000", "0001-01-01"},
        {"252423993599", "9999-12-31"},
        // Beyond the years 1 to 9999, and texts that are no number, stay as stored.
        {"-63113904001", "-63113904001"},
        {"252423993600", "252423993600"},
        {"1e400", "1e400"},
        {"-99999999999999999999", "-99999999999999999999"},
        {"1984-01-12T12:00:00Z", "1984-01-12T12:00:00Z"},
        {"12abc", "12abc"},
        {" 12", " 12"},
        {"", ""},
        {Sql(), ""},
    };
    gen::AddressBook book;
    for (const Case& c : birthdays) {
        gen::PersonRow p;
        p.first = "P";
        p.birthday = c.stored;
        book.persons.push_back(p);
    }
    gen::PersonRow dates;
    dates.first = "Dates";
    dates.values.push_back({"_$!<Anniversary>!$_", "370008000", 12, Sql()});
    dates.values.push_back({"_$!<Anniversary>!$_", "-524664000", 12, Sql()});
    dates.values.push_back({"_$!<Other>!$_", "2012-09-22", 12, Sql()});
    dates.values.push_back({"_$!<Mobile>!$_", "555-123-4567", 3, Sql()});
    dates.values.push_back({Sql(), "-12516292800", 12, Sql()});
    book.persons.push_back(dates);
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    struct Setting {
        const char* zone;
        const char* numbers;  // a locale whose decimal separator is a comma, or C
    } settings[] = {
        {"UTC", "C"}, {"Pacific/Kiritimati", "de_DE.UTF-8"}, {"Pacific/Pago_Pago", "C"}};
    for (const Setting& setting : settings) {
        SCOPED_TRACE(std::string(setting.zone) + " " + setting.numbers);
        if (std::setlocale(LC_NUMERIC, setting.numbers) == nullptr) {
            // scripts/setup.sh generates the locale; a machine without it skips that setting,
            // CI may not.
            const char* ci = std::getenv("CI");
            EXPECT_FALSE(ci != nullptr && *ci != 0) << "the locale is not generated";
            continue;
        }
        testing_support::ScopedEnv tz("TZ", setting.zone);
        tzset();
        KindBackup b;
        b.Builder().AddFile("HomeDomain", kBookPath, gen::AddressBookDb(book));
        plist_t data = b.Get(KIND_CONTACTS);
        ASSERT_EQ(plist_array_get_size(data), std::size(birthdays) + 1);
        for (std::size_t i = 0; i < std::size(birthdays); ++i) {
            char* shown = nullptr;
            plist_get_string_val(
                plist_dict_get_item(plist_array_get_item(data, static_cast<uint32_t>(i)),
                                    "birthday"),
                &shown);
            EXPECT_STREQ(shown, birthdays[i].shown) << "row " << i;
            std::free(shown);
        }
        plist_free(data);
        // A date value keeps its sign and dashes; a phone number still loses its dashes.
        EXPECT_NE(
            b.Dump(KIND_CONTACTS)
                .find(
                    R"p("properties":{"Anniversary":"2012-09-22","Anniversary (2)":"1984-05-17","Other":"2012-09-22","Mobile":"5551234567","":"--05-17"}})p"),
            std::string::npos);
        std::setlocale(LC_NUMERIC, saved.c_str());
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
    tzset();
}

TEST(ContactTest, SecondRowWithOneIdReplacesTheFirst) {
    // A damaged address book whose rowid column is an ordinary one can name one id twice.
    gen::SqlDb db;
    db.Exec(
        "CREATE TABLE ABPerson (rowid INTEGER, First TEXT, Last TEXT, Middle TEXT, Organization "
        "TEXT, Department TEXT, Note TEXT, Birthday TEXT, JobTitle TEXT, Nickname TEXT, "
        "CreationDate INTEGER);"
        "CREATE TABLE ABMultiValue (UID INTEGER PRIMARY KEY, record_id INTEGER, property INTEGER, "
        "identifier INTEGER, label INTEGER, value TEXT);"
        "CREATE TABLE ABMultiValueLabel (value TEXT, UNIQUE(value));"
        "INSERT INTO ABPerson (rowid, First) VALUES (7, 'Old'), (7, 'New'), ('x', 'Zero');"
        "INSERT INTO ABMultiValue (record_id, property, label, value) VALUES (7, 3, NULL, '1');");
    KindBackup b;
    b.Builder().AddFile("HomeDomain", kBookPath, db.Bytes());
    const std::string out = b.Dump(KIND_CONTACTS);
    EXPECT_EQ(out.find("Old"), std::string::npos);
    EXPECT_NE(out.find(R"({"id":0,"name":"Zero")"), std::string::npos);
    EXPECT_NE(out.find(R"({"id":7,"name":"New")"), std::string::npos);
    EXPECT_NE(out.find(R"("properties":{"":"1"})"), std::string::npos);
}

// The name of phone by the plain walk: persons in ascending id, properties in order.
const char* WalkName(const Contact& contact, const std::string& phone) {
    if (phone.empty()) return nullptr;
    for (const auto& entry : contact.Persons()) {
        for (const PersonProperty* p : entry.second->properties) {
            if (!p->value.empty() && p->value == phone) return entry.second->name.c_str();
        }
    }
    return nullptr;
}

TEST(NameFillTest, AgreesWithThePlainWalkOnAGeneratedBackup) {
    kindtest::UseUtc();
    testing_support::TempDir dir;
    gen::SampleOptions options;
    options.seed = 7;
    options.filler = 200;
    options.contacts = 400;
    options.calls = 600;
    options.chats = 80;
    options.messages = 400;
    options.namedCalls = 0;
    options.attachments = 0;
    options.photos = 0;
    options.memos = 0;
    gen::WriteSampleBackup(dir.Path() + "/Backup/udid", options);
    BackupInfo* head = ListBackupsIn((dir.Path() + "/Backup/").c_str());
    ASSERT_NE(head, nullptr);
    plist_t calls = GetKindData(head, KIND_CALL_HISTORY);
    plist_t chats = GetKindData(head, KIND_MESSAGES);
    ASSERT_NE(calls, nullptr);
    const Contact& contact = *head->contact;
    ASSERT_EQ(contact.Persons().size(), 400u);
    int named = 0;
    const auto& kept = head->callHistory->Calls();
    ASSERT_EQ(kept.size(), 600u);
    for (const Call* call : kept) {
        const char* walked = WalkName(contact, call->address);
        EXPECT_EQ(call->name, walked ? walked : "") << call->address;
        if (walked) ++named;
    }
    // The sample mixes numbers that the book knows with numbers it does not.
    EXPECT_GT(named, 100);
    EXPECT_LT(named, 600);
    // A chat is named by each of its members: a group by their names (an address where a
    // member has none), when any member has a name.
    int namedChats = 0;
    for (const auto& entry : head->sms->Chats()) {
        const std::string& phone = entry.second->phone;
        std::string expected;
        bool any = false;
        for (std::size_t at = 0; at <= phone.size();) {
            std::size_t end = phone.find(", ", at);
            if (end == std::string::npos) end = phone.size();
            const std::string member = phone.substr(at, end - at);
            const char* walked = WalkName(contact, member);
            if (walked != nullptr && *walked == 0) walked = nullptr;  // a person without a name
            any = any || walked != nullptr;
            expected += (at ? ", " : "") + std::string(walked ? walked : member);
            at = end + 2;
        }
        EXPECT_EQ(entry.second->another, any ? expected : "") << phone;
        if (any) ++namedChats;
    }
    EXPECT_GT(namedChats, 10);
    plist_free(calls);
    plist_free(chats);
    FreeBackupList(head);
}

}  // namespace
