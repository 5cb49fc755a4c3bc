#include "text/steel_order.h"

#include "calc/number.h"
#include "text/csv.h"
#include "text/json.h"
#include "text/report.h"
#include "text/svg.h"

#include <algorithm>
#include <map>

namespace tavrilo {
namespace {

std::string Count(std::int64_t n) {
    return std::to_string(n);
}

// "6.5 mm", or the words for pieces without a diameter.
std::string DiameterText(const std::optional<double>& diameter) {
    if (!diameter)
        return "未注明直径";
    return "直径 " + FormatNumber(RoundHalfEven(*diameter * 1000, 3)) + " mm";
}

std::string DiameterMmField(const std::optional<double>& diameter) {
    return diameter ? FormatNumber(RoundHalfEven(*diameter * 1000, 3)) : std::string();
}

// `part` as a share of `whole`, in per cent with two decimals.
std::string Share(Millimetres part, Millimetres whole) {
    if (whole <= 0)
        return "0%";
    return FormatNumber(
               RoundHalfEven(100.0 * static_cast<double>(part) / static_cast<double>(whole), 2)) +
           "%";
}

double Metres(Millimetres length) {
    return static_cast<double>(length) / 1000;
}

std::string StockListText(const std::vector<Millimetres>& lengths) {
    std::string text;
    for (std::size_t i = 0; i < lengths.size(); ++i)
        text += (i > 0 ? "、" : "") + MetresText(lengths[i]) + " m";
    return text;
}

std::string LapRuleText(const OrderSettings& settings) {
    if (settings.LapTimesDiameter > 0)
        return FormatNumber(settings.LapTimesDiameter) + "d（不小于 " + MetresText(kShortestLap) +
               " m）";
    return MetresText(settings.LapLength) + " m";
}

std::string SpliceText(const OrderSettings& settings) {
    switch (settings.Splice) {
    case SpliceMethod::None:
        return "未设定（长于定尺的钢筋不下料）";
    case SpliceMethod::Lap:
        return "搭接，搭接长度 " + LapRuleText(settings);
    case SpliceMethod::Couplers:
        return "机械连接套筒（不搭接）";
    }
    return "";
}

std::string KerfText(Millimetres kerf) {
    return kerf == 0 ? std::string("0 mm（剪切下料）") : Count(kerf) + " mm";
}

// The pieces of a pattern, equal ones together: "3.245 × 2 + 2.9".
std::string PiecesText(const cutting::Pattern& pattern) {
    std::string text;
    const std::vector<Millimetres>& pieces = pattern.Pieces;
    for (std::size_t i = 0; i < pieces.size();) {
        std::size_t j = i;
        while (j < pieces.size() && pieces[j] == pieces[i])
            ++j;
        text += (i > 0 ? " + " : "") + MetresText(pieces[i]);
        if (j - i > 1)
            text += " × " + std::to_string(j - i);
        i = j;
    }
    return text;
}

// The stock bars bought of each length, longest first.
std::vector<std::pair<Millimetres, std::int64_t>> ByStock(const cutting::Plan& plan) {
    std::map<Millimetres, std::int64_t, std::greater<>> counts;
    for (const cutting::Pattern& pattern : plan.Patterns)
        counts[pattern.StockLength] += pattern.Count;
    return {counts.begin(), counts.end()};
}

bool SeveralStockLengths(const SteelOrder& order) {
    return order.Settings.StockLengths.size() > 1;
}

std::string BoundText(const SteelOrder& order, const OrderGroup& group) {
    const cutting::Plan& plan = group.Plan;
    std::string text =
        "下界 " + Count(plan.LowerBoundBars) + " 根、" + MetresText(plan.LowerBoundLength) + " m：";
    if (plan.ProvenOptimal)
        return text + "已证明最省";
    if (SeveralStockLengths(order))
        return text + "本方案最多比最省方案多用 " +
               MetresText(plan.Bought - plan.LowerBoundLength) + " m";
    return text + "本方案最多比最省方案多 " + Count(plan.Bars - plan.LowerBoundBars) + " 根";
}

std::string PurchaseText(const OrderGroup& group) {
    std::string text;
    const auto byStock = ByStock(group.Plan);
    for (std::size_t i = 0; i < byStock.size(); ++i)
        text += (i > 0 ? "、" : "") + MetresText(byStock[i].first) + " m × " +
                Count(byStock[i].second) + " 根";
    text += "，共 " + Count(group.Plan.Bars) + " 根，" + MetresText(group.Plan.Bought) + " m";
    if (group.Kilograms)
        text += "，理论重量 " + FormatNumber(*group.Kilograms) + " kg";
    return text;
}

std::string UseText(const OrderGroup& group) {
    const Millimetres bought = group.Plan.Bought;
    return "用于钢筋 " + MetresText(group.Used) + " m（" + Share(group.Used, bought) +
           "），余料留用 " + MetresText(group.OffcutKept) + " m（" +
           Share(group.OffcutKept, bought) + "），废料 " + MetresText(group.Waste) + " m（" +
           Share(group.Waste, bought) + "）";
}

std::string SpliceLine(const SplicedBars& bars) {
    std::string text = MetresText(bars.Length) + " m × " + Count(bars.Count) + " 根：每根 " +
                       Count(bars.WholeBars) + " 根 " + MetresText(bars.Stock) +
                       " m 整根加收尾段 " + MetresText(bars.Closing) + " m，";
    if (bars.Lap > 0)
        text += "搭接 " + MetresText(bars.Lap) + " m，";
    return text + "每根 " + Count(bars.Joints()) + " 个接头";
}

std::int64_t JointsOf(const OrderGroup& group) {
    std::int64_t joints = 0;
    for (const SplicedBars& bars : group.Spliced)
        joints += bars.Joints() * bars.Count;
    return joints;
}

std::string OffcutText(const SteelOrder& order, const cutting::Pattern& pattern) {
    if (pattern.Offcut == 0)
        return "无余料";
    return (pattern.Offcut >= order.Settings.ShortestKept ? "余料留用 " : "废料 ") +
           MetresText(pattern.Offcut) + " m";
}

std::string SplicesHeading(const SteelOrder& order, const OrderGroup& group) {
    return "接长（共 " + Count(JointsOf(group)) + " 个接头" +
           (order.Settings.Splice == SpliceMethod::Couplers
                ? "，即 " + Count(JointsOf(group)) + " 个套筒"
                : std::string()) +
           "；相邻钢筋的收尾段交替放在两端，接头错开）";
}

std::string PatternsHeading(const OrderGroup& group) {
    return "下料方案（" + Count(static_cast<std::int64_t>(group.Plan.Patterns.size())) +
           " 种切法）";
}

// "12 m × 12 根"
std::string PatternTitle(const cutting::Pattern& pattern) {
    return MetresText(pattern.StockLength) + " m × " + Count(pattern.Count) + " 根";
}

// "1.331 × 2 + 1.268；锯口 3 个，无余料"
std::string PatternCaption(const SteelOrder& order, const cutting::Pattern& pattern) {
    return PiecesText(pattern) + "；锯口 " + Count(pattern.Cuts) + " 个，" +
           OffcutText(order, pattern);
}

// The weight of every diameter bought, when each has one.
std::optional<double> SiteKilograms(const SteelOrder& order) {
    double kilograms = 0;
    for (const OrderGroup& group : order.Groups) {
        if (!group.Kilograms)
            return std::nullopt;
        kilograms += *group.Kilograms;
    }
    return RoundHalfEven(kilograms, 2);
}

std::string TotalLine(const SteelOrder& order) {
    std::string text =
        "合计：采购 " + Count(order.StockBars()) + " 根，" + MetresText(order.Bought()) + " m";
    if (const std::optional<double> kilograms = SiteKilograms(order))
        text += "，理论重量 " + FormatNumber(*kilograms) + " kg";
    return text;
}

std::string SourceTitle(OrderSource source) {
    return source == OrderSource::Schedule ? "工程清单" : "下料清单";
}

std::string ReadText(const SteelOrder& order) {
    std::string text = "按 " + order.Encoding + " 读取" + SourceTitle(order.Source) + "，共 " +
                       std::to_string(order.Rows) + " 行";
    if (order.Source == OrderSource::Schedule)
        text += "，计 " + std::to_string(order.Meshes) + " 个网片";
    if (order.HeaderLine > 0)
        text += "；第 " + std::to_string(order.HeaderLine) + " 行是表头";
    return text;
}

std::string SettingsLines(const SteelOrder& order) {
    const OrderSettings& s = order.Settings;
    return "定尺长度：" + StockListText(s.StockLengths) + "\n锯缝：" + KerfText(s.Kerf) +
           "\n余料：不短于 " + MetresText(s.ShortestKept) + " m 的余料留用，其余计为废料\n接长：" +
           SpliceText(s) + "\n";
}

} // namespace

std::int64_t SteelOrder::StockBars() const {
    std::int64_t bars = 0;
    for (const OrderGroup& group : Groups)
        bars += group.Plan.Bars;
    return bars;
}

Millimetres SteelOrder::Bought() const {
    Millimetres bought = 0;
    for (const OrderGroup& group : Groups)
        bought += group.Plan.Bought;
    return bought;
}

std::string MetresText(Millimetres length) {
    const bool negative = length < 0;
    const Millimetres magnitude = negative ? -length : length;
    std::string text = (negative ? "-" : "") + std::to_string(magnitude / 1000);
    Millimetres fraction = magnitude % 1000;
    if (fraction != 0) {
        std::string digits = std::to_string(fraction + 1000).substr(1);
        while (digits.back() == '0')
            digits.pop_back();
        text += "." + digits;
    }
    return text;
}

std::string SteelOrderText(const SteelOrder& order) {
    std::string text = "钢筋采购与下料方案\n" + ReadText(order) + "\n" + SettingsLines(order);
    if (order.RoundedLengths > 0)
        text +=
            "有 " + std::to_string(order.RoundedLengths) + " 个长度多于三位小数，已按毫米取整\n";
    if (!order.Omitted.empty()) {
        text += "未计入的行（" + std::to_string(order.Omitted.size()) + " 行）：\n";
        for (const OmittedRow& row : order.Omitted)
            text += "  第 " + std::to_string(row.Line) + " 行：" + row.Reason + "\n";
    }
    for (const OrderGroup& group : order.Groups) {
        text += "\n" + DiameterText(group.BarDiameter) + "（" + Count(group.Pieces) + " 段下料）\n";
        text += "  采购：" + PurchaseText(group) + "\n";
        text += "  " + UseText(group) + "\n";
        text += "  " + BoundText(order, group) + "\n";
        if (!group.Spliced.empty()) {
            text += "  " + SplicesHeading(order, group) + "：\n";
            for (const SplicedBars& bars : group.Spliced)
                text += "    " + SpliceLine(bars) + "\n";
        }
        text += "  " + PatternsHeading(group) + "：\n";
        for (const cutting::Pattern& pattern : group.Plan.Patterns)
            text += "    " + PatternTitle(pattern) + "：" + PatternCaption(order, pattern) + "\n";
    }
    if (order.Groups.size() > 1)
        text += "\n" + TotalLine(order) + "\n";
    return text;
}

std::string SteelOrderCsv(const SteelOrder& order) {
    std::string csv;
    AppendCsvRow(
        csv, {"直径 (mm)", "项目", "定尺长度 (m)", "根数", "长度 (m)", "内容", "锯口", "余料 (m)"});
    const OrderSettings& s = order.Settings;
    AppendCsvRow(csv,
                 {"", "设置", "", "", "", "定尺长度 " + StockListText(s.StockLengths), "", ""});
    AppendCsvRow(csv, {"", "设置", "", "", "", "锯缝 " + KerfText(s.Kerf), "", ""});
    AppendCsvRow(csv, {"", "设置", "", "", "",
                       "余料 不短于 " + MetresText(s.ShortestKept) + " m 的留用", "", ""});
    AppendCsvRow(csv, {"", "设置", "", "", "", "接长 " + SpliceText(s), "", ""});
    for (const OmittedRow& row : order.Omitted)
        AppendCsvRow(csv, {"", "未计入", "", "", "",
                           "第 " + std::to_string(row.Line) + " 行：" + row.Reason, "", ""});
    for (const OrderGroup& group : order.Groups) {
        const std::string diameter = DiameterMmField(group.BarDiameter);
        for (const auto& [length, count] : ByStock(group.Plan))
            AppendCsvRow(csv, {diameter, "采购", MetresText(length), Count(count),
                               MetresText(length * count), "", "", ""});
        AppendCsvRow(csv,
                     {diameter, "合计", "", Count(group.Plan.Bars), MetresText(group.Plan.Bought),
                      (group.Kilograms ? "理论重量 " + FormatNumber(*group.Kilograms) + " kg；"
                                       : std::string()) +
                          UseText(group) + "；" + BoundText(order, group),
                      "", ""});
        for (const SplicedBars& bars : group.Spliced)
            AppendCsvRow(csv, {diameter, "接长", MetresText(bars.Stock), Count(bars.Count),
                               MetresText(bars.Length), SpliceLine(bars), "", ""});
        for (const cutting::Pattern& pattern : group.Plan.Patterns)
            AppendCsvRow(csv,
                         {diameter, "切法", MetresText(pattern.StockLength), Count(pattern.Count),
                          MetresText(pattern.StockLength), PiecesText(pattern), Count(pattern.Cuts),
                          MetresText(pattern.Offcut)});
    }
    return csv;
}

std::string SteelOrderJson(const SteelOrder& order) {
    JsonWriter json;
    const OrderSettings& s = order.Settings;
    json.BeginObject();
    json.Key("source").String(order.Source == OrderSource::Schedule ? "schedule" : "pieces");
    json.Key("encoding").String(order.Encoding);
    json.Key("rows").Integer(order.Rows);
    if (order.Source == OrderSource::Schedule)
        json.Key("meshes").Integer(order.Meshes);
    else
        json.Key("rounded_lengths").Integer(order.RoundedLengths);
    json.Key("omitted_rows").BeginArray();
    for (const OmittedRow& row : order.Omitted) {
        json.BeginObject();
        json.Key("line").Integer(static_cast<long long>(row.Line));
        json.Key("reason").String(row.Reason);
        json.EndObject();
    }
    json.EndArray();
    json.Key("settings").BeginObject();
    json.Key("stock_lengths_m").BeginArray();
    for (Millimetres length : s.StockLengths)
        json.Number(Metres(length));
    json.EndArray();
    json.Key("kerf_m").Number(Metres(s.Kerf));
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
    json.EndObject();
    json.Key("groups").BeginArray();
    for (const OrderGroup& group : order.Groups) {
        const cutting::Plan& plan = group.Plan;
        json.BeginObject();
        json.Key("bar_diameter_m");
        if (group.BarDiameter)
            json.Number(*group.BarDiameter);
        else
            json.Null();
        json.Key("pieces").Integer(group.Pieces);
        json.Key("stock_bars").Integer(plan.Bars);
        json.Key("by_stock").BeginArray();
        for (const auto& [length, count] : ByStock(plan)) {
            json.BeginObject();
            json.Key("length_m").Number(Metres(length));
            json.Key("count").Integer(count);
            json.EndObject();
        }
        json.EndArray();
        json.Key("lower_bound_bars").Integer(plan.LowerBoundBars);
        json.Key("lower_bound_m").Number(Metres(plan.LowerBoundLength));
        json.Key("proven_optimal").Bool(plan.ProvenOptimal);
        json.Key("bought_m").Number(Metres(plan.Bought));
        json.Key("used_m").Number(Metres(group.Used));
        json.Key("offcut_kept_m").Number(Metres(group.OffcutKept));
        json.Key("waste_m").Number(Metres(group.Waste));
        json.Key("weight_kg");
        if (group.Kilograms)
            json.Number(*group.Kilograms);
        else
            json.Null();
        json.Key("patterns").BeginArray();
        for (const cutting::Pattern& pattern : plan.Patterns) {
            json.BeginObject();
            json.Key("stock_length_m").Number(Metres(pattern.StockLength));
            json.Key("count").Integer(pattern.Count);
            json.Key("pieces_m").BeginArray();
            for (Millimetres piece : pattern.Pieces)
                json.Number(Metres(piece));
            json.EndArray();
            json.Key("cuts").Integer(pattern.Cuts);
            json.Key("offcut_m").Number(Metres(pattern.Offcut));
            json.Key("offcut_kept")
                .Bool(pattern.Offcut > 0 && pattern.Offcut >= order.Settings.ShortestKept);
            json.EndObject();
        }
        json.EndArray();
        json.Key("splices").BeginArray();
        for (const SplicedBars& bars : group.Spliced) {
            json.BeginObject();
            json.Key("length_m").Number(Metres(bars.Length));
            json.Key("count").Integer(bars.Count);
            json.Key("whole_stock_bars").Integer(bars.WholeBars);
            json.Key("stock_length_m").Number(Metres(bars.Stock));
            json.Key("closing_piece_m").Number(Metres(bars.Closing));
            json.Key("lap_m").Number(Metres(bars.Lap));
            json.Key("joints").Integer(bars.Joints() * bars.Count);
            json.EndObject();
        }
        json.EndArray();
        json.Key("joints").Integer(JointsOf(group));
        json.Key("couplers")
            .Integer(order.Settings.Splice == SpliceMethod::Couplers ? JointsOf(group) : 0);
        json.EndObject();
    }
    json.EndArray();
    json.Key("stock_bars").Integer(order.StockBars());
    json.Key("bought_m").Number(Metres(order.Bought()));
    json.EndObject();
    return json.Text();
}

namespace {

constexpr double kSvgLeft = 24;
constexpr double kSvgStripWidth = 760; // the longest stock bar
constexpr double kSvgStrip = 30;       // a strip's height
constexpr double kSvgLine = 26;        // a line of text
constexpr int kSvgTextSize = 13;
constexpr std::string_view kSvgFonts =
    "'Noto Sans CJK SC', 'WenQuanYi Micro Hei', 'Microsoft YaHei', sans-serif";
constexpr std::string_view kPieceFills[] = {"#d8e2f0", "#f0e0d0"};

std::string SvgNumber(double value) {
    return FormatNumber(RoundHalfEven(value, 2));
}

void SvgText(std::string& svg, double x, double y, std::string_view anchor, int size,
             std::string_view content, bool bold = false) {
    svg += "<text x=\"" + SvgNumber(x) + "\" y=\"" + SvgNumber(y) + "\" text-anchor=\"" +
           std::string(anchor) + "\" font-size=\"" + std::to_string(size) + "\"" +
           (bold ? " font-weight=\"bold\"" : "") + ">" + EscapeXml(content) + "</text>\n";
}

void SvgRect(std::string& svg, double x, double y, double width, double height,
             std::string_view fill) {
    svg += "<rect x=\"" + SvgNumber(x) + "\" y=\"" + SvgNumber(y) + "\" width=\"" +
           SvgNumber(width) + "\" height=\"" + SvgNumber(height) + "\" fill=\"" +
           std::string(fill) + "\" stroke=\"#333333\" stroke-width=\"0.5\"/>\n";
}

} // namespace

namespace {

void JsonRow(JsonWriter& json, const std::vector<std::string>& cells) {
    json.BeginArray();
    for (const std::string& cell : cells)
        json.String(cell);
    json.EndArray();
}

} // namespace

std::string SteelOrderPageJson(const SteelOrder& order) {
    JsonWriter json;
    json.BeginObject();
    json.Key("heading").BeginArray();
    json.String(ReadText(order));
    std::string settings = SettingsLines(order);
    for (std::size_t at = 0; at < settings.size();) {
        const std::size_t end = settings.find('\n', at);
        json.String(settings.substr(at, end - at));
        at = end + 1;
    }
    json.EndArray();
    json.Key("omitted").BeginArray();
    for (const OmittedRow& row : order.Omitted)
        json.String("第 " + std::to_string(row.Line) + " 行：" + row.Reason);
    json.EndArray();
    json.Key("total").String(TotalLine(order));

    json.Key("purchase").BeginObject();
    json.Key("header");
    JsonRow(json, {"直径 (mm)", "定尺长度 (m)", "根数", "长度 (m)", "理论重量 (kg)"});
    json.Key("rows").BeginArray();
    for (const OrderGroup& group : order.Groups) {
        const std::string diameter =
            group.BarDiameter ? DiameterMmField(group.BarDiameter) : "未注明";
        for (const auto& [length, count] : ByStock(group.Plan))
            JsonRow(json,
                    {diameter, MetresText(length), Count(count), MetresText(length * count), ""});
    }
    json.EndArray();
    json.Key("totals").BeginArray();
    for (const OrderGroup& group : order.Groups)
        JsonRow(json, {group.BarDiameter ? DiameterMmField(group.BarDiameter) : "未注明", "小计",
                       Count(group.Plan.Bars), MetresText(group.Plan.Bought),
                       group.Kilograms ? FormatNumber(*group.Kilograms) : std::string()});
    const std::optional<double> kilograms = SiteKilograms(order);
    JsonRow(json, {"合计", "", Count(order.StockBars()), MetresText(order.Bought()),
                   kilograms ? FormatNumber(*kilograms) : std::string()});
    json.EndArray();
    json.EndObject();

    json.Key("groups").BeginArray();
    for (const OrderGroup& group : order.Groups) {
        json.BeginObject();
        json.Key("title").String(DiameterText(group.BarDiameter) + "（" + Count(group.Pieces) +
                                 " 段下料）");
        json.Key("lines").BeginArray();
        json.String("采购：" + PurchaseText(group));
        json.String(UseText(group));
        json.String(BoundText(order, group));
        json.EndArray();
        json.Key("proven").Bool(group.Plan.ProvenOptimal);
        json.Key("splices").BeginArray();
        if (!group.Spliced.empty()) {
            json.String(SplicesHeading(order, group));
            for (const SplicedBars& bars : group.Spliced)
                json.String(SpliceLine(bars));
        }
        json.EndArray();
        json.Key("patterns_title").String(PatternsHeading(group));
        json.Key("patterns").BeginArray();
        for (const cutting::Pattern& pattern : group.Plan.Patterns) {
            json.BeginObject();
            json.Key("title").String(PatternTitle(pattern));
            json.Key("caption").String(PatternCaption(order, pattern));
            json.Key("stock_mm").Integer(pattern.StockLength);
            json.Key("pieces").BeginArray();
            for (Millimetres piece : pattern.Pieces) {
                json.BeginArray();
                json.Integer(piece);
                json.String(MetresText(piece));
                json.EndArray();
            }
            json.EndArray();
            json.Key("kerf_mm").Integer(order.Settings.Kerf);
            json.Key("offcut_mm").Integer(pattern.Offcut);
            json.Key("offcut_kept").Bool(pattern.Offcut >= order.Settings.ShortestKept);
            json.EndObject();
        }
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    return json.Text();
}

std::string SteelOrderSvg(const SteelOrder& order) {
    Millimetres longest = 1;
    for (Millimetres length : order.Settings.StockLengths)
        longest = std::max(longest, length);
    const double scale = kSvgStripWidth / static_cast<double>(longest);
    std::string body;
    double y = 36;
    SvgText(body, kSvgLeft, y, "start", 18, "下料方案（每条为一根定尺钢筋，按比例）", true);
    y += kSvgLine;
    double widest = kSvgLeft + TextWidthBound("下料方案（每条为一根定尺钢筋，按比例）", 18);
    for (const OrderGroup& group : order.Groups) {
        y += kSvgLine / 2;
        const std::string heading = DiameterText(group.BarDiameter) + "：" + PurchaseText(group);
        SvgText(body, kSvgLeft, y, "start", 15, heading, true);
        widest = std::max(widest, kSvgLeft + TextWidthBound(heading, 15));
        y += kSvgLine * 0.6;
        for (const cutting::Pattern& pattern : group.Plan.Patterns) {
            // Every piece in words too: a short one has no room for its label.
            const std::string caption = MetresText(pattern.StockLength) + " m × " +
                                        Count(pattern.Count) + " 根：" + PiecesText(pattern) +
                                        "；锯口 " + Count(pattern.Cuts) + " 个，" +
                                        OffcutText(order, pattern);
            y += kSvgLine * 0.8;
            SvgText(body, kSvgLeft, y, "start", kSvgTextSize, caption);
            widest = std::max(widest, kSvgLeft + TextWidthBound(caption, kSvgTextSize));
            y += 6;
            double x = kSvgLeft;
            SvgRect(body, x, y, static_cast<double>(pattern.StockLength) * scale, kSvgStrip,
                    "#ffffff");
            for (std::size_t i = 0; i < pattern.Pieces.size(); ++i) {
                const double width = static_cast<double>(pattern.Pieces[i]) * scale;
                SvgRect(body, x, y, width, kSvgStrip, kPieceFills[i % 2]);
                const std::string label = MetresText(pattern.Pieces[i]);
                if (TextWidthBound(label, kSvgTextSize) + 4 <= width)
                    SvgText(body, x + width / 2, y + kSvgStrip / 2 + kSvgTextSize * 0.35, "middle",
                            kSvgTextSize, label);
                x += width + static_cast<double>(order.Settings.Kerf) * scale;
            }
            y += kSvgStrip;
        }
        y += kSvgLine / 2;
    }
    const double width = std::max(kSvgLeft * 2 + kSvgStripWidth, widest + kSvgLeft);
    const double height = y + kSvgLine;
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
           SvgNumber(width) + "\" height=\"" + SvgNumber(height) + "\" viewBox=\"0 0 " +
           SvgNumber(width) + " " + SvgNumber(height) + "\" font-family=\"" +
           std::string(kSvgFonts) +
           "\">\n<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n" + body + "</svg>\n";
}

std::string LongBarsMessage(const std::vector<LongBar>& bars, Millimetres longestStock) {
    std::string text = "有钢筋长于最长的定尺长度 " + MetresText(longestStock) +
                       " m，不能用一根定尺钢筋下料，需要接长：";
    constexpr std::size_t kNamed = 10;
    for (std::size_t i = 0; i < bars.size() && i < kNamed; ++i) {
        const bool sameDiameter = i > 0 && bars[i].BarDiameter == bars[i - 1].BarDiameter;
        text += sameDiameter ? "、" : (i > 0 ? "；" : "") + DiameterText(bars[i].BarDiameter) + " ";
        text += MetresText(bars[i].Length) + " m × " + Count(bars[i].Count) + " 根";
    }
    if (bars.size() > kNamed)
        text += "等 " + std::to_string(bars.size()) + " 种长度";
    return text + "。请给出搭接长度（钢筋直径的倍数如 36d，或以米计如 0.5；不小于 " +
           MetresText(kShortestLap) + " m），或选用机械连接套筒。";
}

std::string_view LapNeedsDiameterMessage() {
    return "清单中有未注明直径的钢筋需要接长，无法按钢筋直径的倍数计算搭接长度：请以米给出搭接长度"
           "，"
           "或注明直径。";
}

std::string LapTooLongMessage(Millimetres lap, Millimetres longestStock) {
    return "搭接长度 " + MetresText(lap) + " m 不短于最长的定尺长度 " + MetresText(longestStock) +
           " m，无法接长。";
}

std::string NothingToOrderMessage(const SteelOrder& order) {
    return SourceTitle(order.Source) + "中没有可下料的钢筋" +
           (order.Omitted.empty()
                ? std::string("。")
                : "：" + std::to_string(order.Omitted.size()) + " 行无法计算，第 " +
                      std::to_string(order.Omitted.front().Line) + " 行：" +
                      order.Omitted.front().Reason);
}

std::string_view OrderTooLargeMessage() {
    return "长度或根数过大，无法准确计算下料方案。";
}

std::string StockLengthRefusal(std::string_view typed) {
    return "定尺长度“" + std::string(typed) +
           "”无效：应为 0.01 到 100 米之间的长度，多个用逗号分开，"
           "如 9,12";
}

std::string KerfRefusal(std::string_view typed) {
    return "锯缝“" + std::string(typed) + "”无效：应为 0 到 0.1 米之间的长度（0 为剪切下料）";
}

std::string ShortestKeptRefusal(std::string_view typed) {
    return "留用余料的最短长度“" + std::string(typed) + "”无效：应为 0 到 100 米之间的长度";
}

std::string LapRefusal(std::string_view typed) {
    return "搭接长度“" + std::string(typed) +
           "”无效：应为钢筋直径的倍数（如 36d）或以米计的长度（如 0.5，不小于 " +
           MetresText(kShortestLap) + " m）";
}

std::string ScheduleFieldCountMessage(std::size_t fields) {
    return "字段数应为 4 到 6 个（D,Φ,d,布置形式[,备注[,数量]]），此行有 " +
           std::to_string(fields) + " 个";
}

std::string MeshNumberMessage(std::string_view typed) {
    return "数量“" + std::string(typed) + "”无效：应为不小于 1 的整数（空着为 1）";
}

std::string PieceFieldCountMessage(std::size_t fields) {
    return "字段数应为 2 到 4 个（长度,根数[,直径][,备注]），此行有 " + std::to_string(fields) +
           " 个";
}

std::string PieceLengthMessage(std::string_view typed) {
    return "长度“" + std::string(typed) + "”无效：应为不短于 0.001 米、不长于 100000 米的长度";
}

std::string PieceCountMessage(std::string_view typed) {
    return "根数“" + std::string(typed) + "”无效：应为不小于 1 的整数";
}

std::string PieceDiameterMessage(std::string_view typed) {
    return "直径“" + std::string(typed) +
           "”无效：应为大于 0、不大于 1 米的长度（空着为未注明直径）";
}

} // namespace tavrilo
