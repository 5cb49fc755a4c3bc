#include "app/batch.h"
#include "calc/tests/initial_values.h"
#include "text/messages.h"
#include "text/utf8.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tavrilo {
namespace {

using Fields = std::vector<std::string>;

struct ArrangementCase {
    const char* text;
    ArrangementCell expected;
};

class ArrangementCells : public testing::TestWithParam<ArrangementCase> {};

TEST_P(ArrangementCells, AcceptTheChineseAndEnglishNames) {
    EXPECT_EQ(ReadArrangement(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Names, ArrangementCells,
                         testing::Values(ArrangementCase{"单向", ArrangementCell::OneWay},
                                         ArrangementCase{"单向布置", ArrangementCell::OneWay},
                                         ArrangementCase{" One-Way ", ArrangementCell::OneWay},
                                         ArrangementCase{"1", ArrangementCell::OneWay},
                                         ArrangementCase{"双向", ArrangementCell::TwoWay},
                                         ArrangementCase{"\t双向布置\r", ArrangementCell::TwoWay},
                                         ArrangementCase{"TWO-WAY", ArrangementCell::TwoWay},
                                         ArrangementCase{"\xE3\x80\x80"
                                                         "2"
                                                         "\xE3\x80\x80",
                                                         ArrangementCell::TwoWay},
                                         ArrangementCase{"", ArrangementCell::Empty},
                                         ArrangementCase{"  ", ArrangementCell::Empty},
                                         ArrangementCase{"三向", ArrangementCell::Unknown},
                                         ArrangementCase{"1.0", ArrangementCell::Unknown},
                                         ArrangementCase{"oneway", ArrangementCell::Unknown},
                                         ArrangementCase{"双", ArrangementCell::Unknown}));

TEST(BatchHeaderRow, IsAFirstRowWithoutANumberInItsFirstThreeFields) {
    const std::vector<Fields> headers = {{"D", "phi", "d", "arrangement"},
                                         {"网片直径D", "钢筋直径Φ", "钢筋间距d", "布置形式"}};
    const std::vector<Fields> rows = {
        {"1.3", "0.0065", "0.1", "2"},
        // Read as the boxes read them: blanks dropped wherever they stand.
        {"- 5", "0.0065", "0.1", "2"},
        {".5", "x", "y", "2"},
        // A mark left in the text, or digits typed full-width, hide the first
        // number but not the others.
        {"\xEF\xBB\xBF"
         "1.3",
         "0.0065", "0.1", "2"},
        {"\xEF\xBC\x91"
         ".\xEF\xBC\x93",
         "0.0065", "0.1", "2"},
        {"D", "phi", "0.1"}};
    for (const Fields& fields : headers)
        EXPECT_TRUE(IsHeaderRecord(CsvRecord{fields, 1})) << fields[0];
    for (const Fields& fields : rows)
        EXPECT_FALSE(IsHeaderRecord(CsvRecord{fields, 1})) << fields[0];
}

struct RowCase {
    const char* name;
    CsvRecord record;
    // After the record's first five fields, as read: the answer or the reason.
    std::string total, weight, error;
};

void PrintTo(const RowCase& c, std::ostream* os) {
    *os << c.name;
}

class BatchRows : public testing::TestWithParam<RowCase> {};

TEST_P(BatchRows, CarryTheInputTheResultOrTheReason) {
    const RowCase& c = GetParam();
    const BatchRow row = EvaluateBatchRecord(c.record);
    Fields expected = c.record.Fields;
    expected.resize(5);
    expected.insert(expected.end(), {c.total, c.weight, c.error});
    EXPECT_EQ(row.Fields, expected);
    EXPECT_EQ(row.Calculated, c.error.empty());
    EXPECT_EQ(row.Fields.size(), BatchHeader().size());
}

// Read from line 7, or cut off as described.
CsvRecord Record(Fields fields, CsvRecord read = {{}, 7}) {
    read.Fields = std::move(fields);
    return read;
}
const CsvRecord kOpenQuote{{}, 7, CsvRecordProblem::UnterminatedQuote, 9};
const CsvRecord kTooLong{{}, 12, CsvRecordProblem::TooLong};
const CsvRecord kTooManyFields{{}, 7, CsvRecordProblem::TooManyFields};

const std::string kNonPositive(kNonPositiveMessage);
const std::string kNegativeTotal(kNegativeTotalMessage);
const std::string kOverflow(CalcErrorMessage(CalcErrorKind::IntegerOverflow));
const std::string kFault(CalcErrorMessage(CalcErrorKind::FloatingPointFault));
const std::string kFieldCount = "字段数应为 4 或 5 个（D,Φ,d,布置形式[,备注]），此行";

INSTANTIATE_TEST_SUITE_P(
    Rows, BatchRows,
    testing::Values(
        RowCase{"TwoWayWithLabel", Record({"1.3", "0.0065", "0.1", "双向", "A区"}),
                TAVRILO_TWO_WAY_TOTAL, "7.18", ""},
        RowCase{"OneWayNoLabel", Record({"2", "0.012", "0.15", "one-way"}), "22.257", "19.77", ""},
        RowCase{"ValuesReadLikeTheWindow", Record({" 1.3 ", "0.0065", "0.1m", "2"}),
                TAVRILO_TWO_WAY_TOTAL, "7.18", ""},
        RowCase{"NonPositive", Record({"0", "0.01", "0.1", "2"}), "", "", kNonPositive},
        RowCase{"TextIsZero", Record({"1", "abc", "0.1", "2"}), "", "", kNonPositive},
        RowCase{"NoArrangement", Record({"1", "0.01", "0.1", " "}), "", "",
                std::string(kNoArrangementMessage)},
        RowCase{"UnknownArrangement", Record({"1", "0.01", "0.1", " 三向 ", "x"}), "", "",
                "无法识别的布置形式“三向”：应为 单向（单向布置、one-way、1）或 "
                "双向（双向布置、two-way、2），直条钢筋为 直条（直筋、straight）"},
        RowCase{"NegativeTotal", Record({"0.04", "0.001", "0.1", "1"}), "", "", kNegativeTotal},
        // A straight bar: its length and weight; its spacing cell is not read.
        RowCase{"StraightBar", Record({" 6.0004 ", "0.012", "x", "直条", "洞口"}), "6", "5.33", ""},
        RowCase{"StraightBarTooLong", Record({"120000", "0.012", "", "straight"}), "", "",
                "长度“120000”无效：应为 0.05 到 100 米之间的长度"},
        RowCase{"StraightBarInMillimetres", Record({"6", "12", "", "直筋"}), "", "",
                "直径“12”无效：应为 0.003 到 0.05 米之间的直径（工程清单以米计，12 mm 写作 "
                "0.012）"},
        RowCase{"CounterOverflow", Record({"400", "0.01", "0.01", "2"}), "", "", kOverflow},
        RowCase{"FloatingPointFault", Record({"1e308", "0.01", "1e-308", "2"}), "", "", kFault},
        RowCase{"MassOverflows", Record({"1", "1e300", "0.1", "2"}), "", "", kFault},
        RowCase{"TooFewFields", Record({"1", "0.01", "0.1"}), "", "", kFieldCount + "有 3 个"},
        RowCase{"TooManyFields", Record({"1", "0.01", "0.1", "2", "a", "b"}), "", "",
                kFieldCount + "有 6 个"},
        RowCase{"QuoteLeftOpen", Record({"1", "0.01", "0.1", "2", "open"}, kOpenQuote), "", "",
                "引号未闭合：从第 9 行起到文件末尾都在一个带引号的字段里"},
        RowCase{"FieldsBeyondTheBound", Record({"1", "0.01", "0.1", "2", "a", "b"}, kTooManyFields),
                "", "", kFieldCount + "超过 1024 个"},
        // Its fields are not kept: the line is how to find it.
        RowCase{"TooLongToKeep", Record({}, kTooLong), "", "", "第 12 行超过 1 MiB，无法读取"}),
    [](const testing::TestParamInfo<RowCase>& info) { return std::string(info.param.name); });

std::string RunSession(const std::string& bytes, std::size_t chunk, BatchSession& session) {
    std::string out;
    for (std::size_t at = 0; at < bytes.size(); at += chunk)
        EXPECT_TRUE(session.Feed(std::string_view(bytes).substr(at, chunk), out));
    EXPECT_TRUE(session.Finish(out));
    return out;
}

// However the file arrives, the same rows and the same summary; the counts
// grow as the chunks come, for a progress bar.
TEST(BatchSessions, AnswerTheSameWhateverTheChunks) {
    const std::string file = "\xEF\xBB\xBF"
                             "D,Φ,d,布置\r\n1.3,0.0065,0.1,双向\r\n\r\n0,1,1,1\r\n";
    std::string first;
    for (const std::size_t chunk : {std::size_t{1}, std::size_t{7}, file.size()}) {
        BatchSession session;
        const std::string out = RunSession(file, chunk, session);
        if (first.empty())
            first = out;
        EXPECT_EQ(out, first) << "chunks of " << chunk;
        EXPECT_EQ(session.BytesRead(), file.size());
        EXPECT_EQ(session.Rows(), 2);
        EXPECT_EQ(session.Failed(), 1);
        EXPECT_EQ(
            session.Summary(),
            "按 UTF-8 读取，共 2 行，其中 1 行无法计算，原因见 error 列；第 1 行是表头，未计算");
    }
    EXPECT_EQ(first, "D,phi,d,arrangement,label,total_m,weight_kg,error\n"
                     "1.3,0.0065,0.1,双向,," TAVRILO_TWO_WAY_TOTAL ",7.18,\n"
                     "0,1,1,1,,,,参数不能为“0”或“负值”！\n");
}

// Stopped between chunks (a cancel, a read error): the rows already whole
// are answered, the one cut off is not.
TEST(BatchSessions, StopAnswersOnlyWholeRows) {
    BatchSession session;
    std::string out;
    ASSERT_TRUE(session.Feed("1.3,0.0065,0.1,2\n2,0.012,0.1", out));
    session.Stop(out);
    EXPECT_EQ(out, "D,phi,d,arrangement,label,total_m,weight_kg,error\n"
                   "1.3,0.0065,0.1,2,," TAVRILO_TWO_WAY_TOTAL ",7.18,\n");
    EXPECT_EQ(session.Rows(), 1);
    EXPECT_EQ(session.PartialNote(), "（已输出前 1 行的结果）");
}

// The mark for Excel comes once, before the header, whether or not the
// file has rows, and never before a file that could not be decoded.
TEST(BatchSession, StartsWithTheByteOrderMarkWhenAsked) {
    const std::string header = "D,phi,d,arrangement,label,total_m,weight_kg,error\n";
    const struct {
        std::string bytes;
        std::string expected; // without the mark
    } cases[] = {{"", header},
                 {"1.3,0.0065,0.1,2\n1.3,0.0065,0.1,1\n",
                  header + "1.3,0.0065,0.1,2,," TAVRILO_TWO_WAY_TOTAL
                           ",7.18,\n1.3,0.0065,0.1,1,," TAVRILO_ONE_WAY_TOTAL ",3.59,\n"},
                 {std::string("PK\x03\x04\0\0", 6), ""}};
    for (bool mark : {false, true}) {
        for (const auto& c : cases) {
            BatchSession session(mark);
            std::string out;
            // One byte at a time: the mark must not come again with each chunk.
            for (char byte : c.bytes)
                session.Feed(std::string_view(&byte, 1), out);
            session.Finish(out);
            const std::string expected =
                (mark && !c.expected.empty() ? std::string(kByteOrderMark) : "") + c.expected;
            EXPECT_EQ(out, expected) << mark << " " << c.bytes;
        }
    }
}

} // namespace
} // namespace tavrilo
