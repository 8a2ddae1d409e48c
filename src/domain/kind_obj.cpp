#include "domain/kind_obj.h"

#include <wx/bitmap.h>

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

bool Device::StoreResults(std::uint32_t kind, void* records) {
    if (kind >= kKindCount) return false;
    if (results[kind] == nullptr) {
        results[kind] = records;
        return true;
    }
    if (records != results[kind]) DeleteKindRecords(kind, records);
    return false;
}

void* Device::ReleaseResults(std::uint32_t kind) {
    if (kind >= kKindCount) return nullptr;
    void* records = results[kind];
    results[kind] = nullptr;
    return records;
}
