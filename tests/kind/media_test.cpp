// Photos and voice memos: the two picture kinds, their cache, media lookups, and the memo
// matching checked against a plain walk.
#include "gen/media.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "gen/device_db.h"
#include "gen/sample.h"
#include "ib/backup_list.h"
#include "kind/recording/recording.h"
#include "kind_fixture.h"
#include "mbdb/mbdb.h"

using namespace ib;

namespace {

using gen::Sql;
using kindtest::KindBackup;

const char kPhotosPath[] = "Media/PhotoData/Photos.sqlite";
const char kMemosPath[] = "Media/Recordings/Recordings.db";

std::string Asset(const std::string& name, const std::string& path, std::size_t size, int type,
                  const std::string& query) {
    return R"({"file_name":")" + name + R"(","path":")" + path + R"(","size":)" +
           std::to_string(size) + R"(,"type":)" + std::to_string(type) + R"(,"query_path":")" +
           query + R"("})";
}

TEST(PhotoTest, CameraRollAndPhotosFromOneRead) {
    const std::string jpeg = gen::MakeJpeg(40, 30, 6, 1);
    const std::string png = gen::MakePng(30, 40, 2);
    std::vector<gen::AssetRow> assets(8);
    assets[0].directory = "DCIM/100APPLE", assets[0].filename = "IMG_0001.JPG";
    assets[1].directory = "PhotoData/Sync/100SYNCF", assets[1].filename = "IMG_0002.JPG";
    assets[2].directory = "dcim/lower", assets[2].filename = "IMG_0003.JPG";
    assets[3].directory = "DCIM/100APPLE", assets[3].filename = "IMG_0004.PNG";
    assets[4].directory = "DCIM/100APPLE", assets[4].filename = "IMG_0005.JPG";
    assets[5].directory = Sql(), assets[5].filename = "IMG_0006.JPG";
    assets[6].directory = "DCIM/100APPLE", assets[6].filename = Sql();
    assets[7].directory = "DCIM/101APPLE", assets[7].filename = "IMG_0008.JPG";
    KindBackup b;
    const std::string db =
        b.Builder().AddFile("CameraRollDomain", kPhotosPath, gen::PhotosDb(assets));
    const std::string p1 =
        b.Builder().AddFile("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG", jpeg);
    const std::string p2 =
        b.Builder().AddFile("CameraRollDomain", "Media/PhotoData/Sync/100SYNCF/IMG_0002.JPG", jpeg);
    const std::string p3 =
        b.Builder().AddFile("CameraRollDomain", "Media/dcim/lower/IMG_0003.JPG", png);
    b.Builder().AddFile("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0004.PNG", png, false, true);
    const std::string p5 = b.Builder().AddFile(
        "CameraRollDomain", "Media/DCIM/100APPLE/IMG_0005.JPG", jpeg, true, false);
    b.Builder().AddFile("CameraRollDomain", "Media/DCIM/101APPLE/IMG_0008.JPG", png);
    // A later record with the same path wins the media lookup.
    const std::string p8 =
        b.Builder().AddFile("MediaDomain", "Media/DCIM/101APPLE/IMG_0008.JPG", jpeg);
    const std::string camera =
        "[" + Asset("IMG_0001.JPG", p1, jpeg.size(), 1, "Media/DCIM/100APPLE/IMG_0001.JPG") + "," +
        Asset("IMG_0005.JPG", p5, 0, 1, "Media/DCIM/100APPLE/IMG_0005.JPG") + "," +
        Asset("IMG_0008.JPG", p8, jpeg.size(), 1, "Media/DCIM/101APPLE/IMG_0008.JPG") + "]";
    const std::string photos =
        "[" +
        Asset("IMG_0002.JPG", p2, jpeg.size(), 0, "Media/PhotoData/Sync/100SYNCF/IMG_0002.JPG") +
        "," + Asset("IMG_0003.JPG", p3, png.size(), 0, "Media/dcim/lower/IMG_0003.JPG") + "]";
    EXPECT_EQ(b.Dump(KIND_CAMERA_ROLL), camera);
    // The photo library is read once: the second kind is answered without the database.
    ASSERT_EQ(std::remove(db.c_str()), 0);
    EXPECT_EQ(b.Dump(KIND_PHOTOS), photos);
    EXPECT_EQ(b.Dump(KIND_CAMERA_ROLL), camera);
}

TEST(PhotoTest, AssetsMissingFromTheManifestGiveEmptyArraysAndNoRowsNull) {
    std::vector<gen::AssetRow> assets(2);
    assets[0].directory = "DCIM/100APPLE", assets[0].filename = "IMG_0001.JPG";
    assets[1].directory = "PhotoData/x", assets[1].filename = "IMG_0002.JPG";
    KindBackup b;
    b.Builder().AddFile("CameraRollDomain", kPhotosPath, gen::PhotosDb(assets));
    EXPECT_EQ(b.Dump(KIND_CAMERA_ROLL), "[]");
    EXPECT_EQ(b.Dump(KIND_PHOTOS), "[]");
    KindBackup empty;
    empty.Builder().AddFile("CameraRollDomain", kPhotosPath, gen::PhotosDb({}));
    EXPECT_EQ(empty.Dump(KIND_CAMERA_ROLL), "null");
    EXPECT_EQ(empty.Dump(KIND_PHOTOS), "null");
    KindBackup none;
    EXPECT_EQ(none.Dump(KIND_PHOTOS), "null");
}

std::string Memo(const std::string& date, const std::string& duration, const std::string& name,
                 const std::string& path, std::size_t size) {
    return R"({"date":")" + date + R"(","duration":")" + duration + R"(","name":")" + name +
           R"(","path":")" + path + R"(","size":)" + std::to_string(size) + "}";
}

TEST(RecordingTest, WholeResult) {
    std::vector<gen::MemoRow> memos = {
        {392000000, 61.9, "Walk", "/var/mobile/Media/Recordings/morning walk.m4a"},
        {392000000.5, 3725.0, Sql(), "/var/mobile/Media/Recordings/1.m4a"},
        {0, 1.0, Sql(), "noslash"},
        {0, 1.0, Sql(), "/var/mobile/Media/Recordings/"},
        {0, 1.0, Sql(), "/var/mobile/Media/Recordings/lost.m4a"},
        {0, "2", "again", "/elsewhere/morning walk.m4a"},
        {Sql(), Sql(), Sql(), Sql()},
    };
    const std::string sound = gen::MakeVoiceMemo(1.0, 1);
    KindBackup b;
    b.Builder().AddFile("MediaDomain", kMemosPath, gen::RecordingsDb(memos));
    const std::string walk =
        b.Builder().AddFile("MediaDomain", "Media/Recordings/morning walk.m4a", sound);
    // "1.m4a" is found inside "11.m4a" first: a memo takes the first record that holds its name.
    const std::string eleven =
        b.Builder().AddFile("MediaDomain", "Media/Recordings/11.m4a", sound, true, false);
    b.Builder().AddFile("MediaDomain", "Media/Recordings/1.m4a", sound);
    const std::string expected =
        "[" + Memo("2013-06-04 00:53:20", "00:01:01", "morning walk.m4a", walk, sound.size()) +
        "," + Memo("2013-06-04 00:53:20", "01:02:05", "1.m4a", eleven, 0) + "," +
        Memo("2001-01-01 00:00:00", "00:00:01", "", "", 0) + "," +
        Memo("2001-01-01 00:00:00", "00:00:01", "", "", 0) + "," +
        Memo("2001-01-01 00:00:00", "00:00:01", "lost.m4a", "", 0) + "," +
        Memo("2001-01-01 00:00:00", "00:00:02", "morning walk.m4a", walk, sound.size()) + "," +
        Memo("2001-01-01 00:00:00", "00:00:00", "", "", 0) + "]";
    EXPECT_EQ(b.Dump(KIND_VOICE_MEMOS), expected);
    EXPECT_EQ(b.Dump(KIND_VOICE_MEMOS), expected);
}

TEST(RecordingTest, NoRowsOrNoDatabaseIsNull) {
    KindBackup empty;
    empty.Builder().AddFile("MediaDomain", kMemosPath, gen::RecordingsDb({}));
    EXPECT_EQ(empty.Dump(KIND_VOICE_MEMOS), "null");
    KindBackup none;
    EXPECT_EQ(none.Dump(KIND_VOICE_MEMOS), "null");
}

// The plain walk: records in file order, every memo in order tested against each record; a memo
// with a name takes the first record that holds it; the walk stops before a record once every
// memo with a name has its file.
std::vector<std::string> WalkPaths(const Mbdb& mbdb, const std::vector<VoiceMemos*>& memos) {
    std::vector<std::string> paths(memos.size());
    std::size_t wanted = 0;
    for (const VoiceMemos* m : memos) wanted += m->name.empty() ? 0 : 1;
    std::size_t count = 0;
    for (const Mbdb::MBFileRecord* rec : *mbdb.GetRecords()) {
        if (count == wanted) break;
        for (std::size_t i = 0; i < memos.size(); ++i) {
            if (memos[i]->name.empty() || !paths[i].empty()) continue;
            if (rec->path.find(memos[i]->name) != std::string::npos) {
                paths[i] = mbdb.StoredPath(rec);
                ++count;
            }
        }
    }
    return paths;
}

TEST(RecordingTest, MatchingAgreesWithThePlainWalk) {
    kindtest::UseUtc();
    testing_support::TempDir dir;
    gen::SampleOptions options;
    options.seed = 3;
    options.filler = 2000;
    options.memos = 1200;  // names from 1000 on carry a number in front: some hold others
    options.smallMedia = true;
    options.contacts = options.calls = options.chats = options.messages = 0;
    options.attachments = options.photos = options.notes = 0;
    gen::WriteSampleBackup(dir.Path() + "/Backup/udid", options);
    BackupInfo* head = ListBackupsIn((dir.Path() + "/Backup/").c_str());
    ASSERT_NE(head, nullptr);
    plist_t data = GetKindData(head, KIND_VOICE_MEMOS);
    ASSERT_NE(data, nullptr);
    const auto& memos = head->recording->Memos();
    ASSERT_EQ(memos.size(), 1200u);
    const std::vector<std::string> walked = WalkPaths(*head->mbdb, memos);
    std::size_t found = 0;
    for (std::size_t i = 0; i < memos.size(); ++i) {
        EXPECT_EQ(memos[i]->path, walked[i]) << memos[i]->name;
        found += memos[i]->path.empty() ? 0 : 1;
    }
    EXPECT_EQ(found, 1199u);  // the sample's last memo has no file
    plist_free(data);
    FreeBackupList(head);
}

}  // namespace
