// Knapsacks: the pieces that fill a bar best for given values, by a table
// over the millimetres or by a branch and bound search.

#include "cutting/detail.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace tavrilo::cutting::detail {
namespace {

std::vector<Chunk> SplitInChunks(const std::vector<Millimetres>& sizes,
                                 const std::vector<std::int64_t>& bounds) {
    std::vector<Chunk> chunks;
    for (std::size_t r = 0; r < sizes.size(); ++r) {
        std::int64_t left = bounds[r];
        for (std::int64_t part = 1; left > 0; part *= 2) {
            const std::int64_t take = std::min(part, left);
            chunks.push_back({r, take, take * sizes[r]});
            left -= take;
        }
    }
    return chunks;
}

// Branch and bound over the rows by value per millimetre, best first.
class KnapsackSearch {
public:
    KnapsackSearch(const std::vector<Millimetres>& sizes, const std::vector<std::int64_t>& bounds,
                   const std::vector<double>& values, std::int64_t nodes)
        : nodes_(nodes) {
        for (std::size_t r = 0; r < sizes.size(); ++r)
            if (bounds[r] > 0 && values[r] > 0)
                order_.push_back(r);
        std::stable_sort(order_.begin(), order_.end(), [&](std::size_t a, std::size_t b) {
            return values[a] * static_cast<double>(sizes[b]) >
                   values[b] * static_cast<double>(sizes[a]);
        });
        for (std::size_t r : order_) {
            size_.push_back(sizes[r]);
            bound_.push_back(bounds[r]);
            value_.push_back(values[r]);
            ratio_.push_back(values[r] / static_cast<double>(sizes[r]));
        }
        take_.assign(order_.size(), 0);
        bestTake_ = take_;
    }

    double Run(Millimetres capacity, std::vector<std::int64_t>& choice) {
        Branch(0, capacity, 0.0);
        for (std::size_t k = 0; k < order_.size(); ++k)
            choice[order_[k]] = bestTake_[k];
        return best_;
    }
    bool Exhausted() const { return exhausted_; }
    std::int64_t NodesUsed(std::int64_t given) const {
        return given - std::max<std::int64_t>(nodes_, 0);
    }

private:
    // The items from `pos` on by value per millimetre, the last one in part.
    double UpperBound(std::size_t pos, Millimetres room, double value) const {
        for (std::size_t k = pos; k < order_.size(); ++k) {
            const std::int64_t whole = std::min(bound_[k], room / size_[k]);
            value += static_cast<double>(whole) * value_[k];
            room -= whole * size_[k];
            if (whole < bound_[k])
                return value + static_cast<double>(room) * ratio_[k];
        }
        return value;
    }

    // Every count of the row at `pos`, most first, each with the rows after it.
    void Branch(std::size_t pos, Millimetres room, double value) {
        if (--nodes_ < 0) {
            exhausted_ = true;
            return;
        }
        if (value > best_) {
            best_ = value;
            bestTake_ = take_;
        }
        if (pos == order_.size() || UpperBound(pos, room, value) <= best_)
            return;
        const std::int64_t most = std::min(bound_[pos], room / size_[pos]);
        for (std::int64_t c = most; c >= 0 && !exhausted_; --c) {
            take_[pos] = c;
            Branch(pos + 1, room - c * size_[pos], value + static_cast<double>(c) * value_[pos]);
        }
        take_[pos] = 0;
    }

    std::vector<std::size_t> order_;
    std::vector<Millimetres> size_;
    std::vector<std::int64_t> bound_, take_, bestTake_;
    std::vector<double> value_, ratio_;
    std::int64_t nodes_;
    bool exhausted_ = false;
    double best_ = 0;
};

} // namespace

Knapsack::Knapsack(std::vector<Millimetres> sizes, std::vector<std::int64_t> bounds,
                   Millimetres capacity)
    : sizes_(std::move(sizes)), bounds_(std::move(bounds)), capacity_(capacity),
      chunks_(SplitInChunks(sizes_, bounds_)) {}

// The chunks one by one, each cell from the cells below it; a bit per chunk
// and cell records what was taken, to read the choice back from the top.
template <class Value>
Value Knapsack::Table(const std::vector<Value>& values, std::vector<std::int64_t>* choice) const {
    const std::size_t cells = static_cast<std::size_t>(capacity_) + 1;
    std::vector<Value> best(cells, Value{});
    std::vector<std::uint64_t> taken;
    const std::size_t words = (cells + 63) / 64;
    if (choice)
        taken.assign(words * chunks_.size(), 0);
    for (std::size_t k = 0; k < chunks_.size(); ++k) {
        const Chunk& ch = chunks_[k];
        if (ch.Size > capacity_)
            continue;
        const Value v = values[ch.Row] * static_cast<Value>(ch.Copies);
        const std::size_t size = static_cast<std::size_t>(ch.Size);
        std::uint64_t* bits = choice ? &taken[k * words] : nullptr;
        for (std::size_t c = cells - 1; c >= size; --c) {
            const Value with = best[c - size] + v;
            if (with > best[c]) {
                best[c] = with;
                if (bits)
                    bits[c / 64] |= std::uint64_t{1} << (c % 64);
            }
            if (c == size)
                break;
        }
    }
    if (choice) {
        choice->assign(sizes_.size(), 0);
        std::size_t c = cells - 1;
        for (std::size_t k = chunks_.size(); k-- > 0;) {
            if (taken[k * words + c / 64] >> (c % 64) & 1u) {
                (*choice)[chunks_[k].Row] += chunks_[k].Copies;
                c -= static_cast<std::size_t>(chunks_[k].Size);
            }
        }
    }
    return best[cells - 1];
}

template double Knapsack::Table(const std::vector<double>&, std::vector<std::int64_t>*) const;
template std::int64_t Knapsack::Table(const std::vector<std::int64_t>&,
                                      std::vector<std::int64_t>*) const;

Knapsack::Searched Knapsack::Search(const std::vector<double>& values, std::int64_t nodes,
                                    std::vector<std::int64_t>& choice) const {
    choice.assign(sizes_.size(), 0);
    KnapsackSearch search(sizes_, bounds_, values, nodes);
    Searched found;
    found.Value = search.Run(capacity_, choice);
    found.Exhausted = search.Exhausted();
    found.NodesUsed = search.NodesUsed(nodes);
    return found;
}

Knapsack KnapsackOver(const Instance& in, const std::vector<std::size_t>& rows,
                      const std::vector<std::int64_t>& counts, Millimetres capacity) {
    std::vector<Millimetres> sizes(rows.size());
    std::vector<std::int64_t> bounds(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        sizes[r] = in.Size(rows[r]);
        bounds[r] = std::min(counts[r], capacity / sizes[r]);
    }
    return Knapsack(std::move(sizes), std::move(bounds), capacity);
}

Knapsack KnapsackOver(const Instance& in, const std::vector<std::int64_t>& counts,
                      Millimetres capacity) {
    std::vector<std::size_t> rows(in.Items());
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = i;
    return KnapsackOver(in, rows, counts, capacity);
}

} // namespace tavrilo::cutting::detail
