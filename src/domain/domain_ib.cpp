#include "domain/domain_ib.h"

#include <wx/event.h>

#include <vector>

#include "base/process_memory.h"
#include "common/string_util.h"
#include "common/task_thread.h"
#include "domain/kind_table.h"

namespace {

// Written once before any worker exists, only read afterwards.
DataRecoveryService* g_service = nullptr;

// Asks the library for one kind, converts and frees the list, and queues the records to target.
void ReadKind(Device* device, wxEvtHandler* target, std::uint32_t kind, int eventId) {
    BackupInfo* backup = CheckedPtr(device)->backup;
    plist_t list = nullptr;
    if (g_service != nullptr && g_service->GetKindData != nullptr && backup != nullptr)
        list = g_service->GetKindData(backup, kind);
    void* records = DomainIB::ConvertKindData(kind, list);
    if (list != nullptr) plist_free(list);
    if (target == nullptr) {
        DeleteKindRecords(kind, records);
        return;
    }
    auto* event = new wxThreadEvent(wxEVT_THREAD, eventId);
    event->SetInt(0);
    SetEventPointer(*event, records);
    target->QueueEvent(event);
}

}  // namespace

void DomainIB::CreateService() {
    g_service = CreateDataRecoveryService();
}

void DomainIB::FreeService() {
    if (g_service == nullptr) return;
    FreeiDeviceBackupService(g_service);
    g_service = nullptr;
}

DataRecoveryService* DomainIB::GetService() {
    return g_service;
}

void DomainIB::UseService(DataRecoveryService* service) {
    g_service = service;
}

std::vector<Device*> DomainIB::LoadDevices() {
    std::vector<Device*> devices;
    if (g_service == nullptr || g_service->ListBackups == nullptr) return devices;
    for (BackupInfo* node = g_service->ListBackups(); node != nullptr; node = node->next) {
        auto* device = new Device();
        devices.push_back(device);
        device->backup = node;
        device->deviceName = StringUtil::FromUtf8(node->deviceName);
        device->lastBackupDate = StringUtil::FromUtf8(node->lastBackupDate);
        device->serialNumber = StringUtil::FromUtf8(node->serialNumber);
        device->isEncrypted = node->isEncrypted;
    }
    return devices;
}

wxString DomainIB::GetPlistString(plist_t node) {
    if (node == nullptr || plist_get_node_type(node) != PLIST_STRING) return wxString();
    std::uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    if (text == nullptr || length == 0) return wxString();
    return StringUtil::FromUtf8(text, static_cast<std::size_t>(length));
}

wxString* DomainIB::NewPlistString(plist_t node) {
    return new wxString(GetPlistString(node));
}

void* DomainIB::ConvertKindData(std::uint32_t kind, plist_t list) {
    const KindInfo* info = FindKind(kind);
    return info != nullptr ? info->convert(list) : nullptr;
}

void DomainIB::ReadCallHistory(Device* device, wxEvtHandler* target) {
    ReadKind(device, target, KIND_CALL_HISTORY, KIND_CALL_HISTORY);
}

void DomainIB::ReadContacts(Device* device, wxEvtHandler* target) {
    ReadKind(device, target, KIND_CONTACTS, KIND_CONTACTS);
}

void DomainIB::ReadMessages(Device* device, wxEvtHandler* target) {
    ReadKind(device, target, KIND_MESSAGES, KIND_MESSAGES);
}

void DomainIB::ReadNotes(Device* device, wxEvtHandler* target) {
    ReadKind(device, target, KIND_NOTES, KIND_NOTES);
}

void DomainIB::ReadSafari(Device* device, wxEvtHandler* target) {
    ReadKind(device, target, KIND_SAFARI, KIND_SAFARI);
}

void DomainIB::ReadVoiceMemos(Device* device, wxEvtHandler* target) {
    ReadKind(device, target, KIND_VOICE_MEMOS, KIND_VOICE_MEMOS);
}

void DomainIB::ReadCalendar(Device* device, wxEvtHandler* target, std::uint32_t kind, int eventId) {
    ReadKind(device, target, kind, eventId);
}

void DomainIB::ReadPhotos(Device* device, wxEvtHandler* target, std::uint32_t kind, int eventId) {
    ReadKind(device, target, kind, eventId);
}

void DomainIB::ScanTask(void* data) {
    auto* request = static_cast<ScanRequest*>(data);
    if (request == nullptr) return;
    Device* device = request->device;
    wxEvtHandler* target = request->target;
    for (RecoveryKind kind : KindScanOrder()) ReadKind(device, target, kind, kind);
    TrackedDelete(__FILE__, __LINE__, request);
    // The property lists of the kinds are freed; their memory goes back to the system, through
    // the call of the allocator that serves the program, so that the program keeps about what
    // its records need rather than the largest list's peak.
    ProcessMemory::ReturnFreed();
}
