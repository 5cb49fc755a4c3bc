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
    const std::optional<BarMass> mass = ComputeBarMass(27.533, 0.0065);
    ASSERT_TRUE(mass.has_value());
    EXPECT_EQ(WeightReport(*mass, 27.533), "理论重量 7.18 kg（按钢筋总长度 27.533 m 计）\n"
                                           "每米质量 0.2607 kg/m（0.00617 × 6.5²）\n");
}

TEST(CutListReport, ShowsTheLinesTotalsAndWhyTheWindowDiffers) {
    const std::string text = CutListReport(Cut({1.3, 0.0065, 0.1}, Arrangement::TwoWay));
    for (const char* part :
         {"每方向 13 根，共 26 根", "0                     1.3               1.331         1\n",
          "±0.6                  0.5               0.531         2\n",
          "每方向合计：13 根，弦长 13.36 m，下料长度 13.766 m",
          "两个方向合计：26 根，弦长 26.72 m，下料长度 27.533 m", "2r = 2 × 13 = 26 次",
          "相差（公式 − 下料单）   0 m"})
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
    EXPECT_EQ(text.find("舍入"), std::string::npos) << "no rounding line when nothing is left";

    const std::string none = CutListReport(Cut({0.04, 0.006, 0.1}, Arrangement::OneWay));
    EXPECT_NE(none.find("没有钢筋"), std::string::npos);
    EXPECT_NE(none.find("r = 0.4 次"), std::string::npos) << none;
}

} // namespace
} // namespace tavrilo
