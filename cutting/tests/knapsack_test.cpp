// The knapsack's two ways, its table and its search, against each other and
// against every choice counted out, on the same random instances.

#include "cutting/detail.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

namespace tavrilo::cutting::detail {
namespace {

struct Shape {
    std::size_t rows;
    Millimetres longest;     // sizes 1 to this
    std::int64_t mostCopies; // bounds 0 to this
    Millimetres capacity;
};

// The best value of every choice within the bounds that fits, counted out.
std::int64_t Enumerated(const std::vector<Millimetres>& sizes,
                        const std::vector<std::int64_t>& bounds,
                        const std::vector<std::int64_t>& values, Millimetres room,
                        std::size_t row = 0) {
    if (row == sizes.size())
        return 0;
    std::int64_t best = 0;
    for (std::int64_t c = 0; c <= bounds[row] && c * sizes[row] <= room; ++c)
        best = std::max(best, c * values[row] + Enumerated(sizes, bounds, values,
                                                           room - c * sizes[row], row + 1));
    return best;
}

// What `choice` is worth, and false when it breaks a bound or overfills.
std::int64_t Worth(const std::vector<Millimetres>& sizes, const std::vector<std::int64_t>& bounds,
                   const std::vector<std::int64_t>& values, Millimetres capacity,
                   const std::vector<std::int64_t>& choice) {
    std::int64_t value = 0;
    Millimetres used = 0;
    for (std::size_t r = 0; r < sizes.size(); ++r) {
        EXPECT_LE(choice[r], bounds[r]);
        used += choice[r] * sizes[r];
        value += choice[r] * values[r];
    }
    EXPECT_LE(used, capacity);
    return value;
}

class KnapsackWays : public testing::TestWithParam<Shape> {};

TEST_P(KnapsackWays, AgreeOnTheBestValue) {
    const Shape& shape = GetParam();
    Draws draws(kDrawSeed);
    for (int n = 0; n < 100; ++n) {
        std::vector<Millimetres> sizes(shape.rows);
        std::vector<std::int64_t> bounds(shape.rows), values(shape.rows);
        std::vector<double> doubles(shape.rows);
        for (std::size_t r = 0; r < shape.rows; ++r) {
            sizes[r] = 1 + static_cast<Millimetres>(draws.Below(shape.longest));
            bounds[r] = static_cast<std::int64_t>(draws.Below(shape.mostCopies + 1));
            // Whole values, so that sums in doubles are exact in any order.
            values[r] = static_cast<std::int64_t>(draws.Below(100));
            doubles[r] = static_cast<double>(values[r]);
        }
        const Knapsack knapsack(sizes, bounds, shape.capacity);
        const std::int64_t expected = Enumerated(sizes, bounds, values, shape.capacity);
        std::vector<std::int64_t> byTable, byWholeTable, bySearch;
        const double table = knapsack.Table(doubles, &byTable);
        const std::int64_t wholeTable = knapsack.Table(values, &byWholeTable);
        const Knapsack::Searched search = knapsack.Search(doubles, 1'000'000, bySearch);
        ASSERT_FALSE(search.Exhausted) << n;
        EXPECT_EQ(table, static_cast<double>(expected)) << n;
        EXPECT_EQ(wholeTable, expected) << n;
        EXPECT_EQ(search.Value, static_cast<double>(expected)) << n;
        EXPECT_EQ(knapsack.Table(values, nullptr), expected) << n;
        for (const auto* choice : {&byTable, &byWholeTable, &bySearch})
            EXPECT_EQ(Worth(sizes, bounds, values, shape.capacity, *choice), expected) << n;
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, KnapsackWays,
                         testing::Values(Shape{1, 10, 20, 37}, Shape{3, 12, 5, 40},
                                         Shape{5, 30, 3, 100}, Shape{6, 60, 2, 150},
                                         Shape{4, 100, 4, 99}));

TEST(KnapsackSearch, OutOfNodesSaysSo) {
    const Knapsack knapsack({7, 5, 3}, {9, 9, 9}, 100);
    std::vector<std::int64_t> choice;
    const Knapsack::Searched search = knapsack.Search({7.5, 5.5, 3.5}, 3, choice);
    EXPECT_TRUE(search.Exhausted);
    EXPECT_EQ(search.NodesUsed, 3);
}

} // namespace
} // namespace tavrilo::cutting::detail
