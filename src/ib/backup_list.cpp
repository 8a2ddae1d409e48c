#include "ib/backup_list.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "base/wz_base.h"
#include "ib/ib_util.h"
#include "ib/plist_guard.h"
#include "kind/calendar/calendar.h"
#include "kind/call/call_history.h"
#include "kind/contact/contact.h"
#include "kind/note/note.h"
#include "kind/photo/photo.h"
#include "kind/recording/recording.h"
#include "kind/safari/history.h"
#include "kind/sms/sms.h"
#include "kind/sms/sms_attachment.h"
#include "mbdb/mbdb.h"
#include "util/wz_tool.h"

namespace ib {

namespace {

char* PlistString(plist_t dict, const char* key) {
    plist_t node = plist_dict_get_item(dict, key);
    return PlistStringValue(node);
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

void ReadBackupProperties(BackupInfo* node) {
    const std::string folder = node->folderPath;
    plist_t info = ReadPlistFile((folder + "Info.plist").c_str());
    if (info != nullptr && plist_get_node_type(info) == PLIST_DICT) {
        node->deviceName = PlistString(info, "Device Name");
        node->serialNumber = PlistString(info, "Serial Number");
        plist_t date = plist_dict_get_item(info, "Last Backup Date");
        if (date != nullptr && plist_get_node_type(date) == PLIST_DATE) {
            // A date that libplist cannot hand over gives the empty text, not a wrong date.
            int32_t sec = 0;
            node->lastBackupDate = PlistDateSeconds(date, &sec)
                                       ? FormatAppleTime(static_cast<std::int64_t>(sec))
                                       : static_cast<char*>(std::calloc(24, 1));
        }
    }
    plist_free(info);

    plist_t manifest = ReadPlistFile((folder + "Manifest.plist").c_str());
    if (manifest != nullptr && plist_get_node_type(manifest) == PLIST_DICT) {
        plist_t enc = plist_dict_get_item(manifest, "IsEncrypted");
        uint8_t value = 0;
        if (enc != nullptr && plist_get_node_type(enc) == PLIST_BOOLEAN)
            plist_get_bool_val(enc, &value);
        node->isEncrypted = value ? 1 : 0;
    }
    plist_free(manifest);
}

void CreateKinds(BackupInfo* node) {
    node->callHistory = new CallHistory;
    node->sms = new Sms;
    node->contact = new Contact;
    node->calendar = new Calendar;
    node->note = new Note;
    node->photo = new Photo;
    node->history = new History;
    node->smsAttachment = new SmsAttachment;
    node->recording = new Recording;
    node->callHistory->SetContact(node->contact);
    node->sms->SetContact(node->contact);
}

BackupInfo* ListBackupsIn(const char* root) {
    if (root == nullptr || *root == 0) return nullptr;
    const std::string rootPath = root;
    DIR* dir = opendir(rootPath.c_str());
    if (dir == nullptr) return nullptr;
    BackupInfo* head = nullptr;
    BackupInfo* tail = nullptr;
    while (struct dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        const std::string folder = rootPath + name + "/";
        if (!IsDirectory(folder)) continue;
        if (!WZIsFileExists((folder + "Manifest.mbdb").c_str()) ||
            !WZIsFileExists((folder + "Manifest.plist").c_str()) ||
            !WZIsFileExists((folder + "Info.plist").c_str())) {
            continue;
        }
        auto* node = static_cast<BackupInfo*>(std::calloc(1, sizeof(BackupInfo)));
        if (node == nullptr) break;
        node->folderPath = strdup(folder.c_str());
        if (node->folderPath == nullptr) {
            std::free(node);
            break;
        }
        ReadBackupProperties(node);
        node->mbdb = new Mbdb;
        CreateKinds(node);
        node->mbdb->Parse(folder);
        if (tail == nullptr) {
            head = node;
        } else {
            tail->next = node;
        }
        tail = node;
    }
    closedir(dir);
    return head;
}

BackupInfo* ListBackups() {
    const std::string root = GetBackupRoot();
    if (root.empty()) return nullptr;
    return ListBackupsIn(root.c_str());
}

bool FreeBackupList(BackupInfo* head) {
    static const char kFile[] = "src/ib/backup_list.cpp";
    while (head != nullptr) {
        BackupInfo* next = head->next;
        std::free(head->lastBackupDate);
        TrackedDelete(kFile, __LINE__, head->mbdb);
        TrackedDelete(kFile, __LINE__, head->callHistory);
        TrackedDelete(kFile, __LINE__, head->contact);
        TrackedDelete(kFile, __LINE__, head->sms);
        TrackedDelete(kFile, __LINE__, head->smsAttachment);
        TrackedDelete(kFile, __LINE__, head->note);
        TrackedDelete(kFile, __LINE__, head->history);
        TrackedDelete(kFile, __LINE__, head->calendar);
        TrackedDelete(kFile, __LINE__, head->recording);
        TrackedDelete(kFile, __LINE__, head->photo);
        std::free(head->folderPath);
        std::free(head->deviceName);
        std::free(head->serialNumber);
        std::free(head);
        head = next;
    }
    return false;
}

plist_t GetKindData(BackupInfo* backup, std::uint32_t kind) {
    if (backup == nullptr || kind >= kKindCount) return nullptr;
    struct Entry {
        Kind* reader;
        int typeFilter;
    };
    const Entry table[kKindCount] = {
        {backup->callHistory, 0},   {backup->contact, 0},  {backup->sms, 0},
        {backup->smsAttachment, 0}, {backup->note, 0},     {backup->history, 0},
        {backup->calendar, 1},      {backup->calendar, 0}, {backup->recording, 0},
        {backup->photo, 1},         {backup->photo, 0},
    };
    const Entry& e = table[kind];
    if (e.reader == nullptr) return nullptr;
    return CheckedPtr(e.reader)->GetData(backup->mbdb, e.typeFilter);
}

}  // namespace ib
