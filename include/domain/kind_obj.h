// The program's own records: one backup (Device), the items of every kind as display texts, one
// laid-out chat bubble (MessageShow) and the job record of the scan and thumbnail tasks.
//
// Every record derives from WzBase; read records through CheckedPtr and release them with
// TrackedDelete.
#pragma once

#include <wx/arrstr.h>
#include <wx/string.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/wz_base.h"
#include "domain/kind_table.h"
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
    // The stored file in the backup, in the system's bytes (the backup folder's name need not be
    // UTF-8); every open of the file uses these bytes. Empty when the backup holds no file.
    std::string path;
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
    std::string path;  // the stored file in the backup, in the system's bytes (as VoiceMemos)
    wxString size;     // already formatted for display
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
// Each kind's slot holds the kind's record vector: null while the kind's result has not arrived,
// an empty vector when the kind has no items. The device owns the vectors and their records
// once they are stored.
class Device : public WzBase {
  public:
    Device();
    ~Device() override;
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    // The kind's records: Record must be the kind's record class (CallHistory for
    // KIND_CALL_HISTORY, Photo for the picture kinds, ...); any other stops the process. Null
    // while the kind's result has not arrived.
    template <class Record>
    std::vector<Record*>* Records(std::uint32_t kind) const {
        return KindRecordsAs<Record>(kind, Slot(kind));
    }
    // Whether the kind's result arrived, and how many records it holds (0 before).
    bool HasResults(std::uint32_t kind) const { return Slot(kind) != nullptr; }
    std::size_t Count(std::uint32_t kind) const { return KindRecordCount(kind, Slot(kind)); }
    // The kind's vector as stored, to hand on to a job that reads it by its kind.
    void* Slot(std::uint32_t kind) const { return kind < kKindCount ? results[kind] : nullptr; }
    // Takes over a kind's record vector as a KindResultEvent delivers it. A slot is filled once:
    // a second delivery would leave the first vector without owner while a view may still show
    // it, so the newcomer is deleted and false returned. A kind above 10 deletes nothing.
    bool StoreResults(std::uint32_t kind, void* records);
    // Empties the kind's slot and hands its vector to the caller, who owns it from then on.
    void* ReleaseResults(std::uint32_t kind);

    wxString deviceName;
    wxString lastBackupDate;
    wxString serialNumber;
    std::int32_t isEncrypted = 0;
    BackupInfo* backup = nullptr;  // the library's node; not owned

  private:
    void* results[kKindCount];
};

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
