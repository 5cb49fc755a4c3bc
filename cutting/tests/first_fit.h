#pragma once

// First fit by decreasing length on the longest stock, piece by piece, each
// bar then bought at the shortest stock that holds it: written apart from the
// optimiser, so that the tests and the benchmark can hold every plan with
// several stock lengths to it (no plan should buy more).

#include "cutting/plan.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace tavrilo::cutting::test {

inline Millimetres FirstFitFloor(const Problem& problem) {
    std::vector<Millimetres> pieces;
    for (const Demand& d : problem.Pieces)
        pieces.insert(pieces.end(), static_cast<std::size_t>(d.Count), d.Length + problem.Kerf);
    std::sort(pieces.begin(), pieces.end(), std::greater<>());
    std::vector<Millimetres> stock = problem.StockLengths;
    std::sort(stock.begin(), stock.end());
    std::vector<Millimetres> used;
    for (Millimetres piece : pieces) {
        auto bar = std::find_if(used.begin(), used.end(), [&](Millimetres u) {
            return u + piece <= stock.back() + problem.Kerf;
        });
        if (bar == used.end())
            used.push_back(piece);
        else
            *bar += piece;
    }
    Millimetres length = 0;
    for (Millimetres u : used)
        length += *std::find_if(stock.begin(), stock.end(),
                                [&](Millimetres l) { return l + problem.Kerf >= u; });
    return length;
}

} // namespace tavrilo::cutting::test
