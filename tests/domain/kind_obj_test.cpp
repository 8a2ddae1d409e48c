// Records, their ownership and the observer pair.
#include "domain/kind_obj.h"

#include <gtest/gtest.h>
#include <wx/bitmap.h>

#include <cstring>
#include <new>

#include "common/tqm_subject.h"
#include "domain_test_env.h"

namespace {

// Memory that is not zero, as the heap hands it out after other use: what a constructor leaves
// unset shows as 0xA5 bytes instead of passing for an empty field.
template <class T>
struct Dirty {
    Dirty() {
        std::memset(bytes, 0xA5, sizeof bytes);
        object = new (bytes) T;  // default-initialised, as new T does
    }
    ~Dirty() { object->~T(); }
    alignas(T) unsigned char bytes[sizeof(T)];
    T* object;
};

TEST(Records, NewDeviceIsEmpty) {
    Dirty<Device> dirty;
    const Device& device = *dirty.object;
    EXPECT_EQ(device.isEncrypted, 0);
    EXPECT_EQ(device.backup, nullptr);
    // No slot holds a vector before its result arrives; the destructor frees none either.
    for (std::uint32_t kind = 0; kind < kKindCount; ++kind) {
        EXPECT_FALSE(device.HasResults(kind)) << kind;
        EXPECT_EQ(device.Count(kind), 0u) << kind;
    }
    EXPECT_EQ(CheckedPtr(dirty.object), dirty.object);
}

TEST(Records, NewMessageAndBubbleHaveTypeZero) {
    Message message;
    EXPECT_EQ(message.type, 0u);
    EXPECT_TRUE(message.text.empty());
    MessageShow show;
    EXPECT_EQ(show.type, 0u);
    EXPECT_TRUE(show.lines.IsEmpty());
    EXPECT_TRUE(show.dateText.empty());
    EXPECT_EQ(show.topBitmap, nullptr);
}

TEST(Records, PhotoWithoutThumbnailIsDestroyedWithoutBitmap) {
    auto* photo = new Photo();
    EXPECT_EQ(photo->thumbnail, nullptr);
    TrackedDelete(__FILE__, __LINE__, photo);
    EXPECT_EQ(photo, nullptr);
}

TEST(Records, PhotoOwnsItsThumbnail) {
    REQUIRE_GUI();
    auto* photo = new Photo();
    photo->thumbnail = new wxBitmap(4, 4);
    TrackedDelete(__FILE__, __LINE__, photo);  // AddressSanitizer reports the bitmap if leaked
    EXPECT_EQ(photo, nullptr);
}

TEST(Records, ConversationOwnsItsMessages) {
    auto* sms = new Sms();
    for (int i = 0; i < 3; ++i) sms->messages.push_back(new Message());
    TrackedDelete(__FILE__, __LINE__, sms);  // the messages go with it (checked by ASan)
    EXPECT_EQ(sms, nullptr);
}

// Every kind's vector is released with its records, through the device or directly.
TEST(Records, DeviceReleasesTheVectorOfEveryKind) {
    auto* device = new Device();
    device->StoreResults(KIND_CALL_HISTORY,
                         new CallHistoryList{new CallHistory(), new CallHistory()});
    device->StoreResults(KIND_CONTACTS, new ContactList{new Contact()});
    auto* sms = new Sms();
    sms->messages.push_back(new Message());
    device->StoreResults(KIND_MESSAGES, new SmsList{sms});
    device->StoreResults(KIND_SMS_ATTACHMENTS, new PhotoList{new Photo()});
    device->StoreResults(KIND_NOTES, new NoteList{new Note()});
    device->StoreResults(KIND_SAFARI, new SafariHistoryList{new SafariHistory()});
    device->StoreResults(KIND_CALENDAR, new CalendarList{new Calendar()});
    device->StoreResults(KIND_REMINDERS, new CalendarList{});
    device->StoreResults(KIND_VOICE_MEMOS, new VoiceMemosList{new VoiceMemos()});
    device->StoreResults(KIND_CAMERA_ROLL, new PhotoList{new Photo(), new Photo()});
    device->StoreResults(KIND_PHOTOS, new PhotoList{});
    const std::size_t expected[kKindCount] = {2, 1, 1, 1, 1, 1, 1, 0, 1, 2, 0};
    for (std::uint32_t kind = 0; kind < kKindCount; ++kind)
        EXPECT_EQ(device->Count(kind), expected[kind]) << kind;
    TrackedDelete(__FILE__, __LINE__, device);
    EXPECT_EQ(device, nullptr);
}

TEST(Records, DeleteKindRecordsIgnoresNullAndUnknownKinds) {
    DeleteKindRecords(KIND_PHOTOS, nullptr);
    int unrelated = 0;
    DeleteKindRecords(11, &unrelated);  // not a kind: nothing is touched
    EXPECT_EQ(KindRecordCount(11, &unrelated), 0u);
    EXPECT_EQ(KindRecordCount(KIND_NOTES, nullptr), 0u);
}

// The kind screen fills only the fields a job needs (a batch copy only grid and photos).
TEST(Records, ScanRequestStartsEmpty) {
    Dirty<ScanRequest> dirty;
    const ScanRequest& request = *dirty.object;
    EXPECT_EQ(request.device, nullptr);
    EXPECT_EQ(request.target, nullptr);
    EXPECT_EQ(request.grid, nullptr);
    EXPECT_EQ(request.photos, nullptr);
}

TEST(RecordsDeathTest, DeletedRecordFailsTheCheck) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            auto* device = new Device();
            Device* stale = device;
            device->~Device();  // destroyed, memory kept: the stamp no longer matches
            CheckedPtr(stale);
        },
        "");
}

class Recorder : public TqmObserver {
  public:
    explicit Recorder(std::vector<std::pair<int, TqmCode>>* log, int name)
        : log_(log), name_(name) {}
    void Update(TqmSubject* subject, TqmCode code) override {
        last = subject;
        log_->emplace_back(name_, code);
    }
    TqmSubject* last = nullptr;

  private:
    std::vector<std::pair<int, TqmCode>>* log_;
    int name_;
};

TEST(Observer, NotifyCallsObserversInAttachmentOrder) {
    std::vector<std::pair<int, TqmCode>> log;
    Recorder a(&log, 1), b(&log, 2);
    TqmSubject subject;
    subject.Notify(5);  // nobody attached: nothing happens
    EXPECT_TRUE(log.empty());

    subject.Attach(&b);
    subject.Attach(&a);
    Device device;
    subject.Notify(reinterpret_cast<TqmCode>(&device));
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].first, 2);
    EXPECT_EQ(log[1].first, 1);
    EXPECT_EQ(reinterpret_cast<Device*>(log[0].second), &device);
    EXPECT_EQ(a.last, &subject);
    EXPECT_EQ(b.last, &subject);
}

TEST(Observer, DetachRemovesEveryEntryOfTheObserver) {
    std::vector<std::pair<int, TqmCode>> log;
    Recorder a(&log, 1), b(&log, 2), stranger(&log, 3);
    TqmSubject subject;
    subject.Attach(&a);
    subject.Attach(&b);
    subject.Attach(&a);
    subject.Notify(NOTIFY_BACK);
    EXPECT_EQ(log.size(), 3u);  // attached twice, told twice

    log.clear();
    subject.Detach(&stranger);  // not attached: no change
    subject.Detach(&a);
    subject.Notify(NOTIFY_BACK);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].first, 2);
    EXPECT_EQ(log[0].second, NOTIFY_BACK);
}

}  // namespace
