#include "text/csv.h"
#include "text/order_phrases.h"
#include "text/steel_order.h"

namespace tavrilo {
namespace {

using namespace order_phrases;

// A row whose only text is in the content column.
void NoteRow(std::string& csv, std::string_view item, std::string content) {
    AppendCsvRow(csv, {"", std::string(item), "", "", "", "", "", std::move(content), "", "", ""});
}

std::string Kilograms(const std::optional<double>& kilograms) {
    return kilograms ? FormatNumber(*kilograms) : std::string();
}

void GroupRows(std::string& csv, const SteelOrder& order, const OrderGroup& group) {
    const std::string diameter = DiameterMmField(group.BarDiameter);
    for (const StockBought& stock : group.ByStock)
        AppendCsvRow(csv, {diameter, "采购", MetresText(stock.Length), Count(stock.Count),
                           MetresText(stock.Length), MetresText(stock.Length * stock.Count), "", "",
                           "", "", ""});
    AppendCsvRow(csv, {diameter, "合计", "", Count(group.Plan.Bars), "",
                       MetresText(group.Plan.Bought), Kilograms(group.Kilograms),
                       UseText(group) + "；" + BoundText(order, group), "", "", ""});
    for (const SplicedBars& bars : group.Spliced)
        AppendCsvRow(csv, {diameter, "接长", MetresText(bars.Stock), Count(bars.Count),
                           MetresText(bars.Length), MetresText(bars.Length * bars.Count), "",
                           SpliceLine(bars), "", "", ""});
    for (const cutting::Pattern& pattern : group.Plan.Patterns) {
        const bool kept = order.Settings.Keeps(pattern.Offcut);
        const std::string offcut = MetresText(pattern.Offcut);
        AppendCsvRow(csv, {diameter, "切法", MetresText(pattern.StockLength), Count(pattern.Count),
                           MetresText(pattern.StockLength),
                           MetresText(pattern.StockLength * pattern.Count), "", PiecesText(pattern),
                           Count(pattern.Cuts), kept ? offcut : "",
                           !kept && pattern.Offcut > 0 ? offcut : ""});
    }
}

} // namespace

std::string SteelOrderCsv(const SteelOrder& order) {
    std::string csv;
    AppendCsvRow(csv, {"直径 (mm)", "项目", "定尺长度 (m)", "根数", "单根长度 (m)", "合计长度 (m)",
                       "理论重量 (kg)", "内容", "锯口", "单根余料 (m)", "单根废料 (m)"});
    const OrderSettings& s = order.Settings;
    NoteRow(csv, "设置", "定尺长度 " + StockListText(s.StockLengths));
    NoteRow(csv, "设置", "锯缝 " + KerfText(s.Kerf));
    NoteRow(csv, "设置", "余料 不短于 " + MetresText(s.ShortestKept) + " m 的留用");
    NoteRow(csv, "设置", "接长 " + SpliceText(s));
    for (const OmittedRow& row : order.Omitted)
        NoteRow(csv, "未计入", OmittedText(row));
    if (const std::string more = UnnamedOmittedText(order); !more.empty())
        NoteRow(csv, "未计入", more);
    for (const OrderGroup& group : order.Groups)
        GroupRows(csv, order, group);
    AppendCsvRow(csv, {"", "总计", "", Count(order.StockBars()), "", MetresText(order.Bought()),
                       Kilograms(order.Kilograms), "", "", "", ""});
    return csv;
}

} // namespace tavrilo
