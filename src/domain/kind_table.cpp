#include "domain/kind_table.h"

#include <wx/intl.h>
#include <wx/translation.h>

#include <utility>

#include "domain/kind_obj.h"
#include "kind_cells.h"

namespace {

using namespace kind_cells;
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
                    &R::Path<&Photo::path>,
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
    // "Value". The birthday, like a date among the values, is a day in UTC as the reader gives it
    // ("1984-05-17", "--05-17" without a year), not an instant in local time; shown whole.
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
    KindInfo memos = Row<VoiceMemos>(
        KIND_VOICE_MEMOS, wxTRANSLATE("Voice Memos"),
        {Memos::Grid<&VoiceMemos::name>(wxTRANSLATE("Name"), &AllBut<380>),
         Memos::Grid<&VoiceMemos::date>(wxTRANSLATE("Date Time"), &Px<150>),
         Memos::Grid<&VoiceMemos::duration>(wxTRANSLATE("Duration"), &Px<130>),
         Memos::Grid<&VoiceMemos::size>(wxTRANSLATE("Size"), &Px<100>),
         KindColumn{"", &Px<0>, &Memos::PathText<&VoiceMemos::path>, nullptr, true}},
        nullptr, {});
    memos.copySource = &Memos::Path<&VoiceMemos::path>;
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
