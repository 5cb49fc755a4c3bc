// The cutting plan against published optima, and on site-sized cut lists.
//
//   tavrilo_cutting_bench [--filter REGEX] [--sites N] [--stores N] [--steps N] [--list]
//                         [--digest] [FOLDER]
//
// FOLDER holds instances/ (one instance a file: m, C, then m lines "w d")
// and optima.tsv (instance, lower bound, best known). Every instance whose
// name matches REGEX is solved once; N site lists (200 unless told) are
// generated from mesh cut lists with a fixed seed, and four lists of a whole
// site's diameter, of several hundred lengths each; N store lists (500 unless
// told) are cut from bars on hand and new bars at a price, for the least
// cost (excess counted in 12 m bars' cost). Prints, per set: how many,
// the share at the optimum (for site lists: at the plan's own bound, so
// proven), the largest excess in bars, and the median and largest time.
// --list prints every instance off the optimum; --digest, per set, a digest
// of its plans (every pattern and bound), to tell a change that moves no
// plan from one that does. Every plan is verified, and solved again as found,
// before fewer patterns were sought: the mean number of patterns a list of
// both is printed, and a plan whose bars, length, cost or bounds differ
// between the two is a fault.

#include "cutting/detail.h"
#include "cutting/plan.h"
#include "cutting/tests/first_fit.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using tavrilo::cutting::test::FirstFitFloor;

using namespace tavrilo::cutting;

struct Row {
    std::string set;
    std::string name;
    Problem problem;
    std::int64_t optimum = -1;    // bars, or -1: the plan's own bound
    Millimetres leastLength = -1; // with several stock lengths: the exact least length
    std::int64_t barCost = 0;     // with Stocks: a new 12 m bar's cost, the unit of the excess
};

std::string SetOf(const std::string& name) {
    static const std::vector<std::pair<std::regex, std::string>> sets = {
        {std::regex("N[0-9]C[0-9]W[0-9]_[A-Z]"), "Scholl 1"},
        {std::regex("N[0-9]W[0-9]B[0-9]+R[0-9]"), "Scholl 2"},
        {std::regex("HARD[0-9]"), "Scholl 3"},
        {std::regex("Falkenauer_u.*"), "Falkenauer U"},
        {std::regex("Falkenauer_t.*"), "Falkenauer T"},
        {std::regex("Schwerin.*"), "Schwerin"},
        {std::regex("Waescher.*"), "Waescher"},
        {std::regex("Hard28.*"), "Hard28"},
    };
    for (const auto& [pattern, set] : sets)
        if (std::regex_match(name, pattern))
            return set;
    return "other";
}

std::vector<Row> ReadInstances(const std::filesystem::path& folder, const std::regex& filter) {
    std::map<std::string, std::int64_t> optima;
    std::ifstream tsv(folder / "optima.tsv");
    std::string line;
    std::getline(tsv, line);
    while (std::getline(tsv, line)) {
        std::istringstream fields(line);
        std::string name;
        std::int64_t lower = 0, best = 0;
        if (fields >> name >> lower >> best)
            optima[name] = best;
    }
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "instances"))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::vector<Row> rows;
    for (const auto& file : files) {
        const std::string name = file.stem().string();
        if (!std::regex_search(name, filter) || !optima.count(name))
            continue;
        std::ifstream in(file);
        std::int64_t m = 0, c = 0;
        in >> m >> c;
        Row row{SetOf(name), name, Problem{{c}, 0, {}}, optima[name]};
        for (std::int64_t i = 0; i < m; ++i) {
            Demand d;
            in >> d.Length >> d.Count;
            row.problem.Pieces.push_back(d);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

// Cut lists of circular meshes: bars are chords, length
// sqrt(D^2 - 4x^2) + 12.5 phi - 50 mm, at positions x a spacing apart.
std::vector<Row> SiteLists(int count) {
    std::uint64_t state = 20261209;
    auto next = [&state](std::uint64_t bound) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return (state >> 33) % bound;
    };
    const double phis[] = {0.008, 0.010, 0.012, 0.014, 0.016, 0.018, 0.020, 0.022, 0.025};
    std::vector<Row> rows;
    for (int n = 0; n < count; ++n) {
        const double D = 1.0 + static_cast<double>(next(10001)) / 1000.0; // 1 to 11 m
        const double phi = phis[next(9)];
        const int distinct = 3 + static_cast<int>(next(38)); // 3 to 40
        const double s = D / 2 / distinct;
        const std::int64_t meshes = 1 + static_cast<std::int64_t>(next(60));
        Row row{"site lists", "site" + std::to_string(n), Problem{{9000, 12000}, 0, {}}, -1};
        row.problem.Kerf = n % 2 == 0 ? 0 : 3;
        for (int k = 0; k < distinct; ++k) {
            const double x = k * s;
            const double chord = std::sqrt(D * D - 4 * x * x);
            const auto length =
                static_cast<std::int64_t>(std::llround(chord * 1000 + 12.5 * phi * 1000 - 50));
            if (length <= 0 || length > 12000)
                continue;
            row.problem.Pieces.push_back({length, (k == 0 ? 2 : 4) * meshes});
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

// The lists of one diameter of a whole site, as a 200-mesh site has them:
// `meshes` meshes of D from 1 to 11 m to the centimetre, bars 0.15 or 0.2 m
// apart (a pair of equal chords either side of the middle), one to four of
// each mesh, so that a list has several hundred distinct lengths, more than
// the relaxation takes at once.
std::vector<Row> LargeSiteLists(int count, int meshes) {
    std::uint64_t state = 20261211;
    auto next = [&state](std::uint64_t bound) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return (state >> 33) % bound;
    };
    const double phis[] = {0.012, 0.014, 0.016, 0.020};
    std::vector<Row> rows;
    for (int n = 0; n < count; ++n) {
        Row row{"large site lists", "largesite" + std::to_string(n), Problem{{9000, 12000}, 0, {}},
                -1};
        row.problem.Kerf = n % 2 == 0 ? 0 : 3;
        const double phi = phis[n % 4];
        for (int m = 0; m < meshes; ++m) {
            const double D = 1.0 + static_cast<double>(next(1001)) / 100.0;
            const double s = next(2) == 0 ? 0.15 : 0.2;
            const std::int64_t copies = 1 + static_cast<std::int64_t>(next(4));
            for (int k = 0; 2 * k * s < D; ++k) {
                const double chord = std::sqrt(D * D - 4 * k * s * k * s);
                const auto length =
                    static_cast<std::int64_t>(std::llround(chord * 1000 + 12.5 * phi * 1000 - 50));
                if (length > 0 && length <= 12000)
                    row.problem.Pieces.push_back({length, (k == 0 ? 1 : 2) * copies});
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

// The least length found by weighing every way of cutting: -1 when that is too much work.
Millimetres LeastLength(const Problem& problem) {
    std::map<Millimetres, std::int64_t, std::greater<>> counts;
    for (const Demand& d : problem.Pieces)
        counts[d.Length] += d.Count;
    detail::ExactProblem exact;
    for (const auto& [length, count] : counts) {
        exact.Sizes.push_back(length + problem.Kerf);
        exact.Demand.push_back(count);
    }
    for (Millimetres l : problem.StockLengths) {
        exact.Capacities.push_back(l + problem.Kerf);
        exact.Lengths.push_back(l);
    }
    std::int64_t spent = 0;
    const auto bars = detail::LeastLengthExactly(exact, 4'000'000'000, spent);
    if (!bars)
        return -1;
    Millimetres length = 0;
    for (const detail::ExactBar& bar : *bars)
        length += bar.Times * exact.Lengths[bar.Stock];
    return length;
}

// Short lists on the default stock of 9 m and 12 m, as a yard meets them
// every day: each length from 0.6 to 10 m, 1 to 30 pieces of it, then lists
// of two to four lengths with a fixed seed; each with its exact least length.
std::vector<Row> YardLists() {
    std::vector<Row> rows;
    for (int n = 0; n < 630; ++n) {
        Row row{"yard lists", "yard" + std::to_string(n), Problem{{9000, 12000}, 0, {}}, -1};
        row.problem.Pieces.push_back({600 + (n / 30) * 470, 1 + n % 30});
        rows.push_back(std::move(row));
    }
    std::uint64_t state = 20261210;
    auto next = [&state](std::uint64_t bound) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<std::int64_t>((state >> 33) % bound);
    };
    for (int n = 0; n < 370; ++n) {
        Row row{"yard lists", "yard-mixed" + std::to_string(n), Problem{{9000, 12000}, 0, {}}, -1};
        row.problem.Kerf = n % 2 == 0 ? 0 : 3;
        const std::int64_t lengths = 2 + next(3);
        for (std::int64_t k = 0; k < lengths; ++k)
            row.problem.Pieces.push_back({600 + next(9401), 1 + next(8)});
        rows.push_back(std::move(row));
    }
    for (Row& row : rows)
        row.leastLength = LeastLength(row.problem);
    return rows;
}

// Lists of one diameter as the site lists have them (2 to 10 lengths), cut
// from a yard's store and new bars: 9 m and 12 m bars at a price per tonne
// (9 m dearer by a little), as a cost per bar in fen; 0 to 8 offcut lengths
// of 1 to 8 m on hand, one to three of each, and in every third list whole
// 12 m bars on hand too, all already paid for. Every other list has a 3 mm kerf.
std::vector<Row> StoreLists(int count) {
    std::uint64_t state = 20261212;
    auto next = [&state](std::uint64_t bound) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<std::int64_t>((state >> 33) % bound);
    };
    const double phis[] = {0.008, 0.010, 0.012, 0.014, 0.016, 0.018, 0.020, 0.022, 0.025};
    std::vector<Row> rows;
    for (int n = 0; n < count; ++n) {
        const double D = 1.0 + static_cast<double>(next(10001)) / 1000.0;
        const double phi = phis[next(9)];
        const int distinct = 2 + static_cast<int>(next(9)); // 2 to 10
        const double s = D / 2 / distinct;
        const std::int64_t meshes = 1 + next(60);
        Row row{"store lists", "store" + std::to_string(n), Problem{{}, 0, {}}, -1};
        row.problem.Kerf = n % 2 == 0 ? 0 : 3;
        for (int k = 0; k < distinct; ++k) {
            const double chord = std::sqrt(D * D - 4 * k * s * k * s);
            const auto length =
                static_cast<std::int64_t>(std::llround(chord * 1000 + 12.5 * phi * 1000 - 50));
            if (length > 0 && length <= 12000)
                row.problem.Pieces.push_back({length, (k == 0 ? 2 : 4) * meshes});
        }
        // Yuan a tonne, then fen a bar: 0.00617 phi^2 kg a metre, phi in mm.
        const double perTonne = 3600 + static_cast<double>(next(801));
        const double kgPerMetre = 0.00617 * (phi * 1000) * (phi * 1000);
        const auto cost = [&](double metres, double tonne) {
            return static_cast<std::int64_t>(std::llround(tonne * kgPerMetre * metres / 10));
        };
        const std::int64_t offcuts = next(9);
        for (std::int64_t k = 0; k < offcuts; ++k)
            row.problem.Stocks.push_back({1000 + next(7001), 1 + next(3), 0});
        if (n % 3 == 0)
            row.problem.Stocks.push_back({12000, 1 + next(5), 0});
        row.problem.Stocks.push_back({9000, -1, cost(9, perTonne + 100)});
        row.problem.Stocks.push_back({12000, -1, cost(12, perTonne)});
        row.barCost = row.problem.Stocks.back().Cost;
        rows.push_back(std::move(row));
    }
    return rows;
}

// FNV-1a over the plan's numbers, folded into `digest`.
void Fold(std::uint64_t& digest, std::int64_t value) {
    for (int b = 0; b < 8; ++b) {
        digest ^= (static_cast<std::uint64_t>(value) >> (8 * b)) & 0xffu;
        digest *= 1099511628211u;
    }
}

void Fold(std::uint64_t& digest, const Plan& plan) {
    for (const Pattern& p : plan.Patterns) {
        Fold(digest, p.StockLength);
        Fold(digest, p.Count);
        for (Millimetres w : p.Pieces)
            Fold(digest, w);
        Fold(digest, -1);
    }
    Fold(digest, plan.LowerBoundBars);
    Fold(digest, plan.LowerBoundLength);
    if (plan.Cost != 0 || plan.LowerBoundCost != 0) {
        for (const Pattern& p : plan.Patterns)
            Fold(digest, static_cast<std::int64_t>(p.Stock));
        Fold(digest, plan.Cost);
        Fold(digest, plan.LowerBoundCost);
    }
}

struct Tally {
    int count = 0;
    std::uint64_t digest = 14695981039346656037u;
    int atOptimum = 0;
    std::int64_t worstExcess = 0;
    std::vector<double> seconds;
    int faults = 0;
    std::int64_t patternsBefore = 0; // of the plans as found, before fewer patterns were sought
    std::int64_t patterns = 0;
    std::int64_t patternsFloor = 0;
};

// No plan has fewer patterns than lengths over half the longest bar: no bar
// carries two of them.
std::int64_t PatternFloor(const Problem& problem) {
    Millimetres longest = 0;
    for (Millimetres l : problem.StockLengths)
        longest = std::max(longest, l);
    for (const Stock& s : problem.Stocks)
        longest = std::max(longest, s.Length);
    std::vector<Millimetres> lengths;
    for (const Demand& d : problem.Pieces)
        if (2 * d.Length + problem.Kerf > longest)
            lengths.push_back(d.Length);
    std::sort(lengths.begin(), lengths.end());
    const auto distinct = std::unique(lengths.begin(), lengths.end()) - lengths.begin();
    return std::max<std::int64_t>(distinct, problem.Pieces.empty() ? 0 : 1);
}

// What fewer patterns must leave as it was: what is bought, its cost and the bounds.
bool SameTotals(const Plan& a, const Plan& b) {
    return a.Bars == b.Bars && a.Bought == b.Bought && a.Cost == b.Cost &&
           a.LowerBoundBars == b.LowerBoundBars && a.LowerBoundLength == b.LowerBoundLength &&
           a.LowerBoundCost == b.LowerBoundCost && a.ProvenOptimal == b.ProvenOptimal;
}

} // namespace

int main(int argc, char** argv) {
    std::regex filter(".*");
    int sites = 200;
    int stores = 500;
    bool list = false;
    bool digest = false;
    Limits limits;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--filter" && i + 1 < argc)
            filter = std::regex(argv[++i]);
        else if (arg == "--sites" && i + 1 < argc)
            sites = std::atoi(argv[++i]);
        else if (arg == "--stores" && i + 1 < argc)
            stores = std::atoi(argv[++i]);
        else if (arg == "--steps" && i + 1 < argc)
            limits.Steps = std::atoll(argv[++i]);
        else if (arg == "--list")
            list = true;
        else if (arg == "--digest")
            digest = true;
        else if (!arg.empty() && arg[0] != '-')
            folder = arg;
        else {
            std::fprintf(stderr, "usage: tavrilo_cutting_bench [--filter REGEX] [--sites N] "
                                 "[--stores N] [--steps N] [--list] [--digest] [FOLDER]\n");
            return 64;
        }
    }
    std::vector<Row> rows;
    if (!folder.empty())
        rows = ReadInstances(folder, filter);
    for (Row& row : SiteLists(sites))
        if (std::regex_search(row.name, filter))
            rows.push_back(std::move(row));
    for (Row& row : LargeSiteLists(4, 50))
        if (std::regex_search(row.name, filter))
            rows.push_back(std::move(row));
    if (std::regex_search("yard", filter))
        for (Row& row : YardLists())
            rows.push_back(std::move(row));
    for (Row& row : StoreLists(stores))
        if (std::regex_search(row.name, filter))
            rows.push_back(std::move(row));

    std::map<std::string, Tally> tallies;
    std::vector<std::string> order;
    for (const Row& row : rows) {
        const auto start = std::chrono::steady_clock::now();
        const Outcome outcome = SolveCuttingStock(row.problem, limits);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!tallies.count(row.set))
            order.push_back(row.set);
        Tally& t = tallies[row.set];
        ++t.count;
        t.seconds.push_back(seconds);
        const Plan* plan = std::get_if<Plan>(&outcome);
        const auto fault =
            plan ? VerifyPlan(row.problem, *plan) : std::optional<std::string>("refused");
        if (fault) {
            ++t.faults;
            std::printf("FAULT %s: %s\n", row.name.c_str(), fault->c_str());
            continue;
        }
        Fold(t.digest, *plan);
        Limits asFound = limits;
        asFound.PatternSteps = 0;
        const Outcome before = SolveCuttingStock(row.problem, asFound);
        const Plan* old = std::get_if<Plan>(&before);
        if (!old || VerifyPlan(row.problem, *old) || !SameTotals(*old, *plan)) {
            ++t.faults;
            std::printf("FAULT %s: fewer patterns changed what is bought or its bound\n",
                        row.name.c_str());
        }
        t.patternsBefore += old ? static_cast<std::int64_t>(old->Patterns.size()) : 0;
        t.patterns += static_cast<std::int64_t>(plan->Patterns.size());
        t.patternsFloor += PatternFloor(row.problem);
        const bool byLength = row.problem.StockLengths.size() > 1;
        std::int64_t excess = 0;
        if (byLength && plan->Bought > FirstFitFloor(row.problem)) {
            ++t.faults;
            std::printf("FAULT %s: buys more than first fit\n", row.name.c_str());
        }
        if (row.barCost > 0)
            excess =
                plan->ProvenOptimal ? 0 : 1 + (plan->Cost - plan->LowerBoundCost - 1) / row.barCost;
        else if (row.optimum >= 0)
            excess = plan->Bars - row.optimum;
        else if (row.leastLength >= 0)
            excess = plan->Bought > row.leastLength
                         ? 1 + (plan->Bought - row.leastLength - 1) / 12000
                         : 0;
        else
            excess = plan->ProvenOptimal ? 0
                     : byLength          ? 1 + (plan->Bought - plan->LowerBoundLength) / 12000
                                         : plan->Bars - plan->LowerBoundBars;
        if (excess == 0)
            ++t.atOptimum;
        t.worstExcess = std::max(t.worstExcess, excess);
        if (list && excess != 0 && row.barCost > 0)
            std::printf("%s: cost %lld, bound %lld, 12 m bar %lld, %.3f s\n", row.name.c_str(),
                        static_cast<long long>(plan->Cost),
                        static_cast<long long>(plan->LowerBoundCost),
                        static_cast<long long>(row.barCost), seconds);
        else if (list && excess != 0)
            std::printf("%s: %lld bars, optimum %lld, bound %lld / %lld mm, bought %lld, %.3f s\n",
                        row.name.c_str(), static_cast<long long>(plan->Bars),
                        static_cast<long long>(row.optimum),
                        static_cast<long long>(plan->LowerBoundBars),
                        static_cast<long long>(plan->LowerBoundLength),
                        static_cast<long long>(plan->Bought), seconds);
    }
    std::printf("| set | instances | at the optimum | largest excess (bars) | median time | "
                "largest time | patterns a list, as found | patterns a list | at least |\n"
                "|---|---|---|---|---|---|---|---|---|\n");
    int faults = 0;
    for (const std::string& set : order) {
        Tally& t = tallies[set];
        std::sort(t.seconds.begin(), t.seconds.end());
        const double median = t.seconds.empty() ? 0 : t.seconds[t.seconds.size() / 2];
        const double largest = t.seconds.empty() ? 0 : t.seconds.back();
        const double lists = std::max(t.count, 1);
        std::printf(
            "| %s | %d | %.1f %% | %lld | %.3f s | %.3f s | %.2f | %.2f | %.2f |\n", set.c_str(),
            t.count, 100.0 * t.atOptimum / lists, static_cast<long long>(t.worstExcess), median,
            largest, static_cast<double>(t.patternsBefore) / lists,
            static_cast<double>(t.patterns) / lists, static_cast<double>(t.patternsFloor) / lists);
        faults += t.faults;
    }
    if (digest)
        for (const std::string& set : order)
            std::printf("%s: %016llx\n", set.c_str(),
                        static_cast<unsigned long long>(tallies[set].digest));
    if (faults > 0)
        std::printf("%d plans failed verification\n", faults);
    return faults == 0 ? 0 : 1;
}
