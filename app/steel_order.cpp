#include "app/steel_order.h"

#include "app/batch.h"
#include "app/site.h"
#include "app/splice.h"
#include "app/store.h"
#include "calc/cutlist.h"
#include "calc/evaluate.h"
#include "calc/number.h"
#include "calc/weight.h"
#include "text/arrangement.h"
#include "text/batch_messages.h"
#include "text/column_unit.h"
#include "text/messages.h"
#include "text/order_messages.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

namespace tavrilo {
namespace {

// Beyond these, sums of lengths and counts could leave exact arithmetic.
constexpr std::int64_t kMostPieces = std::int64_t{1} << 40;
constexpr std::int64_t kMostPerRow = 1000000000;

// Diameters are grouped as the order shows them, to the 0.1 mm: 0.012 and
// 0.0120000001 are one group, one plan.
OrderReader::Diameter ShownDiameter(double metres) {
    return {false, RoundHalfEven(metres * 1000, 1) / 1000};
}

bool AddChecked(std::int64_t& total, std::int64_t more) {
    if (more > kMostPieces - total)
        return false;
    total += more;
    return true;
}

// The cut lengths of one layer of `cuts`, bar by bar from one edge to the
// other: the lines run from the centre outwards, the centre bar (an odd
// count) first, then a bar either side at each position.
std::vector<Millimetres> LayerLengths(const CutList& cuts) {
    std::vector<Millimetres> outwards; // one side, from the centre
    bool centre = cuts.BarsPerDirection % 2 == 1;
    Millimetres centreLength = 0;
    for (const CutLine& line : cuts.Lines) {
        const auto length = static_cast<Millimetres>(std::llround(line.CutLength * 1000));
        int pairs = line.Count / 2;
        if (centre) {
            centreLength = length;
            centre = false;
            pairs = (line.Count - 1) / 2;
        }
        outwards.insert(outwards.end(), static_cast<std::size_t>(pairs), length);
    }
    std::vector<Millimetres> layer(outwards.rbegin(), outwards.rend());
    if (cuts.BarsPerDirection % 2 == 1)
        layer.push_back(centreLength);
    layer.insert(layer.end(), outwards.begin(), outwards.end());
    return layer;
}

} // namespace

bool OrderReader::Feed(std::string_view bytes) {
    return records_.Feed(bytes, [this](CsvRecord& record) { Read(record); });
}

bool OrderReader::Finish() {
    return records_.Finish([this](CsvRecord& record) { Read(record); });
}

void OrderReader::Read(CsvRecord& record) {
    ++rows_;
    if (source_ == OrderSource::Schedule)
        ReadMesh(record);
    else
        ReadPiece(record);
}

void OrderReader::Omit(std::size_t line, std::string reason) {
    ++omittedRows_;
    if (omitted_.size() < kNamedOmitted)
        omitted_.push_back({line, std::move(reason)});
}

void OrderReader::Add(const Steel& steel, Millimetres length, std::int64_t count) {
    if (length <= 0)
        return;
    std::int64_t& held = pieces_[steel][length];
    if (!AddChecked(held, count))
        overflowed_ = true;
}

void OrderReader::List(std::size_t line, const std::string& note, const Steel& steel,
                       Millimetres length, std::int64_t count) {
    if (listed_.size() >= kListedPieces) {
        ++unlisted_;
        return;
    }
    listed_.push_back({line, note, steel.Grade,
                       steel.Bar.None ? std::nullopt : std::optional(steel.Bar.Metres), length,
                       count});
}

void OrderReader::ReadMesh(CsvRecord& record) {
    const std::size_t line = record.Line;
    // The row's 备注, or its first three cells as typed.
    const std::vector<std::string>& f = record.Fields;
    std::string note = f.size() > 4 ? std::string(TrimBlanks(f[4])) : std::string();
    if (note.empty() && f.size() >= 3)
        note = "D=" + std::string(TrimBlanks(f[0])) + " Φ=" + std::string(TrimBlanks(f[1])) +
               (TrimBlanks(f[2]).empty() ? "" : " d=" + std::string(TrimBlanks(f[2])));
    auto read = ReadScheduleMesh(std::move(record));
    if (auto* reason = std::get_if<std::string>(&read))
        return Omit(line, std::move(*reason));
    const ScheduleMesh& mesh = std::get<ScheduleMesh>(read);
    const std::int64_t directions = DirectionCount(mesh.Cuts.Layout);
    const Steel steel{mesh.Grade, ShownDiameter(mesh.Inputs.BarDiameter)};
    for (const CutLine& cut : mesh.Cuts.Lines) {
        const auto length = static_cast<Millimetres>(std::llround(cut.CutLength * 1000));
        const std::int64_t count = static_cast<std::int64_t>(cut.Count) * directions * mesh.Number;
        Add(steel, length, count);
        List(line, note, steel, length, count);
    }
    if (mesh.Straight)
        PlaceStraight(steel, std::llround(mesh.Mesh.Total * 1000), mesh.Number);
    else
        Place(steel, LayerLengths(mesh.Cuts), directions, mesh.Number);
    (mesh.Straight ? straightBars_ : meshes_) += mesh.Number;
}

// A row's straight bars lie side by side, alternately odd and even: each
// beside bars of its own length, one only at either edge.
void OrderReader::PlaceStraight(const Steel& steel, Millimetres length, std::int64_t number) {
    PlacedBars& placed = placed_[steel];
    const auto add = [&](PlacedBar bar, std::int64_t count) {
        if (count > 0 && !AddChecked(placed[bar], count))
            overflowed_ = true;
    };
    if (number == 1)
        return add({length, false, {0, 0}}, 1);
    // The first bar (odd) and the last (odd or even) have one neighbour.
    const bool lastEven = number % 2 == 0;
    add({length, false, {0, length}}, 1);
    add({length, lastEven, {0, length}}, 1);
    add({length, false, {length, length}}, (number + 1) / 2 - 1 - (lastEven ? 0 : 1));
    add({length, true, {length, length}}, number / 2 - (lastEven ? 1 : 0));
}

void OrderReader::Place(const Steel& steel, const std::vector<Millimetres>& layer,
                        std::int64_t directions, std::int64_t number) {
    PlacedBars& placed = placed_[steel];
    for (std::int64_t direction = 0; direction < directions; ++direction)
        for (std::size_t k = 0; k < layer.size(); ++k) {
            if (layer[k] <= 0)
                continue;
            PlacedBar bar{layer[k], (k + static_cast<std::size_t>(direction)) % 2 == 1};
            bar.Beside = {k > 0 ? layer[k - 1] : 0, k + 1 < layer.size() ? layer[k + 1] : 0};
            if (bar.Beside[1] < bar.Beside[0])
                std::swap(bar.Beside[0], bar.Beside[1]);
            if (!AddChecked(placed[bar], number))
                overflowed_ = true;
        }
}

void OrderReader::ReadUnits() {
    const std::vector<std::string>& header = records_.Header();
    const auto unit = [&](std::size_t i) {
        return i < header.size() ? UnitOfHeader(header[i]).value_or(LengthUnit::Metres)
                                 : LengthUnit::Metres;
    };
    lengthUnit_ = unit(0);
    diameterUnit_ = unit(2);
    unitsRead_ = true;
}

void OrderReader::ReadPiece(CsvRecord& record) {
    const std::size_t line = record.Line;
    if (record.Problem != CsvRecordProblem::None)
        return Omit(line, CsvRecordProblemMessage(record));
    const std::vector<std::string>& fields = record.Fields;
    if (fields.size() < 2 || fields.size() > 5)
        return Omit(line, PieceFieldCountMessage(fields.size()));
    if (!unitsRead_)
        ReadUnits();
    const std::string_view lengthText = TrimBlanks(fields[0]);
    const double metres = ParseLeadingNumber(lengthText) / PerMetre(lengthUnit_);
    if (!BeginsWithNumber(lengthText) ||
        !(metres >= kShortestPieceMetres && metres <= kLongestPieceMetres))
        return Omit(line, PieceLengthMessage(lengthText, lengthUnit_));
    const double rounded = RoundHalfEven(metres, 3);
    const auto length = static_cast<Millimetres>(std::llround(rounded * 1000));
    const std::optional<std::int64_t> count =
        ReadWholeNumber(TrimBlanks(fields[1]), static_cast<double>(kMostPerRow));
    if (!count)
        return Omit(line, PieceCountMessage(TrimBlanks(fields[1]), kMostPerRow));
    Steel steel;
    if (fields.size() > 4) {
        const GradeCell grade = ReadGrade(fields[4]);
        if (!grade.Known)
            return Omit(line, UnknownGradeMessage(TrimBlanks(fields[4])));
        steel.Grade = grade.Grade;
    }
    if (fields.size() > 2 && !TrimBlanks(fields[2]).empty()) {
        const std::string_view typed = TrimBlanks(fields[2]);
        const double value = ParseLeadingNumber(typed) / PerMetre(diameterUnit_);
        if (!BeginsWithNumber(typed) ||
            !(value >= kThinnestBarMetres && value <= kThickestBarMetres))
            return Omit(line, PieceDiameterMessage(typed, diameterUnit_));
        steel.Bar = ShownDiameter(value);
    }
    if (rounded != metres)
        ++rounded_;
    Add(steel, length, *count);
    List(line, fields.size() > 3 ? std::string(TrimBlanks(fields[3])) : std::string(), steel,
         length, *count);
}

SteelOrder OrderReader::Heading() const {
    SteelOrder order;
    order.Source = source_;
    order.Encoding = std::string(EncodingName(records_.Encoding()));
    order.HeaderLine = records_.HeaderLine();
    order.Rows = rows_;
    order.Meshes = meshes_;
    order.StraightBars = straightBars_;
    order.Omitted = omitted_;
    order.OmittedRows = omittedRows_;
    order.RoundedLengths = rounded_;
    order.Listed = listed_;
    order.UnlistedPieces = unlisted_;
    return order;
}

namespace {

// The pieces of one diameter may come to at most kMostPieces units of
// kLengthUnit millimetres in all, about 2^50 mm (over a million kilometres).
// That keeps the group's lengths (the steel used, kept and wasted, and the
// stock bought, which a plan keeps within about twice the steel used) exact
// as doubles, below 2^53, where the shares, the weight and the JSON's metres
// divide them. The sum is counted in units of 1,024 mm, not in millimetres,
// so that the test cannot overflow itself: a length times a count of up to
// 2^40 each would need 80 bits.
constexpr Millimetres kLengthUnit = 1024;

using Lengths = std::map<Millimetres, std::int64_t>; // count by length

OrderRefusal TooLarge() {
    return {std::string(OrderTooLargeMessage()), false};
}

// The pieces to cut of one diameter into `pieces`, the bars longer than the
// stock spliced into `group` (as they lie in their meshes when `placed`
// says); why not, when they cannot be.
std::optional<OrderRefusal> CutPieces(const Lengths& lengths, const PlacedBars* placed,
                                      const SpliceRule& rule, OrderGroup& group, Lengths& pieces) {
    bool exact = true;
    bool spliced = false;
    for (auto it = lengths.rbegin(); it != lengths.rend(); ++it) {
        const auto [length, count] = *it;
        if (length <= rule.Stock) {
            exact = exact && AddChecked(pieces[length], count);
            continue;
        }
        if (2 * rule.Lap > rule.Stock)
            return OrderRefusal{LapTooLongMessage(rule.Lap, rule.Stock), true};
        if (SplicePieceCount(length, rule) > kMostSplicePieces)
            return TooLarge();
        spliced = true;
        if (!placed)
            for (SplicedBars& bars : Splice(length, count, rule))
                group.Spliced.push_back(std::move(bars));
    }
    if (placed && spliced)
        group.Spliced = SpliceLaid(*placed, rule);
    for (const SplicedBars& bars : group.Spliced)
        for (Millimetres piece : bars.Pieces)
            exact = exact && AddChecked(pieces[piece], bars.Count);
    if (!exact)
        return TooLarge();
    return std::nullopt;
}

// Whether the pieces' length in all stays within kMostPieces units of kLengthUnit.
bool WithinLengthBound(const Lengths& pieces) {
    std::int64_t units = 0;
    for (const auto& [length, count] : pieces)
        if (count > kMostPieces / length * kLengthUnit ||
            !AddChecked(units, length / kLengthUnit * count))
            return false;
    return true;
}

// `part` as a share of `whole`, in per cent rounded to 2 places.
double Share(Millimetres part, Millimetres whole) {
    if (whole <= 0)
        return 0;
    return RoundHalfEven(100.0 * static_cast<double>(part) / static_cast<double>(whole), 2);
}

// What the order says of a diameter's plan: the stock bought by length, the
// steel used, kept and wasted with their shares, the joints and the weight.
void DecideFacts(const OrderSettings& settings, OrderGroup& group) {
    const cutting::Plan& plan = group.Plan;
    std::map<Millimetres, std::int64_t, std::greater<>> byStock, fromStore;
    for (const cutting::Pattern& pattern : plan.Patterns) {
        const bool stored = group.CutFromStore(pattern);
        (stored ? fromStore : byStock)[pattern.StockLength] += pattern.Count;
        if (settings.Keeps(pattern.Offcut))
            group.OffcutKept += pattern.Offcut * pattern.Count;
    }
    for (const auto& [length, count] : byStock) {
        group.ByStock.push_back({length, count});
        group.BoughtBars += count;
        group.BoughtLength += length * count;
    }
    for (const auto& [length, count] : fromStore)
        group.FromStore.push_back({length, count});
    for (const cutting::Demand& demand : group.Demand)
        group.Used += demand.Length * demand.Count;
    group.Waste = plan.Bought - group.Used - group.OffcutKept;
    group.UsedShare = Share(group.Used, plan.Bought);
    group.KeptShare = Share(group.OffcutKept, plan.Bought);
    group.WasteShare = Share(group.Waste, plan.Bought);
    for (const SplicedBars& bars : group.Spliced)
        group.Joints += bars.Joints() * bars.Count;
    group.Couplers = settings.Splice == SpliceMethod::Couplers ? group.Joints : 0;
    if (group.BarDiameter) {
        group.BarsPerStroke = settings.BarsPerStroke(*group.BarDiameter);
        if (const std::optional<BarMass> mass = ComputeBarMass(
                static_cast<double>(group.BoughtLength) / 1000, *group.BarDiameter)) {
            group.Kilograms = mass->Kilograms;
            group.KgPerMetre = mass->KgPerMetre;
        }
    }
}

// The plan that cuts `pieces` from the stock, with what the order says of it.
std::optional<OrderRefusal> PlanCuts(const Lengths& pieces, const OrderSettings& settings,
                                     OrderGroup& group) {
    cutting::Problem problem;
    problem.StockLengths = settings.StockLengths;
    for (const StockSource& source : group.Sources)
        problem.Stocks.push_back({source.Length, source.Available, source.Cost});
    problem.Kerf = settings.Kerf;
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
        problem.Pieces.push_back({it->first, it->second});
        group.Pieces += it->second;
    }
    const cutting::Outcome outcome = cutting::SolveCuttingStock(problem);
    if (std::holds_alternative<cutting::ProblemFault>(outcome))
        return TooLarge();
    group.Plan = std::get<cutting::Plan>(outcome);
    group.Demand = std::move(problem.Pieces);
    DecideFacts(settings, group);
    return std::nullopt;
}

// A group of coils: the pieces to straighten and cut, longest first, and
// their weight; no stock, no plan.
OrderGroup CoilGroup(OrderGroup group, const Lengths& lengths) {
    group.Coiled = true;
    for (auto it = lengths.rbegin(); it != lengths.rend(); ++it) {
        group.Demand.push_back({it->first, it->second});
        group.Pieces += it->second;
        group.Used += it->first * it->second;
    }
    if (const std::optional<BarMass> mass =
            ComputeBarMass(static_cast<double>(group.Used) / 1000, *group.BarDiameter)) {
        group.Kilograms = mass->Kilograms;
        group.KgPerMetre = mass->KgPerMetre;
    }
    return group;
}

// The group of one grade and diameter: its pieces, its splices (as the bars
// lie, when `placed` says), its plan.
std::variant<OrderGroup, OrderRefusal> MakeGroup(const OrderReader::Steel& steel,
                                                 const Lengths& lengths, const PlacedBars* placed,
                                                 const OrderSettings& settings,
                                                 const OrderStore* store) {
    OrderGroup group;
    group.Grade = steel.Grade;
    const OrderReader::Diameter diameter = steel.Bar;
    if (!diameter.None)
        group.BarDiameter = diameter.Metres;
    if (settings.Coiled(group.BarDiameter)) {
        if (!WithinLengthBound(lengths))
            return TooLarge();
        return CoilGroup(std::move(group), lengths);
    }
    group.Sources = SourcesFor(settings, store, group.Grade, group.BarDiameter);
    group.Priced = !group.Sources.empty() && !settings.PricesPerTonne.empty();
    const Millimetres lap = settings.Splice == SpliceMethod::Lap && !diameter.None
                                ? LapOf(settings, diameter.Metres)
                                : settings.LapLength;
    Lengths pieces;
    const SpliceRule rule = SpliceRuleOf(settings, lap, group.BarDiameter);
    if (auto refusal = CutPieces(lengths, placed, rule, group, pieces))
        return *std::move(refusal);
    if (settings.Splice == SpliceMethod::Lap)
        group.Lap = lap;
    if (!WithinLengthBound(pieces))
        return TooLarge();
    if (auto refusal = PlanCuts(pieces, settings, group))
        return *std::move(refusal);
    return group;
}

// The weight of every diameter bought, when each has one.
std::optional<double> OrderKilograms(const SteelOrder& order) {
    double kilograms = 0;
    for (const OrderGroup& group : order.Groups) {
        if (!group.Kilograms)
            return std::nullopt;
        kilograms += *group.Kilograms;
    }
    return RoundHalfEven(kilograms, 2);
}

} // namespace

OrderAnswer MakeSteelOrder(const OrderReader& reader, const OrderSettings& settings,
                           const OrderStore* store) {
    OrderAnswer answer;
    SteelOrder& order = answer.Order;
    order = reader.Heading();
    order.Settings = settings;
    if (reader.Overflowed())
        answer.Refusal = TooLarge();
    else if (reader.Demand().empty())
        answer.Refusal = OrderRefusal{NothingToOrderMessage(order), true};
    else
        answer.Refusal = RefuseUnsplicedBars(reader.Demand(), order);
    for (auto it = reader.Demand().begin(); !answer.Refusal && it != reader.Demand().end(); ++it) {
        const auto placed = reader.Placed().find(it->first);
        auto made =
            MakeGroup(it->first, it->second,
                      placed == reader.Placed().end() ? nullptr : &placed->second, settings, store);
        if (auto* refusal = std::get_if<OrderRefusal>(&made))
            answer.Refusal = std::move(*refusal);
        else
            order.Groups.push_back(std::get<OrderGroup>(std::move(made)));
    }
    if (!answer.Refusal)
        order.Kilograms = OrderKilograms(order);
    if (!answer.Refusal && store) {
        order.UsesStore = true;
        order.StoreAfter = StoreAfter(*store, order);
    }
    return answer;
}

} // namespace tavrilo
