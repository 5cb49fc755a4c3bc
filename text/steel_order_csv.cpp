#include "calc/weight.h"
#include "text/csv.h"
#include "text/order_phrases.h"
#include "text/steel_order.h"

namespace tavrilo {
namespace {

using namespace order_phrases;

// The columns after 级别, 直径 and 项目, as one row fills them.
struct Cells {
    std::string Stock = {}, Count = {}, Each = {}, Length = {}, Kilograms = {}, Tonnes = {},
                Content = {}, Cuts = {}, Strokes = {}, Kept = {}, Waste = {}, Source = {},
                Cost = {};
};

void Row(std::string& csv, const std::string& grade, const std::string& diameter,
         std::string_view item, Cells c) {
    AppendCsvRow(csv, {grade, diameter, std::string(item), std::move(c.Stock), std::move(c.Count),
                       std::move(c.Each), std::move(c.Length), std::move(c.Kilograms),
                       std::move(c.Tonnes), std::move(c.Content), std::move(c.Cuts),
                       std::move(c.Strokes), std::move(c.Kept), std::move(c.Waste),
                       std::move(c.Source), std::move(c.Cost)});
}

// Fen as a plain number of 元.
std::string Amount(std::int64_t fen) {
    return FormatNumber(static_cast<double>(fen) / 100);
}

// A row whose only text is in the content column.
void NoteRow(std::string& csv, std::string_view item, std::string content) {
    Row(csv, "", "", item, {.Content = std::move(content)});
}

// A weight as a plain number of kilograms and of tonnes, or two empty cells.
Cells Weighed(const std::optional<double>& kilograms, Cells cells) {
    if (kilograms) {
        cells.Kilograms = FormatNumber(*kilograms);
        cells.Tonnes = FormatNumber(TonnesOf(*kilograms));
    }
    return cells;
}

void CoilRows(std::string& csv, const std::string& grade, const std::string& diameter,
              const OrderGroup& group) {
    Row(csv, grade, diameter, "合计",
        Weighed(group.Kilograms, {.Length = MetresText(group.Used),
                                  .Content = SupplyText(group) + "，按重量采购，调直切断"}));
    for (const cutting::Demand& piece : group.Demand)
        Row(csv, grade, diameter, "调直切断",
            {.Count = Count(piece.Count),
             .Each = MetresText(piece.Length),
             .Length = MetresText(piece.Length * piece.Count)});
}

void GroupRows(std::string& csv, const SteelOrder& order, const OrderGroup& group) {
    const std::string grade = group.Grade ? GradeText(group.Grade) : std::string();
    const std::string diameter = DiameterMmField(group.BarDiameter);
    if (group.Coiled)
        return CoilRows(csv, grade, diameter, group);
    // The bars bought (采购) and the store's bars used (库存), by length.
    for (const bool stored : {false, true})
        for (const StockBought& stock : stored ? group.FromStore : group.ByStock)
            Row(csv, grade, diameter, stored ? "库存" : "采购",
                {.Stock = MetresText(stock.Length),
                 .Count = Count(stock.Count),
                 .Each = MetresText(stock.Length),
                 .Length = MetresText(stock.Length * stock.Count),
                 .Source = stored ? "库存" : "新购"});
    Row(csv, grade, diameter, "合计",
        Weighed(group.Kilograms, {.Count = Count(group.BoughtBars),
                                  .Length = MetresText(group.BoughtLength),
                                  .Content = UseText(group) + "；" + BoundText(order, group) +
                                             "；" + PatternsHeading(group),
                                  .Strokes = group.BarsPerStroke > 0 ? Count(group.Strokes()) : "",
                                  .Cost = group.Priced ? Amount(group.Plan.Cost) : std::string()}));
    for (const SplicedBars& bars : group.Spliced)
        Row(csv, grade, diameter, "接长",
            {.Stock = MetresText(bars.Stock),
             .Count = Count(bars.Count),
             .Each = MetresText(bars.Length),
             .Length = MetresText(bars.Length * bars.Count),
             .Content = SpliceLine(bars)});
    for (const cutting::Pattern& pattern : group.Plan.Patterns) {
        const bool kept = order.Settings.Keeps(pattern.Offcut);
        const std::string offcut = MetresText(pattern.Offcut);
        Row(csv, grade, diameter, "切法",
            {.Stock = MetresText(pattern.StockLength),
             .Count = Count(pattern.Count),
             .Each = MetresText(pattern.StockLength),
             .Length = MetresText(pattern.StockLength * pattern.Count),
             .Content = PiecesText(pattern),
             .Cuts = Count(pattern.Cuts),
             .Strokes = group.BarsPerStroke > 0 ? Count(group.Strokes(pattern)) : "",
             .Kept = kept ? offcut : "",
             .Waste = !kept && pattern.Offcut > 0 ? offcut : "",
             .Source = group.CutFromStore(pattern) ? "库存" : "新购"});
    }
}

} // namespace

std::string SteelOrderCsv(const SteelOrder& order) {
    std::string csv;
    AppendCsvRow(csv, {"级别", "直径 (mm)", "项目", "定尺长度 (m)", "根数", "单根长度 (m)",
                       "合计长度 (m)", "理论重量 (kg)", "理论重量 (t)", "内容", "锯口", "切断次数",
                       "单根余料 (m)", "单根废料 (m)", "来源", "费用 (元)"});
    const OrderSettings& s = order.Settings;
    NoteRow(csv, "设置", "定尺长度 " + PricedStockText(s));
    NoteRow(csv, "设置", "锯缝 " + KerfText(s.Kerf));
    NoteRow(csv, "设置", "余料 不短于 " + MetresText(s.ShortestKept) + " m 的留用");
    NoteRow(csv, "设置", "接长 " + SpliceText(s));
    NoteRow(csv, "设置", "盘条 " + CoilsText(s));
    if (const std::string shear = ShearText(order); !shear.empty())
        NoteRow(csv, "设置", "切断 " + shear);
    for (const OmittedRow& row : order.Omitted)
        NoteRow(csv, "未计入", OmittedText(row));
    if (const std::string more = UnnamedOmittedText(order); !more.empty())
        NoteRow(csv, "未计入", more);
    for (const OrderGroup& group : order.Groups)
        GroupRows(csv, order, group);
    Row(csv, "", "", "总计",
        Weighed(order.Kilograms, {.Count = Count(order.StockBars()),
                                  .Length = MetresText(order.Bought()),
                                  .Strokes = order.Sheared() ? Count(order.Strokes()) : ""}));
    return csv;
}

std::string StoreCsv(const std::vector<StoreBar>& bars) {
    std::string csv;
    AppendCsvRow(csv, {"直径", "长度", "根数", "级别", "单价", "备注"});
    for (const StoreBar& bar : bars)
        AppendCsvRow(csv, {FormatNumber(bar.BarDiameter), MetresText(bar.Length), Count(bar.Count),
                           bar.Grade ? GradeText(bar.Grade) : std::string(),
                           bar.PricePerTonne > 0 ? FormatNumber(bar.PricePerTonne) : std::string(),
                           bar.Note});
    return csv;
}

} // namespace tavrilo
