// The layout map read from face.xml: paths, attribute mapping, number conversion, and what a
// damaged or hostile file leaves behind.
#include "common/face_layout.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>

#include "support/test_support.h"

namespace {

using testing_support::TempDir;

class FaceLayoutTest : public ::testing::Test {
  protected:
    void SetUp() override { FaceLayout.clear(); }
    void TearDown() override { FaceLayout.clear(); }

    // Writes the text as the layout file and loads it; returns the result and what was
    // printed to standard error.
    int Load(const std::string& text, std::string* printed = nullptr) {
        path_ = dir_ / "face.xml";
        std::ofstream(path_, std::ios::binary) << text;
        ::testing::internal::CaptureStderr();
        const int result = LoadFaceLayout(wxString::FromUTF8(path_));
        const std::string err = ::testing::internal::GetCapturedStderr();
        if (printed != nullptr) *printed = err;
        return result;
    }

    static void ExpectRect(const char* path, int x, int y, int width, int height) {
        SCOPED_TRACE(path);
        const FaceRect r = GetFaceRect(path);
        EXPECT_EQ(r.x, x);
        EXPECT_EQ(r.y, y);
        EXPECT_EQ(r.width, width);
        EXPECT_EQ(r.height, height);
    }

    // A plain layout file of about the largest size that is read.
    static std::string PlainDocument() {
        std::string doc = "<face>";
        for (int i = 0; doc.size() < static_cast<std::size_t>(kMaxFaceFileBytes) - 64; ++i)
            doc += "<e" + std::to_string(i % 1000) + " x=\"1\"/>";
        return doc + "</face>";
    }

    TempDir dir_;
    std::string path_;
};

TEST_F(FaceLayoutTest, PathsAndAttributeMapping) {
    std::string err;
    ASSERT_EQ(Load("<?xml version=\"1.0\"?>\n"
                   "<face>\n"
                   " <listwindow x=\"10\" y=\"20\" width=\"300\" height=\"400\">\n"
                   "  <grid x=\"1\" y=\"2\" width=\"3\" height=\"4\"/>\n"
                   "  <grid-label height=\"9\"/>\n"
                   " </listwindow>\n"
                   " <toolwindow><home-button><colour x=\"255\" y=\"128\" width=\"7\"/>"
                   "</home-button></toolwindow>\n"
                   "</face>\n",
                   &err),
              0);
    EXPECT_EQ(err, "");
    ExpectRect("/face/listwindow", 10, 20, 300, 400);
    ExpectRect("/face/listwindow/grid", 1, 2, 3, 4);
    ExpectRect("/face/listwindow/grid-label", 0, 0, 0, 9);
    ExpectRect("/face/toolwindow/home-button/colour", 255, 128, 7, 0);
    // Elements without attributes define no entry but still give their children a path.
    EXPECT_EQ(FaceLayout.count("/face"), 0u);
    EXPECT_EQ(FaceLayout.count("/face/toolwindow"), 0u);
    EXPECT_EQ(FaceLayout.count("/face/toolwindow/home-button"), 0u);
    EXPECT_EQ(FaceLayout.size(), 4u);
}

TEST_F(FaceLayoutTest, AttributeNamesAreMatchedExactlyAndTheLaterOneWins) {
    ASSERT_EQ(Load("<face>"
                   "<a x=\"1\" y=\"2\" width=\"3\" height=\"4\" depth=\"5\"/>"  // depth -> height
                   "<b X=\"8\" Width=\"9\"/>"                                   // both -> height
                   "<c x=\"1\" x=\"2\"/>"                                       // not well-formed
                   "</face>"),
              0);
    ExpectRect("/face/a", 1, 2, 3, 5);
    ExpectRect("/face/b", 0, 0, 0, 9);
    // The duplicate attribute is a parse error: elements before it stay.
    EXPECT_EQ(FaceLayout.count("/face/c"), 0u);
}

TEST_F(FaceLayoutTest, SiblingsOfTheSameNameTheLaterWins) {
    ASSERT_EQ(Load("<face><gauge x=\"1\" y=\"1\" width=\"1\" height=\"1\"/>"
                   "<gauge x=\"2\" width=\"5\"/></face>"),
              0);
    // The later element replaces the whole entry, not only the fields it names.
    ExpectRect("/face/gauge", 2, 0, 5, 0);
}

TEST_F(FaceLayoutTest, NumberConversion) {
    struct Case {
        const char* value;
        int expected;
    } cases[] = {
        {"12", 12},
        {"12px", 12},
        {"  7", 7},
        {"\t\n-5", -5},
        {"+9", 9},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"0x1F", 0},
        {"3.9", 3},
        {"99999999999", 2147483647},
        {"-99999999999", -2147483648},
        {"007", 7},
    };
    std::string doc = "<face>";
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        doc += "<v" + std::to_string(i) + " x=\"" + cases[i].value + "\"/>";
    }
    doc += "</face>";
    ASSERT_EQ(Load(doc), 0);
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        SCOPED_TRACE(cases[i].value);
        EXPECT_EQ(GetFaceRect("/face/v" + std::to_string(i)).x, cases[i].expected);
    }
}

TEST_F(FaceLayoutTest, MissingPathReadsAsZerosWithoutChangingTheMap) {
    ASSERT_EQ(Load("<face><a x=\"1\"/></face>"), 0);
    ExpectRect("/face/nothing", 0, 0, 0, 0);
    EXPECT_EQ(FaceLayout.size(), 1u);
    // Indexing the map directly yields zeros as well.
    EXPECT_EQ(FaceLayout["/face/other"].width, 0);
}

TEST_F(FaceLayoutTest, MissingFileGivesMinusOneSilently) {
    FaceLayout["/face/kept"].x = 3;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(LoadFaceLayout(wxString::FromUTF8(dir_ / "absent.xml")), -1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    // A folder is not a file either.
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(LoadFaceLayout(wxString::FromUTF8(dir_.Path())), -1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(FaceLayout.size(), 1u);
    EXPECT_EQ(GetFaceRect("/face/kept").x, 3);
}

TEST_F(FaceLayoutTest, CutOffDocumentKeepsEarlierElementsAndNamesTheError) {
    std::string err;
    ASSERT_EQ(Load("<face>\n<a x=\"1\"/>\n<b y=\"2\"/>\n<c width=\"3\" hei", &err), 0);
    ExpectRect("/face/a", 1, 0, 0, 0);
    ExpectRect("/face/b", 0, 2, 0, 0);
    EXPECT_EQ(FaceLayout.count("/face/c"), 0u);
    // "<error text> at line <n> -><path>\n"
    EXPECT_EQ(err, "unclosed token at line 4 ->" + path_ + "\n");
}

TEST_F(FaceLayoutTest, UnclosedRootIsReportedAtTheEnd) {
    std::string err;
    ASSERT_EQ(Load("<face><a x=\"1\"/>", &err), 0);
    ExpectRect("/face/a", 1, 0, 0, 0);
    EXPECT_EQ(err, "no element found at line 1 ->" + path_ + "\n");
}

TEST_F(FaceLayoutTest, NotXmlIsReportedAndLeavesTheMapEmpty) {
    std::string err;
    ASSERT_EQ(Load("this is not a layout\n", &err), 0);
    EXPECT_TRUE(FaceLayout.empty());
    EXPECT_EQ(err, "syntax error at line 1 ->" + path_ + "\n");
    ASSERT_EQ(Load("", &err), 0);
    EXPECT_EQ(err, "no element found at line 1 ->" + path_ + "\n");
}

TEST_F(FaceLayoutTest, NonAsciiNamesAndPathOrder) {
    ASSERT_EQ(Load("<face><\xC3\xA9l\xC3\xA9ment x=\"4\"/><b x=\"1\"/><a x=\"2\"/></face>"), 0);
    EXPECT_EQ(GetFaceRect(wxString::FromUTF8("/face/\xC3\xA9l\xC3\xA9ment")).x, 4);
    // Ordered by character code: "/face/a" < "/face/b" < "/face/élément".
    std::vector<wxString> keys;
    for (const auto& entry : FaceLayout) keys.push_back(entry.first);
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0], "/face/a");
    EXPECT_EQ(keys[1], "/face/b");
    WxStringLess less;
    EXPECT_TRUE(less("/face", "/face/a"));
    EXPECT_FALSE(less("/face/a", "/face"));
    EXPECT_FALSE(less("/face", "/face"));
    EXPECT_TRUE(less("/face/Z", "/face/a"));
}

// Hostile files end within bounded time and memory, reported like a parse error.
TEST_F(FaceLayoutTest, DeepNestingIsCutOff) {
    std::string doc;
    for (int i = 0; i < 200000; ++i) doc += "<a x=\"1\">";
    std::string err;
    ASSERT_EQ(Load(doc, &err), 0);
    // In about the time a plain file of the largest size takes.
    const std::string plain = PlainDocument();
    EXPECT_LT(testing_support::TimeRatio([&] { Load(doc); }, [&] { Load(plain); }), 20);
    FaceLayout.clear();
    ASSERT_EQ(Load(doc, &err), 0);
    EXPECT_NE(err.find("nested too deeply"), std::string::npos) << err;
    EXPECT_EQ(FaceLayout.size(), static_cast<size_t>(kMaxFaceDepth));
    EXPECT_EQ(GetFaceRect("/face").x, 0);
    EXPECT_EQ(GetFaceRect("/a/a/a").x, 1);
}

TEST_F(FaceLayoutTest, LongNamesAreCutOff) {
    const std::string name(3000, 'n');
    std::string doc = "<" + name + ">";
    for (int i = 0; i < 1000; ++i) doc += "<" + name + " x=\"1\"/>";
    doc += "</" + name + ">";
    std::string err;
    ASSERT_EQ(Load(doc, &err), 0);
    EXPECT_NE(err.find("path too long"), std::string::npos) << err;
    EXPECT_TRUE(FaceLayout.empty());
}

TEST_F(FaceLayoutTest, HugeFileIsReadOnlyUpToTheLimit) {
    std::string doc = "<face>";
    for (int i = 0; doc.size() < 3u * 1024 * 1024; ++i) {
        doc += "<e" + std::to_string(i) + " x=\"" + std::to_string(i) + "\"/>";
    }
    doc += "</face>";
    std::string err;
    ASSERT_EQ(Load(doc, &err), 0);
    EXPECT_NE(err.find(" at line "), std::string::npos);
    EXPECT_GT(FaceLayout.size(), 1000u);
    EXPECT_EQ(GetFaceRect("/face/e1000").x, 1000);
    EXPECT_EQ(FaceLayout.count("/face/e200000"), 0u);
}

TEST_F(FaceLayoutTest, EntityExpansionIsRefused) {
    std::string doc = "<!DOCTYPE face [<!ENTITY a0 \"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\">";
    for (int i = 1; i < 12; ++i) {
        const std::string prev = "&a" + std::to_string(i - 1) + ";";
        std::string value;
        for (int k = 0; k < 10; ++k) value += prev;
        doc += "<!ENTITY a" + std::to_string(i) + " \"" + value + "\">";
    }
    doc += "]><face><a x=\"&a11;\"/></face>";
    // Refused in about the time a plain file of the largest size takes.
    const std::string plain = PlainDocument();
    EXPECT_LT(testing_support::TimeRatio([&] { Load(doc); }, [&] { Load(plain); }), 20);
    FaceLayout.clear();
    std::string err;
    ASSERT_EQ(Load(doc, &err), 0);
    EXPECT_NE(err.find(" at line "), std::string::npos);
    EXPECT_EQ(FaceLayout.count("/face/a"), 0u);
}

}  // namespace
