// Stock on hand and prices: every plan verified (no stock used more often than
// it has, its cost added up, its bound no higher), and its cost against the
// least cost found another way, by weighing every way of cutting a short list.

#include "cutting/detail.h"
#include "cutting/plan.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace tavrilo::cutting {
namespace {

constexpr std::int64_t kNone = INT64_MAX;

// The least cost of cutting `left` (pieces of each length, longest first)
// from the bars `bars` (left of each stock, -1: as many as wanted): the
// longest piece left goes on some bar, with some of the others beside it.
class LeastCost {
public:
    explicit LeastCost(const Problem& p) : p_(p) {
        std::map<Millimetres, std::int64_t, std::greater<>> counts;
        for (const Demand& d : p.Pieces)
            counts[d.Length] += d.Count;
        for (const auto& [length, count] : counts) {
            lengths_.push_back(length);
            start_.push_back(count);
        }
    }

    std::int64_t Find() {
        std::vector<std::int64_t> bars;
        for (const Stock& s : p_.Stocks)
            bars.push_back(s.Available);
        return Solve(start_, bars);
    }

private:
    std::int64_t Solve(const std::vector<std::int64_t>& left,
                       const std::vector<std::int64_t>& bars) {
        const auto first = std::find_if(left.begin(), left.end(), [](auto c) { return c > 0; });
        if (first == left.end())
            return 0;
        const auto key = std::pair(left, bars);
        if (const auto it = memo_.find(key); it != memo_.end())
            return it->second;
        std::int64_t best = kNone;
        const std::size_t i = static_cast<std::size_t>(first - left.begin());
        for (std::size_t s = 0; s < p_.Stocks.size(); ++s) {
            if (bars[s] == 0 || p_.Stocks[s].Length < lengths_[i])
                continue;
            std::vector<std::int64_t> rest = left, after = bars;
            rest[i] -= 1;
            if (after[s] > 0)
                after[s] -= 1;
            Beside(rest, after, i, p_.Stocks[s].Length - lengths_[i], p_.Stocks[s].Cost, best);
        }
        memo_[key] = best;
        return best;
    }

    // Every choice of pieces from item `from` on to go beside on a bar with `room` left.
    void Beside(std::vector<std::int64_t>& rest, const std::vector<std::int64_t>& bars,
                std::size_t from, Millimetres room, std::int64_t cost, std::int64_t& best) {
        const std::int64_t after = Solve(rest, bars);
        if (after != kNone)
            best = std::min(best, cost + after);
        for (std::size_t k = from; k < lengths_.size(); ++k) {
            if (rest[k] == 0 || lengths_[k] + p_.Kerf > room)
                continue;
            rest[k] -= 1;
            Beside(rest, bars, k, room - lengths_[k] - p_.Kerf, cost, best);
            rest[k] += 1;
        }
    }

    const Problem& p_;
    std::vector<Millimetres> lengths_;
    std::vector<std::int64_t> start_;
    std::map<std::pair<std::vector<std::int64_t>, std::vector<std::int64_t>>, std::int64_t> memo_;
};

Plan Solve(const Problem& problem) {
    const Outcome outcome = SolveCuttingStock(problem);
    if (const auto* fault = std::get_if<ProblemFault>(&outcome)) {
        ADD_FAILURE() << "refused with fault " << static_cast<int>(*fault);
        return {};
    }
    const Plan& plan = std::get<Plan>(outcome);
    const auto fault = VerifyPlan(problem, plan);
    EXPECT_FALSE(fault) << *fault;
    return plan;
}

// New bars of 9 m and 12 m at a price per tonne (per metre of one diameter):
// 12 m at 13 units a metre, 9 m at 14.
std::vector<Stock> NewBars() {
    return {{9000, -1, 126}, {12000, -1, 156}};
}

// Short lists with a store of offcuts and whole bars, drawn with a fixed seed.
std::vector<Problem> StoreLists() {
    std::uint64_t state = 20261211;
    auto next = [&state](std::int64_t bound) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<std::int64_t>((state >> 33) % static_cast<std::uint64_t>(bound));
    };
    std::vector<Problem> lists;
    for (int n = 0; n < 60; ++n) {
        Problem p;
        p.Kerf = n % 2 == 0 ? 0 : 3;
        const std::int64_t lengths = 1 + next(4);
        for (std::int64_t k = 0; k < lengths; ++k)
            p.Pieces.push_back({500 + next(9500), 1 + next(4)});
        const std::int64_t store = next(5);
        for (std::int64_t k = 0; k < store; ++k)
            p.Stocks.push_back({1000 + next(8000), 1 + next(2), 0});
        if (n % 3 == 0)
            p.Stocks.push_back({12000, next(3), 0});
        if (n % 5 != 4) // every fifth list: nothing to buy, the store must do
            for (const Stock& s : NewBars())
                p.Stocks.push_back(s);
        lists.push_back(std::move(p));
    }
    return lists;
}

// The relaxation's dive and bounds on their own (short lists are otherwise
// solved exactly): a plan within the stock, no cheaper than the least cost,
// and bounds no higher; the counts of new bars tried from the material's
// bound up, a plan they find within the stock, and the least cost claimed
// only when it is. Whether the dual bound was found, and found above the
// material's; `closed` counts the lists whose counts met the least cost.
bool CheckRelaxation(const Problem& p, std::int64_t least, int& closed) {
    using namespace detail;
    const CostedInstance ci = NormaliseCosted(p);
    Budget budget{100'000'000};
    CostedLp root;
    std::vector<Column> pool;
    const auto dived = CostedDive(ci, budget, root, 0, pool);
    if (dived) {
        EXPECT_TRUE(WithinStock(ci, *dived));
        EXPECT_GE(CostOf(ci, *dived), least);
        std::vector<Group> best = *dived;
        const std::int64_t counted = CountsBound(ci, MaterialCost(ci), best, pool, budget);
        EXPECT_TRUE(WithinStock(ci, best));
        EXPECT_GE(CostOf(ci, best), least);
        EXPECT_LE(counted, std::min(least, CostOf(ci, best)));
        closed += counted == CostOf(ci, best) && counted > MaterialCost(ci) ? 1 : 0;
    }
    EXPECT_LE(MaterialCost(ci), least);
    const auto bound = DualCostBound(ci, root.Duals, budget);
    if (!bound)
        return false;
    EXPECT_LE(*bound, least);
    return *bound > MaterialCost(ci);
}

TEST(Costs, AgainstTheLeastCost) {
    int exact = 0, solved = 0, dual = 0, closed = 0;
    for (const Problem& p : StoreLists()) {
        const std::int64_t least = LeastCost(p).Find();
        const Outcome outcome = SolveCuttingStock(p);
        if (least == kNone) {
            EXPECT_TRUE(std::holds_alternative<ProblemFault>(outcome));
            continue;
        }
        const Plan plan = Solve(p);
        dual += CheckRelaxation(p, least, closed) ? 1 : 0;
        ++solved;
        EXPECT_GE(plan.Cost, least);
        EXPECT_LE(plan.LowerBoundCost, least);
        if (plan.ProvenOptimal) {
            EXPECT_EQ(plan.Cost, least);
        }
        exact += plan.Cost == least ? 1 : 0;
    }
    EXPECT_GE(solved, 40);
    EXPECT_GE(dual * 2, solved) << dual << " dual bounds above the material's";
    EXPECT_GE(closed * 2, solved) << closed << " closed by the counts of new bars";
    EXPECT_GE(exact * 10, solved * 9) << exact << " of " << solved << " at the least cost";
}

struct CostCase {
    const char* name;
    Problem problem;
    std::int64_t cost;
    bool proven;
};

class KnownCost : public testing::TestWithParam<CostCase> {};

TEST_P(KnownCost, IsFound) {
    const CostCase& c = GetParam();
    const Plan plan = Solve(c.problem);
    EXPECT_EQ(plan.Cost, c.cost);
    EXPECT_EQ(LeastCost(c.problem).Find(), c.cost);
    EXPECT_EQ(plan.ProvenOptimal, c.proven);
}

INSTANTIATE_TEST_SUITE_P(
    Stores, KnownCost,
    testing::Values(
        // Free offcuts first: 2.4 m and 2 m from the store, the 5 m on a new 9 m bar.
        CostCase{"FreeOffcutsFirst",
                 Problem{{},
                         0,
                         {{5000, 1}, {2400, 1}, {2000, 1}},
                         {{2500, 1, 0}, {2000, 1, 0}, {9000, -1, 126}, {12000, -1, 156}}},
                 126, true},
        // One store bar of 12 m: the two 6 m pieces on it, the rest bought.
        CostCase{"LimitedWholeBar",
                 Problem{{}, 0, {{6000, 4}}, {{12000, 1, 0}, {9000, -1, 126}, {12000, -1, 156}}},
                 156, true},
        // The same length twice, at two prices, the cheap one limited.
        CostCase{"SameLengthTwoPrices",
                 Problem{{}, 3, {{4000, 6}}, {{9000, 1, 100}, {9000, -1, 126}}}, 100 + 2 * 126,
                 true},
        // Nothing to buy: the store's bars, however badly they fit (found by
        // the exact search, so proven).
        CostCase{"StoreAlone", Problem{{}, 0, {{3000, 3}}, {{3500, 2, 0}, {7000, 1, 40}}}, 40,
                 true},
        // A price per bar that makes 9 m the cheaper per metre.
        CostCase{"NineMetresCheaper",
                 Problem{{}, 0, {{4500, 4}}, {{9000, -1, 100}, {12000, -1, 160}}}, 200, true}),
    [](const testing::TestParamInfo<CostCase>& info) { return std::string(info.param.name); });

// Unlimited stocks costing their length: the least cost is today's least length.
TEST(Costs, LengthAsCostIsTheLeastLength) {
    const std::vector<Problem> lists = {
        {{9000, 12000}, 0, {{2250, 5}}, {}},
        {{9000, 12000}, 3, {{5000, 3}, {3000, 4}, {2500, 2}}, {}},
        {{9000, 12000}, 0, {{4100, 7}, {2900, 5}, {1200, 9}}, {}},
        {{6000, 9000, 12000}, 0, {{5500, 2}, {3500, 3}, {800, 11}}, {}},
    };
    for (Problem p : lists) {
        const Plan today = Solve(p);
        ASSERT_TRUE(today.ProvenOptimal);
        for (const Millimetres l : p.StockLengths)
            p.Stocks.push_back({l, -1, l});
        const Plan priced = Solve(p);
        EXPECT_EQ(priced.Cost, today.Bought) << p.Pieces.size();
        EXPECT_TRUE(priced.ProvenOptimal);
    }
}

TEST(Costs, TooLittleStockIsRefused) {
    const std::vector<Problem> refused = {
        // The store alone, too short for the pieces in all.
        {{}, 0, {{3000, 6}}, {{9000, 1, 0}, {6000, 1, 0}}},
        // A piece only a stock without bars holds.
        {{}, 0, {{10000, 1}}, {{12000, 0, 0}, {9000, -1, 126}}},
    };
    for (const Problem& p : refused) {
        const Outcome outcome = SolveCuttingStock(p);
        ASSERT_TRUE(std::holds_alternative<ProblemFault>(outcome));
        EXPECT_EQ(std::get<ProblemFault>(outcome), ProblemFault::NotEnoughStock);
    }
    const Problem negative{{}, 0, {{3000, 1}}, {{9000, 1, -5}}};
    EXPECT_EQ(std::get<ProblemFault>(SolveCuttingStock(negative)), ProblemFault::BadLength);
}

TEST(Costs, VerifyCatchesOverusedStockAndWrongCost) {
    const Problem p{{}, 0, {{6000, 4}}, {{12000, 1, 0}, {12000, -1, 156}}};
    const Plan plan = Solve(p);
    ASSERT_EQ(plan.Patterns.size(), 2u);
    Plan overused = plan;
    overused.Patterns.pop_back();
    overused.Patterns[0].Stock = 0;
    overused.Patterns[0].Count = 2;
    overused.Cost = 0;
    overused.LowerBoundCost = 0;
    overused.ProvenOptimal = true;
    EXPECT_TRUE(VerifyPlan(p, overused));
    Plan cost = plan;
    cost.Cost -= 1;
    EXPECT_TRUE(VerifyPlan(p, cost));
    Plan bound = plan;
    bound.LowerBoundCost = bound.Cost + 1;
    EXPECT_TRUE(VerifyPlan(p, bound));
}

} // namespace
} // namespace tavrilo::cutting
