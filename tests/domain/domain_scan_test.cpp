// The backup binding: devices from the backup list, and the scan task on a worker delivering
// every kind in one event, in the fixed order, for a stand-in service and for the real reader
// over a generated backup.
#include <gtest/gtest.h>
#include <plist/plist.h>

#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include "common/task_thread.h"
#include "domain/domain_ib.h"
#include "domain/kind_obj.h"
#include "domain_test_env.h"
#include "gen/sample.h"
#include "support/test_support.h"

namespace {

using domain_test::EventCollector;
using domain_test::PumpUntil;

const int kScanOrder[kKindCount] = {0, 4, 5, 6, 7, 1, 2, 3, 8, 9, 10};

// Binds a table for the test and restores the previous one afterwards.
class BoundService {
  public:
    explicit BoundService(DataRecoveryService* table) : old_(DomainIB::GetService()) {
        DomainIB::UseService(table);
    }
    ~BoundService() { DomainIB::UseService(old_); }

  private:
    DataRecoveryService* old_;
};

// A stand-in reader: two backups, and for every kind but call history a list of one dictionary
// whose texts name the kind.
namespace fake {

BackupInfo nodes[2];
char name0[] = "Ann\xFF's iPhone";  // one bad byte
char date0[] = "2013-06-04 11:03:07";
char serial1[] = "F2LLD0AAFF9R";
std::mutex mutex;
std::vector<std::uint32_t> asked;
std::atomic<int> alive{0};

BackupInfo* List() {
    nodes[0] = BackupInfo{};
    nodes[1] = BackupInfo{};
    nodes[0].deviceName = name0;
    nodes[0].lastBackupDate = date0;
    nodes[0].next = &nodes[1];
    nodes[1].serialNumber = serial1;  // no name, no date
    nodes[1].isEncrypted = 1;
    return &nodes[0];
}

bool FreeList(BackupInfo*) {
    return false;
}

plist_t Kind(BackupInfo* backup, std::uint32_t kind) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        asked.push_back(kind);
    }
    if (backup != &nodes[0] || kind == KIND_CALL_HISTORY) return nullptr;
    const std::string text = "kind " + std::to_string(kind);
    plist_t d = plist_new_dict();
    for (const char* key : {"name", "title", "phone", "file_name", "url"})
        plist_dict_set_item(d, key, plist_new_string(text.c_str()));
    plist_dict_set_item(d, "size", plist_new_uint(1024));
    plist_t a = plist_new_array();
    plist_array_append_item(a, d);
    return a;
}

}  // namespace fake

DataRecoveryService g_fakeTable = {fake::List, fake::FreeList, fake::Kind};

TEST(LoadDevices, NoServiceOrNoBackupGivesNoDevice) {
    {
        BoundService none(nullptr);
        EXPECT_TRUE(DomainIB::LoadDevices().empty());
    }
    DataRecoveryService empty = {[]() -> BackupInfo* { return nullptr; }, fake::FreeList,
                                 fake::Kind};
    BoundService bound(&empty);
    EXPECT_TRUE(DomainIB::LoadDevices().empty());
}

TEST(LoadDevices, OneDevicePerNodeInListOrder) {
    BoundService bound(&g_fakeTable);
    std::vector<Device*> devices = DomainIB::LoadDevices();
    domain_test::ReleaseDevices release(devices);
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0]->backup, &fake::nodes[0]);
    EXPECT_EQ(devices[0]->deviceName, wxString(L"Ann\uFFFD's iPhone"));
    EXPECT_EQ(devices[0]->lastBackupDate, wxS("2013-06-04 11:03:07"));
    EXPECT_TRUE(devices[0]->serialNumber.empty());
    EXPECT_EQ(devices[0]->isEncrypted, 0);
    EXPECT_EQ(devices[1]->backup, &fake::nodes[1]);
    EXPECT_TRUE(devices[1]->deviceName.empty());  // null texts give empty ones
    EXPECT_TRUE(devices[1]->lastBackupDate.empty());
    EXPECT_EQ(devices[1]->serialNumber, wxS("F2LLD0AAFF9R"));
    EXPECT_EQ(devices[1]->isEncrypted, 1);
    for (Device*& d : devices) TrackedDelete(__FILE__, __LINE__, d);
}

// Runs a scan of device on a TaskThread and collects its events; the receiver stores every
// vector in the device, as the kind screen does.
std::vector<EventCollector::Received> Scan(Device* device) {
    EventCollector target;
    auto* request = new ScanRequest();
    request->device = device;
    request->target = &target;
    TaskThread::Start(new TaskThread(request, DomainIB::ScanTask));
    EXPECT_TRUE(PumpUntil(target, [&] { return target.events.size() >= kKindCount; }));
    for (const auto& e : target.events) {
        EXPECT_TRUE(e.onMainThread);
        EXPECT_TRUE(e.text.empty());
        if (e.id >= 0 && e.id < static_cast<int>(kKindCount) && !device->HasResults(e.id))
            device->StoreResults(e.id, e.pointer);
        else
            ADD_FAILURE() << "unexpected event " << e.id;
    }
    return target.events;
}

TEST(ScanTask, ElevenEventsInOrderEachWithANewVector) {
    BoundService bound(&g_fakeTable);
    {
        std::lock_guard<std::mutex> lock(fake::mutex);
        fake::asked.clear();
    }
    std::vector<Device*> devices = DomainIB::LoadDevices();
    domain_test::ReleaseDevices release(devices);
    ASSERT_EQ(devices.size(), 2u);
    Device* device = devices[0];
    const auto events = Scan(device);
    ASSERT_EQ(events.size(), kKindCount);
    for (std::size_t i = 0; i < kKindCount; ++i) {
        EXPECT_EQ(events[i].id, kScanOrder[i]);
        EXPECT_NE(events[i].pointer, nullptr);
    }
    {
        std::lock_guard<std::mutex> lock(fake::mutex);
        EXPECT_EQ(fake::asked, std::vector<std::uint32_t>(kScanOrder, kScanOrder + kKindCount));
    }
    // Call history had no data: an empty vector, not a missing one.
    EXPECT_EQ(device->Count(KIND_CALL_HISTORY), 0u);
    for (std::uint32_t kind = 1; kind < kKindCount; ++kind)
        EXPECT_EQ(device->Count(kind), 1u) << kind;
    auto* reminders = device->Records<Calendar>(KIND_REMINDERS);
    EXPECT_EQ(reminders->at(0)->title, wxS("kind 7"));
    auto* roll = device->Records<Photo>(KIND_CAMERA_ROLL);
    EXPECT_EQ(roll->at(0)->file_name, wxS("kind 9"));
    EXPECT_EQ(roll->at(0)->size, wxS("1.0 KB"));
    auto* chats = device->Records<Sms>(KIND_MESSAGES);
    EXPECT_EQ(chats->at(0)->phone, wxS("kind 2"));
    // The device owns the vectors now; releasing it releases them (checked by ASan).
    for (Device*& d : devices) TrackedDelete(__FILE__, __LINE__, d);
}

TEST(ScanTask, BackupWithoutDataSendsElevenEmptyVectors) {
    BoundService bound(&g_fakeTable);
    std::vector<Device*> devices = DomainIB::LoadDevices();
    domain_test::ReleaseDevices release(devices);
    Device* device = devices[1];  // the stand-in has nothing for this one
    const auto events = Scan(device);
    ASSERT_EQ(events.size(), kKindCount);
    for (std::size_t i = 0; i < kKindCount; ++i) {
        EXPECT_EQ(events[i].id, kScanOrder[i]);
        EXPECT_EQ(KindRecordCount(events[i].id, events[i].pointer), 0u);
    }
    for (Device*& d : devices) TrackedDelete(__FILE__, __LINE__, d);
}

TEST(ScanTask, NoTargetLeavesNothingBehind) {
    BoundService bound(&g_fakeTable);
    std::vector<Device*> devices = DomainIB::LoadDevices();
    domain_test::ReleaseDevices release(devices);
    auto* request = new ScanRequest();
    request->device = devices[0];
    DomainIB::ScanTask(request);  // the records are made and released again (checked by ASan)
    DomainIB::ScanTask(nullptr);
    for (Device*& d : devices) TrackedDelete(__FILE__, __LINE__, d);
}

// --- the real reader over a generated backup ---

wxString Utf8(plist_t dict, const char* key) {
    plist_t node = dict != nullptr ? plist_dict_get_item(dict, key) : nullptr;
    if (node == nullptr || plist_get_node_type(node) != PLIST_STRING) return wxString();
    char* s = nullptr;
    plist_get_string_val(node, &s);
    wxString result = s != nullptr ? wxString::FromUTF8(s) : wxString();
    std::free(s);
    return result;
}

// A string's bytes as they stand (a path).
std::string Bytes(plist_t dict, const char* key) {
    plist_t node = dict != nullptr ? plist_dict_get_item(dict, key) : nullptr;
    if (node == nullptr || plist_get_node_type(node) != PLIST_STRING) return std::string();
    char* s = nullptr;
    plist_get_string_val(node, &s);
    std::string result = s != nullptr ? s : "";
    std::free(s);
    return result;
}

std::uint64_t Uint(plist_t dict, const char* key) {
    plist_t node = dict != nullptr ? plist_dict_get_item(dict, key) : nullptr;
    std::uint64_t v = 0;
    if (node != nullptr && plist_get_node_type(node) == PLIST_UINT) plist_get_uint_val(node, &v);
    return v;
}

wxString Size(std::uint64_t bytes) {
    // The display text, computed here independently of FileUtil.
    const char* units[] = {"B", "KB", "MB", "GB"};
    double v = static_cast<double>(bytes);
    int u = 0;
    while (u < 3 && v / 1024 >= 1) {
        v /= 1024;
        ++u;
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.1f %s", v, units[u]);
    return wxString::FromUTF8(buffer);
}

// Compares one kind's records with the reader's own dictionaries, field by field.
void ExpectSameAsLibrary(std::uint32_t kind, void* records, plist_t list) {
    const std::uint32_t n = list != nullptr ? plist_array_get_size(list) : 0;
    ASSERT_EQ(KindRecordCount(kind, records), n) << "kind " << kind;
    for (std::uint32_t i = 0; i < n; ++i) {
        plist_t d = plist_array_get_item(list, i);
        SCOPED_TRACE(testing::Message() << "kind " << kind << " item " << i);
        switch (kind) {
            case KIND_CALL_HISTORY: {
                const CallHistory& r = *static_cast<CallHistoryList*>(records)->at(i);
                EXPECT_EQ(r.name, Utf8(d, "name"));
                EXPECT_EQ(r.address, Utf8(d, "address"));
                EXPECT_EQ(r.date, Utf8(d, "date"));
                EXPECT_EQ(r.type, Utf8(d, "type"));
                EXPECT_EQ(r.duration, Utf8(d, "duration"));
                break;
            }
            case KIND_CONTACTS: {
                const Contact& r = *static_cast<ContactList*>(records)->at(i);
                for (const char* key : {"name", "organization", "department", "note", "birthday",
                                        "jobTitle", "nickName", "creationDate"}) {
                    const wxString Contact::*field = nullptr;
                    const std::string k = key;
                    if (k == "name") field = &Contact::name;
                    if (k == "organization") field = &Contact::organization;
                    if (k == "department") field = &Contact::department;
                    if (k == "note") field = &Contact::note;
                    if (k == "birthday") field = &Contact::birthday;
                    if (k == "jobTitle") field = &Contact::jobTitle;
                    if (k == "nickName") field = &Contact::nickName;
                    if (k == "creationDate") field = &Contact::creationDate;
                    EXPECT_EQ(r.*field, Utf8(d, key)) << key;
                }
                plist_t props = plist_dict_get_item(d, "properties");
                std::vector<std::pair<wxString, wxString>> expected;
                plist_dict_iter it = nullptr;
                plist_dict_new_iter(props, &it);
                for (;;) {
                    char* key = nullptr;
                    plist_t value = nullptr;
                    plist_dict_next_item(props, it, &key, &value);
                    if (key == nullptr) break;
                    // Every entry, also that of a value without a label (the empty key).
                    char* v = nullptr;
                    plist_get_string_val(value, &v);
                    expected.emplace_back(wxString::FromUTF8(key),
                                          v ? wxString::FromUTF8(v) : wxString());
                    std::free(v);
                    std::free(key);
                }
                std::free(it);
                EXPECT_EQ(r.properties, expected);
                break;
            }
            case KIND_MESSAGES: {
                const Sms& r = *static_cast<SmsList*>(records)->at(i);
                EXPECT_EQ(r.phone, Utf8(d, "phone"));
                EXPECT_EQ(r.another, Utf8(d, "another"));
                plist_t messages = plist_dict_get_item(d, "message");
                const std::uint32_t m = messages ? plist_array_get_size(messages) : 0;
                ASSERT_EQ(r.messages.size(), m);
                for (std::uint32_t j = 0; j < m; ++j) {
                    plist_t md = plist_array_get_item(messages, j);
                    EXPECT_EQ(r.messages[j]->country, Utf8(md, "country"));
                    EXPECT_EQ(r.messages[j]->service, Utf8(md, "service"));
                    EXPECT_EQ(r.messages[j]->text, Utf8(md, "text"));
                    EXPECT_EQ(r.messages[j]->date, Utf8(md, "date"));
                    EXPECT_EQ(r.messages[j]->type, Uint(md, "type"));
                }
                break;
            }
            case KIND_NOTES: {
                const Note& r = *static_cast<NoteList*>(records)->at(i);
                EXPECT_EQ(r.create_date, Utf8(d, "create_date"));
                EXPECT_EQ(r.title, Utf8(d, "title"));
                EXPECT_EQ(r.body, Utf8(d, "body"));
                break;
            }
            case KIND_SAFARI: {
                const SafariHistory& r = *static_cast<SafariHistoryList*>(records)->at(i);
                EXPECT_EQ(r.title, Utf8(d, "title"));
                EXPECT_EQ(r.type, Utf8(d, "type"));
                EXPECT_EQ(r.url, Utf8(d, "url"));
                break;
            }
            case KIND_CALENDAR:
            case KIND_REMINDERS: {
                const Calendar& r = *static_cast<CalendarList*>(records)->at(i);
                EXPECT_EQ(r.title, Utf8(d, "title"));
                EXPECT_EQ(r.location, Utf8(d, "location"));
                EXPECT_EQ(r.description, Utf8(d, "description"));
                EXPECT_EQ(r.url, Utf8(d, "url"));
                EXPECT_EQ(r.start_date, Utf8(d, "start_date"));
                EXPECT_EQ(r.end_date, Utf8(d, "end_date"));
                EXPECT_EQ(r.area, Utf8(d, "area"));
                EXPECT_EQ(r.all_day, Utf8(d, "all_day"));
                EXPECT_EQ(r.status, Utf8(d, "status"));
                break;
            }
            case KIND_VOICE_MEMOS: {
                const VoiceMemos& r = *static_cast<VoiceMemosList*>(records)->at(i);
                EXPECT_EQ(r.name, Utf8(d, "name"));
                EXPECT_EQ(r.duration, Utf8(d, "duration"));
                EXPECT_EQ(r.date, Utf8(d, "date"));
                EXPECT_EQ(r.path, Bytes(d, "path"));
                EXPECT_EQ(r.size, Size(Uint(d, "size")));
                break;
            }
            default: {
                const Photo& r = *static_cast<PhotoList*>(records)->at(i);
                EXPECT_EQ(r.file_name, Utf8(d, "file_name"));
                EXPECT_EQ(r.path, Bytes(d, "path"));
                EXPECT_EQ(r.size, Size(Uint(d, "size")));
                EXPECT_EQ(r.thumbnail, nullptr);
                break;
            }
        }
    }
}

gen::SampleOptions NamedDevice() {
    gen::SampleOptions options;
    options.filler = 200;
    options.device.deviceName = "Ann\xE2\x80\x99s iPhone";
    return options;
}

class GeneratedBackup : public ::testing::Test {
  protected:
    void SetUp() override {
        DomainIB::CreateService();
        ASSERT_NE(DomainIB::GetService(), nullptr);
    }
    void TearDown() override { DomainIB::FreeService(); }

    testing_support::GeneratedBackup backup_{NamedDevice(),
                                             "3d0d7e5fb2ce288813306e4d4636395e047a3d28"};
    const std::string& backupFolder_ = backup_.BackupFolder();
};

TEST_F(GeneratedBackup, ScanDeliversTheLibrarysItemsAsRecords) {
    const auto before = testing_support::SnapshotTree(backupFolder_);
    std::vector<Device*> devices = DomainIB::LoadDevices();
    // The program keeps the list for its whole run; the test gives it back.
    domain_test::ReleaseDevices release(devices, true);
    ASSERT_EQ(devices.size(), 1u);
    Device* device = devices[0];
    EXPECT_EQ(device->deviceName, wxString(L"Ann\u2019s iPhone"));
    EXPECT_EQ(device->serialNumber, wxS("C39KX0QZDTC1"));
    EXPECT_EQ(device->lastBackupDate.length(), 19u);
    EXPECT_EQ(device->isEncrypted, 0);

    const auto events = Scan(device);
    ASSERT_EQ(events.size(), kKindCount);
    for (std::size_t i = 0; i < kKindCount; ++i) EXPECT_EQ(events[i].id, kScanOrder[i]);

    // The library answers again from what it read; compare each kind with its dictionaries.
    std::size_t total = 0;
    for (std::uint32_t kind = 0; kind < kKindCount; ++kind) {
        plist_t list = DomainIB::GetService()->GetKindData(device->backup, kind);
        ExpectSameAsLibrary(kind, device->Slot(kind), list);
        total += device->Count(kind);
        if (list != nullptr) plist_free(list);
    }
    EXPECT_GT(total, 0u);
    // A backup is evidence: the scan changed nothing in it.
    EXPECT_EQ(testing_support::SnapshotTree(backupFolder_), before);
}

}  // namespace
