// The exact search for short lists over several stock lengths: the lists a
// yard meets every day, and random ones against every way of putting each
// piece on a bar.
#include "cutting/detail.h"
#include "cutting/plan.h"
#include "cutting/tests/first_fit.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

using tavrilo::cutting::test::FirstFitFloor;

using tavrilo::cutting::Demand;
using tavrilo::cutting::Millimetres;
using tavrilo::cutting::Plan;
using tavrilo::cutting::Problem;
using tavrilo::cutting::detail::ExactBar;
using tavrilo::cutting::detail::ExactProblem;
using tavrilo::cutting::detail::LeastLengthExactly;

struct Piece {
    Millimetres Length;
    std::int64_t Count;
};

ExactProblem Make(std::vector<Piece> pieces, std::vector<Millimetres> stock, Millimetres kerf) {
    std::sort(pieces.begin(), pieces.end(), [](auto a, auto b) { return a.Length > b.Length; });
    std::sort(stock.begin(), stock.end());
    ExactProblem p;
    for (const Piece& piece : pieces) {
        p.Sizes.push_back(piece.Length + kerf);
        p.Demand.push_back(piece.Count);
    }
    for (Millimetres l : stock) {
        p.Capacities.push_back(l + kerf);
        p.Lengths.push_back(l);
    }
    return p;
}

// The plan's length, after checking that it cuts every piece once and overfills no bar.
Millimetres Checked(const ExactProblem& p, const std::vector<ExactBar>& plan) {
    std::vector<std::int64_t> cut(p.Sizes.size(), 0);
    Millimetres length = 0;
    for (const ExactBar& bar : plan) {
        Millimetres used = 0;
        for (std::size_t i = 0; i < p.Sizes.size(); ++i) {
            used += bar.Counts[i] * p.Sizes[i];
            cut[i] += bar.Counts[i] * bar.Times;
        }
        EXPECT_LE(used, p.Capacities[bar.Stock]);
        length += bar.Times * p.Lengths[bar.Stock];
    }
    EXPECT_EQ(cut, p.Demand);
    return length;
}

// Every way of putting each piece on a bar already begun or on a new one.
Millimetres Enumerated(const ExactProblem& p) {
    std::vector<Millimetres> pieces;
    for (std::size_t i = 0; i < p.Sizes.size(); ++i)
        pieces.insert(pieces.end(), static_cast<std::size_t>(p.Demand[i]), p.Sizes[i]);
    std::vector<Millimetres> bars;
    Millimetres best = INT64_MAX;
    auto place = [&](auto&& self, std::size_t k) -> void {
        if (k == pieces.size()) {
            Millimetres length = 0;
            for (Millimetres used : bars)
                length += p.Lengths[static_cast<std::size_t>(
                    std::lower_bound(p.Capacities.begin(), p.Capacities.end(), used) -
                    p.Capacities.begin())];
            best = std::min(best, length);
            return;
        }
        for (std::size_t b = 0; b < bars.size(); ++b)
            if (bars[b] + pieces[k] <= p.Capacities.back()) {
                bars[b] += pieces[k];
                self(self, k + 1);
                bars[b] -= pieces[k];
            }
        bars.push_back(pieces[k]);
        self(self, k + 1);
        bars.pop_back();
    };
    place(place, 0);
    return best;
}

// The whole optimiser on lists a yard cuts from several stock lengths: never
// above first fit, and at the least length wherever that can be found exactly.
TEST(SeveralStockLengths, NeverAboveFirstFitAndShortListsAtTheLeast) {
    std::mt19937 random(20261211);
    for (int n = 0; n < 150; ++n) {
        Problem problem{{9000, 12000}, n % 3 == 0 ? 0 : 3 + n % 5, {}};
        if (n % 4 == 0)
            problem.StockLengths.push_back(6000 + static_cast<Millimetres>(random() % 3000));
        const int lengths = 1 + static_cast<int>(random() % (n % 10 == 0 ? 40 : 4));
        for (int k = 0; k < lengths; ++k)
            problem.Pieces.push_back({500 + static_cast<Millimetres>(random() % 8500),
                                      1 + static_cast<std::int64_t>(random() % 30)});
        const auto outcome = tavrilo::cutting::SolveCuttingStock(problem);
        const Plan& plan = std::get<Plan>(outcome);
        ASSERT_EQ(tavrilo::cutting::VerifyPlan(problem, plan), std::nullopt) << "list " << n;
        EXPECT_LE(plan.Bought, FirstFitFloor(problem)) << "list " << n;
        std::vector<Piece> pieces;
        for (const Demand& d : problem.Pieces)
            pieces.push_back({d.Length, d.Count});
        std::int64_t spent = 0;
        const ExactProblem exact = Make(pieces, problem.StockLengths, problem.Kerf);
        if (const auto least = LeastLengthExactly(exact, 20'000'000, spent)) {
            EXPECT_EQ(plan.Bought, Checked(exact, *least)) << "list " << n;
            EXPECT_TRUE(plan.ProvenOptimal) << "list " << n;
        }
    }
}

TEST(LeastLengthExactly, BuysWhatAYardWouldOnShortLists) {
    struct Case {
        std::vector<Piece> pieces;
        std::vector<Millimetres> stock;
        Millimetres kerf;
        Millimetres least;
    };
    const Case cases[] = {
        {{{2250, 5}}, {9000, 12000}, 0, 12000},  {{{1500, 7}}, {9000, 12000}, 0, 12000},
        {{{1799, 11}}, {9000, 12000}, 0, 21000}, {{{6746, 1}, {3241, 2}}, {9000, 12000}, 0, 18000},
        {{{1276, 7}}, {7954, 10223}, 5, 10223},
    };
    for (const Case& c : cases) {
        const ExactProblem p = Make(c.pieces, c.stock, c.kerf);
        std::int64_t spent = 0;
        const auto plan = LeastLengthExactly(p, 1'000'000, spent);
        ASSERT_TRUE(plan) << c.pieces[0].Length;
        EXPECT_EQ(Checked(p, *plan), c.least) << c.pieces[0].Length;
        EXPECT_GT(spent, 0);
    }
}

TEST(LeastLengthExactly, AgreesWithEveryPlacementOnRandomLists) {
    std::mt19937 random(20261210);
    for (int n = 0; n < 300; ++n) {
        std::vector<Piece> pieces;
        int left = 1 + static_cast<int>(random() % 8);
        while (left > 0) {
            const auto count =
                1 + static_cast<std::int64_t>(random() % static_cast<unsigned>(left));
            pieces.push_back({600 + static_cast<Millimetres>(random() % 8400), count});
            left -= static_cast<int>(count);
        }
        std::vector<Millimetres> stock{9000, 12000};
        if (n % 3 == 0)
            stock.push_back(6000 + static_cast<Millimetres>(random() % 3000));
        const ExactProblem p = Make(pieces, stock, n % 2 == 0 ? 0 : 5);
        std::int64_t spent = 0;
        const auto plan = LeastLengthExactly(p, 100'000'000, spent);
        ASSERT_TRUE(plan);
        EXPECT_EQ(Checked(p, *plan), Enumerated(p)) << "list " << n;
    }
}

TEST(LeastLengthExactly, RefusesWhatItCannotFinishInItsSteps) {
    const ExactProblem big = Make({{500, 60}, {700, 60}, {900, 60}, {1100, 60}}, {12000}, 0);
    std::int64_t spent = 1;
    EXPECT_FALSE(LeastLengthExactly(big, 1'000'000'000, spent));
    EXPECT_EQ(spent, 0);
    const ExactProblem small = Make({{2250, 5}}, {9000, 12000}, 0);
    EXPECT_FALSE(LeastLengthExactly(small, 1, spent));
    EXPECT_EQ(spent, 0);
}

} // namespace
