#include "domain/kind_table.h"

#include <wx/intl.h>
#include <wx/translation.h>

#include <cstdlib>
#include <tuple>
#include <type_traits>
#include <utility>

#include "common/file_util.h"
#include "common/string_util.h"
#include "domain/domain_ib.h"
#include "domain/kind_fields.h"
#include "domain/kind_obj.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Reading the property lists, field by field

plist_t DictItem(plist_t dict, const char* key) {
    if (dict == nullptr || plist_get_node_type(dict) != PLIST_DICT) return nullptr;
    return plist_dict_get_item(dict, key);
}

std::uint64_t NumberOf(plist_t node) {
    std::uint64_t value = 0;
    if (node != nullptr && plist_get_node_type(node) == PLIST_UINT)
        plist_get_uint_val(node, &value);
    return value;
}

std::uint32_t ArraySize(plist_t list) {
    if (list == nullptr || plist_get_node_type(list) != PLIST_ARRAY) return 0;
    return plist_array_get_size(list);
}

template <class Record>
void Fill(Record& record, plist_t dict);

template <class Record>
void Read(Record& r, const TextField<Record>& f, plist_t value) {
    r.*f.member = DomainIB::GetPlistString(value);
}

template <class Record>
void Read(Record& r, const SizeField<Record>& f, plist_t value) {
    r.*f.member = FileUtil::FormatSize(NumberOf(value));
}

template <class Record>
void Read(Record& r, const NumberField<Record>& f, plist_t value) {
    r.*f.member = NumberOf(value);
}

template <class Record, class Item>
void Read(Record& r, const ListField<Record, Item>& f, plist_t value) {
    std::vector<Item*>& items = r.*f.member;
    const std::uint32_t n = ArraySize(value);
    items.reserve(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        plist_t element = plist_array_get_item(value, i);
        if (element == nullptr || plist_get_node_type(element) != PLIST_DICT) continue;
        auto* item = new Item();
        items.push_back(item);
        Fill(*item, element);
    }
}

template <class Record>
void Read(Record& r, const PairsField<Record>& f, plist_t value) {
    if (value == nullptr || plist_get_node_type(value) != PLIST_DICT) return;
    Contact::Properties& pairs = r.*f.member;
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(value, &iter);
    if (iter == nullptr) return;
    for (;;) {
        char* key = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(value, iter, &key, &item);
        if (key == nullptr) break;
        // A value without a label comes under the empty key: it is kept, and its type is empty.
        pairs.emplace_back(StringUtil::FromUtf8(key), DomainIB::GetPlistString(item));
        std::free(key);
    }
    std::free(iter);
}

// Fills one record from its dictionary: every field of the record's list, a key that the
// dictionary lacks as an empty text or 0.
template <class Record>
void Fill(Record& record, plist_t dict) {
    std::apply([&](const auto&... field) { (Read(record, field, DictItem(dict, field.key)), ...); },
               RecordFields<Record>::kAll);
}

// ---------------------------------------------------------------------------------------------
// The functions of a kind, made from its record class

const wxString& Blank() {
    static const wxString text;
    return text;
}

template <class Record>
struct Records {
    using List = std::vector<Record*>;

    static const List& Of(const void* records) { return *static_cast<const List*>(records); }
    static const Record& At(const void* records, std::size_t i) {
        return *CheckedPtr(Of(records)[i]);
    }

    static void* Convert(plist_t list) {
        auto* records = new List();
        const std::uint32_t n = ArraySize(list);
        records->reserve(n);
        for (std::uint32_t i = 0; i < n; ++i) {
            auto* record = new Record();
            records->push_back(record);
            Fill(*record, plist_array_get_item(list, i));
        }
        return records;
    }
    static std::size_t Count(const void* records) {
        return records != nullptr ? Of(records).size() : 0;
    }
    static void Free(void* records) {
        auto* list = static_cast<List*>(records);
        if (list == nullptr) return;
        for (Record*& record : *list) TrackedDelete(__FILE__, __LINE__, record);
        TrackedDelete(__FILE__, __LINE__, list);
    }

    // The cell that shows the member.
    template <wxString Record::*Member>
    static const wxString& Text(const void* records, std::size_t i, const wxString&) {
        static_assert(IsFilled(Member), "a column shows a member that no field fills");
        return At(records, i).*Member;
    }

    // A column that shows the member: in the grid, and on the page with the given cell in each
    // line under the record.
    template <wxString Record::*Member>
    static KindColumn Grid(const char* title, int (*width)(int)) {
        return KindColumn{title, width, &Text<Member>, nullptr, true};
    }
    template <wxString Record::*Member>
    static KindColumn Page(const char* title, KindLineCell line = &NoLine) {
        return KindColumn{title, nullptr, &Text<Member>, line, true};
    }
    static const wxString& NoLine(const void*, std::size_t, std::size_t) { return Blank(); }
};

// What the lines under a record show, for the records that have lines: the record's list of
// line items and the item members or texts their cells show.
template <class Record, class Lines, Lines Record::*List>
struct LinesOf {
    static std::size_t Count(const void* records, std::size_t i) {
        return (Records<Record>::At(records, i).*List).size();
    }
    // Line j's item: a pair held in the list, or a record it points to (null for none).
    static const auto* ItemAt(const void* records, std::size_t i, std::size_t j) {
        const auto& item = (Records<Record>::At(records, i).*List)[j];
        if constexpr (std::is_pointer_v<std::decay_t<decltype(item)>>)
            return static_cast<const std::remove_pointer_t<std::decay_t<decltype(item)>>*>(item);
        else
            return &item;
    }
    // The cell that shows the item's member.
    template <auto Member>
    static const wxString& Text(const void* records, std::size_t i, std::size_t j) {
        const auto* item = ItemAt(records, i, j);
        return item != nullptr ? item->*Member : Blank();
    }
};

using ContactLines = LinesOf<Contact, Contact::Properties, &Contact::properties>;
using MessageLines = LinesOf<Sms, std::vector<Message*>, &Sms::messages>;

// "Sent" for a message of the device's owner, "Received" for any other.
const wxString& SentOrReceived(const void* records, std::size_t i, std::size_t j) {
    static const wxString sent(wxS("Sent")), received(wxS("Received"));
    const Message* message = MessageLines::ItemAt(records, i, j);
    if (message == nullptr) return Blank();
    return message->type != 0 ? sent : received;
}

std::size_t NoLines(const void*, std::size_t) {
    return 0;
}

// Widths: a fixed one, and what the grid's width leaves beside the other columns.
template <int Pixels>
int Px(int) {
    return Pixels;
}
template <int Pixels>
int AllBut(int gridWidth) {
    return gridWidth - Pixels;
}

// Cells that are the same in every row.
const wxString& BlankLine(const void*, std::size_t, std::size_t) {
    return Blank();
}
const wxString& Dash(const void*, std::size_t, const wxString&) {
    static const wxString text(wxS("-"));
    return text;
}
const wxString& Ellipsis(const void*, std::size_t, const wxString&) {
    static const wxString text(wxS("..."));
    return text;
}
const wxString& Arrow(const void*, std::size_t, const wxString&) {
    static const wxString text(wxS("->"));
    return text;
}
const wxString& ArrowLine(const void*, std::size_t, std::size_t) {
    static const wxString text(wxS("->"));
    return text;
}
// The record's number on the page.
const wxString& Number(const void*, std::size_t, const wxString& number) {
    return number;
}

KindColumn GridFixed(const char* title, int (*width)(int), KindCell cell) {
    return KindColumn{title, width, cell, nullptr, false};
}
KindColumn PageFixed(const char* title, KindCell cell, KindLineCell line = &BlankLine) {
    return KindColumn{title, nullptr, cell, line, false};
}

template <class Record>
KindInfo Row(RecoveryKind kind, const char* name, std::vector<KindColumn> grid, const char* page,
             std::vector<KindColumn> pageColumns,
             std::size_t (*lineCount)(const void*, std::size_t) = &NoLines) {
    using R = Records<Record>;
    return KindInfo{kind,
                    name,
                    false,
                    &typeid(Record),
                    std::move(grid),
                    page,
                    std::move(pageColumns),
                    nullptr,
                    nullptr,
                    &R::Convert,
                    &R::Count,
                    &R::Free,
                    lineCount};
}

// A picture kind: thumbnails in its grid, recovered as copies of the stored files.
KindInfo Pictures(RecoveryKind kind, const char* name) {
    using R = Records<Photo>;
    return KindInfo{kind,
                    name,
                    true,
                    &typeid(Photo),
                    {},
                    nullptr,
                    {},
                    &R::Text<&Photo::path>,
                    &R::Text<&Photo::file_name>,
                    &R::Convert,
                    &R::Count,
                    &R::Free,
                    &NoLines};
}

std::vector<KindInfo> MakeTable() {
    std::vector<KindInfo> table;
    table.reserve(kKindCount);
    // Call history (the date column holds a whole date with its seconds). The page keeps the
    // call's direction after its duration, in the grid's words.
    using Calls = Records<CallHistory>;
    table.push_back(
        Row<CallHistory>(KIND_CALL_HISTORY, wxTRANSLATE("Call History"),
                         {Calls::Grid<&CallHistory::name>(wxTRANSLATE("Name"), &Px<140>),
                          Calls::Grid<&CallHistory::address>(wxTRANSLATE("Phone Number"), &Px<150>),
                          Calls::Grid<&CallHistory::date>(wxTRANSLATE("Date Time"), &Px<140>),
                          Calls::Grid<&CallHistory::type>(wxTRANSLATE("Type"), &Px<100>),
                          Calls::Grid<&CallHistory::duration>(wxTRANSLATE("Duration"), &Px<102>)},
                         wxTRANSLATE("/Call History.html"),
                         {Calls::Page<&CallHistory::name>(wxTRANSLATE("Name")),
                          Calls::Page<&CallHistory::address>(wxTRANSLATE("Phone Number")),
                          Calls::Page<&CallHistory::date>(wxTRANSLATE("Date Time")),
                          Calls::Page<&CallHistory::duration>(wxTRANSLATE("Duration")),
                          Calls::Page<&CallHistory::type>(wxTRANSLATE("Type"))}));
    // Contacts; the page adds a line per property, its label under "Type" and its value under
    // "Value". The birthday is the address book's own text ("1984-01-12T12:00:00Z"), shown whole.
    using Contacts = Records<Contact>;
    table.push_back(Row<Contact>(
        KIND_CONTACTS, wxTRANSLATE("Contacts"),
        {Contacts::Grid<&Contact::name>(wxTRANSLATE("Name"), &Px<140>),
         Contacts::Grid<&Contact::organization>(wxTRANSLATE("Organization"), &Px<100>),
         Contacts::Grid<&Contact::department>(wxTRANSLATE("Department"), &Px<130>),
         Contacts::Grid<&Contact::note>(wxTRANSLATE("Note"), &Px<140>),
         Contacts::Grid<&Contact::birthday>(wxTRANSLATE("Birthday"), &Px<156>),
         Contacts::Grid<&Contact::jobTitle>(wxTRANSLATE("Job Title"), &Px<100>),
         Contacts::Grid<&Contact::nickName>(wxTRANSLATE("Nick Name"), &Px<100>),
         Contacts::Grid<&Contact::creationDate>(wxTRANSLATE("Create Date"), &Px<140>),
         GridFixed(wxTRANSLATE("Others"), &Px<100>, &Ellipsis)},
        wxTRANSLATE("/Contacts.html"),
        {PageFixed(wxTRANSLATE("ID"), &Number), Contacts::Page<&Contact::name>(wxTRANSLATE("Name")),
         Contacts::Page<&Contact::organization>(wxTRANSLATE("Organization")),
         Contacts::Page<&Contact::department>(wxTRANSLATE("Department")),
         Contacts::Page<&Contact::note>(wxTRANSLATE("Note")),
         Contacts::Page<&Contact::birthday>(wxTRANSLATE("Birthday")),
         Contacts::Page<&Contact::jobTitle>(wxTRANSLATE("Job Title")),
         Contacts::Page<&Contact::nickName>(wxTRANSLATE("Nick Name")),
         Contacts::Page<&Contact::creationDate>(wxTRANSLATE("Create Date")),
         PageFixed(wxTRANSLATE("Type"), &Dash,
                   &ContactLines::Text<&Contact::Properties::value_type::first>),
         PageFixed(wxTRANSLATE("Value"), &Dash,
                   &ContactLines::Text<&Contact::Properties::value_type::second>)},
        &ContactLines::Count));
    // Messages; the page adds a line per message. The list is narrowed beside the conversation:
    // the phone column gets what the name leaves (the grid keeps room for its scroll bar).
    using Chats = Records<Sms>;
    table.push_back(Row<Sms>(
        KIND_MESSAGES, wxTRANSLATE("Messages"),
        {Chats::Grid<&Sms::another>(wxTRANSLATE("Name"), &Px<130>),
         Chats::Grid<&Sms::phone>(wxTRANSLATE("Phone Number"), &Px<140>)},
        wxTRANSLATE("/Messages.html"),
        {PageFixed(wxTRANSLATE("ID"), &Number), Chats::Page<&Sms::another>(wxTRANSLATE("Name")),
         Chats::Page<&Sms::phone>(wxTRANSLATE("Phone Number")),
         PageFixed(wxTRANSLATE("Message"), &Arrow, &ArrowLine),
         PageFixed(wxTRANSLATE("Date Time"), &Dash, &MessageLines::Text<&Message::date>),
         PageFixed(wxTRANSLATE("Type"), &Dash, &SentOrReceived),
         PageFixed(wxTRANSLATE("Text"), &Dash, &MessageLines::Text<&Message::text>)},
        &MessageLines::Count));
    table.push_back(Pictures(KIND_SMS_ATTACHMENTS, wxTRANSLATE("Sms Attachments")));
    // Notes. The date follows its row's check box, so its column is wider than the other date
    // columns; the body takes the rest.
    using Notes = Records<Note>;
    table.push_back(Row<Note>(KIND_NOTES, wxTRANSLATE("Notes"),
                              {Notes::Grid<&Note::create_date>(wxTRANSLATE("Date Time"), &Px<160>),
                               Notes::Grid<&Note::title>(wxTRANSLATE("Title"), &Px<200>),
                               Notes::Grid<&Note::body>(wxTRANSLATE("Contents"), &AllBut<360>)},
                              wxTRANSLATE("/Notes.html"),
                              {Notes::Page<&Note::create_date>(wxTRANSLATE("Date Time")),
                               Notes::Page<&Note::title>(wxTRANSLATE("Title")),
                               Notes::Page<&Note::body>(wxTRANSLATE("Contents"))}));
    using Pages = Records<SafariHistory>;
    table.push_back(
        Row<SafariHistory>(KIND_SAFARI, wxTRANSLATE("Safari"),
                           {Pages::Grid<&SafariHistory::title>(wxTRANSLATE("Title"), &Px<260>),
                            Pages::Grid<&SafariHistory::type>(wxTRANSLATE("Type"), &Px<80>),
                            Pages::Grid<&SafariHistory::url>(wxTRANSLATE("Url"), &AllBut<344>)},
                           wxTRANSLATE("/Safari.html"),
                           {Pages::Page<&SafariHistory::title>(wxTRANSLATE("Title")),
                            Pages::Page<&SafariHistory::type>(wxTRANSLATE("Type")),
                            Pages::Page<&SafariHistory::url>(wxTRANSLATE("Url"))}));
    // Calendar events and reminders: one record class, two sets of columns.
    using Events = Records<Calendar>;
    table.push_back(Row<Calendar>(
        KIND_CALENDAR, wxTRANSLATE("Calendar"),
        {Events::Grid<&Calendar::title>(wxTRANSLATE("Title"), &Px<140>),
         Events::Grid<&Calendar::location>(wxTRANSLATE("Location"), &Px<100>),
         Events::Grid<&Calendar::description>(wxTRANSLATE("Description"), &Px<130>),
         Events::Grid<&Calendar::url>(wxTRANSLATE("Url"), &Px<150>),
         Events::Grid<&Calendar::start_date>(wxTRANSLATE("Start Date Time"), &Px<140>),
         Events::Grid<&Calendar::end_date>(wxTRANSLATE("End Date Time"), &Px<140>),
         Events::Grid<&Calendar::area>(wxTRANSLATE("Area"), &Px<102>),
         Events::Grid<&Calendar::all_day>(wxTRANSLATE("All Day"), &Px<102>)},
        wxTRANSLATE("/Calendar.html"),
        {Events::Page<&Calendar::title>(wxTRANSLATE("Title")),
         Events::Page<&Calendar::location>(wxTRANSLATE("Location")),
         Events::Page<&Calendar::description>(wxTRANSLATE("Description")),
         Events::Page<&Calendar::url>(wxTRANSLATE("Url")),
         Events::Page<&Calendar::start_date>(wxTRANSLATE("Start Date Time")),
         Events::Page<&Calendar::end_date>(wxTRANSLATE("End Date Time")),
         Events::Page<&Calendar::area>(wxTRANSLATE("Area")),
         Events::Page<&Calendar::all_day>(wxTRANSLATE("All Day"))}));
    table.push_back(Row<Calendar>(
        KIND_REMINDERS, wxTRANSLATE("Reminders"),
        {Events::Grid<&Calendar::title>(wxTRANSLATE("Title"), &Px<140>),
         Events::Grid<&Calendar::location>(wxTRANSLATE("Location"), &Px<100>),
         Events::Grid<&Calendar::description>(wxTRANSLATE("Description"), &Px<130>),
         Events::Grid<&Calendar::status>(wxTRANSLATE("Status"), &Px<102>),
         Events::Grid<&Calendar::start_date>(wxTRANSLATE("Start Date Time"), &Px<140>),
         Events::Grid<&Calendar::area>(wxTRANSLATE("Area"), &Px<102>)},
        wxTRANSLATE("/Reminders.html"),
        {Events::Page<&Calendar::title>(wxTRANSLATE("Title")),
         Events::Page<&Calendar::location>(wxTRANSLATE("Location")),
         Events::Page<&Calendar::description>(wxTRANSLATE("Description")),
         Events::Page<&Calendar::status>(wxTRANSLATE("Status")),
         Events::Page<&Calendar::start_date>(wxTRANSLATE("Start Date Time")),
         Events::Page<&Calendar::area>(wxTRANSLATE("Area"))}));
    // Voice memos, recovered as copies. The stored file's place in the backup is of no use to
    // read: its column stays hidden.
    using Memos = Records<VoiceMemos>;
    KindInfo memos =
        Row<VoiceMemos>(KIND_VOICE_MEMOS, wxTRANSLATE("Voice Memos"),
                        {Memos::Grid<&VoiceMemos::name>(wxTRANSLATE("Name"), &AllBut<380>),
                         Memos::Grid<&VoiceMemos::date>(wxTRANSLATE("Date Time"), &Px<150>),
                         Memos::Grid<&VoiceMemos::duration>(wxTRANSLATE("Duration"), &Px<130>),
                         Memos::Grid<&VoiceMemos::size>(wxTRANSLATE("Size"), &Px<100>),
                         Memos::Grid<&VoiceMemos::path>("", &Px<0>)},
                        nullptr, {});
    memos.copySource = &Memos::Text<&VoiceMemos::path>;
    memos.copyName = &Memos::Text<&VoiceMemos::name>;
    table.push_back(std::move(memos));
    table.push_back(Pictures(KIND_CAMERA_ROLL, wxTRANSLATE("Camera Roll")));
    table.push_back(Pictures(KIND_PHOTOS, wxTRANSLATE("Photos")));
    return table;
}

const std::vector<KindInfo>& Table() {
    static const std::vector<KindInfo> table = MakeTable();
    return table;
}

}  // namespace

const KindInfo* FindKind(std::uint32_t kind) {
    return kind < kKindCount ? &Table()[kind] : nullptr;
}

const std::vector<RecoveryKind>& KindScanOrder() {
    static const std::vector<RecoveryKind> order = {
        KIND_CALL_HISTORY, KIND_NOTES,       KIND_SAFARI,   KIND_CALENDAR,
        KIND_REMINDERS,    KIND_CONTACTS,    KIND_MESSAGES, KIND_SMS_ATTACHMENTS,
        KIND_VOICE_MEMOS,  KIND_CAMERA_ROLL, KIND_PHOTOS};
    return order;
}

wxString TranslatedKindName(std::uint32_t kind) {
    const KindInfo* info = FindKind(kind);
    return info != nullptr ? wxGetTranslation(wxString::FromUTF8(info->name)) : wxString();
}

void DeleteKindRecords(std::uint32_t kind, void* records) {
    const KindInfo* info = FindKind(kind);
    if (info != nullptr) info->free(records);
}

std::size_t KindRecordCount(std::uint32_t kind, const void* records) {
    const KindInfo* info = FindKind(kind);
    return info != nullptr ? info->count(records) : 0;
}
