#include "ib/backup_list.h"

#include <dirent.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "gen/backup_gen.h"
#include "gen/plist_gen.h"
#include "ib/plist_guard.h"
#include "mbdb/mbdb.h"
#include "support/test_support.h"

using namespace ib;

namespace {

using testing_support::ScopedEnv;
using testing_support::TempDir;

std::string Str(const char* s) {
    return s ? s : "(null)";
}

std::vector<BackupInfo*> Nodes(BackupInfo* head) {
    std::vector<BackupInfo*> nodes;
    for (BackupInfo* b = head; b != nullptr; b = b->next) nodes.push_back(b);
    return nodes;
}

// A binary Info.plist whose "Device Name" value is a reference past the last object, or whose
// last offset points past the objects.
std::string OutOfRangeBinary(bool badOffset) {
    gen::BinaryPlist p;
    const std::size_t root = p.Dict({{p.String("Device Name"), badOffset ? p.String("x") : 99}});
    std::string bytes = p.Bytes(root);
    // The offset table holds one byte per object here and ends where the 32-byte trailer begins.
    if (badOffset) bytes[bytes.size() - 33] = static_cast<char>(0xF0);
    return bytes;
}

// An XML property list of count <true/> elements, far more nodes than a real file of its size.
std::string DenseXml(std::size_t count) {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<array>";
    for (std::size_t i = 0; i < count; ++i) out += "<true/>";
    return out + "</array>\n</plist>\n";
}

// The tree as binary bytes, to compare two trees; "null" for none.
std::string TreeBytes(plist_t node) {
    if (node == nullptr) return "null";
    char* bin = nullptr;
    uint32_t length = 0;
    plist_to_bin(node, &bin, &length);
    std::string out(bin != nullptr ? bin : "", length);
    std::free(bin);
    return out;
}

// The reader's parse and libplist's own parse of the bytes, as trees.
std::pair<std::string, std::string> BothParses(const std::string& bytes) {
    plist_t guarded = ParsePlistGuarded(bytes.data(), bytes.size());
    plist_t own = nullptr;
    plist_from_xml(bytes.data(), static_cast<uint32_t>(bytes.size()), &own);
    std::pair<std::string, std::string> out{TreeBytes(guarded), TreeBytes(own)};
    plist_free(guarded);
    plist_free(own);
    return out;
}

class BackupListTest : public testing::Test {
  protected:
    BackupListTest() : tz_("TZ", "UTC") {
        tzset();
        root_ = dir_.Path() + "/Apple Computer/MobileSync/Backup/";
        gen::MakeDirs(root_);
    }
    ~BackupListTest() override {
        FreeBackupList(head_);
        tzset();
    }

    gen::BackupBuilder Builder(const std::string& name) { return gen::BackupBuilder(root_ + name); }

    BackupInfo* List() {
        FreeBackupList(head_);
        head_ = ListBackupsIn(root_.c_str());
        return head_;
    }

    BackupInfo* Find(const std::string& name) {
        for (BackupInfo* b : Nodes(head_)) {
            if (Str(b->folderPath) == root_ + name + "/") return b;
        }
        return nullptr;
    }

    ScopedEnv tz_;
    TempDir dir_;
    std::string root_;
    BackupInfo* head_ = nullptr;
};

TEST_F(BackupListTest, NoRootOrRootThatIsAFileGivesNull) {
    EXPECT_EQ(ListBackupsIn((dir_.Path() + "/missing/").c_str()), nullptr);
    gen::WriteFile(dir_.Path() + "/file", "x");
    EXPECT_EQ(ListBackupsIn((dir_.Path() + "/file/").c_str()), nullptr);
    EXPECT_EQ(ListBackupsIn(""), nullptr);
    EXPECT_EQ(ListBackupsIn(nullptr), nullptr);
    EXPECT_EQ(List(), nullptr);  // the root exists but holds no backup
    EXPECT_FALSE(FreeBackupList(nullptr));
}

TEST_F(BackupListTest, ListsCompleteBackupFoldersWithTheirProperties) {
    {
        auto b = Builder("0f3a9c2b");
        b.AddFile("HomeDomain", "Library/Notes/notes.sqlite", "x");
        b.Write();
    }
    {
        auto b = Builder("encrypted");
        b.Info().encrypted = true;
        b.Info().binaryInfo = true;
        b.Info().deviceName = "Bob's iPad";
        b.Write();
    }
    {
        auto b = Builder("no-date");
        b.Info().hasLastBackup = false;
        b.Write();
    }
    {
        auto b = Builder("no-mbdb");
        b.Write();
        std::remove((root_ + "no-mbdb/Manifest.mbdb").c_str());
    }
    {
        auto b = Builder("mbdb-is-a-folder");
        b.Write();
        std::remove((root_ + "mbdb-is-a-folder/Manifest.mbdb").c_str());
        gen::MakeDirs(root_ + "mbdb-is-a-folder/Manifest.mbdb");
    }
    gen::WriteFile(root_ + "stray-file", "not a folder");

    List();
    std::set<std::string> listed;
    for (BackupInfo* b : Nodes(head_)) listed.insert(Str(b->folderPath));
    EXPECT_EQ(listed, (std::set<std::string>{root_ + "0f3a9c2b/", root_ + "encrypted/",
                                             root_ + "no-date/"}));

    BackupInfo* plain = Find("0f3a9c2b");
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(Str(plain->deviceName), "Ann's iPhone");
    EXPECT_EQ(Str(plain->serialNumber), "C39KX0QZDTC1");
    EXPECT_EQ(Str(plain->lastBackupDate), "2013-06-04 09:03:07");
    EXPECT_EQ(plain->isEncrypted, 0);
    ASSERT_NE(plain->mbdb, nullptr);
    EXPECT_EQ(plain->mbdb->GetRecords()->size(), 1u);
    EXPECT_NE(plain->callHistory, nullptr);
    EXPECT_NE(plain->photo, nullptr);

    BackupInfo* enc = Find("encrypted");
    ASSERT_NE(enc, nullptr);
    EXPECT_EQ(enc->isEncrypted, 1);
    // A binary Info.plist gives the same fields as an XML one.
    EXPECT_EQ(Str(enc->deviceName), "Bob's iPad");
    EXPECT_EQ(Str(enc->lastBackupDate), "2013-06-04 09:03:07");
    EXPECT_EQ(Str(enc->serialNumber), "C39KX0QZDTC1");

    BackupInfo* noDate = Find("no-date");
    ASSERT_NE(noDate, nullptr);
    EXPECT_EQ(noDate->lastBackupDate, nullptr);
    EXPECT_EQ(Str(noDate->deviceName), "Ann's iPhone");
}

TEST_F(BackupListTest, KeepsTheOrderOfTheFolderListing) {
    for (int i = 0; i < 12; ++i) Builder("backup" + std::to_string(i)).Write();
    std::vector<std::string> expected;
    DIR* dir = opendir(root_.c_str());
    ASSERT_NE(dir, nullptr);
    while (dirent* e = readdir(dir)) {
        if (e->d_name[0] != '.') expected.push_back(root_ + e->d_name + "/");
    }
    closedir(dir);
    std::vector<std::string> got;
    for (BackupInfo* b : Nodes(List())) got.push_back(Str(b->folderPath));
    EXPECT_EQ(got, expected);
}

TEST_F(BackupListTest, DamagedMarkerFilesStillListTheBackup) {
    struct Row {
        const char* name;
        std::string info;
        std::string manifest;
        std::string mbdb;
    } rows[] = {
        {"empty", "", "", ""},
        {"garbage", "<?xml this is not", "bplist00garbage", "mbdb\x05"},
        {"wrong-shape", "<plist><array><string>x</string></array></plist>",
         "<plist><dict><key>IsEncrypted</key><string>yes</string></dict></plist>",
         std::string("mbdb\x05\x00\x00\x03Hom", 11)},
        {"wrong-types",
         "<plist><dict><key>Device Name</key><integer>5</integer><key>Last Backup Date</key>"
         "<string>yesterday</string></dict></plist>",
         std::string("bplist00", 8), "foreign"},
        // Files that would take libplist down or hold it for minutes: refused before it sees them.
        {"deep-xml", gen::DeepPlist(200000, false), gen::DeepPlist(200000, false),
         std::string("mbdb\x05\x00", 6)},
        {"deep-binary", gen::DeepPlist(100000, true), gen::DeepPlist(100000, true),
         std::string("mbdb\x05\x00", 6)},
        {"cyclic", gen::CyclicBinaryPlist(), gen::CyclicBinaryPlist(),
         std::string("mbdb\x05\x00", 6)},
        {"huge-count", gen::WideBinaryPlist(4000), gen::WideBinaryPlist(4000),
         std::string("mbdb\x05\x00", 6)},
        {"out-of-range", OutOfRangeBinary(false), OutOfRangeBinary(true),
         std::string("mbdb\x05\x00", 6)},
        // Files whose parse takes libplist time that grows with the square of their size, or
        // that hold a far larger tree than their size: refused before it sees them.
        {"equal-hash-keys", gen::EqualHashKeysPlist(3000), gen::EqualHashKeysPlist(3000),
         std::string("mbdb\x05\x00", 6)},
        {"repeated-keys", gen::RepeatedKeysPlist(600, 3000), gen::RepeatedKeysPlist(600, 3000),
         std::string("mbdb\x05\x00", 6)},
        {"shared-arrays", gen::DoublingBinaryPlist(21), gen::DoublingBinaryPlist(21),
         std::string("mbdb\x05\x00", 6)},
        {"shared-text", gen::SharedTextBinaryPlist(kPlistMaxNodes),
         gen::SharedTextBinaryPlist(kPlistMaxNodes), std::string("mbdb\x05\x00", 6)},
        {"dense-xml", DenseXml(kPlistMaxNodes), DenseXml(kPlistMaxNodes),
         std::string("mbdb\x05\x00", 6)},
        // A manifest that claims more than a gigabyte and holds a few bytes (sparse): refused
        // as damaged before it is read.
        {"sparse-manifest", "", "", std::string("mbdb\x05\x00", 6)},
    };
    for (const Row& r : rows) {
        gen::MakeDirs(root_ + r.name);
        gen::WriteFile(root_ + r.name + "/Info.plist", r.info);
        gen::WriteFile(root_ + r.name + "/Manifest.plist", r.manifest);
        gen::WriteFile(root_ + r.name + "/Manifest.mbdb", r.mbdb);
    }
    ASSERT_EQ(truncate((root_ + "sparse-manifest/Manifest.mbdb").c_str(), (off_t(1) << 30) + 1), 0);
    List();
    EXPECT_EQ(Nodes(head_).size(), std::size(rows));
    for (const Row& r : rows) {
        BackupInfo* b = Find(r.name);
        ASSERT_NE(b, nullptr) << r.name;
        EXPECT_EQ(b->deviceName, nullptr) << r.name;
        EXPECT_EQ(b->lastBackupDate, nullptr) << r.name;
        EXPECT_EQ(b->serialNumber, nullptr) << r.name;
        EXPECT_EQ(b->isEncrypted, 0) << r.name;
        EXPECT_TRUE(b->mbdb->GetRecords()->empty()) << r.name;
        // Every kind finds nothing in an empty manifest.
        for (std::uint32_t k = 0; k < kKindCount; ++k) {
            plist_t data = GetKindData(b, k);
            if (data != nullptr) {
                EXPECT_EQ(plist_get_node_type(data), PLIST_ARRAY);
                EXPECT_EQ(plist_array_get_size(data), 0u) << r.name << " kind " << k;
                plist_free(data);
            }
        }
    }
}

// The memory of a listed manifest follows its records: a thousand backups of a few records each
// take a few kilobytes apiece, not a block of a megabyte each.
TEST_F(BackupListTest, SmallManifestsTakeMemoryOfTheirSize) {
    gen::MbdbRecord sms;
    sms.domain = "HomeDomain";
    sms.path = "Library/SMS/sms.db";
    gen::MbdbRecord root;
    root.domain = "HomeDomain";
    const std::string mbdb = gen::EncodeMbdb({root, sms});
    const std::size_t count = 1000;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string folder = root_ + "b" + std::to_string(i) + "/";
        gen::MakeDirs(folder);
        gen::WriteFile(folder + "Info.plist", "");
        gen::WriteFile(folder + "Manifest.plist", "");
        gen::WriteFile(folder + "Manifest.mbdb", mbdb);
    }
    std::size_t listed = 0;
    std::size_t bytes = 0;
    for (BackupInfo* b : Nodes(List())) {
        ++listed;
        EXPECT_EQ(b->mbdb->GetRecords()->size(), 2u);
        bytes += b->mbdb->ArenaBytes();
    }
    EXPECT_EQ(listed, count);
    EXPECT_LE(bytes, count * 4096);
}

TEST_F(BackupListTest, PropertyListsReadAsLibplistReadsThem) {
    // Texts with entities are decoded once, not by libplist one entity at a time, and every
    // shape libplist reads gives the tree libplist gives.
    const std::string info = gen::InfoPlistWithDate("2013-06-04T09:03:07Z", false, 0);
    auto withName = [&](const std::string& name) {
        std::string out = info;
        const std::string from = "<string>Ann's iPhone</string>";
        out.replace(out.find(from), from.size(), name);
        return out;
    };
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string out = info;
        out.replace(out.find(from), from.size(), to);
        return out;
    };
    struct Row {
        const char* what;
        std::string bytes;
        std::string name;  // the device name read from it
        bool own = true;   // compared with libplist's own parse, which decodes them one by one
    } rows[] = {
        {"200,000 entities", gen::EntitiesPlist(200000), std::string(200000, '&'), false},
        {"2,000 entities", gen::EntitiesPlist(2000), std::string(2000, '&')},
        {"an empty internal DOCTYPE subset",
         replaced("\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">",
                  "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\" []>"),
         "Ann's iPhone"},
        {"an internal subset holding \"]>\" in quotes",
         replaced("<!DOCTYPE plist PUBLIC",
                  "<!DOCTYPE plist [ <!ENTITY x \"]>\"> ]>\n<!DOCTYPE plist PUBLIC"),
         "Ann's iPhone"},
        {"every kind of entity",
         withName(
             "<string>A&amp;B&lt;&gt;&quot;&apos;&#65;&#x42;&#X43;&#x1F600;&#233;&#x 44;</string>"),
         "A&B<>\"'ABC\xF0\x9F\x98\x80\xC3\xA9"
         "D"},
        {"entities broken by comments and CDATA",
         withName("<string>a&amp;<!-- c -->b&lt;<![CDATA[&amp;]]&gt;]]>c&gt;&</string>"),
         "a&b<&amp;]]&gt;c>&"},
        {"decoded text holding the end of a CDATA section",
         withName("<string>x]]&gt;y]]&gt;]]&gt;</string>"), "x]]>y]]>]]>"},
        {"the longer names libplist takes for its entities",
         withName("<string>&ampere;&ltx;&quotation;</string>"), "&<\""},
        {"a key with entities", replaced("<key>Device Name</key>", "<key>Device&#32;Name</key>"),
         "Ann's iPhone"},
        {"a key as CDATA", replaced("<key>Device Name</key>", "<key><![CDATA[Device Name]]></key>"),
         "Ann's iPhone"},
        {"a text with a NUL before an entity",
         withName(std::string("<string>Ann") + '\0' + "&amp;</string>"), "Ann"},
        {"the last of a repeated key",
         withName("<string>first</string>\n<key>Device Name</key>"
                  "<string>second</string>"),
         "second"},
        {"a dictionary of 10,000 keys",
         replaced("<key>Serial Number</key>",
                  [] {
                      std::string keys = "<key>Keys</key><dict>";
                      for (int i = 0; i < 10000; ++i)
                          keys += "<key>k" + std::to_string(i) + "</key><true/>";
                      return keys + "</dict><key>Serial Number</key>";
                  }()),
         "Ann's iPhone"},
        {"what follows the root", info + "<garbage", "Ann's iPhone"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        if (r.own) {
            const auto both = BothParses(r.bytes);
            EXPECT_NE(both.first, "null");
            EXPECT_TRUE(both.first == both.second);
        }
        Builder(r.what).Write();
        gen::WriteFile(root_ + r.what + "/Info.plist", r.bytes);
    }
    List();
    for (const Row& r : rows) {
        BackupInfo* b = Find(r.what);
        ASSERT_NE(b, nullptr) << r.what;
        EXPECT_EQ(Str(b->deviceName), r.name) << r.what;
        EXPECT_EQ(Str(b->serialNumber), "C39KX0QZDTC1") << r.what;
    }
    // Texts made of pieces of every kind: where libplist reads a file, the reader reads the same.
    const char* const pieces[] = {"&amp;",
                                  "&lt;",
                                  "&#65;",
                                  "&#x1F600;",
                                  "&#0;",
                                  "&#x;",
                                  "&",
                                  "&;",
                                  "&ampx;",
                                  "&am;",
                                  "&#x 41;",
                                  ";",
                                  "a",
                                  "]]>",
                                  "<!---->",
                                  "<![CDATA[x&amp;]]>",
                                  "<![CDATA[]]]]>",
                                  " ",
                                  "\xc3\xa9",
                                  "x&y"};
    std::mt19937 rng(7);
    int read = 0;
    for (int round = 0; round < 5000; ++round) {
        auto text = [&] {
            std::string t;
            for (std::size_t i = rng() % 5; i > 0; --i) t += pieces[rng() % std::size(pieces)];
            if (rng() % 8 == 0) t.insert(rng() % (t.size() + 1), 1, '\0');
            return t;
        };
        std::string doc = "<plist version=\"1.0\"><dict>";
        for (std::size_t k = rng() % 4; k > 0; --k) {
            doc += "<key>" + text() + "</key>";
            doc += rng() % 2 ? "<string>" + text() + "</string>" : "<key>" + text() + "</key>";
        }
        doc += "</dict></plist>";
        const auto both = BothParses(doc);
        ASSERT_TRUE(both.first == both.second) << round << ": " << doc;
        if (both.first != "null") ++read;
    }
    EXPECT_GT(read, 1000);
}

TEST_F(BackupListTest, MarkerFilesThatAreNoRegularFilesCountAsMissing) {
    // A good backup outside the root, for links that lead out of a backup folder.
    TempDir outside;
    gen::BackupBuilder(outside / "good").Write();
    Builder("neighbour").Write();
    struct Kind {
        const char* name;
        std::function<int(const std::string& target, const std::string& marker)> make;
    } kinds[] = {
        {"fifo", [](const std::string&, const std::string& m) { return mkfifo(m.c_str(), 0600); }},
        {"zero",
         [](const std::string&, const std::string& m) { return symlink("/dev/zero", m.c_str()); }},
        {"outside",
         [](const std::string& t, const std::string& m) { return symlink(t.c_str(), m.c_str()); }}};
    std::set<std::string> listed = {root_ + "neighbour/"};
    for (const char* marker : {"Manifest.mbdb", "Manifest.plist", "Info.plist"}) {
        for (const Kind& k : kinds) {
            const std::string name = std::string(k.name) + "-" + marker;
            Builder(name).Write();
            const std::string path = root_ + name + "/" + marker;
            ASSERT_EQ(std::remove(path.c_str()), 0);
            ASSERT_EQ(k.make(outside / "good/" + marker, path), 0) << name;
        }
    }
    // A blocking open of a FIFO, or a read of the endless device, would never end (the limit only
    // guards against a hang).
    const auto run = testing_support::RunInChild(
        [&] {
            std::set<std::string> got;
            for (BackupInfo* b : Nodes(List())) got.insert(Str(b->folderPath));
            return got == listed ? std::string() : "listed " + std::to_string(got.size());
        },
        testing_support::kHangGuard);
    EXPECT_EQ(run.end, testing_support::ChildEnd::kDone);
    EXPECT_EQ(run.report, "");
}

TEST_F(BackupListTest, LastBackupDatesThatLibplistCannotHandOverAreEmpty) {
    // libplist hands dates over as 32-bit seconds since 2001: 1932-12-13 to 2069-01-19. Beyond
    // that it would give 1932-12-13 20:45:52 for every date.
    struct Row {
        const char* xml;
        double seconds;  // since 2001, as the binary form stores it
        const char* shown;
    } rows[] = {
        {"0001-01-01T00:00:00Z", -63113904000.0, ""},
        {"1900-01-01T00:00:00Z", -3187296000.0, ""},
        {"2100-01-01T00:00:00Z", 3124137600.0, ""},
        {"9999-12-31T23:59:59Z", 252423993599.0, ""},
        {"2013-06-04T09:03:07Z", 392029387.0, "2013-06-04 09:03:07"},
    };
    for (const Row& r : rows) {
        for (bool binary : {false, true}) {
            const std::string name = std::string(r.xml).substr(0, 4) + (binary ? "-bin" : "-xml");
            Builder(name).Write();
            gen::WriteFile(root_ + name + "/Info.plist",
                           gen::InfoPlistWithDate(r.xml, binary, r.seconds));
        }
    }
    List();
    for (const Row& r : rows) {
        for (bool binary : {false, true}) {
            const std::string name = std::string(r.xml).substr(0, 4) + (binary ? "-bin" : "-xml");
            BackupInfo* b = Find(name);
            ASSERT_NE(b, nullptr) << name;
            EXPECT_EQ(Str(b->lastBackupDate), r.shown) << name;
            EXPECT_EQ(Str(b->deviceName), "Ann's iPhone") << name;
            EXPECT_EQ(Str(b->serialNumber), "C39KX0QZDTC1") << name;
        }
    }
}

TEST_F(BackupListTest, FolderNamesWithNonAsciiBytes) {
    const std::string names[] = {"Caf\xc3\xa9", "bad\xff\xfe", "\xe6\x97\xa5\xe6\x9c\xac"};
    for (const auto& n : names) Builder(n).Write();
    List();
    for (const auto& n : names) EXPECT_NE(Find(n), nullptr);
}

TEST_F(BackupListTest, KindDispatch) {
    Builder("one").Write();
    BackupInfo* b = List();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(GetKindData(b, 11), nullptr);
    EXPECT_EQ(GetKindData(b, 0xFFFFFFFFu), nullptr);
    EXPECT_EQ(GetKindData(nullptr, 0), nullptr);
}

TEST_F(BackupListTest, ListingLeavesTheBackupUntouched) {
    auto b = Builder("evidence");
    b.AddFiller(500);
    b.Write();
    const auto before = testing_support::SnapshotTree(root_);
    List();
    List();
    EXPECT_EQ(testing_support::SnapshotTree(root_), before);
}

TEST_F(BackupListTest, BackupRootFollowsTheApplicationDataFolder) {
    Builder("found").Write();
    {
        ScopedEnv appdata("APPDATA", dir_.Path().c_str());
        BackupInfo* head = ListBackups();
        ASSERT_NE(head, nullptr);
        EXPECT_EQ(Str(head->folderPath), root_ + "found/");
        FreeBackupList(head);
    }
    {
        ScopedEnv appdata("APPDATA", "");
        ScopedEnv xdg("XDG_CONFIG_HOME", (dir_.Path() + "/").c_str());
        BackupInfo* head = ListBackups();
        ASSERT_NE(head, nullptr);
        EXPECT_EQ(Str(head->folderPath), root_ + "found/");
        FreeBackupList(head);
    }
    {
        TempDir home;
        ScopedEnv appdata("APPDATA", nullptr);
        ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
        ScopedEnv h("HOME", home.Path().c_str());
        EXPECT_EQ(ListBackups(), nullptr);  // no backup folder under $HOME/.config
        gen::BackupBuilder(home.Path() + "/.config/Apple Computer/MobileSync/Backup/x").Write();
        BackupInfo* head = ListBackups();
        ASSERT_NE(head, nullptr);
        FreeBackupList(head);
    }
}

// The shared library, loaded as the program loads it: exactly two exported entry points.
TEST_F(BackupListTest, SharedLibraryExportsTheServiceTable) {
    char exe[4096] = {0};
    ASSERT_GT(readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
    const std::filesystem::path lib =
        std::filesystem::path(exe).parent_path().parent_path() / "root/lib/libWZ_IB.so.1";
    void* handle = dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    auto create =
        reinterpret_cast<DataRecoveryService* (*)()>(dlsym(handle, "CreateDataRecoveryService"));
    auto release =
        reinterpret_cast<void (*)(DataRecoveryService*)>(dlsym(handle, "FreeiDeviceBackupService"));
    ASSERT_NE(create, nullptr);
    ASSERT_NE(release, nullptr);
    EXPECT_EQ(dlsym(handle, "_Z13ListBackupsInPKc"), nullptr);
    EXPECT_EQ(dlsym(handle, "_Z11GetKindDataP10BackupInfoj"), nullptr);

    Builder("viaservice").Write();
    ScopedEnv appdata("APPDATA", dir_.Path().c_str());
    DataRecoveryService* service = create();
    ASSERT_NE(service, nullptr);
    BackupInfo* head = service->ListBackups();
    ASSERT_NE(head, nullptr);
    auto freeList = service->FreeBackupList;
    auto getKind = service->GetKindData;
    release(service);  // the list outlives the table
    EXPECT_EQ(Str(head->deviceName), "Ann's iPhone");
    EXPECT_EQ(getKind(head, 11), nullptr);
    EXPECT_FALSE(freeList(head));
    dlclose(handle);
}

}  // namespace
