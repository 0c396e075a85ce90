// The bill's items table and the bill's lines: codes, grades, rounding.
#include "bill/items.h"
#include "bill/workbook.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace pierqty::bill {
namespace {

TEST(BillItems, TheShippedTableHoldsTheMunicipalCodes)
{
    const BillItems items = DefaultBillItems();
    EXPECT_EQ(items.concrete.code, "040303005");
    EXPECT_EQ(items.concrete.name, "混凝土墩(台)身");
    EXPECT_EQ(items.concrete.unit, "m³");
    EXPECT_EQ(items.formwork.code, "041102005");
    EXPECT_EQ(items.formwork.name, "墩(台)身模板");
    EXPECT_EQ(items.formwork.part, "花瓶墩墩身");
    EXPECT_NE(DefaultItemsText().find("GB 50857-2013"), std::string_view::npos); // the source is named
}

TEST(BillItems, ReadsWhatSpreadsheetsAndEditorsSave)
{
    std::string error;
    const std::string table =
        "quantity,code,name,unit,part\r\nconcrete , 111111111,甲,m3,\r\nformwork,222222222,乙,m2,丙\r\n";
    const auto utf8 = ParseBillItems("\xEF\xBB\xBF" + table, error);
    ASSERT_TRUE(utf8) << error;
    EXPECT_EQ(utf8->concrete.code, "111111111");
    EXPECT_EQ(utf8->concrete.part, "");
    EXPECT_EQ(utf8->formwork.part, "丙");
    // The same table as UTF-16 little endian with its byte order mark.
    std::string utf16 = "\xFF\xFE";
    for (const char32_t c : std::u32string(U"quantity,code,name,unit,part\nconcrete,111111111,甲,m3,\n"
                                           U"formwork,222222222,乙,m2,丙\n")) {
        utf16 += static_cast<char>(c & 0xFF);
        utf16 += static_cast<char>(c >> 8);
    }
    const auto wide = ParseBillItems(utf16, error);
    ASSERT_TRUE(wide) << error;
    EXPECT_EQ(wide->formwork.name, "乙");
    // And big endian: the bytes of each unit swapped, the mark FE FF.
    std::string bigEndian = utf16;
    for (std::size_t k = 0; k + 1 < bigEndian.size(); k += 2)
        std::swap(bigEndian[k], bigEndian[k + 1]);
    const auto big = ParseBillItems(bigEndian, error);
    ASSERT_TRUE(big) << error;
    EXPECT_EQ(big->concrete.name, "甲");
    EXPECT_EQ(big->formwork.part, "丙");
}

TEST(BillItems, SaysWhatIsWrongWithATable)
{
    const std::string header = "quantity,code,name,unit,part\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"code,quantity,name,unit,part\n", "line 1: the header must be quantity,code,name,unit,part"},
        {header + "concrete,04030300,a,m3,b\n", "line 2: the item code '04030300' is not 9 digits"},
        {header + "concrete,04030300x,a,m3,b\n", "line 2: the item code '04030300x' is not 9 digits"},
        {header + "steel,040303005,a,m3,b\n", "line 2: quantity 'steel' is neither concrete nor formwork"},
        {header + "# c\nconcrete,040303005,a,m3,b\nconcrete,040303005,a,m3,b\n", "line 4: concrete appears twice"},
        {header + "concrete,040303005,a,m3\n", "line 2: 4 fields where the header names 5"},
        {header + "concrete,040303005,,m3,b\n", "line 2: the item's name and unit must not be empty"},
        {header + "concrete,040303005,a,m3,b\n", "the items table has no formwork row"},
        {header + "concrete,040303005,\xBB\xEC,m3,b\n", "not UTF-8 or UTF-16"}, // GBK bytes
    };
    for (const auto &[table, message] : cases) {
        std::string error;
        EXPECT_FALSE(ParseBillItems(table, error)) << table;
        EXPECT_NE(error.find(message), std::string::npos) << error;
    }
}

// The bill's lines (rounding half up on the sum, a line per grade, serial
// codes, split formwork): bill_readback.py reads them in the workbook, and
// bridge_sheet_test in the summary sheet.

TEST(PierRecords, APierWithoutExactFiguresIsNotBilled)
{
    ParameterTexts texts = DefaultParameterTexts();
    EXPECT_TRUE(MakePierRecord("1", texts).billed());
    texts[kFieldh] = std::string(1, '5'); // beyond R1: the calculation stops
    EXPECT_FALSE(MakePierRecord("2", texts).billed());
    texts = DefaultParameterTexts();
    texts[kFieldl1] = std::string(1, '1'); // chamfers wider than the end faces: no exact figures
    const PierRecord record = MakePierRecord("3", texts, "C40");
    EXPECT_FALSE(record.billed());
    EXPECT_NE(record.fault.find("精确工程量不适用"), std::string::npos) << record.fault;
    EXPECT_EQ(MakePierRecord("4", DefaultParameterTexts(), "", "NotANumber: L1").fault, "NotANumber: L1");
}

#ifndef _WIN32
// A window sets the C library's locale from the desktop's; with a decimal
// comma, printf-formatted numbers would read "38,65..." in the workbook.
TEST(Workbook, NumbersKeepTheirPointUnderALocaleWithADecimalComma)
{
    if (std::system("command -v unzip > /dev/null") != 0)
        GTEST_SKIP() << "no unzip to look into the workbook";
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "no de_DE.UTF-8 locale (scripts/setup.sh makes it)";
    char printed[16];
    std::snprintf(printed, sizeof printed, "%.1f", 0.5);
    ASSERT_STREQ(printed, "0,5");
    const std::string path = (std::filesystem::temp_directory_path() / "pierqty-bill-locale-test.xlsx").string();
    std::string error;
    const bool written = WriteWorkbook(path, {MakePierRecord("1", DefaultParameterTexts())}, {}, error);
    std::setlocale(LC_ALL, previous.c_str());
    ASSERT_TRUE(written) << error;
    std::string xml;
    if (FILE *unzip = popen(("unzip -p '" + path + "' xl/worksheets/sheet2.xml").c_str(), "r")) {
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, unzip)) > 0;)
            xml.append(buffer, got);
        pclose(unzip);
    }
    std::filesystem::remove(path);
    EXPECT_NE(xml.find("<v>4.488</v>"), std::string::npos) << xml.substr(0, 400);
    EXPECT_EQ(xml.find("<v>4,488</v>"), std::string::npos);
}
#endif

} // namespace
} // namespace pierqty::bill
