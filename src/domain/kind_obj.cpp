#include "domain/kind_obj.h"

#include <wx/bitmap.h>

namespace {

template <class T>
void DeleteRecords(void* records) {
    auto* list = static_cast<std::vector<T*>*>(records);
    for (T*& record : *list) TrackedDelete(__FILE__, __LINE__, record);
    TrackedDelete(__FILE__, __LINE__, list);
}

template <class T>
std::size_t CountRecords(const void* records) {
    return static_cast<const std::vector<T*>*>(records)->size();
}

}  // namespace

CallHistory::~CallHistory() = default;
Contact::~Contact() = default;
Message::~Message() = default;
Note::~Note() = default;
SafariHistory::~SafariHistory() = default;
Calendar::~Calendar() = default;
VoiceMemos::~VoiceMemos() = default;
MessageShow::~MessageShow() = default;

Sms::~Sms() {
    for (Message*& message : messages) TrackedDelete(__FILE__, __LINE__, message);
}

Photo::~Photo() {
    TrackedDelete(__FILE__, __LINE__, thumbnail);
}

Device::Device() {
    for (void*& slot : results) slot = nullptr;
}

Device::~Device() {
    for (std::uint32_t kind = 0; kind < kKindCount; ++kind) {
        DeleteKindRecords(kind, results[kind]);
        results[kind] = nullptr;
    }
}

void DeleteKindRecords(std::uint32_t kind, void* records) {
    if (records == nullptr) return;
    switch (kind) {
        case KIND_CALL_HISTORY:
            DeleteRecords<CallHistory>(records);
            break;
        case KIND_CONTACTS:
            DeleteRecords<Contact>(records);
            break;
        case KIND_MESSAGES:
            DeleteRecords<Sms>(records);
            break;
        case KIND_NOTES:
            DeleteRecords<Note>(records);
            break;
        case KIND_SAFARI:
            DeleteRecords<SafariHistory>(records);
            break;
        case KIND_CALENDAR:
        case KIND_REMINDERS:
            DeleteRecords<Calendar>(records);
            break;
        case KIND_VOICE_MEMOS:
            DeleteRecords<VoiceMemos>(records);
            break;
        case KIND_SMS_ATTACHMENTS:
        case KIND_CAMERA_ROLL:
        case KIND_PHOTOS:
            DeleteRecords<Photo>(records);
            break;
        default:
            break;
    }
}

std::size_t KindRecordCount(std::uint32_t kind, const void* records) {
    if (records == nullptr) return 0;
    switch (kind) {
        case KIND_CALL_HISTORY:
            return CountRecords<CallHistory>(records);
        case KIND_CONTACTS:
            return CountRecords<Contact>(records);
        case KIND_MESSAGES:
            return CountRecords<Sms>(records);
        case KIND_NOTES:
            return CountRecords<Note>(records);
        case KIND_SAFARI:
            return CountRecords<SafariHistory>(records);
        case KIND_CALENDAR:
        case KIND_REMINDERS:
            return CountRecords<Calendar>(records);
        case KIND_VOICE_MEMOS:
            return CountRecords<VoiceMemos>(records);
        case KIND_SMS_ATTACHMENTS:
        case KIND_CAMERA_ROLL:
        case KIND_PHOTOS:
            return CountRecords<Photo>(records);
        default:
            return 0;
    }
}
