// Property lists of the reader turned into records, for property lists built here, including
// missing keys, wrong types and bad UTF-8.
#include <gtest/gtest.h>
#include <plist/plist.h>

#include <cstdlib>
#include <memory>

#include "domain/domain_ib.h"
#include "domain/kind_obj.h"
#include "domain_test_env.h"

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

TEST(Convert, SizesBecomeDisplayTexts) {
    Plist memos(Array({Dict({{"name", Str("Memo 1")},
                             {"date", Str("2013-05-04 09:03:07")},
                             {"duration", Str("00:00:12")},
                             {"path", Str("/b/ab/abcdef")},
                             {"size", Uint(1536)}})}));
    Records m(KIND_VOICE_MEMOS, memos.get());
    auto& memo = *m.As<VoiceMemos>().at(0);
    EXPECT_EQ(memo.size, wxS("1.5 KB"));
    EXPECT_EQ(memo.path, wxS("/b/ab/abcdef"));
    EXPECT_EQ(memo.duration, wxS("00:00:12"));

    Plist pictures(Array({Dict({{"file_name", Str("IMG_0001.JPG")}, {"path", Str("/b/1")}}),
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

}  // namespace
