#include "base/wz_base.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<int>* g_destroyed = nullptr;

class Tracked : public WzBase {
  public:
    explicit Tracked(int id = 0) : id_(id) {}
    ~Tracked() override {
        if (g_destroyed) g_destroyed->push_back(id_);
    }
    void SetId(int id) { id_ = id; }

  private:
    int id_;
};

TEST(WzBaseTest, TrackedDeleteClearsPointerAndToleratesNull) {
    Tracked* p = new Tracked;
    EXPECT_TRUE(CheckedPtr(p)->IsAlive());
    TrackedDelete("test", __LINE__, p);
    EXPECT_EQ(p, nullptr);
    TrackedDelete("test", __LINE__, p);  // second delete through the same reference: nothing
    EXPECT_EQ(p, nullptr);
}

TEST(WzBaseTest, ArrayIsDestroyedLastToFirst) {
    std::vector<int> destroyed;
    g_destroyed = &destroyed;
    Tracked* arr = new Tracked[3];
    for (int i = 0; i < 3; ++i) arr[i].SetId(i + 1);
    TrackedDeleteArray("test", __LINE__, arr);
    g_destroyed = nullptr;
    EXPECT_EQ(arr, nullptr);
    EXPECT_EQ(destroyed, (std::vector<int>{3, 2, 1}));
}

TEST(WzBaseTest, CopyGetsItsOwnStamp) {
    Tracked a;
    Tracked b(a);
    Tracked c;
    c = a;
    EXPECT_TRUE(b.IsAlive());
    EXPECT_TRUE(c.IsAlive());
}

TEST(WzBaseDeathTest, CheckedPtrStopsOnNullAndDestroyedObjects) {
    Tracked* none = nullptr;
    EXPECT_DEATH(CheckedPtr(none), "");
    // A destroyed object in storage that still holds its bytes fails the check.
    alignas(Tracked) unsigned char storage[sizeof(Tracked)];
    Tracked* dead = new (storage) Tracked;
    dead->~Tracked();
    EXPECT_DEATH(CheckedPtr(dead), "");
}

TEST(WzBaseTest, AllocationRegistry) {
    int a = 0;
    int b = 0;
    // Forgetting an address that was never recorded changes nothing.
    EXPECT_EQ(TrackAllocation("f.cpp", 1, "g.cpp", 0, &a), 0);
    testing::internal::CaptureStdout();
    DumpLeaks();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "leak obj num 0\n");

    EXPECT_EQ(TrackAllocation("f.cpp", 1, "g.cpp", 2, &a), 1);
    EXPECT_EQ(TrackAllocation("f.cpp", 3, "g.cpp", 4, &b), 2);
    testing::internal::CaptureStdout();
    DumpLeaks();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("leak obj num 2\n", 0), 0u);
    EXPECT_NE(out.find("f.cpp:1:g.cpp:2:"), std::string::npos);
    EXPECT_EQ(TrackAllocation("f.cpp", 1, "g.cpp", 0, &a), 1);
    EXPECT_EQ(TrackAllocation("f.cpp", 1, "g.cpp", 0, &b), 0);

    char* copy = TrackedStrdup("f", 1, "abc");
    EXPECT_STREQ(copy, "abc");
    TrackedFree("f", 1, copy);
    TrackedFree("f", 1, nullptr);
}

}  // namespace
