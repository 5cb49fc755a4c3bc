#include "calc/weight.h"
#include "text/json.h"
#include "text/steel_order.h"

namespace tavrilo {
namespace {

double Metres(Millimetres length) {
    return static_cast<double>(length) / 1000;
}

void OptionalNumber(JsonWriter& json, const std::optional<double>& value) {
    if (value)
        json.Number(*value);
    else
        json.Null();
}

// Bars by length: [{"length_m":..,"count":..},...]
void Lengths(JsonWriter& json, std::string_view key, const std::vector<StockBought>& bars) {
    json.Key(key).BeginArray();
    for (const StockBought& stock : bars) {
        json.BeginObject();
        json.Key("length_m").Number(Metres(stock.Length));
        json.Key("count").Integer(stock.Count);
        json.EndObject();
    }
    json.EndArray();
}

// An amount of fen in 元, or null without prices.
void Yuan(JsonWriter& json, std::string_view key, bool priced, std::int64_t fen) {
    json.Key(key);
    if (priced)
        json.Number(static_cast<double>(fen) / 100);
    else
        json.Null();
}

void StoreAfter(JsonWriter& json, const SteelOrder& order) {
    if (!order.UsesStore)
        return;
    json.Key("store_after").BeginArray();
    for (const StoreBar& bar : order.StoreAfter) {
        json.BeginObject();
        json.Key("bar_diameter_m").Number(bar.BarDiameter);
        json.Key("grade");
        if (bar.Grade)
            json.String(GradeName(*bar.Grade));
        else
            json.Null();
        json.Key("length_m").Number(Metres(bar.Length));
        json.Key("count").Integer(bar.Count);
        json.Key("price_yuan_per_t").Number(bar.PricePerTonne);
        json.Key("note").String(bar.Note);
        json.EndObject();
    }
    json.EndArray();
}

void Weight(JsonWriter& json, const std::optional<double>& kilograms) {
    json.Key("weight_kg");
    OptionalNumber(json, kilograms);
    json.Key("weight_t");
    OptionalNumber(json, kilograms ? std::optional(TonnesOf(*kilograms)) : std::nullopt);
}

void Heading(JsonWriter& json, const SteelOrder& order) {
    json.Key("source").String(order.Source == OrderSource::Schedule ? "schedule" : "pieces");
    json.Key("encoding").String(order.Encoding);
    json.Key("rows").Integer(order.Rows);
    if (order.Source == OrderSource::Schedule) {
        json.Key("meshes").Integer(order.Meshes);
        json.Key("straight_bars").Integer(order.StraightBars);
    } else
        json.Key("rounded_lengths").Integer(order.RoundedLengths);
    json.Key("omitted_rows").BeginArray();
    for (const OmittedRow& row : order.Omitted) {
        json.BeginObject();
        json.Key("line").Integer(static_cast<long long>(row.Line));
        json.Key("reason").String(row.Reason);
        json.EndObject();
    }
    json.EndArray();
    json.Key("omitted_rows_total").Integer(order.OmittedRows);
}

void Settings(JsonWriter& json, const OrderSettings& s) {
    json.Key("settings").BeginObject();
    json.Key("stock_lengths_m").BeginArray();
    for (Millimetres length : s.StockLengths)
        json.Number(Metres(length));
    json.EndArray();
    if (!s.PricesPerTonne.empty()) {
        json.Key("prices_yuan_per_t").BeginArray();
        for (double price : s.PricesPerTonne)
            json.Number(price);
        json.EndArray();
    }
    json.Key("kerf_m").Number(Metres(s.Kerf));
    json.Key("coils_up_to_m").Number(s.CoilsUpTo);
    json.Key("keep_offcut_m").Number(Metres(s.ShortestKept));
    json.Key("splice").String(s.Splice == SpliceMethod::None  ? "none"
                              : s.Splice == SpliceMethod::Lap ? "lap"
                                                              : "couplers");
    if (s.Splice == SpliceMethod::Lap) {
        if (s.LapTimesDiameter > 0)
            json.Key("lap_times_bar_diameter").Number(s.LapTimesDiameter);
        else
            json.Key("lap_m").Number(Metres(s.LapLength));
        json.Key("shortest_lap_m").Number(Metres(kShortestLap));
    }
    json.Key("shear").BeginArray();
    for (const ShearCapacity& entry : s.Shear) {
        json.BeginObject();
        json.Key("bar_diameter_m").Number(entry.DiameterTenths / 1e4);
        json.Key("bars_per_stroke").Integer(entry.Bars);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
}

void Patterns(JsonWriter& json, const OrderSettings& settings, const OrderGroup& group) {
    // Each a setting of the shear line's stops: how many the group asks for.
    json.Key("pattern_count").Integer(static_cast<std::int64_t>(group.Plan.Patterns.size()));
    json.Key("patterns").BeginArray();
    for (const cutting::Pattern& pattern : group.Plan.Patterns) {
        json.BeginObject();
        json.Key("stock_length_m").Number(Metres(pattern.StockLength));
        json.Key("from_store").Bool(group.CutFromStore(pattern));
        json.Key("count").Integer(pattern.Count);
        json.Key("pieces_m").BeginArray();
        for (Millimetres piece : pattern.Pieces)
            json.Number(Metres(piece));
        json.EndArray();
        json.Key("cuts").Integer(pattern.Cuts);
        if (group.BarsPerStroke > 0)
            json.Key("strokes").Integer(group.Strokes(pattern));
        json.Key("offcut_m").Number(Metres(pattern.Offcut));
        json.Key("offcut_kept").Bool(settings.Keeps(pattern.Offcut));
        json.EndObject();
    }
    json.EndArray();
}

void Splices(JsonWriter& json, const OrderGroup& group) {
    json.Key("splices").BeginArray();
    for (const SplicedBars& bars : group.Spliced) {
        json.BeginObject();
        json.Key("length_m").Number(Metres(bars.Length));
        json.Key("count").Integer(bars.Count);
        json.Key("even").Bool(bars.Even);
        json.Key("whole_stock_bars").Integer(bars.WholeBars);
        json.Key("stock_length_m").Number(Metres(bars.Stock));
        json.Key("pieces_m").BeginArray();
        for (Millimetres piece : bars.Pieces)
            json.Number(Metres(piece));
        json.EndArray();
        json.Key("lap_m").Number(Metres(bars.Lap));
        json.Key("joints").Integer(bars.Joints() * bars.Count);
        json.Key("nearest_joints_m");
        if (bars.Nearest)
            json.Number(Metres(*bars.Nearest));
        else
            json.Null();
        json.Key("joints_apart_m").Number(Metres(bars.Apart));
        json.Key("staggered").Bool(bars.Staggered());
        json.EndObject();
    }
    json.EndArray();
    json.Key("joints").Integer(group.Joints);
    json.Key("couplers").Integer(group.Couplers);
}

void Group(JsonWriter& json, const OrderSettings& settings, const OrderGroup& group) {
    const cutting::Plan& plan = group.Plan;
    json.BeginObject();
    json.Key("grade");
    if (group.Grade)
        json.String(GradeName(*group.Grade));
    else
        json.Null();
    json.Key("bar_diameter_m");
    OptionalNumber(json, group.BarDiameter);
    json.Key("supply").String(group.Coiled ? "coil" : "stock");
    json.Key("pieces").Integer(group.Pieces);
    json.Key("stock_bars").Integer(group.BoughtBars);
    json.Key("by_stock").BeginArray();
    for (const StockBought& stock : group.ByStock) {
        json.BeginObject();
        json.Key("length_m").Number(Metres(stock.Length));
        json.Key("count").Integer(stock.Count);
        json.EndObject();
    }
    json.EndArray();
    json.Key("lower_bound_bars").Integer(plan.LowerBoundBars);
    json.Key("lower_bound_m").Number(Metres(plan.LowerBoundLength));
    json.Key("proven_optimal").Bool(plan.ProvenOptimal);
    json.Key("bought_m").Number(Metres(group.BoughtLength));
    json.Key("used_m").Number(Metres(group.Used));
    json.Key("offcut_kept_m").Number(Metres(group.OffcutKept));
    json.Key("waste_m").Number(Metres(group.Waste));
    Weight(json, group.Kilograms);
    if (group.Coiled) {
        json.Key("coil_pieces").BeginArray();
        for (const cutting::Demand& piece : group.Demand) {
            json.BeginObject();
            json.Key("length_m").Number(Metres(piece.Length));
            json.Key("count").Integer(piece.Count);
            json.EndObject();
        }
        json.EndArray();
    }
    Lengths(json, "from_store", group.FromStore);
    Yuan(json, "cost_yuan", group.Priced, plan.Cost);
    Yuan(json, "lower_bound_cost_yuan", group.Priced, plan.LowerBoundCost);
    if (group.BarsPerStroke > 0) {
        json.Key("bars_per_stroke").Integer(group.BarsPerStroke);
        json.Key("strokes").Integer(group.Strokes());
    }
    Patterns(json, settings, group);
    Splices(json, group);
    json.EndObject();
}

} // namespace

std::string SteelOrderJson(const SteelOrder& order) {
    JsonWriter json;
    json.BeginObject();
    Heading(json, order);
    Settings(json, order.Settings);
    json.Key("groups").BeginArray();
    for (const OrderGroup& group : order.Groups)
        Group(json, order.Settings, group);
    json.EndArray();
    json.Key("stock_bars").Integer(order.StockBars());
    json.Key("bought_m").Number(Metres(order.Bought()));
    Weight(json, order.Kilograms);
    std::int64_t cost = 0;
    for (const OrderGroup& group : order.Groups)
        cost += group.Priced ? group.Plan.Cost : 0;
    Yuan(json, "cost_yuan", order.Priced(), cost);
    json.Key("strokes").Integer(order.Strokes());
    StoreAfter(json, order);
    json.EndObject();
    return json.Text();
}

} // namespace tavrilo
