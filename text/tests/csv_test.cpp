#include "text/csv.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tavrilo {
namespace {

using Fields = std::vector<std::string>;

std::vector<CsvRecord> ReadInPieces(std::string_view text, std::size_t piece) {
    CsvReader reader;
    std::vector<CsvRecord> records;
    for (std::size_t i = 0; i < text.size(); i += piece)
        reader.Feed(text.substr(i, piece), records);
    reader.Finish(records);
    return records;
}

struct ParseCase {
    const char* name;
    std::string text;
    std::vector<Fields> records;
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << c.name;
}

class CsvReading : public testing::TestWithParam<ParseCase> {};

// Files arrive in pieces of any size: every split must read the same.
TEST_P(CsvReading, GivesTheSameRecordsHoweverTheTextIsSplit) {
    const ParseCase& c = GetParam();
    for (std::size_t piece :
         {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{7}, c.text.size() + 1}) {
        const std::vector<CsvRecord> records = ReadInPieces(c.text, piece);
        ASSERT_EQ(records.size(), c.records.size()) << "pieces of " << piece;
        for (std::size_t i = 0; i < records.size(); ++i) {
            EXPECT_EQ(records[i].Fields, c.records[i]) << "record " << i << ", pieces of " << piece;
            EXPECT_EQ(records[i].Problem, CsvRecordProblem::None);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rfc4180, CsvReading,
    testing::Values(
        ParseCase{"Plain", "1.3,0.0065,0.1,双向\n", {{"1.3", "0.0065", "0.1", "双向"}}},
        ParseCase{"NoFinalLineBreak", "a,b\nc,d", {{"a", "b"}, {"c", "d"}}},
        ParseCase{"CrLf", "a,b\r\nc,d\r\n", {{"a", "b"}, {"c", "d"}}},
        ParseCase{"LoneCr", "a,b\rc,d\r", {{"a", "b"}, {"c", "d"}}},
        ParseCase{"EmptyFields", ",a,,\n", {{"", "a", "", ""}}},
        ParseCase{"BlankLinesAreEmptyRecords", "a\n\n\r\nb\n", {{"a"}, {""}, {""}, {"b"}}},
        ParseCase{"QuotedComma", "\"A区, 北侧\",x\n", {{"A区, 北侧", "x"}}},
        ParseCase{"DoubledQuote", "\"say \"\"hi\"\"\",\"\"\"\"\n", {{"say \"hi\"", "\""}}},
        ParseCase{"QuotedLineBreaks", "\"a\r\nb\nc\",d\n", {{"a\r\nb\nc", "d"}}},
        ParseCase{"EmptyQuoted", "\"\",x\n", {{"", "x"}}},
        ParseCase{"QuoteInsideUnquotedIsText", "5\"5,x\n", {{"5\"5", "x"}}},
        ParseCase{"TextAfterClosingQuoteIsKept", "\"a\"b,c\n", {{"ab", "c"}}},
        ParseCase{"BlanksAreKept", " a , b \n", {{" a ", " b "}}}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

// Lines are counted alike with CR LF, LF and CR-only line ends, inside
// quoted fields too; a quote left open says where it began.
TEST(CsvReading, CountsLinesInsideQuotedFieldsWhateverTheLineEnds) {
    for (const std::string end : {"\n", "\r\n", "\r"}) {
        const std::string text =
            "a" + end + "\"b" + end + "c\"" + end + "d,\"x" + end + "y\",\"open" + end + "z" + end;
        const auto records = ReadInPieces(text, 4);
        ASSERT_EQ(records.size(), 3u);
        EXPECT_EQ(records[0].Line, 1u);
        EXPECT_EQ(records[1].Line, 2u);
        EXPECT_EQ(records[2].Line, 4u);
        EXPECT_EQ(records[2].Problem, CsvRecordProblem::UnterminatedQuote);
        EXPECT_EQ(records[2].QuoteLine, 5u);
    }
}

TEST(CsvReading, ReportsAQuoteLeftOpenAtTheEnd) {
    const auto records = ReadInPieces("1,2,3,4\n5,6,7,8,\"open\nx,y\n", 5);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].Problem, CsvRecordProblem::None);
    EXPECT_EQ(records[1].Problem, CsvRecordProblem::UnterminatedQuote);
    EXPECT_EQ(records[1].Line, 2u);
    EXPECT_EQ(records[1].QuoteLine, 2u);
    EXPECT_EQ(records[1].Fields, (Fields{"5", "6", "7", "8", "open\nx,y\n"}));
}

// A stray opening quote swallows the rest of a large file: the reason is the
// quote and where it opened, not the length.
TEST(CsvReading, ReportsAQuoteLeftOpenInALargeFile) {
    std::string text = "D,phi,d,arrangement\n1,2,3,4\n1.3,0.0065,0.1,双向,\"南区\n";
    for (int i = 0; i < 60000; ++i)
        text += "1.3,0.0065,0.1,双向\n";
    const auto records = ReadInPieces(text, 4096);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[2].Problem, CsvRecordProblem::UnterminatedQuote);
    EXPECT_EQ(records[2].QuoteLine, 3u);
}

TEST(CsvReading, DropsAnOverlongRecordButReadsOn) {
    std::string text = "1,2,3,4\n\"";
    text.append(CsvReader::kMaxRecordBytes + 10, 'x');
    text += "\"\n5,6,7,8\n";
    const auto records = ReadInPieces(text, 4096);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].Problem, CsvRecordProblem::TooLong);
    EXPECT_TRUE(records[1].Fields.empty());
    EXPECT_EQ(records[2].Fields, (Fields{"5", "6", "7", "8"}));
    EXPECT_EQ(records[2].Line, 3u);
}

// The limit is on the record: exactly 1 MiB is read, whatever ends its line
// and wherever the pieces of text end.
TEST(CsvReading, TakesARecordOfExactlyTheLimit) {
    for (const char* end : {"\n", "\r\n", "\r", ""}) {
        for (const std::size_t size :
             {CsvReader::kMaxRecordBytes, CsvReader::kMaxRecordBytes + 1}) {
            std::string text = "1,2,3,";
            text.append(size - text.size(), 'x');
            for (const std::size_t piece : {std::size_t{4096}, std::size_t{1000}, size * 2}) {
                const auto records = ReadInPieces(text + end, piece);
                ASSERT_EQ(records.size(), 1u);
                EXPECT_EQ(records[0].Problem, size == CsvReader::kMaxRecordBytes
                                                  ? CsvRecordProblem::None
                                                  : CsvRecordProblem::TooLong)
                    << size << " bytes in pieces of " << piece;
                EXPECT_EQ(records[0].Fields.size(), size == CsvReader::kMaxRecordBytes ? 4u : 0u);
            }
        }
    }
}

TEST(CsvReading, KeepsTheFirstFieldsOfARecordWithTooManyButReadsOn) {
    const std::string text = std::string(1'000'000, ',') + "\n5,6,7,8\n";
    const auto records = ReadInPieces(text, 4096);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].Problem, CsvRecordProblem::TooManyFields);
    EXPECT_EQ(records[0].Fields.size(), CsvReader::kMaxFields);
    EXPECT_EQ(records[1].Fields, (Fields{"5", "6", "7", "8"}));
}

TEST(CsvWriting, QuotesOnlyWhatNeedsItAndReadsBack) {
    const Fields fields{"plain", "a,b", "say \"hi\"", "two\nlines", " padded", "网片", "", "a\r"};
    std::string line;
    AppendCsvRow(line, fields);
    EXPECT_EQ(line, "plain,\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\",\" padded\",网片,,\"a\r\"\n");
    const auto records = ReadInPieces(line, 3);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].Fields, fields);
}

TEST(CsvWriting, TextThatWouldRunAsAFormulaShowsAsText) {
    const std::pair<const char*, const char*> cases[] = {
        {"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"+86 10", "'+86 10"},
        {"-1+2", "'-1+2"},
        {"\tx", "'\tx"},
        {"\r", "\"'\r\""},
        {"-1.5", "-1.5"}, // numbers stay numbers
        {"+3", "+3"},
        {"-2E-05", "-2E-05"},
    };
    for (const auto& [field, written] : cases) {
        EXPECT_EQ(CsvField(field), written);
        const auto records = ReadInPieces(CsvField(field) + "\n", 2);
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(UnguardedCsvCell(records[0].Fields.at(0)), field);
    }
}

TEST(CsvReading, BlankRecordsAreEmptyRowsOfAnyWidth) {
    EXPECT_TRUE(IsBlankRecord({{""}, 1, CsvRecordProblem::None}));
    EXPECT_TRUE(IsBlankRecord({{"", " ", "\t", ""}, 1, CsvRecordProblem::None}));
    EXPECT_FALSE(IsBlankRecord({{"", "x"}, 1, CsvRecordProblem::None}));
    EXPECT_FALSE(IsBlankRecord({{""}, 1, CsvRecordProblem::UnterminatedQuote}));
}

} // namespace
} // namespace tavrilo
