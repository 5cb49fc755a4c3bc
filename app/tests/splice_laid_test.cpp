#include "app/steel_order.h"
#include "calc/cutlist.h"
#include "calc/evaluate.h"
#include "calc/number.h"
#include "text/order_phrases.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <ostream>
#include <string>
#include <tuple>
#include <variant>
#include <vector>

namespace tavrilo {
namespace {

// A mesh of a schedule and how its long bars are joined.
struct MeshCase {
    const char* name;
    double diameter, bar, spacing; // metres
    Arrangement layout;
    OrderSettingsText typed;
    Millimetres apart;    // GB 50010: 1.3 laps between lap centres, 35d between couplers
    bool someUnstaggered; // the stock cannot stagger every bar beside another
};

void PrintTo(const MeshCase& c, std::ostream* out) {
    *out << c.name;
}

// The cut length of every bar of one layer, from one edge to the other, as
// the mesh's geometry gives it: each chord centred on the mesh's axis.
std::vector<Millimetres> Layer(const MeshCase& c) {
    const MeshInputs inputs{c.diameter, c.bar, c.spacing};
    const auto mesh = std::get<MeshLength>(EvaluateMesh(inputs, c.layout));
    const auto cuts = std::get<CutList>(BuildCutList(inputs, c.layout, mesh));
    std::vector<double> offsets;
    for (const BarPosition& p : BarPositions(cuts.BarsPerDirection, c.spacing)) {
        offsets.push_back(p.Offset);
        if (p.Count == 2)
            offsets.insert(offsets.begin(), -p.Offset);
    }
    std::vector<Millimetres> layer;
    for (double offset : offsets) {
        const double cut = RoundHalfEven(ChordLength(c.diameter, offset) + cuts.Allowance, 3);
        layer.push_back(static_cast<Millimetres>(std::llround(cut * 1000)));
    }
    return layer;
}

// Twice the distance of each joint (lap centre or coupler) of a bar from the
// mesh's axis.
std::vector<Millimetres> JointsAlongAxis(const SplicedBars& bars) {
    std::vector<Millimetres> joints;
    Millimetres end = 0;
    for (std::size_t i = 0; i + 1 < bars.Pieces.size(); ++i) {
        end += bars.Pieces[i] - (i > 0 ? bars.Lap : 0);
        joints.push_back(2 * end - bars.Lap - bars.Length);
    }
    return joints;
}

// Bars of one length and kind, staggered (0), not (1), or with no joints
// beside them (2): how many, and the least distance to the joints beside them.
using Standing = std::tuple<Millimetres, bool, int>;
struct Tally {
    std::int64_t count = 0;
    Millimetres nearest = std::numeric_limits<Millimetres>::max();
    friend bool operator==(const Tally&, const Tally&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Tally& t) {
        return out << t.count << " bars, nearest " << t.nearest << " mm";
    }
};
using Tallies = std::map<Standing, Tally>;

// What the order says of its spliced bars, one layout to a length and kind.
Tallies Said(const OrderGroup& group,
             std::map<std::tuple<Millimetres, bool>, const SplicedBars*>& kinds) {
    Tallies said;
    for (const SplicedBars& bars : group.Spliced) {
        const auto [at, added] = kinds.try_emplace({bars.Length, bars.Even}, &bars);
        EXPECT_EQ(at->second->Pieces, bars.Pieces) << "one layout to a length and kind";
        const int standing = !bars.Nearest ? 2 : bars.Staggered() ? 0 : 1;
        Tally& tally = said[{bars.Length, bars.Even, standing}];
        tally.count += bars.Count;
        tally.nearest = std::min(tally.nearest, bars.Nearest.value_or(tally.nearest));
        EXPECT_EQ(order_phrases::SpliceLine(bars).ends_with("，错开"), bars.Staggered());
    }
    return said;
}

// What the mesh's layers show of them: every bar checked against the bars
// beside it where they lie, with the order's pieces for its length and kind
// (odd and even bars alternating from the layer's first edge, the second
// layer of a two-way mesh beginning with an even bar), its joints measured
// along the mesh's axis.
Tallies Seen(const MeshCase& c,
             const std::map<std::tuple<Millimetres, bool>, const SplicedBars*>& kinds) {
    const auto joints = [&](Millimetres length, bool even) {
        const auto kind = kinds.find({length, even});
        return kind == kinds.end() ? std::vector<Millimetres>{} : JointsAlongAxis(*kind->second);
    };
    const std::vector<Millimetres> layer = Layer(c);
    const auto directions = static_cast<std::size_t>(DirectionCount(c.layout));
    Tallies seen;
    for (std::size_t direction = 0; direction < directions; ++direction)
        for (std::size_t k = 0; k < layer.size(); ++k) {
            const bool even = (k + direction) % 2 == 1;
            const std::vector<Millimetres> mine = joints(layer[k], even);
            if (mine.empty())
                continue;
            Millimetres nearest = std::numeric_limits<Millimetres>::max();
            for (std::size_t j : {k - 1, k + 1})
                if (j < layer.size())
                    for (Millimetres a : mine)
                        for (Millimetres b : joints(layer[j], !even))
                            nearest = std::min(nearest, std::abs(a - b) / 2);
            const int standing = nearest == std::numeric_limits<Millimetres>::max() ? 2
                                 : nearest >= c.apart                               ? 0
                                                                                    : 1;
            Tally& tally = seen[{layer[k], even, standing}];
            tally.count += 1;
            tally.nearest = std::min(tally.nearest, nearest);
        }
    return seen;
}

// Every diameter bought as stock bars, thin ones too: coils are never spliced.
OrderSettingsText Stock(OrderSettingsText typed) {
    typed.CoilsUpTo = "0";
    return typed;
}

class LaidBars : public testing::TestWithParam<MeshCase> {};

// Each bar the order says is staggered is, each it names is not, with the
// distance it gives, and the heading counts those that are not.
TEST_P(LaidBars, AreStaggeredAgainstTheBarsBesideThemWhereTheyLie) {
    const MeshCase& c = GetParam();
    OrderReader reader(OrderSource::Schedule);
    const std::string site = "D,Φ,d,布置形式\n" + FormatNumber(c.diameter) + "," +
                             FormatNumber(c.bar) + "," + FormatNumber(c.spacing) + "," +
                             (c.layout == Arrangement::TwoWay ? "双向" : "单向") + "\n";
    ASSERT_TRUE(reader.Feed(site) && reader.Finish());
    const OrderAnswer answer =
        MakeSteelOrder(reader, std::get<OrderSettings>(ReadOrderSettings(Stock(c.typed))));
    ASSERT_FALSE(answer.Refusal) << answer.Refusal->Message;
    const OrderGroup& group = answer.Order.Groups.at(0);
    ASSERT_FALSE(group.Spliced.empty());

    std::map<std::tuple<Millimetres, bool>, const SplicedBars*> kinds;
    const Tallies said = Said(group, kinds);
    const Tallies seen = Seen(c, kinds);
    EXPECT_EQ(said, seen);
    std::int64_t unstaggered = 0, alone = 0, spliced = 0;
    for (const auto& [standing, tally] : seen) {
        unstaggered += std::get<2>(standing) == 1 ? tally.count : 0;
        alone += std::get<2>(standing) == 2 ? tally.count : 0;
        spliced += tally.count;
    }
    EXPECT_EQ(unstaggered > 0, c.someUnstaggered);
    const std::string heading = order_phrases::SplicesHeading(answer.Order, group);
    if (alone == spliced)
        EXPECT_TRUE(heading.ends_with("无需错开）")) << heading;
    else if (unstaggered == 0)
        EXPECT_TRUE(heading.ends_with("相邻钢筋接头错开）")) << heading;
    else
        EXPECT_NE(heading.find("，" + std::to_string(unstaggered) + " 根不能确认"),
                  std::string::npos)
            << heading;
}

INSTANTIATE_TEST_SUITE_P(
    Meshes, LaidBars,
    testing::Values(
        MeshCase{"TankBase23m", 23, 0.012, 0.15, Arrangement::TwoWay, {.Lap = "36d"}, 562, false},
        MeshCase{
            "Couplers24m", 24, 0.025, 0.2, Arrangement::TwoWay, {.Couplers = true}, 875, false},
        MeshCase{"Lapped23_5m", 23.5, 0.012, 0.2, Arrangement::OneWay, {.Lap = "36d"}, 562, false},
        MeshCase{"ThreePieces30m", 30, 0.016, 0.2, Arrangement::TwoWay, {.Lap = "36d"}, 749, false},
        MeshCase{
            "Couplers17m", 17, 0.02, 0.15, Arrangement::OneWay, {.Couplers = true}, 700, false},
        MeshCase{"OnNineMetres",
                 9.5,
                 0.01,
                 0.15,
                 Arrangement::OneWay,
                 {.StockLengths = "9", .Lap = "36d"},
                 468,
                 false},
        // Only the centre bar is longer than the stock.
        MeshCase{
            "CentreBarAlone", 11.9, 0.016, 0.7, Arrangement::OneWay, {.Lap = "36d"}, 749, false},
        // Laps 0.45 m on 1 m stock are 0.55 m apart: never 1.3 laps.
        MeshCase{"StockTooShort",
                 2,
                 0.012,
                 0.1,
                 Arrangement::TwoWay,
                 {.StockLengths = "1", .Lap = "0.45"},
                 585,
                 true}),
    [](const testing::TestParamInfo<MeshCase>& info) { return info.param.name; });

} // namespace
} // namespace tavrilo
