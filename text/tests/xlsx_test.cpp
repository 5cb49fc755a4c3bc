#include "text/inflate.h"
#include "text/xlsx.h"
#include "text/zip.h"

#include <gtest/gtest.h>
#include <string>

namespace tavrilo {
namespace {

using namespace std::string_literals;

// "tavrilo tavrilo tavrilo!" deflated: a fixed Huffman block with a match.
const std::string kDeflated = "\x2b\x49\x2c\x2b\xca\xcc\xc9\x57\x28\x41\xa5\x15\x01"s;

struct InflateCase {
    const char* name;
    std::string data;
    std::size_t limit;
    InflateResult result;
};

TEST(Inflate, ExpandsValidDataAndRefusesDamagedOrOversizedData) {
    const InflateCase cases[] = {
        {"fixed codes with a match", kDeflated, 100, InflateResult::Ok},
        {"stored block",
         "\x01\x03\x00\xfc\xff"
         "abc"s,
         3, InflateResult::Ok},
        {"truncated", kDeflated.substr(0, 7), 100, InflateResult::Damaged},
        {"empty", "", 100, InflateResult::Damaged},
        {"past the limit", kDeflated, 23, InflateResult::TooLarge},
        {"stored block past the limit",
         "\x01\x03\x00\xfc\xff"
         "abc"s,
         2, InflateResult::TooLarge},
        {"stored length and complement disagree",
         "\x01\x03\x00\xfc\xfe"
         "abc"s,
         9, InflateResult::Damaged},
        {"stored block longer than the data",
         "\x01\x09\x00\xf6\xff"
         "abc"s,
         9, InflateResult::Damaged},
        {"block type 3", "\x07"s, 9, InflateResult::Damaged},
        // Fixed codes: a match of length 3 at distance 1 before any output.
        {"distance before the start", "\x03\x02\x00"s, 9, InflateResult::Damaged},
        // Dynamic: 257 literal codes, every code length code of length 0.
        {"dynamic block without codes", "\x05\x00\x00\x00"s, 9, InflateResult::Damaged},
    };
    for (const InflateCase& c : cases) {
        std::string out;
        EXPECT_EQ(Inflate(c.data, c.limit, out), c.result) << c.name;
        if (c.result == InflateResult::Ok)
            EXPECT_TRUE(out == "tavrilo tavrilo tavrilo!" || out == "abc") << c.name << ": " << out;
        else
            EXPECT_EQ(out, "") << c.name;
    }
}

constexpr std::string_view kWorkbook =
    R"(<?xml version="1.0"?><workbook xmlns:r="r"><sheets><sheet name="b" r:id="rId2"/>)"
    R"(<sheet name="a" r:id="rId1"/></sheets></workbook>)";
constexpr std::string_view kRels =
    R"(<Relationships><Relationship Id="rId1" Type="x/worksheet" Target="worksheets/sheet1.xml"/>)"
    R"(<Relationship Id="rId2" Type="x/worksheet" Target="/xl/worksheets/sheet2.xml"/>)"
    R"(<Relationship Id="rId3" Type="x/sharedStrings" Target="sharedStrings.xml"/></Relationships>)";
constexpr std::string_view kShared =
    R"(<sst><si><t>钢筋</t></si><si><r><t>HRB</t></r><r><t xml:space="preserve">400 </t></r>)"
    R"(<rPh sb="0" eb="1"><t>ガ</t></rPh></si><si><t>=1+1</t></si></sst>)";

// A workbook whose first sheet is `sheet` (sheet2.xml, named first in the
// workbook though its part comes second).
std::string Workbook(std::string_view sheet) {
    ZipWriter zip;
    zip.Add("_rels/.rels", R"(<Relationships><Relationship Id="rId1" )"
                           R"(Type="x/officeDocument" Target="xl/workbook.xml"/></Relationships>)");
    zip.Add("xl/workbook.xml", kWorkbook);
    zip.Add("xl/_rels/workbook.xml.rels", kRels);
    zip.Add("xl/sharedStrings.xml", kShared);
    zip.Add("xl/worksheets/sheet1.xml", "<worksheet><sheetData><row><c><v>9</v></c></row>"
                                        "</sheetData></worksheet>");
    zip.Add("xl/worksheets/sheet2.xml", sheet);
    return zip.Finish();
}

// `zip` with the 4 bytes at `offset` into the central directory entry of
// `name` set to `value`.
std::string Patched(std::string zip, std::string_view name, std::size_t offset,
                    std::uint32_t value) {
    const auto byte = [&](std::size_t i) {
        return std::uint32_t{static_cast<unsigned char>(zip[i])};
    };
    const std::size_t end = zip.rfind("PK\5\6"s);
    std::size_t at = byte(end + 16) | byte(end + 17) << 8 | byte(end + 18) << 16;
    while (zip.compare(at + 46, name.size(), name) != 0)
        at = zip.find("PK\1\2"s, at + 1);
    for (int i = 0; i < 4; ++i)
        zip[at + offset + i] = static_cast<char>((value >> (8 * i)) & 0xff);
    return zip;
}

TEST(XlsxReading, GivesTheFirstSheetsValuesAsCsv) {
    const std::string sheet =
        R"(<?xml version="1.0"?><x:worksheet xmlns:x="m"><x:sheetData>)"
        R"(<x:row r="1"><x:c r="A1" t="s"><x:v>0</x:v></x:c><x:c r="C1" t="inlineStr">)"
        R"(<x:is><x:t>a,"b"</x:t></x:is></x:c></x:row>)"
        R"(<x:row r="3"><x:c r="A3"><x:v>0.10000000000000001</x:v></x:c><x:c r="B3" t="b">)"
        R"(<x:v>1</x:v></x:c><x:c t="s"><x:v>1</x:v></x:c><x:c r="D3" t="str"><x:f>A1</x:f>)"
        R"(<x:v>&lt;&#x4E00;&gt;</x:v></x:c><x:c r="E3" t="s"><x:v>2</x:v></x:c></x:row>)"
        R"(<x:row r="4"><x:c r="A4"><x:v>1.2345678901234567E+3</x:v></x:c></x:row>)"
        R"(<x:row r="6"/><x:row r="7"><x:c r="A7" s="1"/></x:row></x:sheetData></x:worksheet>)";
    std::string csv, failure;
    ASSERT_TRUE(XlsxFirstSheetCsv(Workbook(sheet), csv, failure)) << failure;
    EXPECT_EQ(csv, "钢筋,,\"a,\"\"b\"\"\"\n\n0.1,TRUE,\"HRB400 \",<一>,=1+1\n1234.56789012346\n");
}

struct RefusedCase {
    const char* name;
    std::string bytes;
    std::string_view said;
};

TEST(XlsxReading, RefusesDamagedEncryptedAndOversizedWorkbooks) {
    const std::string sheet = "<worksheet><sheetData><row r=\"1\"><c r=\"A1\"><v>5</v></c></row>"
                              "</sheetData></worksheet>";
    const std::string good = Workbook(sheet);
    std::string badCrc = good;
    badCrc[badCrc.find("<v>5</v>") + 3] = '6';
    const RefusedCase cases[] = {
        {"truncated", good.substr(0, good.size() / 2), "已损坏"},
        {"not a zip", "PK\3\4 nothing more", "已损坏"},
        {"bad CRC", badCrc, "已损坏"},
        {"huge claimed size, deflated",
         Patched(Patched(good, "xl/worksheets/sheet2.xml", 10, 8), "xl/worksheets/sheet2.xml", 24,
                 0xfffffff0u),
         "过大"},
        {"encrypted entry", Patched(good, "xl/worksheets/sheet2.xml", 8, 1), "设有密码"},
        {"cell past XFD", Workbook(R"(<sheetData><row><c r="XFE1"><v>1</v></c></row></sheetData>)"),
         "已损坏"},
        {"shared string past the end",
         Workbook(R"(<sheetData><row><c t="s"><v>3</v></c></row></sheetData>)"), "已损坏"},
        {"a DTD", Workbook("<!DOCTYPE x [<!ENTITY a \"b\">]><sheetData/>"), "已损坏"},
        {"unknown entity", Workbook("<sheetData><row><c><v>&a;</v></c></row></sheetData>"),
         "已损坏"},
    };
    for (const RefusedCase& c : cases) {
        std::string csv = "x", failure;
        EXPECT_FALSE(XlsxFirstSheetCsv(c.bytes, csv, failure)) << c.name;
        EXPECT_NE(failure.find(c.said), std::string::npos) << c.name << ": " << failure;
        EXPECT_EQ(csv, "") << c.name;
    }
    std::string csv, failure;
    EXPECT_TRUE(XlsxFirstSheetCsv(good, csv, failure)) << failure;
}

// Text passes through as it comes, whatever its chunks; an OLE file is an
// .xls, or a workbook with a password when it holds the encrypted package.
TEST(WorkbookFilter, PassesTextAndRefusesOleFiles) {
    const std::string ole = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"s + std::string(100, '\0');
    const std::string encrypted = ole + "E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0"s;
    const struct {
        const char* name;
        std::string bytes;
        bool read;
        std::string_view said; // the text passed, or the reason
    } cases[] = {
        {"csv", "D,d\n1,2\n", true, "D,d\n1,2\n"},
        {"short text", "P", true, "P"},
        {"xls", ole, false, "另存为 .xlsx"},
        {"protected", encrypted, false, "设有密码"},
    };
    for (const auto& c : cases) {
        WorkbookFilter filter;
        std::string out;
        bool read = true;
        for (std::size_t i = 0; i < c.bytes.size() && read; i += 3)
            read = filter.Feed(std::string_view(c.bytes).substr(i, 3), out);
        read = read && filter.Finish(out);
        EXPECT_EQ(read, c.read) << c.name;
        if (c.read)
            EXPECT_EQ(out, c.said) << c.name;
        else
            EXPECT_NE(filter.Problem().find(c.said), std::string::npos) << c.name;
    }
}

} // namespace
} // namespace tavrilo
