#include "calc/tests/initial_values.h"
#include "text/report.h"

#include <gtest/gtest.h>
#include <string>

namespace tavrilo {
namespace {

CutList Cut(const MeshInputs& in, Arrangement a) {
    const MeshLengthOutcome mesh = ComputeMeshLength(in, a);
    EXPECT_TRUE(std::holds_alternative<MeshLength>(mesh));
    const CutListOutcome outcome = BuildCutList(in, a, std::get<MeshLength>(mesh));
    EXPECT_TRUE(std::holds_alternative<CutList>(outcome));
    return std::get<CutList>(outcome);
}

TEST(WeightReport, ShowsTheMassAndTheRuleItCameFrom) {
    const std::optional<BarMass> mass = ComputeBarMass(test::kTwoWayTotal, 0.0065);
    ASSERT_TRUE(mass.has_value());
    EXPECT_EQ(WeightReport(*mass, test::kTwoWayTotal),
              "理论重量 7.18 kg（按钢筋总长度 " TAVRILO_TWO_WAY_TOTAL " m 计）\n"
              "每米质量 0.2607 kg/m（0.00617 × 6.5²）\n");
}

TEST(CutListReport, ShowsTheLinesTotalsAndWhyTheWindowDiffers) {
    const std::string text = CutListReport(Cut({1.3, 0.0065, 0.1}, Arrangement::TwoWay));
    for (const char* part :
         {"每方向 13 根，共 26 根", "0                     1.3               1.331         1\n",
          "±0.6                  0.5               0.531         2\n",
          "每方向合计：13 根，弦长 13.36 m，下料长度 " TAVRILO_ONE_WAY_TOTAL " m",
          "两个方向合计：26 根，弦长 26.72 m，下料长度 " TAVRILO_TWO_WAY_TOTAL " m",
          "2r = 2 × 13 = 26 次", "相差（公式 − 下料单）   0 m"})
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
    EXPECT_EQ(text.find("舍入"), std::string::npos) << "no rounding line when nothing is left";

    const std::string none = CutListReport(Cut({0.04, 0.006, 0.1}, Arrangement::OneWay));
    EXPECT_NE(none.find("没有钢筋"), std::string::npos);
    EXPECT_NE(none.find("r = 0.4 次"), std::string::npos) << none;
}

// The CSV has the report's table: one row a line, the totals, and a mesh
// without bars still has its header and totals.
TEST(CutListCsv, HoldsTheReportsTableForASpreadsheet) {
    const struct {
        MeshInputs inputs;
        Arrangement layout;
        const char* expected;
    } cases[] = {
        {{0.5, 0.01, 0.1},
         Arrangement::TwoWay,
         "距中心 (m),弦长 (m),下料长度 (m),每方向根数\n"
         "0,0.5,0.575,1\n"
         "±0.1,0.458,0.533,2\n"
         "±0.2,0.3,0.375,2\n"
         "每方向合计,2.017,2.392,5\n"
         "两个方向合计,4.033,4.783,10\n"},
        {{0.04, 0.006, 0.1},
         Arrangement::OneWay,
         "距中心 (m),弦长 (m),下料长度 (m),根数\n合计,0,0,0\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CutListCsv(Cut(c.inputs, c.layout)), c.expected);
}

} // namespace
} // namespace tavrilo
