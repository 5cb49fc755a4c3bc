#include "app/steel_order.h"
#include "calc/cutlist.h"
#include "calc/evaluate.h"
#include "text/order_messages.h"
#include "text/order_phrases.h"

#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <tuple>
#include <variant>
#include <vector>

namespace tavrilo {
namespace {

// The order, every plan verified; unless the settings say otherwise, every
// diameter bought as stock bars, so that the plans are tried on thin bars too.
OrderAnswer Order(OrderSource source, const std::string& csv, OrderSettingsText typed = {}) {
    typed.CoilsUpTo = typed.CoilsUpTo.value_or("0");
    OrderReader reader(source);
    // Fed a byte at a time: no row may depend on where a chunk ends.
    for (char c : csv)
        EXPECT_TRUE(reader.Feed(std::string_view(&c, 1)));
    EXPECT_TRUE(reader.Finish());
    const auto settings = ReadOrderSettings(typed);
    EXPECT_TRUE(std::holds_alternative<OrderSettings>(settings));
    OrderAnswer answer = MakeSteelOrder(reader, std::get<OrderSettings>(settings));
    for (const OrderGroup& group : answer.Order.Groups) {
        if (group.Coiled) {
            EXPECT_TRUE(group.Plan.Patterns.empty() && group.Spliced.empty());
            continue;
        }
        cutting::Problem problem;
        problem.StockLengths = answer.Order.Settings.StockLengths;
        problem.Kerf = answer.Order.Settings.Kerf;
        problem.Pieces = group.Demand;
        EXPECT_EQ(cutting::VerifyPlan(problem, group.Plan), std::nullopt);
        EXPECT_EQ(group.Used + group.OffcutKept + group.Waste, group.Plan.Bought);
        EXPECT_GE(group.Waste, 0);
    }
    return answer;
}

// Every piece the plan cuts, length by length.
std::map<Millimetres, std::int64_t> CutPieces(const OrderGroup& group) {
    std::map<Millimetres, std::int64_t> pieces;
    for (const cutting::Pattern& pattern : group.Plan.Patterns)
        for (Millimetres piece : pattern.Pieces)
            pieces[piece] += pattern.Count;
    return pieces;
}

TEST(SteelOrderSchedule, CutsEachMeshsCutListTimesItsDirectionsAndNumber) {
    const OrderAnswer answer = Order(OrderSource::Schedule, "D,phi,d,arrangement,label,number\n"
                                                            "1.3,0.0065,0.1,双向,井盖,24\n"
                                                            "2.5,0.0065,0.15,单向\n"
                                                            "0,0.0065,0.1,双向\n"
                                                            "1.3,0.0065,0.1,双向,,0\n");
    ASSERT_FALSE(answer.Refusal);
    const SteelOrder& order = answer.Order;
    EXPECT_EQ(order.Rows, 4);
    EXPECT_EQ(order.Meshes, 25);
    EXPECT_EQ(order.HeaderLine, 1u);
    ASSERT_EQ(order.Omitted.size(), 2u);
    EXPECT_EQ(order.Omitted[0].Line, 4u);
    EXPECT_EQ(order.Omitted[0].Reason, "参数不能为“0”或“负值”！"); // as the batch says it
    EXPECT_EQ(order.Omitted[1].Line, 5u);
    EXPECT_NE(order.Omitted[1].Reason.find("数量“0”"), std::string::npos);

    std::map<Millimetres, std::int64_t> expected;
    Millimetres used = 0;
    for (auto [d, s, arrangement, times] : {std::tuple{1.3, 0.1, Arrangement::TwoWay, 24},
                                            std::tuple{2.5, 0.15, Arrangement::OneWay, 1}}) {
        const MeshInputs inputs{d, 0.0065, s};
        const auto mesh = std::get<MeshLength>(EvaluateMesh(inputs, arrangement));
        const auto cuts = std::get<CutList>(BuildCutList(inputs, arrangement, mesh));
        const int directions = arrangement == Arrangement::TwoWay ? 2 : 1;
        for (const CutLine& line : cuts.Lines) {
            const auto mm = static_cast<Millimetres>(std::llround(line.CutLength * 1000));
            expected[mm] += line.Count * directions * times;
            used += mm * line.Count * directions * times;
        }
    }
    ASSERT_EQ(order.Groups.size(), 1u);
    EXPECT_EQ(CutPieces(order.Groups[0]), expected);
    EXPECT_EQ(order.Groups[0].Used, used);
    EXPECT_TRUE(order.Groups[0].Kilograms.has_value());
}

TEST(SteelOrderPieces, GroupByDiameterAndCountTheLengthsRounded) {
    const OrderAnswer answer = Order(OrderSource::PieceList,
                                     "长度,根数,直径,备注\n"
                                     "3.2,10,0.012,池底\n"
                                     "2.1235,5\n"   // to 2.124 m
                                     "2.1245,1,,\n" // to 2.124 m: half to even
                                     "1.5,2,0.008\n"
                                     "0.0004,3\n"
                                     "1,2.5\n"
                                     "1,2,-1\n");
    ASSERT_FALSE(answer.Refusal);
    const SteelOrder& order = answer.Order;
    EXPECT_EQ(order.RoundedLengths, 2);
    ASSERT_EQ(order.Omitted.size(), 3u);
    EXPECT_EQ(order.Omitted[0].Line, 6u);
    EXPECT_EQ(order.Omitted[1].Line, 7u);
    EXPECT_EQ(order.Omitted[2].Line, 8u);
    ASSERT_EQ(order.Groups.size(), 3u); // 8 mm, 12 mm, then none
    EXPECT_EQ(order.Groups[0].BarDiameter, 0.008);
    EXPECT_EQ(order.Groups[1].BarDiameter, 0.012);
    EXPECT_FALSE(order.Groups[2].BarDiameter);
    EXPECT_FALSE(order.Groups[2].Kilograms);
    EXPECT_EQ(CutPieces(order.Groups[2]), (std::map<Millimetres, std::int64_t>{{2124, 6}}));
}

// Where each joint of a spliced bar lies from the end its pieces are laid
// from, in millimetres: lap centres, or couplers.
std::vector<double> JointPositions(const SplicedBars& bars) {
    std::vector<double> joints;
    double end = 0;
    for (std::size_t i = 0; i + 1 < bars.Pieces.size(); ++i) {
        end += static_cast<double>(bars.Pieces[i]) - (i > 0 ? bars.Lap : 0);
        joints.push_back(end - bars.Lap / 2.0);
    }
    return joints;
}

struct SpliceCase {
    const char* name;
    OrderSource source;
    const char* file;
    OrderSettingsText typed;
    double apart;         // GB 50010: 1.3 laps between lap centres, 35d between couplers
    Millimetres shortest; // no piece of a spliced bar shorter
    bool staggered;       // false: the stock cannot give it, and the order says so
    std::vector<Millimetres> firstOddBar = {};
};

class LongBars : public testing::TestWithParam<SpliceCase> {};

// The odd and the even bars of each length, neighbours side by side with
// their ends level: every joint of one kind far enough from every joint of
// the other, no piece too short or longer than the stock, the pieces less
// the laps the bar's length, and the plan cutting every piece.
TEST_P(LongBars, AreSplicedWithTheJointsOfNeighboursApart) {
    const SpliceCase& c = GetParam();
    const OrderAnswer answer = Order(c.source, c.file, c.typed);
    ASSERT_FALSE(answer.Refusal) << answer.Refusal->Message;
    const OrderGroup& group = answer.Order.Groups.at(0);
    ASSERT_FALSE(group.Spliced.empty());
    if (!c.firstOddBar.empty()) {
        EXPECT_EQ(group.Spliced[0].Pieces, c.firstOddBar);
    }
    std::map<Millimetres, std::int64_t> pieces, odds;
    std::map<Millimetres, std::vector<double>> odd;
    std::size_t evens = 0;
    for (const SplicedBars& kind : group.Spliced) {
        Millimetres laid = 0;
        for (Millimetres piece : kind.Pieces) {
            EXPECT_GE(piece, c.shortest) << kind.Length;
            EXPECT_LE(piece, kind.Stock) << kind.Length;
            laid += piece;
            pieces[piece] += kind.Count;
        }
        EXPECT_EQ(laid - kind.Joints() * kind.Lap, kind.Length);
        if (!kind.Even) {
            odd[kind.Length] = JointPositions(kind);
            odds[kind.Length] = kind.Count;
            continue;
        }
        EXPECT_TRUE(odds.at(kind.Length) - kind.Count == 0 || odds[kind.Length] - kind.Count == 1);
        ++evens;
        double nearest = 1e18;
        for (double a : odd.at(kind.Length))
            for (double b : JointPositions(kind))
                nearest = std::min(nearest, std::abs(a - b));
        EXPECT_EQ(nearest >= c.apart, c.staggered) << kind.Length << ": " << nearest;
        EXPECT_EQ(kind.Staggered(), c.staggered) << order_phrases::SpliceLine(kind);
        EXPECT_EQ(order_phrases::SpliceLine(kind).ends_with("，错开"), c.staggered);
    }
    EXPECT_EQ(evens, odd.size()) << "every length has two or more bars, odd and even";
    EXPECT_EQ(order_phrases::SplicesHeading(answer.Order, group).ends_with("相邻钢筋接头错开）"),
              c.staggered);
    for (const auto& [length, count] : pieces)
        EXPECT_GE(CutPieces(group)[length], count) << length;
}

constexpr const char* kTankBase = "D,Φ,d,布置形式\n23,0.012,0.15,双向,水池底板\n";

INSTANTIATE_TEST_SUITE_P(
    Splices, LongBars,
    testing::Values(
        // One coupler each at mid-length: the even bars take a piece more.
        SpliceCase{"Couplers24m",
                   OrderSource::PieceList,
                   "24,10,0.025\n",
                   {.Couplers = true},
                   875,
                   875,
                   true,
                   {12000, 12000}},
        // Laps 68 mm apart before.
        SpliceCase{"Lapped23_5m",
                   OrderSource::PieceList,
                   "23.5,10,0.012\n",
                   {.Lap = "36d"},
                   1.3 * 432,
                   648,
                   true,
                   {12000, 11932}},
        SpliceCase{
            "TankBase", OrderSource::Schedule, kTankBase, {.Lap = "36d"}, 1.3 * 432, 648, true},
        // A 1 mm closing piece before: the whole bar before it gives way.
        SpliceCase{"Couplers12_001m",
                   OrderSource::PieceList,
                   "12.001,4,0.025\n",
                   {.Couplers = true},
                   875,
                   875,
                   true,
                   {11126, 875}},
        // 10d of a 12 mm bar is 120 mm: never below 300 mm.
        SpliceCase{"Lapped30_5m",
                   OrderSource::PieceList,
                   "30.5,3,0.012\n2,1,0.012\n",
                   {.Lap = "10d"},
                   1.3 * 300,
                   500,
                   true,
                   {12000, 12000, 30500 - 2 * 11700}},
        SpliceCase{"LapInMetres",
                   OrderSource::PieceList,
                   "30.5,3,0.012\n",
                   {.Lap = "0.5"},
                   1.3 * 500,
                   750,
                   true,
                   {12000, 12000, 30500 - 2 * 11500}},
        // Laps 0.45 m on 1 m stock are 0.55 m apart: never 1.3 laps.
        SpliceCase{"StockTooShortToStagger",
                   OrderSource::PieceList,
                   "2,2,0.012\n",
                   {.StockLengths = "1", .Lap = "0.45"},
                   1.3 * 450,
                   675,
                   false}),
    [](const testing::TestParamInfo<SpliceCase>& info) { return info.param.name; });

TEST(LongBars, AreNotLappedByMoreThanHalfTheStock) {
    OrderReader reader(OrderSource::PieceList);
    ASSERT_TRUE(reader.Feed("1,2,0.012\n") && reader.Finish());
    const OrderAnswer answer = MakeSteelOrder(
        reader, std::get<OrderSettings>(ReadOrderSettings({.StockLengths = "0.5", .Lap = "36d"})));
    ASSERT_TRUE(answer.Refusal);
    EXPECT_TRUE(answer.Refusal->ByInput);
    EXPECT_EQ(answer.Refusal->Message, LapTooLongMessage(432, 500));
}

TEST(LongBars, AreRefusedWithoutASpliceNamingThem) {
    OrderReader reader(OrderSource::PieceList);
    ASSERT_TRUE(reader.Feed("20.5,4,0.012\n3,2,0.012\n25,1\n"));
    ASSERT_TRUE(reader.Finish());
    const OrderAnswer none = MakeSteelOrder(reader, OrderSettings{});
    ASSERT_TRUE(none.Refusal);
    EXPECT_TRUE(none.Refusal->ByInput);
    EXPECT_NE(none.Refusal->Message.find("直径 12 mm 20.5 m × 4 根"), std::string::npos);
    EXPECT_NE(none.Refusal->Message.find("；未注明直径 25 m × 1 根"), std::string::npos);
    // A lap by the bar diameter cannot be had for a bar without one.
    OrderSettings byDiameter;
    byDiameter.Splice = SpliceMethod::Lap;
    byDiameter.LapTimesDiameter = 36;
    const OrderAnswer lap = MakeSteelOrder(reader, byDiameter);
    ASSERT_TRUE(lap.Refusal);
    EXPECT_EQ(lap.Refusal->Message, LapNeedsDiameterMessage());
}

// Grades keep groups of one diameter apart; bars up to the coil diameter are
// bought by weight as the pieces' mass, however long; straight bars join the
// meshes' pieces; a grade no one makes refuses its row by name.
TEST(SteelOrderGrades, GroupByGradeAndBuyThinBarsAsCoils) {
    const OrderAnswer answer = Order(OrderSource::Schedule,
                                     "D,Φ,d,布置形式,备注,数量,级别\n"
                                     "1.3,0.0065,0.1,双向,井盖,2,hpb300\n"
                                     "25,0.008,,直条,长筋,3,HRB400\n"
                                     "6,0.012,,直筋,洞口,4, HRB400E \n"
                                     "7.5,0.012,,straight,,2\n"
                                     "6,0.012,,直条,,1,HRB335\n",
                                     {.CoilsUpTo = "8"});
    ASSERT_FALSE(answer.Refusal) << answer.Refusal->Message;
    const SteelOrder& order = answer.Order;
    ASSERT_EQ(order.OmittedRows, 1);
    EXPECT_NE(order.Omitted[0].Reason.find("HRB335"), std::string::npos);
    EXPECT_EQ(order.Meshes, 2);
    EXPECT_EQ(order.StraightBars, 9);
    struct Expected {
        std::optional<SteelGrade> Grade;
        double Diameter;
        bool Coiled;
        Millimetres Used;
        std::optional<double> Kilograms;
    };
    const Expected expected[] = {
        {SteelGrade::HPB300, 0.0065, true, 2 * 27'534, 14.36}, // 55.068 m × 0.2606825 kg/m
        {SteelGrade::HRB400, 0.008, true, 3 * 25'000, 29.62},  // 75 m × 0.39488 kg/m
        {SteelGrade::HRB400E, 0.012, false, 4 * 6'000, std::nullopt},
        {std::nullopt, 0.012, false, 2 * 7'500, std::nullopt},
    };
    ASSERT_EQ(order.Groups.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const OrderGroup& group = order.Groups[i];
        EXPECT_EQ(group.Grade, expected[i].Grade) << i;
        EXPECT_EQ(group.BarDiameter, expected[i].Diameter) << i;
        EXPECT_EQ(group.Coiled, expected[i].Coiled) << i;
        EXPECT_EQ(group.Used, expected[i].Used) << i;
        if (expected[i].Kilograms) {
            EXPECT_EQ(group.Kilograms, expected[i].Kilograms) << i;
        }
    }
    ASSERT_EQ(order.Groups[1].Demand.size(), 1u); // not spliced: cut from the coil whole
    EXPECT_EQ(order.Groups[1].Demand[0].Length, 25'000);
    EXPECT_EQ(order.Groups[2].Plan.Bought, 24'000); // two 12 m bars, three pieces each
}

TEST(OrderSettingsText, AreReadOrRefusedByName) {
    const auto defaults = std::get<OrderSettings>(ReadOrderSettings({}));
    EXPECT_EQ(defaults.StockLengths, (std::vector<Millimetres>{9000, 12000}));
    EXPECT_EQ(defaults.Kerf, 0);
    EXPECT_EQ(defaults.ShortestKept, 500);
    EXPECT_EQ(defaults.Splice, SpliceMethod::None);
    EXPECT_EQ(defaults.CoilsUpTo, 0.010);
    const auto read = std::get<OrderSettings>(
        ReadOrderSettings({.StockLengths = "12，6, 9,12", .Kerf = "0.003"}));
    EXPECT_EQ(read.StockLengths, (std::vector<Millimetres>{6000, 9000, 12000}));
    EXPECT_EQ(read.Kerf, 3);
    const OrderSettingsText refused[] = {{.StockLengths = "9,,12"},
                                         {.StockLengths = "0.005"},
                                         {.StockLengths = "101"},
                                         {.StockLengths = "abc"},
                                         {.Kerf = "-0.001"},
                                         {.Kerf = "0.2"},
                                         {.ShortestKept = "x"},
                                         {.Lap = "0.2"},
                                         {.Lap = "d"},
                                         {.Lap = "-36d"},
                                         {.CoilsUpTo = "-1"},
                                         {.CoilsUpTo = "51"},
                                         {.CoilsUpTo = "10mm"},
                                         {.Shear = "16:0"},
                                         {.Shear = "16:2.5"},
                                         {.Shear = "16"},
                                         {.Shear = "2:4"},
                                         {.Shear = "16:4,16:5"},
                                         {.Shear = ""}};
    for (const OrderSettingsText& typed : refused)
        EXPECT_TRUE(std::holds_alternative<std::string>(ReadOrderSettings(typed)));
    // The diameters given replace the common shear's; one between two takes
    // the thicker one's, one above them all cuts alone.
    const auto shear = std::get<OrderSettings>(ReadOrderSettings({.Shear = "12:3，16：5, 16:5"}));
    const std::pair<double, std::int64_t> bars[] = {
        {0.012, 3}, {0.0125, 5}, {0.016, 5}, {0.032, 1}, {0.05, 1}};
    for (const auto& [diameter, count] : bars)
        EXPECT_EQ(shear.BarsPerStroke(diameter), count) << diameter;
    EXPECT_EQ(defaults.BarsPerStroke(0.016), 4);
}

TEST(SteelOrderStrokes, BundlesOfTheShearsCapacityAreCutAtEveryCutOfThePattern) {
    // 26 pieces of 5.9 m: 13 bars of 12 m cut twice each (2 × 5.9, 0.2 m
    // over); coils are not sheared.
    const std::pair<const char*, std::int64_t> strokes[] = {{"", 8}, {"16:13", 2}, {"16:1", 26}};
    for (const auto& [shear, expected] : strokes) {
        OrderSettingsText typed{.CoilsUpTo = "8"};
        if (*shear != '\0')
            typed.Shear = shear;
        const SteelOrder order =
            Order(OrderSource::PieceList, "5.9,26,0.016\n3,7,0.008\n", typed).Order;
        ASSERT_EQ(order.Groups.size(), 2u);
        EXPECT_EQ(order.Groups[0].BarsPerStroke, 0);
        EXPECT_EQ(order.Groups[1].Plan.Patterns.size(), 1u);
        EXPECT_EQ(order.Groups[1].Strokes(), expected) << shear;
        EXPECT_EQ(order.Strokes(), expected);
    }
}

} // namespace
} // namespace tavrilo
