// Property lists of the reader turned into records, for property lists built here, including
// missing keys, wrong types and bad UTF-8.
#include <gtest/gtest.h>
#include <plist/plist.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "common/file_util.h"
#include "domain/domain_ib.h"
#include "domain/kind_fields.h"
#include "domain/kind_obj.h"
#include "domain/kind_table.h"
#include "domain_test_env.h"
#include "ib/kind_keys.h"

namespace {

struct PlistFree {
    void operator()(void* p) const { plist_free(static_cast<plist_t>(p)); }
};
using Plist = std::unique_ptr<void, PlistFree>;

plist_t Dict(std::initializer_list<std::pair<const char*, plist_t>> items) {
    plist_t d = plist_new_dict();
    for (const auto& item : items) plist_dict_set_item(d, item.first, item.second);
    return d;
}

plist_t Array(std::initializer_list<plist_t> items) {
    plist_t a = plist_new_array();
    for (plist_t item : items) plist_array_append_item(a, item);
    return a;
}

plist_t Str(const char* s) {
    return plist_new_string(s);
}
plist_t Uint(std::uint64_t v) {
    return plist_new_uint(v);
}

// Owns a converted vector for the test's scope.
struct Records {
    Records(std::uint32_t kind, plist_t list)
        : kind(kind), records(DomainIB::ConvertKindData(kind, list)) {}
    ~Records() { DeleteKindRecords(kind, records); }
    template <class T>
    std::vector<T*>& As() {
        return *static_cast<std::vector<T*>*>(records);
    }
    std::uint32_t kind;
    void* records;
};

TEST(PlistString, NodesThatAreNotTextGiveEmptyText) {
    Plist text(Str("Ann"));
    Plist empty(Str(""));
    Plist number(Uint(7));
    Plist flag(plist_new_bool(1));
    EXPECT_EQ(DomainIB::GetPlistString(text.get()), wxS("Ann"));
    EXPECT_TRUE(DomainIB::GetPlistString(empty.get()).empty());
    EXPECT_TRUE(DomainIB::GetPlistString(number.get()).empty());
    EXPECT_TRUE(DomainIB::GetPlistString(flag.get()).empty());
    EXPECT_TRUE(DomainIB::GetPlistString(nullptr).empty());
    std::unique_ptr<wxString> owned(DomainIB::NewPlistString(text.get()));
    EXPECT_EQ(*owned, wxS("Ann"));
    std::unique_ptr<wxString> none(DomainIB::NewPlistString(nullptr));
    ASSERT_NE(none, nullptr);
    EXPECT_TRUE(none->empty());
}

// A text with a broken byte still shows, with the replacement character in its place.
TEST(PlistString, BadUtf8IsShownWithReplacementCharacters) {
    struct Row {
        const char* bytes;
        const wchar_t* expected;
    } rows[] = {
        {"Ann\xE2\x80\x99s iPhone", L"Ann\u2019s iPhone"},
        {"Ann\xFFs iPhone", L"Ann\uFFFDs iPhone"},
        {"caf\xC3", L"caf\uFFFD"},                        // cut off at the end
        {"\xE2\x82x", L"\uFFFDx"},                        // broken three-byte sequence
        {"\xC0\xAF", L"\uFFFD\uFFFD"},                    // overlong slash
        {"\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},          // surrogate
        {"\xF0\x9F\x93\xB1 phone", L"\U0001F4F1 phone"},  // outside the BMP
        {"\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"},
    };
    for (const Row& row : rows) {
        // libplist keeps the bytes as they are, as a reader does with a device's text.
        Plist node(Str(row.bytes));
        EXPECT_EQ(DomainIB::GetPlistString(node.get()), wxString(row.expected)) << row.bytes;
    }
}

TEST(Convert, CallHistoryTakesEveryFieldInOrder) {
    Plist list(Array({Dict({{"name", Str("Ann")},
                            {"address", Str("+15550100")},
                            {"date", Str("2013-05-04 09:03:07")},
                            {"type", Str("Incoming")},
                            {"duration", Str("01:02:05")},
                            {"country_code", Str("310")}}),
                      Dict({{"address", Str("+15550101")}})}));
    Records r(KIND_CALL_HISTORY, list.get());
    auto& calls = r.As<CallHistory>();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0]->name, wxS("Ann"));
    EXPECT_EQ(calls[0]->address, wxS("+15550100"));
    EXPECT_EQ(calls[0]->date, wxS("2013-05-04 09:03:07"));
    EXPECT_EQ(calls[0]->type, wxS("Incoming"));
    EXPECT_EQ(calls[0]->duration, wxS("01:02:05"));
    EXPECT_TRUE(calls[1]->name.empty());  // missing keys give empty texts
    EXPECT_EQ(calls[1]->address, wxS("+15550101"));
}

TEST(Convert, NullOrNonArrayListGivesEmptyVectorForEveryKind) {
    Plist dict(Dict({{"name", Str("x")}}));
    for (std::uint32_t kind = 0; kind < kKindCount; ++kind) {
        Records none(kind, nullptr);
        ASSERT_NE(none.records, nullptr) << kind;
        EXPECT_EQ(KindRecordCount(kind, none.records), 0u) << kind;
        Records wrong(kind, dict.get());
        EXPECT_EQ(KindRecordCount(kind, wrong.records), 0u) << kind;
    }
    EXPECT_EQ(DomainIB::ConvertKindData(11, nullptr), nullptr);
}

TEST(Convert, ElementsThatAreNotDictionariesStillCount) {
    // The records follow the library's array one for one; a stray element gives an empty record.
    Plist list(Array({Str("not a dictionary"), Dict({{"title", Str("T")}})}));
    Records r(KIND_NOTES, list.get());
    auto& notes = r.As<Note>();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_TRUE(notes[0]->title.empty());
    EXPECT_EQ(notes[1]->title, wxS("T"));
}

TEST(Convert, ValuesOfTheWrongTypeGiveEmptyTextAndZero) {
    Plist list(Array({Dict({{"date", Uint(5)},
                            {"duration", plist_new_bool(1)},
                            {"name", Array({})},
                            {"path", Dict({})},
                            {"size", Str("1536")}})}));
    Records r(KIND_VOICE_MEMOS, list.get());
    auto& memos = r.As<VoiceMemos>();
    ASSERT_EQ(memos.size(), 1u);
    EXPECT_TRUE(memos[0]->date.empty());
    EXPECT_TRUE(memos[0]->duration.empty());
    EXPECT_TRUE(memos[0]->name.empty());
    EXPECT_TRUE(memos[0]->path.empty());
    EXPECT_EQ(memos[0]->size, wxS("0.0 B"));
}

TEST(Convert, SizesBecomeDisplayTextsAndPathsKeepTheirBytes) {
    Plist memos(Array({Dict({{"name", Str("Memo 1")},
                             {"date", Str("2013-05-04 09:03:07")},
                             {"duration", Str("00:00:12")},
                             {"path", Str("/home/caf\xE9/Backup/ab/abcdef")},
                             {"size", Uint(1536)}})}));
    Records m(KIND_VOICE_MEMOS, memos.get());
    auto& memo = *m.As<VoiceMemos>().at(0);
    EXPECT_EQ(memo.size, wxS("1.5 KB"));
    // A path keeps its bytes: the folder of the backups need not be named in UTF-8.
    EXPECT_EQ(memo.path, "/home/caf\xE9/Backup/ab/abcdef");
    EXPECT_EQ(memo.duration, wxS("00:00:12"));

    Plist pictures(Array({Dict({{"file_name", Str("IMG_0001.JPG")}, {"path", Str("/b\xFF/1")}}),
                          Dict({{"file_name", Str("IMG_0002.PNG")},
                                {"path", Str("/b/2")},
                                {"size", Uint(3 * 1024 * 1024)},
                                {"type", Uint(1)},
                                {"query_path", Str("Media/DCIM/100APPLE/IMG_0002.PNG")}})}));
    for (std::uint32_t kind : {KIND_SMS_ATTACHMENTS, KIND_CAMERA_ROLL, KIND_PHOTOS}) {
        Records p(kind, pictures.get());
        auto& photos = p.As<Photo>();
        ASSERT_EQ(photos.size(), 2u);
        EXPECT_EQ(photos[0]->size, wxS("0.0 B"));  // no "size"
        EXPECT_EQ(photos[0]->path, "/b\xFF/1");
        EXPECT_EQ(photos[1]->file_name, wxS("IMG_0002.PNG"));
        EXPECT_EQ(photos[1]->size, wxS("3.0 MB"));
        EXPECT_EQ(photos[1]->thumbnail, nullptr);
    }
}

TEST(Convert, ContactPropertiesKeepTheDictionaryOrderAndValuesWithoutALabel) {
    Plist list(Array({Dict({{"id", Uint(1)},
                            {"name", Str("Ann Smith")},
                            {"organization", Str("Acme")},
                            {"department", Str("R&D")},
                            {"note", Str("met at the fair")},
                            {"birthday", Str("1980-02-03 00:00:00")},
                            {"jobTitle", Str("Engineer")},
                            {"nickName", Str("Annie")},
                            {"creationDate", Str("2012-01-01 10:00:00")},
                            {"properties", Dict({{"Mobile", Str("+1 555 0100")},
                                                 {"", Str("no label")},
                                                 {"Home", Str("+1 555 0101")},
                                                 {"Email", Uint(3)}})}}),
                      Dict({{"name", Str("No Properties")}}),
                      Dict({{"name", Str("Wrong Properties")}, {"properties", Str("x")}})}));
    Records r(KIND_CONTACTS, list.get());
    auto& contacts = r.As<Contact>();
    ASSERT_EQ(contacts.size(), 3u);
    const Contact& ann = *CheckedPtr(contacts[0]);
    EXPECT_EQ(ann.name, wxS("Ann Smith"));
    EXPECT_EQ(ann.organization, wxS("Acme"));
    EXPECT_EQ(ann.department, wxS("R&D"));
    EXPECT_EQ(ann.note, wxS("met at the fair"));
    EXPECT_EQ(ann.birthday, wxS("1980-02-03 00:00:00"));
    EXPECT_EQ(ann.jobTitle, wxS("Engineer"));
    EXPECT_EQ(ann.nickName, wxS("Annie"));
    EXPECT_EQ(ann.creationDate, wxS("2012-01-01 10:00:00"));
    // A value without a label is kept under its empty key.
    ASSERT_EQ(ann.properties.size(), 4u);
    EXPECT_EQ(ann.properties[0], std::make_pair(wxString("Mobile"), wxString("+1 555 0100")));
    EXPECT_EQ(ann.properties[1], std::make_pair(wxString(), wxString("no label")));
    EXPECT_EQ(ann.properties[2], std::make_pair(wxString("Home"), wxString("+1 555 0101")));
    EXPECT_EQ(ann.properties[3], std::make_pair(wxString("Email"), wxString()));
    EXPECT_TRUE(contacts[1]->properties.empty());
    EXPECT_TRUE(contacts[2]->properties.empty());
}

TEST(Convert, ConversationsCarryTheirMessages) {
    Plist list(
        Array({Dict({{"id", Uint(1)},
                     {"phone", Str("+15550100")},
                     {"another", Str("Ann Smith")},
                     {"message", Array({Dict({{"country", Str("us")},
                                              {"service", Str("SMS")},
                                              {"text", Str("Hi")},
                                              {"date", Str("2013-05-04 09:03:07")},
                                              {"type", Uint(1)}}),
                                        Str("stray"), Dict({{"text", Str("Hello back")}})})}}),
               Dict({{"id", Uint(2)}, {"another", Str("")}})}));
    Records r(KIND_MESSAGES, list.get());
    auto& chats = r.As<Sms>();
    ASSERT_EQ(chats.size(), 2u);
    const Sms& chat = *CheckedPtr(chats[0]);
    EXPECT_EQ(chat.phone, wxS("+15550100"));
    EXPECT_EQ(chat.another, wxS("Ann Smith"));
    ASSERT_EQ(chat.messages.size(), 2u);  // the element that is no dictionary is passed over
    EXPECT_EQ(chat.messages[0]->country, wxS("us"));
    EXPECT_EQ(chat.messages[0]->service, wxS("SMS"));
    EXPECT_EQ(chat.messages[0]->text, wxS("Hi"));
    EXPECT_EQ(chat.messages[0]->date, wxS("2013-05-04 09:03:07"));
    EXPECT_EQ(chat.messages[0]->type, 1u);
    EXPECT_EQ(chat.messages[1]->text, wxS("Hello back"));
    EXPECT_EQ(chat.messages[1]->type, 0u);
    EXPECT_TRUE(chats[1]->messages.empty());  // no "message" key
    EXPECT_TRUE(chats[1]->phone.empty());
}

TEST(Convert, NotesSafariCalendarTakeTheirKeys) {
    Plist notes(Array({Dict({{"create_date", Str("2013-01-02 03:04:05")},
                             {"modify_date", Str("2013-01-02 03:04:06")},
                             {"title", Str("Shopping")},
                             {"body", Str("<div>milk</div>")}})}));
    Records n(KIND_NOTES, notes.get());
    const Note& note = *CheckedPtr(n.As<Note>().at(0));
    EXPECT_EQ(note.create_date, wxS("2013-01-02 03:04:05"));
    EXPECT_EQ(note.title, wxS("Shopping"));
    EXPECT_EQ(note.body, wxS("<div>milk</div>"));

    Plist safari(Array({Dict({{"url", Str("http://example.com/")},
                              {"type", Str("history")},
                              {"title", Str("Example")},
                              {"visitCount", Uint(3)}})}));
    Records s(KIND_SAFARI, safari.get());
    const SafariHistory& page = *CheckedPtr(s.As<SafariHistory>().at(0));
    EXPECT_EQ(page.url, wxS("http://example.com/"));
    EXPECT_EQ(page.type, wxS("history"));
    EXPECT_EQ(page.title, wxS("Example"));

    Plist calendar(Array({Dict({{"title", Str("Dentist")},
                                {"type", Uint(1)},
                                {"location", Str("Main St")},
                                {"description", Str("check-up")},
                                {"url", Str("http://dentist.example/")},
                                {"start_date", Str("2013-06-01 10:00:00")},
                                {"end_date", Str("2013-06-01 11:00:00")},
                                {"area", Str("Europe/Berlin")},
                                {"all_day", Str("NO")},
                                {"status", Str("Uncompleted")}})}));
    for (std::uint32_t kind : {KIND_CALENDAR, KIND_REMINDERS}) {
        Records c(kind, calendar.get());
        const Calendar& item = *CheckedPtr(c.As<Calendar>().at(0));
        EXPECT_EQ(item.title, wxS("Dentist"));
        EXPECT_EQ(item.location, wxS("Main St"));
        EXPECT_EQ(item.description, wxS("check-up"));
        EXPECT_EQ(item.url, wxS("http://dentist.example/"));
        EXPECT_EQ(item.start_date, wxS("2013-06-01 10:00:00"));
        EXPECT_EQ(item.end_date, wxS("2013-06-01 11:00:00"));
        EXPECT_EQ(item.area, wxS("Europe/Berlin"));
        EXPECT_EQ(item.all_day, wxS("NO"));
        EXPECT_EQ(item.status, wxS("Uncompleted"));
    }
}

// ---------------------------------------------------------------------------------------------
// Every kind, every key: each key of the kind's dictionaries set to a value of its own, and each
// value looked for in the record and in the grid's and the page's columns meant for it.

namespace keys = ib::keys;

// The keys whose values are numbers; the others are texts (the two nested ones aside).
bool IsNumberKey(const char* const* all, const char* key) {
    const std::string k = key;
    if (all == keys::contacts::kKeys || all == keys::messages::kKeys) return k == "id";
    if (all == keys::message::kKeys) return k == keys::message::kType;
    if (all == keys::media::kKeys) return k == keys::media::kSize || k == keys::media::kType;
    if (all == keys::calendar::kKeys) return k == keys::calendar::kType;
    if (all == keys::safari::kKeys) return k == keys::safari::kVisitCount;
    if (all == keys::memos::kKeys) return k == keys::memos::kSize;
    return false;
}

// What the record holds for each key: "<key> value" for a text, FormatSize of the number for a
// size, the number for another number.
struct Values {
    std::map<std::string, wxString> text;
    std::map<std::string, std::uint64_t> number;
};

template <std::size_t N>
plist_t EveryKey(const char* const (&all)[N], Values& values, std::uint64_t& next) {
    plist_t dict = plist_new_dict();
    const char* const* kind = all;
    for (const char* key : all) {
        if (std::string(key) == keys::contacts::kProperties && kind == keys::contacts::kKeys) {
            plist_dict_set_item(dict, key, Dict({{"Mobile", Str("+1 555 0100")}}));
        } else if (std::string(key) == keys::messages::kMessage && kind == keys::messages::kKeys) {
            Values inner;
            plist_dict_set_item(dict, key, Array({EveryKey(keys::message::kKeys, inner, next)}));
            for (const auto& v : inner.text) values.text["message." + v.first] = v.second;
            for (const auto& v : inner.number) values.number["message." + v.first] = v.second;
        } else if (IsNumberKey(kind, key)) {
            const std::uint64_t n = next++ * 1000 + 1;
            values.number[key] = n;
            plist_dict_set_item(dict, key, Uint(n));
        } else {
            const std::string text = std::string(key) + " value";
            values.text[key] = wxString::FromUTF8(text);
            plist_dict_set_item(dict, key, Str(text.c_str()));
        }
    }
    return dict;
}

// The record's members against the values, field by field of its description.
template <class Record>
void ExpectFields(const Record& r, const Values& v, const std::string& prefix,
                  std::set<std::string>& read) {
    std::apply(
        [&](const auto&... field) {
            auto one = [&](const auto& f) {
                using F = std::decay_t<decltype(f)>;
                const std::string key = prefix + f.key;
                read.insert(f.key);
                if constexpr (std::is_same_v<F, TextField<Record>>) {
                    EXPECT_EQ(r.*f.member, v.text.at(key)) << key;
                } else if constexpr (std::is_same_v<F, PathField<Record>>) {
                    EXPECT_EQ(r.*f.member, v.text.at(key).utf8_string()) << key;
                } else if constexpr (std::is_same_v<F, SizeField<Record>>) {
                    EXPECT_EQ(r.*f.member, FileUtil::FormatSize(v.number.at(key))) << key;
                } else if constexpr (std::is_same_v<F, NumberField<Record>>) {
                    EXPECT_EQ(r.*f.member, v.number.at(key)) << key;
                } else if constexpr (std::is_same_v<F, PairsField<Record>>) {
                    EXPECT_EQ(r.*f.member, Contact::Properties({{"Mobile", "+1 555 0100"}}));
                } else {
                    ASSERT_EQ((r.*f.member).size(), 1u) << key;
                    std::set<std::string> inner;
                    ExpectFields(*(r.*f.member)[0], v, prefix + "message.", inner);
                }
            };
            (one(field), ...);
        },
        RecordFields<Record>::kAll);
}

template <class Record>
void ExpectRecord(const void* records, const Values& v, std::set<std::string>& read) {
    const auto& list = *static_cast<const std::vector<Record*>*>(records);
    ASSERT_EQ(list.size(), 1u);
    ExpectFields(*list[0], v, "", read);
}

// One expected column: its title, and the key whose value it shows or else a fixed text; the
// grid's columns also their width in a grid 1000 pixels wide.
struct Cell {
    const char* title;
    const char* key;
    const wchar_t* fixed;
    int width;
};
Cell K(const char* title, const char* key, int width = 0) {
    return Cell{title, key, nullptr, width};
}
Cell F(const char* title, const wchar_t* fixed, int width = 0) {
    return Cell{title, nullptr, fixed, width};
}

wxString Expected(const Cell& c, const Values& v) {
    if (c.key == nullptr) return c.fixed;
    const auto t = v.text.find(c.key);
    if (t != v.text.end()) return t->second;
    return FileUtil::FormatSize(v.number.at(c.key));  // the only number shown is a size
}

struct KindCase {
    std::uint32_t kind;
    plist_t (*dict)(Values&, std::uint64_t&);
    void (*expectRecord)(const void*, const Values&, std::set<std::string>&);
    std::vector<std::string> all;     // the kind's keys
    std::vector<std::string> unread;  // keys that no record field takes
    std::vector<Cell> grid, page;
    std::vector<std::vector<const wchar_t*>> lines;  // the page's lines under the record
    const char* copySource;
    const char* copyName;
};

template <std::size_t N>
std::vector<std::string> List(const char* const (&all)[N]) {
    return std::vector<std::string>(all, all + N);
}

TEST(Convert, EveryKeyOfEveryKindReachesItsFieldAndColumns) {
    namespace c = keys::call;
    namespace p = keys::contacts;
    namespace m = keys::messages;
    namespace n = keys::notes;
    namespace s = keys::safari;
    namespace e = keys::calendar;
    namespace v = keys::memos;
    namespace md = keys::media;
    const auto calls = +[](Values& x, std::uint64_t& k) { return EveryKey(c::kKeys, x, k); };
    const auto people = +[](Values& x, std::uint64_t& k) { return EveryKey(p::kKeys, x, k); };
    const auto chats = +[](Values& x, std::uint64_t& k) { return EveryKey(m::kKeys, x, k); };
    const auto notes = +[](Values& x, std::uint64_t& k) { return EveryKey(n::kKeys, x, k); };
    const auto pages = +[](Values& x, std::uint64_t& k) { return EveryKey(s::kKeys, x, k); };
    const auto events = +[](Values& x, std::uint64_t& k) { return EveryKey(e::kKeys, x, k); };
    const auto memos = +[](Values& x, std::uint64_t& k) { return EveryKey(v::kKeys, x, k); };
    const auto media = +[](Values& x, std::uint64_t& k) { return EveryKey(md::kKeys, x, k); };
    const std::vector<KindCase> cases = {
        {KIND_CALL_HISTORY,
         calls,
         &ExpectRecord<CallHistory>,
         List(c::kKeys),
         {c::kCountryCode, c::kNetworkCode},
         {K("Name", c::kName, 140), K("Phone Number", c::kAddress, 150),
          K("Date Time", c::kDate, 140), K("Type", c::kType, 100),
          K("Duration", c::kDuration, 102)},
         {K("Name", c::kName), K("Phone Number", c::kAddress), K("Date Time", c::kDate),
          K("Duration", c::kDuration), K("Type", c::kType)},
         {},
         nullptr,
         nullptr},
        {KIND_CONTACTS,
         people,
         &ExpectRecord<Contact>,
         List(p::kKeys),
         {p::kId},
         {K("Name", p::kName, 140), K("Organization", p::kOrganization, 100),
          K("Department", p::kDepartment, 130), K("Note", p::kNote, 140),
          K("Birthday", p::kBirthday, 156), K("Job Title", p::kJobTitle, 100),
          K("Nick Name", p::kNickName, 100), K("Create Date", p::kCreationDate, 140),
          F("Others", L"...", 100)},
         {F("ID", L"1"), K("Name", p::kName), K("Organization", p::kOrganization),
          K("Department", p::kDepartment), K("Note", p::kNote), K("Birthday", p::kBirthday),
          K("Job Title", p::kJobTitle), K("Nick Name", p::kNickName),
          K("Create Date", p::kCreationDate), F("Type", L"-"), F("Value", L"-")},
         {{L"", L"", L"", L"", L"", L"", L"", L"", L"", L"Mobile", L"+1 555 0100"}},
         nullptr,
         nullptr},
        {KIND_MESSAGES,
         chats,
         &ExpectRecord<Sms>,
         List(m::kKeys),
         {m::kId},
         {K("Name", m::kAnother, 130), K("Phone Number", m::kPhone, 140)},
         {F("ID", L"1"), K("Name", m::kAnother), K("Phone Number", m::kPhone), F("Message", L"->"),
          F("Date Time", L"-"), F("Type", L"-"), F("Text", L"-")},
         // The message's type is a number not 0: sent.
         {{L"", L"", L"", L"->", L"date value", L"Sent", L"text value"}},
         nullptr,
         nullptr},
        {KIND_NOTES,
         notes,
         &ExpectRecord<Note>,
         List(n::kKeys),
         {n::kModifyDate},
         {K("Date Time", n::kCreateDate, 160), K("Title", n::kTitle, 200),
          K("Contents", n::kBody, 640)},
         {K("Date Time", n::kCreateDate), K("Title", n::kTitle), K("Contents", n::kBody)},
         {},
         nullptr,
         nullptr},
        {KIND_SAFARI,
         pages,
         &ExpectRecord<SafariHistory>,
         List(s::kKeys),
         {s::kLastVisitedDate, s::kVisitCount},
         {K("Title", s::kTitle, 260), K("Type", s::kType, 80), K("Url", s::kUrl, 656)},
         {K("Title", s::kTitle), K("Type", s::kType), K("Url", s::kUrl)},
         {},
         nullptr,
         nullptr},
        {KIND_CALENDAR,
         events,
         &ExpectRecord<Calendar>,
         List(e::kKeys),
         {e::kType},
         {K("Title", e::kTitle, 140), K("Location", e::kLocation, 100),
          K("Description", e::kDescription, 130), K("Url", e::kUrl, 150),
          K("Start Date Time", e::kStartDate, 140), K("End Date Time", e::kEndDate, 140),
          K("Area", e::kArea, 102), K("All Day", e::kAllDay, 102)},
         {K("Title", e::kTitle), K("Location", e::kLocation), K("Description", e::kDescription),
          K("Url", e::kUrl), K("Start Date Time", e::kStartDate), K("End Date Time", e::kEndDate),
          K("Area", e::kArea), K("All Day", e::kAllDay)},
         {},
         nullptr,
         nullptr},
        {KIND_REMINDERS,
         events,
         &ExpectRecord<Calendar>,
         List(e::kKeys),
         {e::kType},
         {K("Title", e::kTitle, 140), K("Location", e::kLocation, 100),
          K("Description", e::kDescription, 130), K("Status", e::kStatus, 102),
          K("Start Date Time", e::kStartDate, 140), K("Area", e::kArea, 102)},
         {K("Title", e::kTitle), K("Location", e::kLocation), K("Description", e::kDescription),
          K("Status", e::kStatus), K("Start Date Time", e::kStartDate), K("Area", e::kArea)},
         {},
         nullptr,
         nullptr},
        {KIND_VOICE_MEMOS,
         memos,
         &ExpectRecord<VoiceMemos>,
         List(v::kKeys),
         {},
         {K("Name", v::kName, 620), K("Date Time", v::kDate, 150), K("Duration", v::kDuration, 130),
          K("Size", v::kSize, 100), K("", v::kPath, 0)},
         {},
         {},
         v::kPath,
         v::kName},
    };
    std::vector<KindCase> all = cases;
    for (std::uint32_t kind : {KIND_SMS_ATTACHMENTS, KIND_CAMERA_ROLL, KIND_PHOTOS}) {
        all.push_back(KindCase{kind,
                               media,
                               &ExpectRecord<Photo>,
                               List(md::kKeys),
                               {md::kType, md::kQueryPath},
                               {},
                               {},
                               {},
                               md::kPath,
                               md::kFileName});
    }
    ASSERT_EQ(all.size(), kKindCount);
    for (const KindCase& k : all) {
        SCOPED_TRACE(k.kind);
        const KindInfo& info = *FindKind(k.kind);
        Values values;
        std::uint64_t next = 1;
        Plist list(Array({k.dict(values, next)}));
        Records r(k.kind, list.get());
        ASSERT_EQ(KindRecordCount(k.kind, r.records), 1u);

        // Each key is taken by a field of the record, or by none on purpose.
        std::set<std::string> read;
        k.expectRecord(r.records, values, read);
        for (const std::string& key : k.unread) read.insert(key);
        EXPECT_EQ(read, std::set<std::string>(k.all.begin(), k.all.end()));

        ASSERT_EQ(info.gridColumns.size(), k.grid.size());
        for (std::size_t col = 0; col < k.grid.size(); ++col) {
            const KindColumn& column = info.gridColumns[col];
            EXPECT_STREQ(column.title, k.grid[col].title) << col;
            EXPECT_EQ(column.WidthIn(1000), k.grid[col].width) << col;
            EXPECT_EQ(column.cell(r.records, 0, wxString()), Expected(k.grid[col], values)) << col;
            EXPECT_EQ(column.ofRecord, k.grid[col].key != nullptr) << col;
        }
        ASSERT_EQ(info.pageColumns.size(), k.page.size());
        EXPECT_EQ(info.page != nullptr, !k.page.empty());
        for (std::size_t col = 0; col < k.page.size(); ++col) {
            const KindColumn& column = info.pageColumns[col];
            EXPECT_STREQ(column.title, k.page[col].title) << col;
            EXPECT_EQ(column.cell(r.records, 0, wxS("1")), Expected(k.page[col], values)) << col;
        }
        if (!k.page.empty()) {
            ASSERT_EQ(info.lineCount(r.records, 0), k.lines.size());
            for (std::size_t j = 0; j < k.lines.size(); ++j) {
                ASSERT_EQ(k.lines[j].size(), k.page.size());
                for (std::size_t col = 0; col < k.page.size(); ++col) {
                    EXPECT_EQ(info.pageColumns[col].line(r.records, 0, j),
                              wxString(k.lines[j][col]))
                        << j << " " << col;
                }
            }
        }
        ASSERT_EQ(info.copySource != nullptr, k.copySource != nullptr);
        if (k.copySource != nullptr) {
            EXPECT_EQ(info.copySource(r.records, 0), values.text.at(k.copySource).utf8_string());
            EXPECT_EQ(info.copyName(r.records, 0, wxString()), values.text.at(k.copyName));
        }
    }
}

}  // namespace
