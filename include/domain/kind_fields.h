// Which key of a kind's dictionary fills which member of its record: one list per record class,
// written once, from which the conversion of the property lists is derived (and against which the
// grid's and the page's columns are checked when they are compiled).
#pragma once

#include <wx/string.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "domain/kind_obj.h"
#include "ib/kind_keys.h"

// A string value, as the member's text.
template <class Record>
struct TextField {
    const char* key;
    wxString Record::*member;
};

// A string value that names a file: its bytes as they stand, never decoded (a path is the
// system's bytes and need not be UTF-8).
template <class Record>
struct PathField {
    const char* key;
    std::string Record::*member;
};

// An unsigned integer counting bytes, as the member's size text ("1.5 KB"); 0 when missing.
template <class Record>
struct SizeField {
    const char* key;
    wxString Record::*member;
};

// An unsigned integer; 0 when missing.
template <class Record>
struct NumberField {
    const char* key;
    std::uint64_t Record::*member;
};

// An array of dictionaries, each one new Item (described by RecordFields<Item>); elements that
// are no dictionary are passed over.
template <class Record, class Item>
struct ListField {
    const char* key;
    std::vector<Item*> Record::*member;
};

// A dictionary of texts, as label and value pairs in the dictionary's order.
template <class Record>
struct PairsField {
    const char* key;
    Contact::Properties Record::*member;
};

// RecordFields<Record>::kAll: the record's fields, a tuple of the field types above.
template <class Record>
struct RecordFields;

template <>
struct RecordFields<CallHistory> {
    static constexpr auto kAll =
        std::make_tuple(TextField<CallHistory>{ib::keys::call::kName, &CallHistory::name},
                        TextField<CallHistory>{ib::keys::call::kAddress, &CallHistory::address},
                        TextField<CallHistory>{ib::keys::call::kDate, &CallHistory::date},
                        TextField<CallHistory>{ib::keys::call::kType, &CallHistory::type},
                        TextField<CallHistory>{ib::keys::call::kDuration, &CallHistory::duration});
};

template <>
struct RecordFields<Contact> {
    static constexpr auto kAll = std::make_tuple(
        TextField<Contact>{ib::keys::contacts::kName, &Contact::name},
        TextField<Contact>{ib::keys::contacts::kOrganization, &Contact::organization},
        TextField<Contact>{ib::keys::contacts::kDepartment, &Contact::department},
        TextField<Contact>{ib::keys::contacts::kNote, &Contact::note},
        TextField<Contact>{ib::keys::contacts::kBirthday, &Contact::birthday},
        TextField<Contact>{ib::keys::contacts::kJobTitle, &Contact::jobTitle},
        TextField<Contact>{ib::keys::contacts::kNickName, &Contact::nickName},
        TextField<Contact>{ib::keys::contacts::kCreationDate, &Contact::creationDate},
        PairsField<Contact>{ib::keys::contacts::kProperties, &Contact::properties});
};

template <>
struct RecordFields<Message> {
    static constexpr auto kAll =
        std::make_tuple(TextField<Message>{ib::keys::message::kCountry, &Message::country},
                        TextField<Message>{ib::keys::message::kService, &Message::service},
                        TextField<Message>{ib::keys::message::kText, &Message::text},
                        TextField<Message>{ib::keys::message::kDate, &Message::date},
                        NumberField<Message>{ib::keys::message::kType, &Message::type});
};

template <>
struct RecordFields<Sms> {
    static constexpr auto kAll =
        std::make_tuple(TextField<Sms>{ib::keys::messages::kPhone, &Sms::phone},
                        TextField<Sms>{ib::keys::messages::kAnother, &Sms::another},
                        ListField<Sms, Message>{ib::keys::messages::kMessage, &Sms::messages});
};

template <>
struct RecordFields<Note> {
    static constexpr auto kAll =
        std::make_tuple(TextField<Note>{ib::keys::notes::kCreateDate, &Note::create_date},
                        TextField<Note>{ib::keys::notes::kTitle, &Note::title},
                        TextField<Note>{ib::keys::notes::kBody, &Note::body});
};

template <>
struct RecordFields<SafariHistory> {
    static constexpr auto kAll =
        std::make_tuple(TextField<SafariHistory>{ib::keys::safari::kTitle, &SafariHistory::title},
                        TextField<SafariHistory>{ib::keys::safari::kType, &SafariHistory::type},
                        TextField<SafariHistory>{ib::keys::safari::kUrl, &SafariHistory::url});
};

template <>
struct RecordFields<Calendar> {
    static constexpr auto kAll = std::make_tuple(
        TextField<Calendar>{ib::keys::calendar::kTitle, &Calendar::title},
        TextField<Calendar>{ib::keys::calendar::kLocation, &Calendar::location},
        TextField<Calendar>{ib::keys::calendar::kDescription, &Calendar::description},
        TextField<Calendar>{ib::keys::calendar::kUrl, &Calendar::url},
        TextField<Calendar>{ib::keys::calendar::kStartDate, &Calendar::start_date},
        TextField<Calendar>{ib::keys::calendar::kEndDate, &Calendar::end_date},
        TextField<Calendar>{ib::keys::calendar::kArea, &Calendar::area},
        TextField<Calendar>{ib::keys::calendar::kAllDay, &Calendar::all_day},
        TextField<Calendar>{ib::keys::calendar::kStatus, &Calendar::status});
};

template <>
struct RecordFields<VoiceMemos> {
    static constexpr auto kAll =
        std::make_tuple(TextField<VoiceMemos>{ib::keys::memos::kDate, &VoiceMemos::date},
                        TextField<VoiceMemos>{ib::keys::memos::kDuration, &VoiceMemos::duration},
                        TextField<VoiceMemos>{ib::keys::memos::kName, &VoiceMemos::name},
                        PathField<VoiceMemos>{ib::keys::memos::kPath, &VoiceMemos::path},
                        SizeField<VoiceMemos>{ib::keys::memos::kSize, &VoiceMemos::size});
};

template <>
struct RecordFields<Photo> {
    static constexpr auto kAll =
        std::make_tuple(TextField<Photo>{ib::keys::media::kFileName, &Photo::file_name},
                        PathField<Photo>{ib::keys::media::kPath, &Photo::path},
                        SizeField<Photo>{ib::keys::media::kSize, &Photo::size});
};

// Whether a member of Record (a text, or a path's bytes) is filled by one of its fields (a
// column may show only those).
template <class Record, class Member>
constexpr bool IsFilled(Member Record::*member) {
    return std::apply(
        [member](const auto&... field) {
            auto one = [member](const auto& f) {
                if constexpr (std::is_same_v<std::remove_cv_t<decltype(f.member)>,
                                             Member Record::*>)
                    return f.member == member;
                else
                    return false;
            };
            return (one(field) || ...);
        },
        RecordFields<Record>::kAll);
}
