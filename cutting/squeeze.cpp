// Squeezing out a bar: with one stock length, a plan of one bar fewer searched
// from a plan by exchanging pieces between its bars and a heap of loose ones.

#include "cutting/detail.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <numeric>
#include <optional>
#include <utility>
#include <vector>

namespace tavrilo::cutting::detail {
namespace {

// A loose piece stays off the bar it left for kTabuMoves moves and up to
// kTabuSpread more, and the search gives up after kSqueezeStall moves that
// find nothing shorter; each move tried counts kStepsPerMove steps.
constexpr std::int64_t kTabuMoves = 5;
constexpr std::size_t kTabuSpread = 6;
constexpr std::int64_t kSqueezeStall = 200000;
constexpr std::int64_t kStepsPerMove = 4;
// The table of what the loose pieces can fill has at most this many words.
constexpr std::size_t kMaxSplitWords = std::size_t{1} << 21;

// The worst-filled bars are taken apart, so that all but two of the bars
// wanted stay and the pieces of the others lie loose. Each move exchanges up
// to two pieces of one bar for up to two loose ones, the move that leaves the
// loose pieces shortest in all (and, of equal ones, the most of them); a
// loose piece does not go back to the bar it came from for a few moves (a
// tabu search), so that the search walks on across moves that gain nothing,
// until the loose pieces fit on the last two bars. Each bar found is searched
// again for one fewer, down to `floor`.
class Squeeze {
public:
    using Bar = std::vector<std::size_t>; // piece numbers

    Squeeze(const Instance& in, Budget& budget)
        : in_(in), budget_(budget), capacity_(in.Capacity(0)) {}

    // Fewer bars than `groups` (all of one stock length), or nothing.
    std::optional<std::vector<Group>> Run(const std::vector<Group>& groups, std::int64_t floor) {
        std::vector<Bar> bars;
        for (const Group& g : groups)
            for (std::int64_t copy = 0; copy < g.Bars; ++copy) {
                Bar bar;
                for (const auto& [i, c] : g.Pieces)
                    for (std::int64_t n = 0; n < c; ++n) {
                        bar.push_back(item_.size());
                        item_.push_back(i);
                    }
                bars.push_back(std::move(bar));
            }
        from_.assign(item_.size(), kNone);
        until_.assign(item_.size(), 0);
        bool fewer = false;
        while (static_cast<std::int64_t>(bars.size()) > std::max<std::int64_t>(floor, 3) &&
               Fewer(bars))
            fewer = true;
        if (!fewer)
            return std::nullopt;
        std::vector<Group> out;
        for (const Bar& bar : bars) {
            std::map<std::size_t, std::int64_t> items;
            for (std::size_t id : bar)
                ++items[item_[id]];
            Group g;
            g.Stock = 0;
            g.Pieces.assign(items.begin(), items.end());
            g.Bars = 1;
            out.push_back(std::move(g));
        }
        return out;
    }

private:
    static constexpr std::size_t kNone = SIZE_MAX;

    // Pieces out of a bar: Count of them, at First and Second of the bar.
    struct Removal {
        std::size_t Count = 0;
        std::size_t First = kNone, Second = kNone;
        Millimetres Length = 0;
    };
    // Loose pieces onto a bar: Count of them, at First and Second of loose_.
    struct LooseChoice {
        Millimetres Length = 0;
        std::size_t Count = 0;
        std::size_t First = 0, Second = 0; // Second == First for one piece
    };
    // The best move found so far.
    struct Move {
        bool Found = false;
        Millimetres Gain = 0;    // loose length it saves
        std::ptrdiff_t More = 0; // pieces it adds to the loose ones
        std::size_t Bar = 0;
        Removal Out;
        LooseChoice In;
    };

    Millimetres Size(std::size_t id) const { return in_.Size(item_[id]); }
    Millimetres Load(const Bar& bar) const {
        Millimetres load = 0;
        for (std::size_t id : bar)
            load += Size(id);
        return load;
    }
    bool Tabu(std::size_t id, std::size_t bar, std::int64_t move) const {
        return from_[id] == bar && until_[id] > move;
    }

    // `bars` one fewer, or false when the steps run out first.
    bool Fewer(std::vector<Bar>& bars) {
        Loosen(bars);
        Millimetres looseLength = 0;
        for (std::size_t id : loose_)
            looseLength += Size(id);
        Millimetres best = looseLength;
        std::int64_t sinceBest = 0;
        for (std::int64_t move = 1;; ++move) {
            if (looseLength <= 2 * capacity_) {
                std::vector<Bar> two;
                if (!Split(two))
                    return false;
                if (!two.empty()) {
                    bars = bars_;
                    for (Bar& bar : two)
                        if (!bar.empty())
                            bars.push_back(std::move(bar));
                    return true;
                }
            }
            const auto gain = Step(move, looseLength, best);
            if (!gain)
                return false;
            looseLength -= *gain;
            if (looseLength < best) {
                best = looseLength;
                sinceBest = 0;
            } else if (++sinceBest > kSqueezeStall) {
                return false;
            }
        }
    }

    // All but the three worst-filled of `bars` kept, the pieces of those loose.
    void Loosen(const std::vector<Bar>& bars) {
        const std::size_t keep = bars.size() - 3;
        std::vector<std::size_t> order(bars.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::vector<Millimetres> loads(bars.size());
        for (std::size_t b = 0; b < bars.size(); ++b)
            loads[b] = Load(bars[b]);
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return loads[a] > loads[b]; });
        bars_.clear();
        load_.clear();
        loose_.clear();
        for (std::size_t k = 0; k < order.size(); ++k) {
            if (k < keep) {
                bars_.push_back(bars[order[k]]);
                load_.push_back(loads[order[k]]);
            } else
                loose_.insert(loose_.end(), bars[order[k]].begin(), bars[order[k]].end());
        }
    }

    // The loose pieces on two bars, or `two` empty when they do not fit;
    // false when the steps run out. A table of the lengths the pieces can
    // fill on the first bar.
    bool Split(std::vector<Bar>& two) {
        const std::size_t words = static_cast<std::size_t>(capacity_) / 64 + 1;
        // So many loose pieces on so long a bar are not tried (nor likely to fit).
        if ((loose_.size() + 1) * words > kMaxSplitWords)
            return true;
        if (!budget_.Spend(static_cast<std::int64_t>((loose_.size() + 1) * words)))
            return false;
        Millimetres total = 0;
        for (std::size_t id : loose_)
            total += Size(id);
        std::vector<std::vector<std::uint64_t>> reach(loose_.size() + 1,
                                                      std::vector<std::uint64_t>(words, 0));
        reach[0][0] = 1;
        for (std::size_t k = 0; k < loose_.size(); ++k) {
            const std::size_t shift = static_cast<std::size_t>(Size(loose_[k]));
            const std::vector<std::uint64_t>& before = reach[k];
            std::vector<std::uint64_t>& after = reach[k + 1];
            after = before;
            const std::size_t whole = shift / 64, part = shift % 64;
            for (std::size_t w = words; w-- > whole;) {
                std::uint64_t v = before[w - whole] << part;
                if (part != 0 && w > whole)
                    v |= before[w - whole - 1] >> (64 - part);
                after[w] |= v;
            }
        }
        const auto reachable = [&](std::size_t k, Millimetres c) {
            const std::size_t at = static_cast<std::size_t>(c);
            return (reach[k][at / 64] >> (at % 64) & 1u) != 0;
        };
        for (Millimetres first = std::min(capacity_, total);
             first >= total - capacity_ && first >= 0; --first) {
            if (!reachable(loose_.size(), first))
                continue;
            two.assign(2, {});
            Millimetres c = first;
            for (std::size_t k = loose_.size(); k-- > 0;) {
                if (reachable(k, c))
                    two[1].push_back(loose_[k]);
                else {
                    two[0].push_back(loose_[k]);
                    c -= Size(loose_[k]);
                }
            }
            return true;
        }
        return true;
    }

    // The loose pieces, one or two, longest first, fewer first among equals.
    std::vector<LooseChoice> LooseChoices() const {
        std::vector<LooseChoice> choices;
        for (std::size_t a = 0; a < loose_.size(); ++a) {
            choices.push_back({Size(loose_[a]), 1, a, a});
            for (std::size_t b = a + 1; b < loose_.size(); ++b)
                choices.push_back({Size(loose_[a]) + Size(loose_[b]), 2, a, b});
        }
        std::stable_sort(choices.begin(), choices.end(),
                         [](const LooseChoice& x, const LooseChoice& y) {
                             return x.Length != y.Length ? x.Length > y.Length : x.Count < y.Count;
                         });
        return choices;
    }

    // Out of a bar, in this order: each piece with each later one, then that
    // piece alone; last, nothing. In `outs`, kept from bar to bar (a move
    // looks at every bar).
    void Removals(const Bar& bar, std::vector<Removal>& outs) const {
        outs.clear();
        for (std::size_t o1 = 0; o1 < bar.size(); ++o1) {
            for (std::size_t o2 = o1 + 1; o2 < bar.size(); ++o2)
                outs.push_back({2, o1, o2, Size(bar[o1]) + Size(bar[o2])});
            outs.push_back({1, o1, kNone, Size(bar[o1])});
        }
        outs.push_back({0, kNone, kNone, 0});
    }

    // The moves on bar b that beat `best`: for each removal, the longest
    // choice that fits and is not tabu here (unless it leaves the loose
    // pieces shorter than ever). Returns the moves tried.
    std::int64_t BestOnBar(std::size_t b, const std::vector<LooseChoice>& choices,
                           std::int64_t move, Millimetres looseLength, Millimetres shortest,
                           std::vector<Removal>& outs, Move& best) const {
        std::int64_t work = 0;
        const Millimetres room = capacity_ - load_[b];
        Removals(bars_[b], outs);
        for (const Removal& out : outs) {
            auto it =
                std::lower_bound(choices.begin(), choices.end(), room + out.Length,
                                 [](const LooseChoice& c, Millimetres v) { return c.Length > v; });
            ++work;
            for (; it != choices.end(); ++it) {
                ++work;
                const Millimetres gain = it->Length - out.Length;
                const std::ptrdiff_t more =
                    static_cast<std::ptrdiff_t>(out.Count) - static_cast<std::ptrdiff_t>(it->Count);
                if (best.Found && (gain < best.Gain || (gain == best.Gain && more <= best.More)))
                    break;
                const bool tabu = Tabu(loose_[it->First], b, move) ||
                                  (it->Count == 2 && Tabu(loose_[it->Second], b, move));
                if (tabu && looseLength - gain >= shortest)
                    continue;
                best = Move{true, gain, more, b, out, *it};
                break;
            }
        }
        return work;
    }

    // One move; the loose length it saves (negative when it adds), or
    // nothing when the steps run out.
    std::optional<Millimetres> Step(std::int64_t move, Millimetres looseLength,
                                    Millimetres shortest) {
        const std::vector<LooseChoice> choices = LooseChoices();
        Move best;
        std::vector<Removal> outs;
        std::int64_t work = 0;
        const std::size_t start = draws_.Below(bars_.size());
        for (std::size_t seen = 0; seen < bars_.size(); ++seen)
            work += BestOnBar((start + seen) % bars_.size(), choices, move, looseLength, shortest,
                              outs, best);
        if (!budget_.Spend(work * kStepsPerMove + static_cast<std::int64_t>(choices.size())))
            return std::nullopt;
        if (!best.Found)
            return std::nullopt;
        Apply(best, move);
        return best.Gain;
    }

    void Apply(const Move& best, std::int64_t move) {
        Bar& bar = bars_[best.Bar];
        std::vector<std::size_t> in = {loose_[best.In.First]};
        if (best.In.Count == 2)
            in.push_back(loose_[best.In.Second]);
        std::vector<std::size_t> out;
        if (best.Out.Count >= 1)
            out.push_back(bar[best.Out.First]);
        if (best.Out.Count == 2)
            out.push_back(bar[best.Out.Second]);
        for (std::size_t id : in) {
            loose_.erase(std::find(loose_.begin(), loose_.end(), id));
            bar.push_back(id);
        }
        for (std::size_t id : out) {
            bar.erase(std::find(bar.begin(), bar.end(), id));
            loose_.push_back(id);
            from_[id] = best.Bar;
            until_[id] = move + kTabuMoves + static_cast<std::int64_t>(draws_.Below(kTabuSpread));
        }
        load_[best.Bar] += best.Gain;
    }

    const Instance& in_;
    Budget& budget_;
    Draws draws_{kDrawSeed};
    Millimetres capacity_;
    std::vector<std::size_t> item_;   // piece number -> item of the instance
    std::vector<std::size_t> from_;   // the bar it last left
    std::vector<std::int64_t> until_; // the move until which it may not go back
    std::vector<Bar> bars_;           // the bars kept
    std::vector<Millimetres> load_;   // their pieces and kerfs
    std::vector<std::size_t> loose_;  // the pieces off every bar
};

} // namespace

std::optional<std::vector<Group>> SqueezeBars(const Instance& in, const std::vector<Group>& groups,
                                              std::int64_t floor, Budget& budget) {
    Squeeze squeeze(in, budget);
    return squeeze.Run(groups, floor);
}

} // namespace tavrilo::cutting::detail
