// Fewer ways of cutting for the same bars: every distinct pattern is one more
// setting of the stops on the shear line, so a plan is made to use fewer of
// them without buying anything else. Two patterns become one, three become
// two, or four three (a new one may equal a pattern the plan has already,
// which then takes its bars), always with the same number of bars of every
// stock, so that the length bought, the cost and the stock used stay as
// they were.

#include "cutting/detail.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace tavrilo::cutting::detail {
namespace {

using Pieces = std::vector<std::pair<std::size_t, std::int64_t>>;

// Adding up the pieces of a few groups before their split is searched takes
// about as long as this many nodes of the search, for each (item, count) of theirs.
constexpr std::int64_t kStepsPerEntry = 8;

// What the reduction knows of a problem: each item's size with its kerf,
// and each stock's capacity with its kerf.
struct Shop {
    const std::vector<Millimetres>& Sizes;
    const std::vector<Millimetres>& Rooms;
};

// A way of cutting sought: its stock and how many bars it cuts.
struct Target {
    std::size_t Stock = 0;
    std::int64_t Bars = 0;
};

// The pieces of the groups `ways`, added up by item.
Pieces Together(const std::vector<const Group*>& ways) {
    Pieces all;
    for (const Group* g : ways)
        for (const auto& [i, c] : g->Pieces)
            all.push_back({i, c * g->Bars});
    std::sort(all.begin(), all.end());
    Pieces sum;
    for (const auto& [i, c] : all)
        if (!sum.empty() && sum.back().first == i)
            sum.back().second += c;
        else
            sum.push_back({i, c});
    return sum;
}

// `pieces` shared out among the ways `targets` exactly: for every item, the
// pieces of one bar of each way times its bars add up to its count, and
// every way's bar holds its pieces. Searched item by item, longest first,
// each way taking as many as it can first; every node is a step.
class Split {
public:
    Split(const Shop& shop, const Pieces& pieces, const std::vector<Target>& targets,
          Budget& budget)
        : shop_(shop), pieces_(pieces), targets_(targets), budget_(budget), ways_(targets.size()),
          room_(targets.size()) {
        material_.assign(pieces.size() + 1, 0);
        for (std::size_t k = pieces.size(); k-- > 0;)
            material_[k] = material_[k + 1] + pieces[k].second * shop.Sizes[pieces[k].first];
        for (std::size_t w = 0; w < targets.size(); ++w)
            room_[w] = shop.Rooms[targets[w].Stock];
    }

    std::optional<std::vector<Group>> Find() {
        if (!Item(0))
            return std::nullopt;
        std::vector<Group> groups;
        for (std::size_t w = 0; w < targets_.size(); ++w)
            groups.push_back(Group{targets_[w].Stock, ways_[w], targets_[w].Bars});
        return groups;
    }

private:
    // The pieces from the k-th item on.
    bool Item(std::size_t k) {
        if (k == pieces_.size()) // an empty way would drop its bars
            return std::none_of(ways_.begin(), ways_.end(),
                                [](const Pieces& p) { return p.empty(); });
        Millimetres room = 0;
        for (std::size_t w = 0; w < targets_.size(); ++w)
            room += targets_[w].Bars * room_[w];
        return material_[k] <= room && Way(k, 0, pieces_[k].second);
    }

    // `rest` pieces of the k-th item, for the ways from the w-th on.
    bool Way(std::size_t k, std::size_t w, std::int64_t rest) {
        if (!budget_.Spend(1))
            return false;
        const std::size_t item = pieces_[k].first;
        const Millimetres size = shop_.Sizes[item];
        const std::int64_t bars = targets_[w].Bars;
        const bool last = w + 1 == targets_.size();
        if (last && rest % bars != 0)
            return false;
        const std::int64_t most = std::min(rest / bars, room_[w] / size);
        for (std::int64_t x = last ? rest / bars : most; x >= 0 && x <= most; --x) {
            if (x > 0)
                ways_[w].push_back({item, x});
            room_[w] -= x * size;
            if (last ? Item(k + 1) : Way(k, w + 1, rest - bars * x))
                return true;
            room_[w] += x * size;
            if (x > 0)
                ways_[w].pop_back();
            if (last || budget_.Left <= 0)
                return false;
        }
        return false;
    }

    const Shop& shop_;
    const Pieces& pieces_;
    const std::vector<Target>& targets_;
    Budget& budget_;
    std::vector<Pieces> ways_;          // one bar of each way
    std::vector<Millimetres> room_;     // left on a bar of each way
    std::vector<Millimetres> material_; // of the pieces from the k-th item on
};

// The pieces of the groups `from` as the ways `targets`, or nothing.
std::optional<std::vector<Group>> SplitInto(const Shop& shop, const std::vector<const Group*>& from,
                                            const std::vector<Target>& targets, Budget& budget) {
    std::int64_t entries = 0;
    for (const Group* g : from)
        entries += static_cast<std::int64_t>(g->Pieces.size());
    if (!budget.Spend(kStepsPerEntry * entries))
        return std::nullopt;
    const Pieces pieces = Together(from);
    return Split(shop, pieces, targets, budget).Find();
}

// The groups `from` as one way fewer: two of the same stock as one (each
// pair in turn), the others keeping their stocks and bars.
std::optional<std::vector<Group>> Merged(const Shop& shop, const std::vector<const Group*>& from,
                                         Budget& budget) {
    for (std::size_t p = 0; p < from.size(); ++p)
        for (std::size_t q = p + 1; q < from.size() && budget.Left > 0; ++q) {
            if (from[p]->Stock != from[q]->Stock)
                continue;
            std::vector<Target> targets{{from[p]->Stock, from[p]->Bars + from[q]->Bars}};
            for (std::size_t r = 0; r < from.size(); ++r)
                if (r != p && r != q)
                    targets.push_back({from[r]->Stock, from[r]->Bars});
            if (auto fewer = SplitInto(shop, from, targets, budget))
                return fewer;
        }
    return std::nullopt;
}

// Three groups of one stock as two, their bars shared every other way besides.
std::optional<std::vector<Group>> Shared(const Shop& shop, const std::vector<const Group*>& three,
                                         Budget& budget) {
    const std::size_t stock = three[0]->Stock;
    if (three[1]->Stock != stock || three[2]->Stock != stock)
        return std::nullopt;
    const std::int64_t total = three[0]->Bars + three[1]->Bars + three[2]->Bars;
    for (std::int64_t n = 1; n <= total / 2 && budget.Left > 0; ++n) {
        if (n == three[0]->Bars || n == three[1]->Bars || n == three[2]->Bars)
            continue; // a pair merged: tried already
        if (auto two = SplitInto(shop, three, {{stock, total - n}, {stock, n}}, budget))
            return two;
    }
    return std::nullopt;
}

// Equal ways of cutting as one group, in a fixed order; empty ways dropped.
void Merge(std::vector<Group>& groups) {
    std::map<std::pair<std::size_t, Pieces>, std::int64_t> merged;
    for (const Group& g : groups)
        if (!g.Pieces.empty() && g.Bars > 0)
            merged[{g.Stock, g.Pieces}] += g.Bars;
    groups.clear();
    for (const auto& [key, bars] : merged)
        groups.push_back(Group{key.first, key.second, bars});
}

// The groups numbered `taken` replaced by `by`.
void Replace(std::vector<Group>& groups, const std::vector<std::size_t>& taken,
             std::vector<Group> by) {
    for (std::size_t k : taken)
        groups[k].Bars = 0;
    for (Group& g : by)
        groups.push_back(std::move(g));
    Merge(groups);
}

// One pattern fewer, if two, three or four of them allow it (the fewer first).
bool OneFewer(const Shop& shop, std::vector<Group>& groups, Budget& budget) {
    const std::size_t n = groups.size();
    std::vector<std::size_t> at;
    const auto from = [&] {
        std::vector<const Group*> g;
        for (std::size_t k : at)
            g.push_back(&groups[k]);
        return g;
    };
    const auto found = [&](std::optional<std::vector<Group>> fewer) {
        if (fewer)
            Replace(groups, at, std::move(*fewer));
        return fewer.has_value();
    };
    for (std::size_t a = 0; a < n && budget.Left > 0; ++a)
        for (std::size_t b = a + 1; b < n && budget.Left > 0; ++b)
            if (at = {a, b}; found(Merged(shop, from(), budget)))
                return true;
    for (std::size_t a = 0; a < n && budget.Left > 0; ++a)
        for (std::size_t b = a + 1; b < n && budget.Left > 0; ++b)
            for (std::size_t c = b + 1; c < n && budget.Left > 0; ++c)
                if (at = {a, b, c};
                    found(Merged(shop, from(), budget)) || found(Shared(shop, from(), budget)))
                    return true;
    for (std::size_t a = 0; a < n && budget.Left > 0; ++a)
        for (std::size_t b = a + 1; b < n && budget.Left > 0; ++b)
            for (std::size_t c = b + 1; c < n && budget.Left > 0; ++c)
                for (std::size_t d = c + 1; d < n && budget.Left > 0; ++d)
                    if (at = {a, b, c, d}; found(Merged(shop, from(), budget)))
                        return true;
    return false;
}

} // namespace

void FewerPatterns(const Instance& in, std::vector<Group>& groups, Budget& budget) {
    std::vector<Millimetres> sizes(in.Items()), rooms(in.StockLengths.size());
    for (std::size_t i = 0; i < sizes.size(); ++i)
        sizes[i] = in.Size(i);
    for (std::size_t j = 0; j < rooms.size(); ++j)
        rooms[j] = in.Capacity(j);
    Shorten(in, groups);
    FewerPatterns(sizes, rooms, groups, budget);
}

void FewerPatterns(const std::vector<Millimetres>& sizes, const std::vector<Millimetres>& rooms,
                   std::vector<Group>& groups, Budget& budget) {
    const Shop shop{sizes, rooms};
    Merge(groups);
    while (budget.Left > 0 && OneFewer(shop, groups, budget)) {
    }
}

} // namespace tavrilo::cutting::detail
