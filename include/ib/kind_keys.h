// The keys of the property lists that GetKindData returns, one namespace per kind.
//
// Every kind is an array of dictionaries, one dictionary per item, with the keys below in the
// order given (the order in which the library inserts them). Values are UTF-8 strings unless a
// key says otherwise; dates are "YYYY-MM-DD hh:mm:ss" in local time, durations "hh:mm:ss". A
// string the device left empty is the empty string, never a missing key; only the keys marked
// "may be missing" can be absent. kKeys lists a kind's keys in that order.
#pragma once

namespace ib::keys {

// KIND_CALL_HISTORY: one dictionary per call, in the call log's order.
namespace call {
inline constexpr char kName[] = "name";  // the caller's name, or the address book's for the number
inline constexpr char kAddress[] = "address";           // the phone number as stored
inline constexpr char kDate[] = "date";                 // date of the call
inline constexpr char kType[] = "type";                 // "Incoming", "Outgoing" or "Unknown"
inline constexpr char kDuration[] = "duration";         // duration of the call
inline constexpr char kCountryCode[] = "country_code";  // mobile country code as stored
inline constexpr char kNetworkCode[] = "network_code";  // mobile network code as stored
inline constexpr const char* kKeys[] = {kName,     kAddress,     kDate,       kType,
                                        kDuration, kCountryCode, kNetworkCode};
}  // namespace call

// KIND_CONTACTS: one dictionary per person of the address book, in ascending record id.
namespace contacts {
inline constexpr char kId[] = "id";      // unsigned integer: the record id
inline constexpr char kName[] = "name";  // first, middle and last name
inline constexpr char kOrganization[] = "organization";
inline constexpr char kDepartment[] = "department";
inline constexpr char kNote[] = "note";
// The day, "1984-05-17", or "--05-17" when no year was given; a text that is no date as stored.
inline constexpr char kBirthday[] = "birthday";
inline constexpr char kJobTitle[] = "jobTitle";
inline constexpr char kNickName[] = "nickName";
inline constexpr char kCreationDate[] = "creationDate";  // date, or empty
// Dictionary: one string entry per phone number, address and other value, in the address
// book's order, under its label ("Mobile", "Home"; a repeated label numbered "Mobile (2)", an
// entry without label under the empty key). A date (an anniversary) is its day, like the
// birthday. Empty for a person without any.
inline constexpr char kProperties[] = "properties";
inline constexpr const char* kKeys[] = {kId,           kName,      kOrganization, kDepartment,
                                        kNote,         kBirthday,  kJobTitle,     kNickName,
                                        kCreationDate, kProperties};
}  // namespace contacts

// KIND_MESSAGES: one dictionary per conversation, each with its messages in order.
namespace messages {
inline constexpr char kId[] = "id";            // unsigned integer: the conversation's id
inline constexpr char kPhone[] = "phone";      // the other side's number or address
inline constexpr char kAnother[] = "another";  // the other side's name, or empty
// Array of dictionaries, one per message, keys as in namespace message; missing for a
// conversation without messages.
inline constexpr char kMessage[] = "message";
inline constexpr const char* kKeys[] = {kId, kPhone, kAnother, kMessage};
}  // namespace messages

// One message of a conversation (an element of messages::kMessage).
namespace message {
inline constexpr char kCountry[] = "country";  // the country code as stored
inline constexpr char kService[] = "service";  // "SMS", "iMessage" as stored
inline constexpr char kText[] = "text";
inline constexpr char kDate[] = "date";  // date the message was sent or received
inline constexpr char kType[] = "type";  // unsigned integer: 1 sent by the owner, 0 received
inline constexpr const char* kKeys[] = {kCountry, kService, kText, kDate, kType};
}  // namespace message

// KIND_SMS_ATTACHMENTS, KIND_CAMERA_ROLL and KIND_PHOTOS: one dictionary per picture or
// attachment whose file the backup holds.
namespace media {
inline constexpr char kFileName[] = "file_name";  // the name a copy takes
inline constexpr char kPath[] = "path";           // the stored file in the backup folder
inline constexpr char kSize[] = "size";           // unsigned integer: the stored file's bytes
inline constexpr char kType[] = "type";  // unsigned integer: pictures 1 camera roll, 0 other;
                                         // attachments 0 a picture, 1 another file
inline constexpr char kQueryPath[] = "query_path";  // the device path the file was found by
inline constexpr const char* kKeys[] = {kFileName, kPath, kSize, kType, kQueryPath};
}  // namespace media

// KIND_NOTES: one dictionary per note.
namespace notes {
inline constexpr char kCreateDate[] = "create_date";
inline constexpr char kModifyDate[] = "modify_date";
inline constexpr char kTitle[] = "title";
inline constexpr char kBody[] = "body";  // the note's content
inline constexpr const char* kKeys[] = {kCreateDate, kModifyDate, kTitle, kBody};
}  // namespace notes

// KIND_SAFARI: the visited pages, then the bookmarks.
namespace safari {
inline constexpr char kUrl[] = "url";
inline constexpr char kType[] = "type";    // "history" or "bookmark"
inline constexpr char kTitle[] = "title";  // may be missing (a page without title)
// Date of the last visit; may be missing; empty for a bookmark and for a date that cannot be
// shown.
inline constexpr char kLastVisitedDate[] = "lastVisitedDate";
inline constexpr char kVisitCount[] = "visitCount";  // unsigned integer; may be missing
inline constexpr const char* kKeys[] = {kUrl, kType, kTitle, kLastVisitedDate, kVisitCount};
}  // namespace safari

// KIND_CALENDAR and KIND_REMINDERS: one dictionary per event or reminder.
namespace calendar {
inline constexpr char kTitle[] = "title";
inline constexpr char kType[] = "type";  // unsigned integer: 1 an event, 0 a reminder
inline constexpr char kLocation[] = "location";
inline constexpr char kDescription[] = "description";
inline constexpr char kUrl[] = "url";
inline constexpr char kStartDate[] = "start_date";
inline constexpr char kEndDate[] = "end_date";
inline constexpr char kArea[] = "area";       // the start's time zone as stored
inline constexpr char kAllDay[] = "all_day";  // "YES" or "NO"
inline constexpr char kStatus[] = "status";   // "Completed" or "Uncompleted"
inline constexpr const char* kKeys[] = {kTitle,     kType,    kLocation, kDescription, kUrl,
                                        kStartDate, kEndDate, kArea,     kAllDay,      kStatus};
}  // namespace calendar

// KIND_VOICE_MEMOS: one dictionary per recording, found in the backup or not.
namespace memos {
inline constexpr char kDate[] = "date";
inline constexpr char kDuration[] = "duration";
inline constexpr char kName[] = "name";  // the recording's file name on the device
inline constexpr char kPath[] = "path";  // the stored file in the backup folder, or empty
inline constexpr char kSize[] = "size";  // unsigned integer: the stored file's bytes, or 0
inline constexpr const char* kKeys[] = {kDate, kDuration, kName, kPath, kSize};
}  // namespace memos

}  // namespace ib::keys
