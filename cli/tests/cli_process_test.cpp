// The command-line contract: the table of cases through the entry point, the
// streams and the version on the real program in its own process.
#include "calc/tests/initial_values.h"
#include "cli/tests/in_process.h"
#include "cli/tests/process.h"
#include "version.h"

#include <clocale>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using tavrilo::test::Outcome;
using tavrilo::test::RunCalc;
using tavrilo::test::RunCalcHere;
using tavrilo::test::Texts;

struct CliCase {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::string out; // exact stdout
    std::string errContains;
};

void PrintTo(const CliCase& c, std::ostream* os) {
    *os << c.name;
}

class CommandLine : public testing::TestWithParam<CliCase> {};

TEST_P(CommandLine, ExitsPrintsAndReportsAsDocumented) {
    const CliCase& c = GetParam();
    const Outcome o = RunCalcHere(c.args);
    EXPECT_EQ(o.status, c.status);
    EXPECT_EQ(o.out, c.out);
    if (c.errContains.empty())
        EXPECT_EQ(o.err, "");
    else
        EXPECT_NE(o.err.find(c.errContains), std::string::npos) << "stderr: " << o.err;
}

const std::string kNonPositive = "参数不能为“0”或“负值”！\n";

const std::string kTwoWay = TAVRILO_TWO_WAY_TOTAL " m\n";
const std::string kOneWay = TAVRILO_ONE_WAY_TOTAL " m\n";
const std::string kBreakdown =
    "n = 13\nr = 13\nA = 0.8125\nS = 24.120274671626635\nC = 2.6\nT = 27.532774671626637\n";

const CliCase kResults[] = {
    {"InitialValuesTwoWayByDefault", Texts("1.3", "0.0065", "0.1"), 0, kTwoWay, ""},
    {"ExplicitTwoWay", Texts("1.3", "0.0065", "0.1", "--two-way"), 0, kTwoWay, ""},
    {"OneWay", Texts("2", "0.012", "0.15", "--one-way"), 0, "22.257 m\n", ""},
    {"OptionBeforeValues", Texts("--one-way", "1.3", "0.0065", "0.1"), 0, kOneWay, ""},
    {"ValuesReadLikeTheWindow", Texts("1.3", "0.0065", "0.1m"), 0, kTwoWay, ""},
    {"CommaEndsTheNumber", Texts("1,3", "0.01", "0.1"), 0, "17.36 m\n", ""},
    {"Breakdown", Texts("1.3", "0.0065", "0.1", "--breakdown"), 0, kTwoWay + kBreakdown, ""},
};

const CliCase kFailures[] = {
    {"NegativeValueIsAValueNotAnOption", Texts("-2", "0.01", "0.1"), 1, "", kNonPositive},
    {"TextReadsAsZero", Texts("abc", "0.01", "0.1"), 1, "", kNonPositive},
    {"NegativeTotalIsNotAQuantity", Texts("0.04", "0.001", "0.1"), 1, "", "负值"},
    {"NegativeTotalWithBreakdownPrintsNothing", Texts("0.04", "0.001", "0.1", "--breakdown"), 1, "",
     "负值"},
    {"CounterOverflow", Texts("400", "0.01", "0.01"), 2, "", "溢出"},
    {"FloatingPointFault", Texts("1e308", "0.01", "1e-308"), 2, "", "浮点"},
    {"TooFewValues", Texts("1.3", "0.0065"), 64, "", "用法"},
    {"TooManyValues", Texts("1", "2", "3", "4"), 64, "", "用法"},
    {"UnknownOption", Texts("1.3", "0.0065", "0.1", "--metric"), 64, "", "--metric"},
    {"BothArrangements", Texts("1", "0.01", "0.1", "--one-way", "--two-way"), 64, "", "用法"},
};

std::string CaseName(const testing::TestParamInfo<CliCase>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Results, CommandLine, testing::ValuesIn(kResults), CaseName);
INSTANTIATE_TEST_SUITE_P(Failures, CommandLine, testing::ValuesIn(kFailures), CaseName);

TEST(CommandLine, HelpGoesToStandardOutput) {
    const Outcome o = RunCalc({"--help"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out.rfind("用法：tavrilo-calc D Φ d", 0), 0u) << o.out;
    EXPECT_EQ(o.err, "");
}

TEST(CommandLine, VersionIsTheProductVersion) {
    const Outcome o = RunCalc({"--version"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "tavrilo-calc " TAVRILO_VERSION_STRING "\n");
}

// The program itself: the result alone on standard output with a line feed,
// the messages alone on standard error, and each kind of exit status.
TEST(CommandLine, TheProgramKeepsItsStreamsAndExitStatuses) {
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out;
        std::string errStart;
    } cases[] = {
        {{"1.3", "0.0065", "0.1"}, 0, TAVRILO_TWO_WAY_TOTAL " m\n", ""},
        {{"0", "1", "1"}, 1, "", kNonPositive},
        {{"400", "0.01", "0.01"}, 2, "", "计算溢出"},
        {{"1.3"}, 64, "", "tavrilo-calc："},
    };
    for (const auto& c : cases) {
        const Outcome o = RunCalc(c.args);
        EXPECT_EQ(o.status, c.status) << c.args[0];
        EXPECT_EQ(o.out, c.out) << c.args[0];
        EXPECT_EQ(o.err.rfind(c.errStart, 0), 0u) << o.err;
        EXPECT_EQ(c.errStart.empty(), o.err.empty()) << o.err;
    }
}

TEST(CommandLine, NegativeZeroTotalPrintsAsZero) {
    // 12.5 phi equals 0.05 at phi = 0.004, so with no bars the total is 0 * 2r.
    const Outcome o = RunCalc({"0.04", "0.004", "0.1"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "0 m\n");
}

// File names in Chinese reach the files they name (on Windows the arguments
// travel as UTF-16 and the files open through wide paths).
TEST(CommandLine, ChineseFileNamesForCsvAndSvg) {
    const std::string csv = tavrilo::test::TempPath("网片表.csv");
    const std::string svg = tavrilo::test::TempPath("网片图.svg");
    tavrilo::test::WriteBytes(csv, "1.3,0.0065,0.1,双向,北区\n");
    std::filesystem::remove(tavrilo::test::Utf8Path(svg));

    const Outcome batch = RunCalc({"--csv", csv});
    EXPECT_EQ(batch.status, 0) << batch.err;
    EXPECT_EQ(batch.out, "D,phi,d,arrangement,label,total_m,weight_kg,error\n"
                         "1.3,0.0065,0.1,双向,北区," TAVRILO_TWO_WAY_TOTAL ",7.18,\n");
    const Outcome drawing = RunCalc({"1.3", "0.0065", "0.1", "--svg=" + svg});
    EXPECT_EQ(drawing.status, 0) << drawing.err;
    EXPECT_NE(tavrilo::test::Slurp(svg).find(TAVRILO_TWO_WAY_TOTAL " m"), std::string::npos);
}

// Under a Chinese legacy locale, messages and readable results come in its
// character set; CSV (and JSON) stay UTF-8.
TEST(CommandLine, MessagesInTheTerminalsCharacterSet) {
#ifdef _WIN32
    GTEST_SKIP() << "locale codesets are a Linux matter (a Windows console gets UTF-16)";
#else
    ASSERT_NE(std::setlocale(LC_CTYPE, "zh_CN.GB18030"), nullptr) << "needs locales-all";
    std::setlocale(LC_CTYPE, "C");
    auto inGb18030 = [](std::vector<std::string> args) {
        args.insert(args.begin(), {"LC_ALL=zh_CN.GB18030", TAVRILO_CALC_EXE});
        return tavrilo::test::RunProgram("/usr/bin/env", args);
    };
    const Outcome message = inGb18030({"0", "1", "1"});
    EXPECT_EQ(message.status, 1);
    EXPECT_EQ(message.err, "\xb2\xce\xca\xfd\xb2\xbb\xc4\xdc\xce\xaa\xa1\xb0"
                           "0\xa1\xb1\xbb\xf2\xa1\xb0\xb8\xba\xd6\xb5\xa1\xb1\xa3\xa1\n");
    EXPECT_EQ(inGb18030({"--help"}).out.rfind("\xd3\xc3\xb7\xa8\xa3\xba", 0), 0u); // 用法：

    const std::string csv = tavrilo::test::TempPath("locale.csv");
    tavrilo::test::WriteBytes(csv, "1.3,0.0065,0.1,双向,北区\n0,1,1,双向,\n");
    const Outcome batch = inGb18030({"--csv", csv});
    EXPECT_EQ(batch.status, 1);
    EXPECT_NE(batch.out.find("1.3,0.0065,0.1,双向,北区," TAVRILO_TWO_WAY_TOTAL ",7.18,\n"),
              std::string::npos)
        << batch.out;
    EXPECT_NE(batch.err.find("\xb9\xb2 2 \xd0\xd0"), std::string::npos) << batch.err; // 共 2 行
#endif
}

} // namespace
