#include "app/store.h"

#include "calc/number.h"
#include "calc/weight.h"
#include "text/arrangement.h"
#include "text/batch_messages.h"
#include "text/column_unit.h"
#include "text/order_messages.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace tavrilo {
namespace {

constexpr double kMostPricePerTonne = 1e6;
constexpr std::int64_t kMostBars = 1000000000;

// A diameter as the order groups it, in tenths of a millimetre.
std::int64_t Tenths(double metres) {
    return std::llround(metres * 1e4);
}

// One bar's cost in fen: its weight times the price per tonne.
std::int64_t BarCost(double pricePerTonne, Millimetres length, double diameter) {
    const std::optional<BarMass> mass =
        ComputeBarMass(static_cast<double>(length) / 1000, diameter);
    const double kilograms = mass ? static_cast<double>(length) / 1000 * mass->KgPerMetre : 0;
    return std::llround(pricePerTonne * kilograms / 1000 * 100);
}

// A number from `least` to `most` typed alone in a cell, or nothing.
std::optional<double> ReadNumber(std::string_view cell, double least, double most) {
    const std::string_view text = TrimBlanks(cell);
    if (!IsOnlyNumber(text))
        return std::nullopt;
    const double value = ParseLeadingNumber(text);
    if (!(value >= least && value <= most))
        return std::nullopt;
    return value;
}

} // namespace

bool StoreReader::Feed(std::string_view bytes) {
    return records_.Feed(bytes, [this](CsvRecord& record) { Read(record); });
}

bool StoreReader::Finish() {
    return records_.Finish([this](CsvRecord& record) { Read(record); });
}

void StoreReader::Read(CsvRecord& record) {
    std::variant<StoreBar, std::string> row =
        record.Problem != CsvRecordProblem::None
            ? std::variant<StoreBar, std::string>(CsvRecordProblemMessage(record))
            : ReadStoreRow(record.Fields, LengthUnit::Metres);
    if (auto* bar = std::get_if<StoreBar>(&row)) {
        bars_.push_back(std::move(*bar));
        return;
    }
    ++omittedRows_;
    if (omitted_.size() < kNamedOmitted)
        omitted_.push_back({record.Line, std::move(std::get<std::string>(row))});
}

std::variant<StoreBar, std::string> ReadStoreRow(const std::vector<std::string>& f,
                                                 LengthUnit diameterUnit) {
    if (f.size() < 3 || f.size() > 6)
        return StoreFieldCountMessage(f.size());
    StoreBar bar;
    const double perMetre = PerMetre(diameterUnit);
    const auto diameter =
        ReadNumber(f[0], kThinnestBarMetres * perMetre, kThickestBarMetres * perMetre);
    if (!diameter)
        return PieceDiameterMessage(TrimBlanks(f[0]), diameterUnit);
    bar.BarDiameter = static_cast<double>(Tenths(*diameter / perMetre)) / 1e4;
    const auto length = ReadNumber(f[1], kShortestPieceMetres, kLongestPieceMetres);
    if (!length)
        return PieceLengthMessage(TrimBlanks(f[1]), LengthUnit::Metres);
    bar.Length = std::llround(RoundHalfEven(*length, 3) * 1000);
    const auto count = ReadWholeNumber(TrimBlanks(f[2]), static_cast<double>(kMostBars));
    if (!count)
        return PieceCountMessage(TrimBlanks(f[2]), kMostBars);
    bar.Count = *count;
    const GradeCell grade = ReadGrade(f.size() > 3 ? f[3] : "");
    if (!grade.Known)
        return UnknownGradeMessage(TrimBlanks(f[3]));
    bar.Grade = grade.Grade;
    if (f.size() > 4 && !TrimBlanks(f[4]).empty()) {
        const auto price = ReadNumber(f[4], 0, kMostPricePerTonne);
        if (!price)
            return StorePriceMessage(TrimBlanks(f[4]));
        bar.PricePerTonne = *price;
    }
    if (f.size() > 5)
        bar.Note = UnguardedCsvCell(f[5]);
    return bar;
}

std::vector<StockSource> SourcesFor(const OrderSettings& settings, const OrderStore* store,
                                    const std::optional<SteelGrade>& grade,
                                    const std::optional<double>& diameter) {
    std::vector<StockSource> sources;
    if (!diameter)
        return sources;
    const bool priced = !settings.PricesPerTonne.empty();
    for (std::size_t i = 0; store && i < store->Bars.size(); ++i) {
        const StoreBar& bar = store->Bars[i];
        if (bar.Grade == grade && Tenths(bar.BarDiameter) == Tenths(*diameter))
            sources.push_back({bar.Length, true, bar.Count,
                               priced ? BarCost(bar.PricePerTonne, bar.Length, *diameter) : 0, i});
    }
    if (!priced && sources.empty())
        return sources;
    std::vector<StockSource> all;
    for (std::size_t j = 0; j < settings.StockLengths.size(); ++j) {
        const Millimetres length = settings.StockLengths[j];
        all.push_back({length, false, -1,
                       priced ? BarCost(settings.PricesPerTonne[j], length, *diameter) : length,
                       0});
    }
    all.insert(all.end(), sources.begin(), sources.end());
    return all;
}

std::vector<StoreBar> StoreAfter(const OrderStore& store, const SteelOrder& order) {
    std::vector<std::int64_t> used(store.Bars.size(), 0);
    // The offcuts kept, by grade, diameter and length, longest first.
    using Key = std::tuple<int, std::int64_t, Millimetres>;
    std::map<Key, StoreBar> kept;
    for (const OrderGroup& group : order.Groups) {
        if (group.Coiled || !group.BarDiameter)
            continue;
        for (const cutting::Pattern& pattern : group.Plan.Patterns) {
            if (group.CutFromStore(pattern))
                used[group.Sources[pattern.Stock].StoreRow] += pattern.Count;
            if (!order.Settings.Keeps(pattern.Offcut))
                continue;
            const int rank = group.Grade ? static_cast<int>(*group.Grade) : -1;
            StoreBar& bar = kept[{rank, Tenths(*group.BarDiameter), -pattern.Offcut}];
            bar = {group.Grade, *group.BarDiameter, pattern.Offcut, bar.Count + pattern.Count,
                   0,           store.OffcutNote};
        }
    }
    std::vector<StoreBar> after;
    for (std::size_t i = 0; i < store.Bars.size(); ++i)
        if (store.Bars[i].Count > used[i]) {
            after.push_back(store.Bars[i]);
            after.back().Count -= used[i];
        }
    for (auto& [key, bar] : kept)
        after.push_back(std::move(bar));
    return after;
}

} // namespace tavrilo
