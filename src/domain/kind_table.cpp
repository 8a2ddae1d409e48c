#include "domain/kind_table.h"

#include <wx/intl.h>
#include <wx/translation.h>

#include <cstdlib>

#include "common/file_util.h"
#include "common/string_util.h"
#include "domain/domain_ib.h"
#include "domain/kind_obj.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Reading the property lists

plist_t DictItem(plist_t dict, const char* key) {
    if (dict == nullptr || plist_get_node_type(dict) != PLIST_DICT) return nullptr;
    return plist_dict_get_item(dict, key);
}

wxString Text(plist_t dict, const char* key) {
    return DomainIB::GetPlistString(DictItem(dict, key));
}

std::uint64_t Number(plist_t dict, const char* key) {
    plist_t node = DictItem(dict, key);
    std::uint64_t value = 0;
    if (node != nullptr && plist_get_node_type(node) == PLIST_UINT)
        plist_get_uint_val(node, &value);
    return value;
}

std::uint32_t ArraySize(plist_t list) {
    if (list == nullptr || plist_get_node_type(list) != PLIST_ARRAY) return 0;
    return plist_array_get_size(list);
}

void FillProperties(Contact* contact, plist_t properties) {
    if (properties == nullptr || plist_get_node_type(properties) != PLIST_DICT) return;
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(properties, &iter);
    if (iter == nullptr) return;
    for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(properties, iter, &key, &value);
        if (key == nullptr) break;
        // A value without a label comes under the empty key: it is kept, and its type is empty.
        contact->properties.emplace_back(StringUtil::FromUtf8(key),
                                         DomainIB::GetPlistString(value));
        std::free(key);
    }
    std::free(iter);
}

void FillMessages(Sms* sms, plist_t messages) {
    const std::uint32_t n = ArraySize(messages);
    sms->messages.reserve(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        plist_t m = plist_array_get_item(messages, i);
        if (m == nullptr || plist_get_node_type(m) != PLIST_DICT) continue;
        auto* message = new Message();
        sms->messages.push_back(message);
        message->country = Text(m, "country");
        message->service = Text(m, "service");
        message->text = Text(m, "text");
        message->date = Text(m, "date");
        message->type = Number(m, "type");
    }
}

// Fills one record from its dictionary: one function per record class.
void Fill(CallHistory* r, plist_t d) {
    r->name = Text(d, "name");
    r->address = Text(d, "address");
    r->date = Text(d, "date");
    r->type = Text(d, "type");
    r->duration = Text(d, "duration");
}

void Fill(Contact* r, plist_t d) {
    r->name = Text(d, "name");
    r->organization = Text(d, "organization");
    r->department = Text(d, "department");
    r->note = Text(d, "note");
    r->birthday = Text(d, "birthday");
    r->jobTitle = Text(d, "jobTitle");
    r->nickName = Text(d, "nickName");
    r->creationDate = Text(d, "creationDate");
    FillProperties(r, DictItem(d, "properties"));
}

void Fill(Sms* r, plist_t d) {
    r->phone = Text(d, "phone");
    r->another = Text(d, "another");
    FillMessages(r, DictItem(d, "message"));
}

void Fill(Note* r, plist_t d) {
    r->create_date = Text(d, "create_date");
    r->title = Text(d, "title");
    r->body = Text(d, "body");
}

void Fill(SafariHistory* r, plist_t d) {
    r->title = Text(d, "title");
    r->type = Text(d, "type");
    r->url = Text(d, "url");
}

void Fill(Calendar* r, plist_t d) {
    r->title = Text(d, "title");
    r->location = Text(d, "location");
    r->description = Text(d, "description");
    r->url = Text(d, "url");
    r->start_date = Text(d, "start_date");
    r->end_date = Text(d, "end_date");
    r->area = Text(d, "area");
    r->all_day = Text(d, "all_day");
    r->status = Text(d, "status");
}

void Fill(VoiceMemos* r, plist_t d) {
    r->date = Text(d, "date");
    r->duration = Text(d, "duration");
    r->name = Text(d, "name");
    r->path = Text(d, "path");
    r->size = FileUtil::FormatSize(Number(d, "size"));
}

void Fill(Photo* r, plist_t d) {
    r->file_name = Text(d, "file_name");
    r->path = Text(d, "path");
    r->size = FileUtil::FormatSize(Number(d, "size"));
}

// ---------------------------------------------------------------------------------------------
// The texts of one record, in the order the columns below refer to them

void Texts(const CallHistory& r, const wxString** out) {
    out[0] = &r.name;
    out[1] = &r.address;
    out[2] = &r.date;
    out[3] = &r.type;
    out[4] = &r.duration;
}

void Texts(const Contact& r, const wxString** out) {
    out[0] = &r.name;
    out[1] = &r.organization;
    out[2] = &r.department;
    out[3] = &r.note;
    out[4] = &r.birthday;
    out[5] = &r.jobTitle;
    out[6] = &r.nickName;
    out[7] = &r.creationDate;
}

void Texts(const Sms& r, const wxString** out) {
    out[0] = &r.phone;
    out[1] = &r.another;
}

void Texts(const Note& r, const wxString** out) {
    out[0] = &r.create_date;
    out[1] = &r.title;
    out[2] = &r.body;
}

void Texts(const SafariHistory& r, const wxString** out) {
    out[0] = &r.title;
    out[1] = &r.type;
    out[2] = &r.url;
}

void Texts(const Calendar& r, const wxString** out) {
    out[0] = &r.title;
    out[1] = &r.location;
    out[2] = &r.description;
    out[3] = &r.url;
    out[4] = &r.start_date;
    out[5] = &r.end_date;
    out[6] = &r.area;
    out[7] = &r.all_day;
    out[8] = &r.status;
}

void Texts(const VoiceMemos& r, const wxString** out) {
    out[0] = &r.name;
    out[1] = &r.duration;
    out[2] = &r.date;
    out[3] = &r.path;
    out[4] = &r.size;
}

void Texts(const Photo& r, const wxString** out) {
    out[0] = &r.file_name;
    out[1] = &r.path;
    out[2] = &r.size;
}

// Lines under a record on its export page. Only contacts and conversations have any.
template <class Record>
std::size_t DetailCount(const Record&) {
    return 0;
}
template <class Record>
void Detail(const Record&, std::size_t, const wxString**) {}

const wxString& Empty() {
    static const wxString text;
    return text;
}

std::size_t DetailCount(const Contact& r) {
    return r.properties.size();
}

// Nine empty cells, then the label under "Type" and the value under "Value".
void Detail(const Contact& r, std::size_t j, const wxString** out) {
    for (std::size_t c = 0; c < 9; ++c) out[c] = &Empty();
    out[9] = &r.properties[j].first;
    out[10] = &r.properties[j].second;
}

std::size_t DetailCount(const Sms& r) {
    return r.messages.size();
}

// Three empty cells, "->", the date, "Sent" or "Received", the text.
void Detail(const Sms& r, std::size_t j, const wxString** out) {
    static const wxString arrow(wxS("->")), sent(wxS("Sent")), received(wxS("Received"));
    const Message* m = r.messages[j];
    for (std::size_t c = 0; c < 3; ++c) out[c] = &Empty();
    out[3] = &arrow;
    out[4] = m != nullptr ? &m->date : &Empty();
    out[5] = m == nullptr ? &Empty() : m->type != 0 ? &sent : &received;
    out[6] = m != nullptr ? &m->text : &Empty();
}

// ---------------------------------------------------------------------------------------------
// The functions of a row, made from the record class

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
            Fill(record, plist_array_get_item(list, i));
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
    static void TextsOf(const void* records, std::size_t i, const wxString** out) {
        Texts(At(records, i), out);
    }
    static std::size_t DetailsOf(const void* records, std::size_t i) {
        return DetailCount(At(records, i));
    }
    static void DetailOf(const void* records, std::size_t i, std::size_t j, const wxString** out) {
        Detail(At(records, i), j, out);
    }
};

template <class Record>
KindInfo Row(RecoveryKind kind, const char* name, bool pictures, std::size_t textCount,
             std::vector<KindColumn> grid, const char* page, std::vector<KindColumn> pageColumns,
             int copySource = -1, int copyName = -1) {
    using R = Records<Record>;
    return KindInfo{kind,          name,
                    pictures,      &typeid(Record),
                    textCount,     std::move(grid),
                    page,          std::move(pageColumns),
                    copySource,    copyName,
                    &R::Convert,   &R::Count,
                    &R::Free,      &R::TextsOf,
                    &R::DetailsOf, &R::DetailOf};
}

KindColumn Field(const char* title, int width, int field) {
    return KindColumn{title, width, field, wxString()};
}
KindColumn Page(const char* title, int field) {
    return KindColumn{title, 0, field, wxString()};
}
KindColumn Fixed(const char* title, int width, const wchar_t* text) {
    return KindColumn{title, width, KindColumn::kLiteral, wxString(text)};
}
KindColumn Number(const char* title) {
    return KindColumn{title, 0, KindColumn::kNumber, wxString()};
}

std::vector<KindInfo> MakeTable() {
    std::vector<KindInfo> table;
    table.reserve(kKindCount);
    // Call history: name, address, date, type, duration (the date column holds a whole date
    // with its seconds). The page keeps the call's direction after its duration, in the grid's
    // words.
    table.push_back(Row<CallHistory>(
        KIND_CALL_HISTORY, wxTRANSLATE("Call History"), false, 5,
        {Field(wxTRANSLATE("Name"), 140, 0), Field(wxTRANSLATE("Phone Number"), 150, 1),
         Field(wxTRANSLATE("Date Time"), 140, 2), Field(wxTRANSLATE("Type"), 100, 3),
         Field(wxTRANSLATE("Duration"), 102, 4)},
        wxTRANSLATE("/Call History.html"),
        {Page(wxTRANSLATE("Name"), 0), Page(wxTRANSLATE("Phone Number"), 1),
         Page(wxTRANSLATE("Date Time"), 2), Page(wxTRANSLATE("Duration"), 4),
         Page(wxTRANSLATE("Type"), 3)}));
    // Contacts: name, organization, department, note, birthday, job title, nick name, creation
    // date; the page adds a line per property. The birthday is the address book's own text
    // ("1984-01-12T12:00:00Z"), shown whole.
    table.push_back(Row<Contact>(
        KIND_CONTACTS, wxTRANSLATE("Contacts"), false, 8,
        {Field(wxTRANSLATE("Name"), 140, 0), Field(wxTRANSLATE("Organization"), 100, 1),
         Field(wxTRANSLATE("Department"), 130, 2), Field(wxTRANSLATE("Note"), 140, 3),
         Field(wxTRANSLATE("Birthday"), 156, 4), Field(wxTRANSLATE("Job Title"), 100, 5),
         Field(wxTRANSLATE("Nick Name"), 100, 6), Field(wxTRANSLATE("Create Date"), 140, 7),
         Fixed(wxTRANSLATE("Others"), 100, L"...")},
        wxTRANSLATE("/Contacts.html"),
        {Number(wxTRANSLATE("ID")), Page(wxTRANSLATE("Name"), 0),
         Page(wxTRANSLATE("Organization"), 1), Page(wxTRANSLATE("Department"), 2),
         Page(wxTRANSLATE("Note"), 3), Page(wxTRANSLATE("Birthday"), 4),
         Page(wxTRANSLATE("Job Title"), 5), Page(wxTRANSLATE("Nick Name"), 6),
         Page(wxTRANSLATE("Create Date"), 7), Fixed(wxTRANSLATE("Type"), 0, L"-"),
         Fixed(wxTRANSLATE("Value"), 0, L"-")}));
    // Messages: phone, another; the page adds a line per message. The list is narrowed beside
    // the conversation: the phone column gets what the name leaves (the grid keeps room for its
    // scroll bar).
    table.push_back(
        Row<Sms>(KIND_MESSAGES, wxTRANSLATE("Messages"), false, 2,
                 {Field(wxTRANSLATE("Name"), 130, 1), Field(wxTRANSLATE("Phone Number"), 140, 0)},
                 wxTRANSLATE("/Messages.html"),
                 {Number(wxTRANSLATE("ID")), Page(wxTRANSLATE("Name"), 1),
                  Page(wxTRANSLATE("Phone Number"), 0), Fixed(wxTRANSLATE("Message"), 0, L"->"),
                  Fixed(wxTRANSLATE("Date Time"), 0, L"-"), Fixed(wxTRANSLATE("Type"), 0, L"-"),
                  Fixed(wxTRANSLATE("Text"), 0, L"-")}));
    // Message attachments: file name, path, size.
    table.push_back(Row<Photo>(KIND_SMS_ATTACHMENTS, wxTRANSLATE("Sms Attachments"), true, 3, {},
                               nullptr, {}, 1, 0));
    // Notes: creation date, title, body. The date follows its row's check box, so its column is
    // wider than the other date columns; the body takes the rest.
    table.push_back(
        Row<Note>(KIND_NOTES, wxTRANSLATE("Notes"), false, 3,
                  {Field(wxTRANSLATE("Date Time"), 160, 0), Field(wxTRANSLATE("Title"), 200, 1),
                   Field(wxTRANSLATE("Contents"), -360, 2)},
                  wxTRANSLATE("/Notes.html"),
                  {Page(wxTRANSLATE("Date Time"), 0), Page(wxTRANSLATE("Title"), 1),
                   Page(wxTRANSLATE("Contents"), 2)}));
    // Safari: title, type, url.
    table.push_back(
        Row<SafariHistory>(KIND_SAFARI, wxTRANSLATE("Safari"), false, 3,
                           {Field(wxTRANSLATE("Title"), 260, 0), Field(wxTRANSLATE("Type"), 80, 1),
                            Field(wxTRANSLATE("Url"), -344, 2)},
                           wxTRANSLATE("/Safari.html"),
                           {Page(wxTRANSLATE("Title"), 0), Page(wxTRANSLATE("Type"), 1),
                            Page(wxTRANSLATE("Url"), 2)}));
    // Calendar and reminders: title, location, description, url, start, end, area, all day,
    // status.
    table.push_back(Row<Calendar>(
        KIND_CALENDAR, wxTRANSLATE("Calendar"), false, 9,
        {Field(wxTRANSLATE("Title"), 140, 0), Field(wxTRANSLATE("Location"), 100, 1),
         Field(wxTRANSLATE("Description"), 130, 2), Field(wxTRANSLATE("Url"), 150, 3),
         Field(wxTRANSLATE("Start Date Time"), 140, 4), Field(wxTRANSLATE("End Date Time"), 140, 5),
         Field(wxTRANSLATE("Area"), 102, 6), Field(wxTRANSLATE("All Day"), 102, 7)},
        wxTRANSLATE("/Calendar.html"),
        {Page(wxTRANSLATE("Title"), 0), Page(wxTRANSLATE("Location"), 1),
         Page(wxTRANSLATE("Description"), 2), Page(wxTRANSLATE("Url"), 3),
         Page(wxTRANSLATE("Start Date Time"), 4), Page(wxTRANSLATE("End Date Time"), 5),
         Page(wxTRANSLATE("Area"), 6), Page(wxTRANSLATE("All Day"), 7)}));
    table.push_back(Row<Calendar>(
        KIND_REMINDERS, wxTRANSLATE("Reminders"), false, 9,
        {Field(wxTRANSLATE("Title"), 140, 0), Field(wxTRANSLATE("Location"), 100, 1),
         Field(wxTRANSLATE("Description"), 130, 2), Field(wxTRANSLATE("Status"), 102, 8),
         Field(wxTRANSLATE("Start Date Time"), 140, 4), Field(wxTRANSLATE("Area"), 102, 6)},
        wxTRANSLATE("/Reminders.html"),
        {Page(wxTRANSLATE("Title"), 0), Page(wxTRANSLATE("Location"), 1),
         Page(wxTRANSLATE("Description"), 2), Page(wxTRANSLATE("Status"), 8),
         Page(wxTRANSLATE("Start Date Time"), 4), Page(wxTRANSLATE("Area"), 6)}));
    // Voice memos: name, duration, date, path, size. The stored file's place in the backup is
    // of no use to read: its column stays hidden.
    table.push_back(Row<VoiceMemos>(
        KIND_VOICE_MEMOS, wxTRANSLATE("Voice Memos"), false, 5,
        {Field(wxTRANSLATE("Name"), -380, 0), Field(wxTRANSLATE("Date Time"), 150, 2),
         Field(wxTRANSLATE("Duration"), 130, 1), Field(wxTRANSLATE("Size"), 100, 4),
         Field("", 0, 3)},
        nullptr, {}, 3, 0));
    table.push_back(
        Row<Photo>(KIND_CAMERA_ROLL, wxTRANSLATE("Camera Roll"), true, 3, {}, nullptr, {}, 1, 0));
    table.push_back(Row<Photo>(KIND_PHOTOS, wxTRANSLATE("Photos"), true, 3, {}, nullptr, {}, 1, 0));
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
