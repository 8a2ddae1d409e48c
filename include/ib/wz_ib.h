// The backup reader WZ_IB: the one header its callers include.
//
// The library lists the iTunes backups of the current user and returns each kind of content of a
// backup as a property list. Only plain data crosses this boundary: the service table, the
// BackupInfo nodes, UTF-8 texts from the C heap and libplist nodes. Nothing throws across it.
#pragma once

#include <plist/plist.h>

#include <cstdint>

#define WZ_IB_API extern "C" __attribute__((visibility("default")))

// The kind code passed to GetKindData; also the index of a device's result slots in the program.
enum RecoveryKind : std::uint32_t {
    KIND_CALL_HISTORY = 0,
    KIND_CONTACTS = 1,
    KIND_MESSAGES = 2,
    KIND_SMS_ATTACHMENTS = 3,
    KIND_NOTES = 4,
    KIND_SAFARI = 5,
    KIND_CALENDAR = 6,
    KIND_REMINDERS = 7,
    KIND_VOICE_MEMOS = 8,
    KIND_CAMERA_ROLL = 9,
    KIND_PHOTOS = 10,
};
constexpr std::uint32_t kKindCount = 11;

// Reader classes; opaque to callers.
namespace ib {
class Mbdb;
class CallHistory;
class Contact;
class Sms;
class SmsAttachment;
class Note;
class History;
class Calendar;
class Recording;
class Photo;
}  // namespace ib

// One listed backup. The node, its texts and its readers belong to the library: they stay valid
// until FreeBackupList releases the list. Callers read the first four fields and pass the node
// back to GetKindData as the backup's handle.
struct BackupInfo {
    char* deviceName;          // Info.plist "Device Name", UTF-8; null when absent
    char* lastBackupDate;      // "YYYY-MM-DD hh:mm:ss" in local time; null when absent
    char* serialNumber;        // Info.plist "Serial Number"; null when absent
    std::int32_t isEncrypted;  // 1 when Manifest.plist says "IsEncrypted" true, else 0
    char* folderPath;          // the backup folder, UTF-8, ending with '/'
    ib::Mbdb* mbdb;            // the parsed Manifest.mbdb
    ib::CallHistory* callHistory;
    ib::Contact* contact;  // also lends names to callHistory and sms
    ib::Sms* sms;
    ib::SmsAttachment* smsAttachment;
    ib::Note* note;
    ib::History* history;
    ib::Calendar* calendar;  // calendar events and reminders
    ib::Recording* recording;
    ib::Photo* photo;  // camera roll and other photos
    BackupInfo* next;  // null at the tail
};

struct DataRecoveryService {
    // Lists the backups of the current user in the order the folder listing yields them.
    // Returns a new list (release it with FreeBackupList), or null when there is none.
    BackupInfo* (*ListBackups)();
    // Releases every node of the list from head on. Always returns false.
    bool (*FreeBackupList)(BackupInfo* head);
    // Returns one kind of a listed backup as a new array of dictionaries, or null (no items, or a
    // kind above 10). The caller frees the result with plist_free. Calls that reach one backup
    // must not overlap.
    plist_t (*GetKindData)(BackupInfo* backup, std::uint32_t kind);
};

// A new service table; the caller releases it with FreeiDeviceBackupService.
WZ_IB_API DataRecoveryService* CreateDataRecoveryService();
// Releases the table only; lists it made stay valid.
WZ_IB_API void FreeiDeviceBackupService(DataRecoveryService* service);
