// The export table and its JSON: exact text for each escaping rule, and that the text parses back
// to the same cells.
#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <string>

#include "domain/domain_export.h"
#include "export/export_fixture.h"

namespace {

std::string JsonOfCell(const char* cell) {
    ExportTable table;
    DomainExport::AddRow(table, 1, cell);
    return DomainExport::RowsToJson(table);
}

struct EscapeCase {
    const char* name;
    std::string cell;
    std::string json;  // the whole table's text
};

TEST(ExportJson, EscapesEachCellAsTheWriterDoesAndKeepsItOutOfTheScript) {
    const EscapeCase cases[] = {
        {"plain", "Ann", R"([["Ann"]])"},
        {"empty", "", R"([[""]])"},
        {"quotation mark", "say \"hi\"", R"([["say \"hi\""]])"},
        {"backslash", "C:\\dir", R"([["C:\\dir"]])"},
        {"slash unchanged", "a/b", R"([["a/b"]])"},
        {"tab and line breaks", "a\tb\nc\rd", R"([["a\tb\nc\rd"]])"},
        {"backspace and form feed", "\b\f", R"([["\b\f"]])"},
        {"other control bytes", "\x01\x1f", R"([["\u0001\u001F"]])"},
        {"non-ASCII raw", "Zo\xC3\xAB \xE7\x8E\x8B \xF0\x9F\x98\x80",
         "[[\"Zo\xC3\xAB \xE7\x8E\x8B \xF0\x9F\x98\x80\"]]"},
        {"end of script", "</script><script>alert(1)</script>",
         R"([["\u003c/script>\u003cscript>alert(1)\u003c/script>"]])"},
        {"comment opener", "<!--", R"([["\u003c!--"]])"},
        {"line separators",
         "a\xE2\x80\xA8"
         "b\xE2\x80\xA9",
         R"([["a\u2028b\u2029"]])"},
        {"other E2 sequences unchanged", "\xE2\x80\x94\xE2\x82\xAC",
         "[[\"\xE2\x80\x94\xE2\x82\xAC\"]]"},
        {"E2 80 at the end", "x\xE2\x80", "[[\"x\xE2\x80\"]]"},
    };
    for (const EscapeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string json = JsonOfCell(c.cell.c_str());
        EXPECT_EQ(json, c.json);
        EXPECT_EQ(json.find('<'), std::string::npos);
        rapidjson::Document doc;
        doc.Parse(json.c_str(), json.size());
        ASSERT_FALSE(doc.HasParseError());
        EXPECT_EQ(std::string(doc[0][0].GetString(), doc[0][0].GetStringLength()), c.cell);
    }
}

TEST(ExportJson, TableShapeIsHeaderThenRowsOnOneLine) {
    ExportTable table;
    EXPECT_EQ(DomainExport::RowsToJson(table), "[]");
    DomainExport::AddRow(table, 4, "Name", "Phone Number", "Date Time", "Duration");
    EXPECT_EQ(DomainExport::RowsToJson(table),
              R"([["Name","Phone Number","Date Time","Duration"]])");
    DomainExport::AddRow(table, 4, "Ann", "+1 555", "2013-06-04 09:03:07", "00:01:02");
    DomainExport::AddRow(table, 4, "", "", "", "");
    EXPECT_EQ(DomainExport::RowsToJson(table),
              R"([["Name","Phone Number","Date Time","Duration"],)"
              R"(["Ann","+1 555","2013-06-04 09:03:07","00:01:02"],["","","",""]])");
}

TEST(ExportTable, AddRowCopiesTheTextsAndIgnoresNonPositiveCounts) {
    ExportTable table;
    DomainExport::AddRow(table, 0, "x");
    DomainExport::AddRow(table, -3, "x");
    EXPECT_TRUE(table.rows.empty());

    char buffer[] = "changes later";
    DomainExport::AddRow(table, 2, buffer, "b");
    buffer[0] = 'X';
    ASSERT_EQ(table.rows.size(), 1u);
    ASSERT_EQ(table.rows[0]->size(), 2u);
    EXPECT_STREQ((*table.rows[0])[0], "changes later");
    EXPECT_STREQ((*table.rows[0])[1], "b");

    // A long cell (beyond a storage block) and many short ones keep their texts.
    const std::string longCell(300 * 1024, 'L');
    DomainExport::AddRow(table, 1, longCell.c_str());
    for (int i = 0; i < 20000; ++i) {
        const std::string s = std::to_string(i);
        DomainExport::AddRow(table, 1, s.c_str());
    }
    EXPECT_EQ(std::string((*table.rows[1])[0]), longCell);
    EXPECT_STREQ((*table.rows[2])[0], "0");
    EXPECT_STREQ((*table.rows.back())[0], "19999");

    DomainExport::FreeTable(table);
    EXPECT_TRUE(table.rows.empty());
    EXPECT_EQ(DomainExport::RowsToJson(table), "[]");
    // The table is usable again after it was freed.
    DomainExport::AddRow(table, 1, "again");
    EXPECT_EQ(DomainExport::RowsToJson(table), R"([["again"]])");
}

TEST(ExportJson, AwkwardTextsRoundTrip) {
    ExportTable table;
    for (std::size_t i = 0; i < export_test::kAwkwardTextCount; ++i) {
        DomainExport::AddRow(table, 2, export_test::kAwkwardTexts[i], "x");
    }
    const std::string json = DomainExport::RowsToJson(table);
    EXPECT_EQ(json.find('\n'), std::string::npos);
    rapidjson::Document doc;
    doc.Parse(json.c_str());
    ASSERT_FALSE(doc.HasParseError());
    ASSERT_EQ(doc.Size(), export_test::kAwkwardTextCount);
    for (std::size_t i = 0; i < export_test::kAwkwardTextCount; ++i) {
        EXPECT_STREQ(doc[static_cast<rapidjson::SizeType>(i)][0].GetString(),
                     export_test::kAwkwardTexts[i]);
    }
}

}  // namespace
