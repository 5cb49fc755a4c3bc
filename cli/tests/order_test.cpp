// tavrilo-calc --order and --cut: what each case prints and its exit status,
// and the files it writes.
#include "cli/tests/in_process.h"
#include "cli/tests/process.h"
#include "text/utf8.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using tavrilo::test::Outcome;
using tavrilo::test::RunCalcHere;
using tavrilo::test::Slurp;
using tavrilo::test::TempPath;
using tavrilo::test::Texts;
using tavrilo::test::WriteBytes;

const std::string kSite = "D,phi,d,arrangement,label,number\n"
                          "1.3,0.0065,0.1,双向,井盖,24\n"
                          "2.5,0.008,0.15,单向,水池底板,3\n";

struct OrderCase {
    const char* name;
    std::vector<std::string> args;
    std::string input; // standard input
    int status;
    std::string outContains; // empty: nothing on standard output
    std::string errContains; // empty: nothing on standard error
};

void PrintTo(const OrderCase& c, std::ostream* os) {
    *os << c.name;
}

class OrderCommands : public testing::TestWithParam<OrderCase> {};

TEST_P(OrderCommands, PrintAndExitAsTheOtherCommandsDo) {
    const OrderCase& c = GetParam();
    const Outcome o = RunCalcHere(c.args, c.input);
    EXPECT_EQ(o.status, c.status) << o.err;
    if (c.outContains.empty())
        EXPECT_EQ(o.out, "");
    else
        EXPECT_NE(o.out.find(c.outContains), std::string::npos) << o.out;
    if (c.errContains.empty())
        EXPECT_EQ(o.err, "");
    else
        EXPECT_NE(o.err.find(c.errContains), std::string::npos) << o.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OrderCommands,
    testing::Values(
        OrderCase{
            "Schedule", Texts("--order", "-"), kSite, 0,
            "直径 6.5 mm（盘条，按重量采购；624 段调直切断）\n  采购：盘条 172.26 kg（0.172 t）",
            ""},
        OrderCase{"ScheduleWithoutCoils", Texts("--order", "-", "--coils", "0"), kSite, 0,
                  "直径 6.5 mm（624 段下料）\n  采购：12 m × 35 根、9 m × 27 根，共 62 根", ""},
        OrderCase{"CoilsRefused", Texts("--order", "-", "--coils", "10mm"), kSite, 64, "",
                  "盘条直径上限“10mm”无效"},
        OrderCase{"ScheduleAsJson", Texts("--order", "-", "--json"), kSite, 0, "\"proven_optimal\"",
                  ""},
        OrderCase{"RowLeftOut", Texts("--order", "-"), kSite + "0,0.0065,0.1,2\n", 1,
                  "第 4 行：参数不能为“0”或“负值”！", "1 行未计入"},
        OrderCase{"LongBarWithoutSplice", Texts("--cut", "-"), "20.5,4,0.012\n", 1, "",
                  "直径 12 mm 20.5 m × 4 根"},
        OrderCase{"LongBarLapped", Texts("--cut", "-", "--lap=36d"), "20.5,4,0.012\n", 0, "接长",
                  ""},
        OrderCase{"NothingToCut", Texts("--cut", "-"), "长度,根数\n", 1, "", "没有可下料的钢筋"},
        OrderCase{"BadStock", Texts("--cut", "-", "--stock", "9,x"), "1,1\n", 64, "",
                  "定尺长度“9,x”"},
        OrderCase{"LapNotJustANumber", Texts("--cut", "-", "--lap", "36dd"), "1,1\n", 64, "",
                  "搭接长度“36dd”"},
        OrderCase{"LapAndCouplers", Texts("--cut", "-", "--lap", "36d", "--couplers"), "", 64, "",
                  "--lap 与 --couplers 不能同时使用"},
        OrderCase{"SettingWithoutOrder", Texts("1.3", "0.0065", "0.1", "--kerf", "0.003"), "", 64,
                  "", "--kerf 只用于 --order 或 --cut"},
        OrderCase{"OrderOverItsList", Texts("--cut", "same.csv", "--order-csv", "./same.csv"), "",
                  64, "", "--order-csv 与 --cut 是同一个文件"},
        OrderCase{"DrawingOverItsSchedule", Texts("--order", "same.csv", "--order-svg", "same.csv"),
                  "", 64, "", "--order-svg 与 --order 是同一个文件"},
        OrderCase{"TwoOutputsInOneFile",
                  Texts("--cut", "-", "--order-csv", "out", "--order-svg", "out"), "1,1\n", 64, "",
                  "--order-csv 与 --order-svg 是同一个文件"},
        OrderCase{"OrderWithValues", Texts("--order", "-", "1.3"), "", 64, "", "不能再给出 D Φ d"},
        OrderCase{"MissingFile", Texts("--order", "/nonexistent/site.csv"), "", 2, "",
                  "无法打开文件 /nonexistent/site.csv"},
        OrderCase{"PiecesInMillimetres", Texts("--cut", "-", "--stock", "12"),
                  "长度（mm）,根数,直径（毫米）\n5850,12,16\n", 0, "12 m × 6 根：5.85 × 2", ""},
        OrderCase{"MillimetresUnsaid", Texts("--cut", "-"), "长度,根数,直径\n5850,12,0.016\n", 1,
                  "", "是否以毫米计？"}),
    [](const testing::TestParamInfo<OrderCase>& info) { return info.param.name; });

TEST(OrderFiles, AreTheCsvWithItsMarkAndTheDrawing) {
    const std::string site = TempPath("site.csv");
    const std::string csv = TempPath("order.csv");
    const std::string svg = TempPath("order.svg");
    WriteBytes(site, kSite);
    const Outcome o =
        RunCalcHere({"--order", site, "--order-csv", csv, "--bom", "--order-svg", svg});
    ASSERT_EQ(o.status, 0) << o.err;
    const std::string written = Slurp(csv);
    EXPECT_TRUE(written.starts_with(std::string(tavrilo::kByteOrderMark) + "级别,直径 (mm),项目"));
    EXPECT_NE(written.find("\n,6.5,调直切断,,"), std::string::npos) << written;
    const std::string drawing = Slurp(svg);
    EXPECT_TRUE(drawing.starts_with("<?xml")) << drawing.substr(0, 80);
    EXPECT_TRUE(drawing.ends_with("</svg>\n"));
}

// The store brought up to date in place: the bars used go, the offcuts kept
// come in; an order that fails leaves it as it was; it is written nowhere
// else that is read or written.
TEST(OrderFiles, TheStoreIsUsedAndWrittenBackInPlace) {
    const std::string pieces = TempPath("beams.csv");
    const std::string store = TempPath("store.csv");
    WriteBytes(pieces, "5.85,12,0.016\n3.2,30,0.016\n");
    const std::string before = "直径,长度,根数\n0.016,12,2\n0.016,4.5,3\n";
    WriteBytes(store, before);
    // 5.85 m pieces from 5 m bars: refused, and the store stays as it was.
    const Outcome refused =
        RunCalcHere({"--cut", pieces, "--stock", "5", "--store", store, "--store-out", store});
    EXPECT_EQ(refused.status, 1) << refused.err;
    EXPECT_EQ(Slurp(store), before);
    const Outcome o =
        RunCalcHere({"--cut", pieces, "--store", store, "--store-out", store, "--json"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("\"from_store\": true"), std::string::npos);
    const std::string after = Slurp(store);
    EXPECT_TRUE(after.starts_with("直径,长度,根数,级别,单价,备注\n")) << after;
    EXPECT_EQ(after.find("0.016,12,"), std::string::npos) << after; // both whole bars used
    EXPECT_NE(after.find(" 余料\n"), std::string::npos) << after;   // offcuts named
    EXPECT_NE(after.find("beams.csv "), std::string::npos) << after;
    const Outcome clash = RunCalcHere({"--cut", pieces, "--store-out", pieces});
    EXPECT_EQ(clash.status, 64);
    EXPECT_EQ(Slurp(pieces), "5.85,12,0.016\n3.2,30,0.016\n");
}

} // namespace
