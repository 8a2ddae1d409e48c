// The program's own records: one backup (Device), the items of every kind as display texts, one
// laid-out chat bubble (MessageShow) and the job record of the scan and thumbnail tasks.
//
// These are not the reader library's classes of the same names (those are readers inside
// WZ_IB and stay opaque here). Every record derives from WzBase; read records through
// CheckedPtr and release them with TrackedDelete.
#pragma once

#include <wx/arrstr.h>
#include <wx/string.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "base/wz_base.h"
#include "ib/wz_ib.h"

class wxBitmap;
class wxEvtHandler;
class wxGrid;

class CallHistory : public WzBase {
  public:
    CallHistory() = default;
    ~CallHistory() override;

    wxString name;
    wxString address;
    wxString date;
    wxString type;
    wxString duration;
};

class Contact : public WzBase {
  public:
    // Label and value pairs in the order they were read; a label may occur more than once.
    using Properties = std::vector<std::pair<wxString, wxString>>;

    Contact() = default;
    ~Contact() override;

    wxString name;
    wxString organization;
    wxString department;
    wxString note;
    wxString birthday;
    wxString jobTitle;
    wxString nickName;
    wxString creationDate;
    Properties properties;
};

// One message of a conversation.
class Message : public WzBase {
  public:
    Message() = default;
    ~Message() override;

    wxString country;
    wxString service;
    wxString text;
    wxString date;
    std::uint64_t type = 0;  // 1: sent by the device's owner
};

// One conversation; owns its messages.
class Sms : public WzBase {
  public:
    Sms() = default;
    ~Sms() override;
    Sms(const Sms&) = delete;
    Sms& operator=(const Sms&) = delete;

    wxString phone;
    wxString another;
    std::vector<Message*> messages;
};

class Note : public WzBase {
  public:
    Note() = default;
    ~Note() override;

    wxString create_date;
    wxString title;
    wxString body;
};

class SafariHistory : public WzBase {
  public:
    SafariHistory() = default;
    ~SafariHistory() override;

    wxString title;
    wxString type;
    wxString url;
};

// A calendar event or a reminder.
class Calendar : public WzBase {
  public:
    Calendar() = default;
    ~Calendar() override;

    wxString title;
    wxString location;
    wxString description;
    wxString url;
    wxString start_date;
    wxString end_date;
    wxString area;
    wxString all_day;
    wxString status;
};

class VoiceMemos : public WzBase {
  public:
    VoiceMemos() = default;
    ~VoiceMemos() override;

    wxString name;
    wxString duration;
    wxString date;
    wxString path;  // the stored file in the backup
    wxString size;  // already formatted for display ("1.5 KB")
};

// A message attachment, a camera-roll picture or another photo; owns its thumbnail.
class Photo : public WzBase {
  public:
    Photo() = default;
    ~Photo() override;
    Photo(const Photo&) = delete;
    Photo& operator=(const Photo&) = delete;

    wxString file_name;
    wxString path;  // the stored file in the backup
    wxString size;  // already formatted for display
    // Written once by the thumbnail task; read by the GUI only after the batch event that
    // covers this record. Null until then.
    wxBitmap* thumbnail = nullptr;
};

using CallHistoryList = std::vector<CallHistory*>;
using ContactList = std::vector<Contact*>;
using SmsList = std::vector<Sms*>;
using NoteList = std::vector<Note*>;
using SafariHistoryList = std::vector<SafariHistory*>;
using CalendarList = std::vector<Calendar*>;
using VoiceMemosList = std::vector<VoiceMemos*>;
using PhotoList = std::vector<Photo*>;

// One backup of the backup list, with the records that the scan delivered per kind.
//
// results[kind] points to the kind's record vector: CallHistoryList (KIND_CALL_HISTORY),
// ContactList (KIND_CONTACTS), SmsList (KIND_MESSAGES), PhotoList (KIND_SMS_ATTACHMENTS,
// KIND_CAMERA_ROLL, KIND_PHOTOS), NoteList (KIND_NOTES), SafariHistoryList (KIND_SAFARI),
// CalendarList (KIND_CALENDAR, KIND_REMINDERS), VoiceMemosList (KIND_VOICE_MEMOS). Null: the
// kind's result has not arrived yet; an empty vector: the kind has no items. The device owns
// the vectors and their records once they are stored.
class Device : public WzBase {
  public:
    Device();
    ~Device() override;
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    wxString deviceName;
    wxString lastBackupDate;
    wxString serialNumber;
    std::int32_t isEncrypted = 0;
    BackupInfo* backup = nullptr;  // the library's node; not owned
    void* results[kKindCount];
};

// Deletes a kind's record vector (as delivered by a KindResultEvent) and every record in it.
// records may be null; a kind above 10 deletes nothing.
void DeleteKindRecords(std::uint32_t kind, void* records);

// Number of records in a kind's record vector; 0 for null.
std::size_t KindRecordCount(std::uint32_t kind, const void* records);

// One laid-out chat bubble of the message view. The view fills every field before use.
class MessageShow : public WzBase {
  public:
    MessageShow() = default;
    ~MessageShow() override;

    std::uint32_t type = 0;  // not 0: laid out as sent
    std::int32_t textIndent = 0;
    wxString dateText;
    std::int32_t bubbleX = 0;
    std::int32_t bubbleY = 0;
    std::int32_t centreX = 0;
    std::int32_t centreY = 0;
    std::int32_t centreHeight = 0;
    std::int32_t topMargin = 0;
    std::int32_t lineHeight = 0;
    std::int32_t lineSpacing = 0;
    wxArrayString lines;
    std::int32_t bottomX = 0;
    std::int32_t bottomY = 0;
    wxBitmap* topBitmap = nullptr;  // not owned (the message view's)
    wxBitmap* centreBitmap = nullptr;
    wxBitmap* bottomBitmap = nullptr;
};

// The job record of the scan and thumbnail tasks; the task that receives one deletes it.
// Each thumbnail batch event carries a copy holding only grid and photos.
struct ScanRequest {
    Device* device = nullptr;
    wxEvtHandler* target = nullptr;  // receives the worker's events
    wxGrid* grid = nullptr;          // the photo grid whose thumbnails load; passed through
    PhotoList* photos = nullptr;     // the records whose thumbnails load; not owned
};
