#include "text/json.h"
#include "text/order_phrases.h"
#include "text/steel_order.h"

namespace tavrilo {
namespace {

using namespace order_phrases;

void Row(JsonWriter& json, const std::vector<std::string>& cells) {
    json.BeginArray();
    for (const std::string& cell : cells)
        json.String(cell);
    json.EndArray();
}

// The diameter's cell of the purchase list.
std::string DiameterCell(const OrderGroup& group) {
    return group.BarDiameter ? DiameterMmField(group.BarDiameter) : "未注明";
}

// The lines above the order: what was read, the settings, the rows left out.
void Heading(JsonWriter& json, const SteelOrder& order) {
    json.Key("heading").BeginArray();
    json.String(ReadText(order));
    const std::string settings = SettingsLines(order);
    for (std::size_t at = 0; at < settings.size();) {
        const std::size_t end = settings.find('\n', at);
        json.String(settings.substr(at, end - at));
        at = end + 1;
    }
    json.EndArray();
    json.Key("omitted").BeginArray();
    for (const OmittedRow& row : order.Omitted)
        json.String(OmittedText(row));
    if (const std::string more = UnnamedOmittedText(order); !more.empty())
        json.String(more);
    json.EndArray();
    json.Key("total").String(TotalLine(order));
}

std::string KilogramsCell(const std::optional<double>& kilograms) {
    return kilograms ? FormatNumber(*kilograms) : std::string();
}

// The purchase list: a row for each stock length bought of each group and
// for each coil, the groups' subtotals and the total.
void Purchase(JsonWriter& json, const SteelOrder& order) {
    json.Key("purchase").BeginObject();
    json.Key("header");
    Row(json, {"级别", "直径 (mm)", "供货", "定尺长度 (m)", "根数", "长度 (m)", "理论重量 (kg)"});
    json.Key("rows").BeginArray();
    for (const OrderGroup& group : order.Groups) {
        const std::string grade = GradeColumn(order, group);
        if (group.Coiled)
            Row(json, {grade, DiameterCell(group), SupplyText(group), "", "",
                       MetresText(group.Used), KilogramsCell(group.Kilograms)});
        for (const StockBought& stock : group.ByStock)
            Row(json, {grade, DiameterCell(group), SupplyText(group), MetresText(stock.Length),
                       Count(stock.Count), MetresText(stock.Length * stock.Count), ""});
        for (const StockBought& stock : group.FromStore)
            Row(json, {grade, DiameterCell(group), "库存", MetresText(stock.Length),
                       Count(stock.Count), MetresText(stock.Length * stock.Count), ""});
    }
    json.EndArray();
    json.Key("totals").BeginArray();
    for (const OrderGroup& group : order.Groups)
        Row(json, {GradeColumn(order, group), DiameterCell(group), "小计", "",
                   group.Coiled ? "" : Count(group.BoughtBars),
                   MetresText(group.Coiled ? group.Used : group.BoughtLength),
                   KilogramsCell(group.Kilograms)});
    Row(json, {"合计", "", "", "", Count(order.StockBars()), MetresText(order.Bought()),
               KilogramsCell(order.Kilograms)});
    json.EndArray();
    json.EndObject();
}

void Pattern(JsonWriter& json, const OrderSettings& settings, const OrderGroup& group,
             const cutting::Pattern& pattern) {
    json.BeginObject();
    json.Key("title").String(PatternTitle(group, pattern));
    json.Key("from_store").Bool(group.CutFromStore(pattern));
    json.Key("caption").String(PatternCaption(settings, group, pattern));
    json.Key("stock_mm").Integer(pattern.StockLength);
    json.Key("pieces").BeginArray();
    for (Millimetres piece : pattern.Pieces) {
        json.BeginArray();
        json.Integer(piece);
        json.String(MetresText(piece));
        json.EndArray();
    }
    json.EndArray();
    json.Key("kerf_mm").Integer(settings.Kerf);
    json.Key("offcut_mm").Integer(pattern.Offcut);
    json.Key("offcut_kept").Bool(settings.Keeps(pattern.Offcut));
    json.EndObject();
}

void Group(JsonWriter& json, const SteelOrder& order, const OrderGroup& group) {
    json.BeginObject();
    json.Key("title").String(GroupTitle(order, group));
    json.Key("diameter").String(GroupName(order, group)); // for each printed pattern
    json.Key("purchase").String("采购：" + PurchaseText(group));
    json.Key("coil").BeginArray(); // the pieces straightened from a coil, longest first
    for (const cutting::Demand& piece : group.Demand)
        if (group.Coiled)
            json.String(CoilPieceText(piece));
    json.EndArray();
    json.Key("use").String(group.Coiled ? std::string() : UseText(group));
    json.Key("bound").String(group.Coiled ? std::string() : BoundText(order, group));
    json.Key("proven").Bool(group.Plan.ProvenOptimal); // the bound line says so
    json.Key("splices").BeginArray();
    if (!group.Spliced.empty()) {
        json.String(SplicesHeading(order, group));
        for (const SplicedBars& bars : group.Spliced)
            json.String(SpliceLine(bars));
    }
    json.EndArray();
    json.Key("patterns_title").String(group.Coiled ? std::string() : PatternsHeading(group));
    json.Key("patterns").BeginArray();
    for (const cutting::Pattern& pattern : group.Plan.Patterns)
        Pattern(json, order.Settings, group, pattern);
    json.EndArray();
    json.EndObject();
}

} // namespace

std::string SteelOrderPageJson(const SteelOrder& order) {
    JsonWriter json;
    json.BeginObject();
    Heading(json, order);
    Purchase(json, order);
    json.Key("groups").BeginArray();
    for (const OrderGroup& group : order.Groups)
        Group(json, order, group);
    json.EndArray();
    json.EndObject();
    return json.Text();
}

} // namespace tavrilo
