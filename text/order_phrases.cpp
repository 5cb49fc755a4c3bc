#include "text/order_phrases.h"

#include "calc/weight.h"

#include <map>

namespace tavrilo::order_phrases {
namespace {

std::string Share(double percent) {
    return FormatNumber(percent) + "%";
}

std::string LapRuleText(const OrderSettings& settings) {
    if (settings.LapTimesDiameter > 0)
        return FormatNumber(settings.LapTimesDiameter) + "d（不小于 " + MetresText(kShortestLap) +
               " m）";
    return MetresText(settings.LapLength) + " m";
}

// "12 × 2 + 11.432": equal pieces next to each other together.
std::string SplicePiecesText(const std::vector<Millimetres>& pieces) {
    std::string text;
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

std::string OffcutText(const OrderSettings& settings, Millimetres offcut) {
    if (offcut == 0)
        return "无余料";
    return (settings.Keeps(offcut) ? "余料留用 " : "废料 ") + MetresText(offcut) + " m";
}

} // namespace

std::string DiameterText(const std::optional<double>& diameter) {
    if (!diameter)
        return "未注明直径";
    return "直径 " + DiameterMmField(diameter) + " mm";
}

std::string DiameterMmField(const std::optional<double>& diameter) {
    return diameter ? FormatNumber(RoundHalfEven(*diameter * 1000, 3)) : std::string();
}

std::string SourceTitle(OrderSource source) {
    return source == OrderSource::Schedule ? "工程清单" : "下料清单";
}

std::string StockListText(const std::vector<Millimetres>& lengths) {
    std::string text;
    for (std::size_t i = 0; i < lengths.size(); ++i)
        text += (i > 0 ? "、" : "") + MetresText(lengths[i]) + " m";
    return text;
}

std::string PricedStockText(const OrderSettings& settings) {
    if (settings.PricesPerTonne.empty())
        return StockListText(settings.StockLengths);
    std::string text;
    for (std::size_t i = 0; i < settings.StockLengths.size(); ++i)
        text += (i > 0 ? "、" : "") + MetresText(settings.StockLengths[i]) + " m（" +
                FormatNumber(settings.PricesPerTonne[i]) + " 元/吨）";
    return text;
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

std::string CoilsText(const OrderSettings& settings) {
    if (settings.CoilsUpTo <= 0)
        return "不用盘条，全部按定尺采购";
    return "直径 " + FormatNumber(RoundHalfEven(settings.CoilsUpTo * 1000, 1)) +
           " mm 及以下按盘条（盘螺）重量采购，调直切断";
}

std::string ReadText(const SteelOrder& order) {
    std::string text = "按 " + order.Encoding + " 读取" + SourceTitle(order.Source) + "，共 " +
                       std::to_string(order.Rows) + " 行";
    if (order.Source == OrderSource::Schedule)
        text += "，计 " + std::to_string(order.Meshes) + " 个网片";
    if (order.StraightBars > 0)
        text += "、" + std::to_string(order.StraightBars) + " 根直条钢筋";
    if (order.HeaderLine > 0)
        text += "；第 " + std::to_string(order.HeaderLine) + " 行是表头";
    return text;
}

std::string ShearText(const SteelOrder& order) {
    std::map<double, std::int64_t> bars; // by diameter, thinnest first
    for (const OrderGroup& group : order.Groups)
        if (group.BarsPerStroke > 0)
            bars[*group.BarDiameter] = group.BarsPerStroke;
    std::string text;
    for (const auto& [diameter, count] : bars)
        text += (text.empty() ? "每次 " : "、") + FormatNumber(RoundHalfEven(diameter * 1000, 1)) +
                " mm " + Count(count) + " 根";
    return text;
}

std::string SettingsLines(const SteelOrder& order) {
    const OrderSettings& s = order.Settings;
    std::string text = "定尺长度：" + PricedStockText(s) + "\n锯缝：" + KerfText(s.Kerf) +
                       "\n余料：不短于 " + MetresText(s.ShortestKept) +
                       " m 的余料留用，其余计为废料\n接长：" + SpliceText(s) + "\n盘条：" +
                       CoilsText(s) + "\n";
    if (const std::string shear = ShearText(order); !shear.empty())
        text += "切断：" + shear + "\n";
    return text;
}

std::string OmittedText(const OmittedRow& row) {
    return "第 " + std::to_string(row.Line) + " 行：" + row.Reason;
}

std::string UnnamedOmittedText(const SteelOrder& order) {
    const long long more = order.OmittedRows - static_cast<long long>(order.Omitted.size());
    return more > 0 ? "另有 " + std::to_string(more) + " 行未计入，不逐行列出" : std::string();
}

std::string WeightText(double kilograms) {
    return FormatNumber(kilograms) + " kg（" + FormatNumber(TonnesOf(kilograms)) + " t）";
}

std::string SupplyText(const OrderGroup& group) {
    return group.Coiled ? std::string(CoilName(group.Grade)) : std::string("定尺");
}

std::string CoilPieceText(const cutting::Demand& piece) {
    return MetresText(piece.Length) + " m × " + Count(piece.Count) + " 根";
}

std::string PurchaseText(const OrderGroup& group) {
    if (group.Coiled)
        return SupplyText(group) + " " +
               (group.Kilograms ? WeightText(*group.Kilograms) : std::string()) + "，调直切断 " +
               MetresText(group.Used) + " m";
    std::string text;
    for (std::size_t i = 0; i < group.ByStock.size(); ++i)
        text += (i > 0 ? "、" : "") + MetresText(group.ByStock[i].Length) + " m × " +
                Count(group.ByStock[i].Count) + " 根";
    if (group.ByStock.empty())
        text += "无新购";
    else
        text += "，共 " + Count(group.BoughtBars) + " 根，" + MetresText(group.BoughtLength) + " m";
    if (group.Kilograms && !group.ByStock.empty())
        text += "，理论重量 " + WeightText(*group.Kilograms);
    for (std::size_t i = 0; i < group.FromStore.size(); ++i)
        text += (i > 0 ? "、" : "；另用库存 ") + MetresText(group.FromStore[i].Length) + " m × " +
                Count(group.FromStore[i].Count) + " 根";
    return text;
}

std::string UseText(const OrderGroup& group) {
    return "用于钢筋 " + MetresText(group.Used) + " m（" + Share(group.UsedShare) +
           "），余料留用 " + MetresText(group.OffcutKept) + " m（" + Share(group.KeptShare) +
           "），废料 " + MetresText(group.Waste) + " m（" + Share(group.WasteShare) + "）";
}

std::string BoundText(const SteelOrder& order, const OrderGroup& group) {
    const cutting::Plan& plan = group.Plan;
    if (group.Priced)
        return CostText(group);
    if (!group.Sources.empty()) { // the store's bars are free: the least new length
        const std::string text = "新购下界 " + MetresText(plan.LowerBoundCost) + " m：";
        if (plan.ProvenOptimal)
            return text + "已证明最省";
        return text + "本方案最多比最省方案多购 " + MetresText(plan.Cost - plan.LowerBoundCost) +
               " m";
    }
    std::string text =
        "下界 " + Count(plan.LowerBoundBars) + " 根、" + MetresText(plan.LowerBoundLength) + " m：";
    if (plan.ProvenOptimal)
        return text + "已证明最省";
    if (order.Settings.StockLengths.size() > 1)
        return text + "本方案最多比最省方案多用 " +
               MetresText(plan.Bought - plan.LowerBoundLength) + " m";
    return text + "本方案最多比最省方案多 " + Count(plan.Bars - plan.LowerBoundBars) + " 根";
}

std::string SplicesHeading(const SteelOrder& order, const OrderGroup& group) {
    std::int64_t unsure = 0;
    bool neighbours = false;
    for (const SplicedBars& bars : group.Spliced) {
        neighbours = neighbours || bars.Nearest;
        unsure += bars.Nearest && !bars.Staggered() ? bars.Count : 0;
    }
    // A schedule's bars lie in their meshes, each beside its neighbours; a
    // piece list's bars of one length lie side by side.
    const bool laid = order.Source == OrderSource::Schedule;
    const std::string alternate =
        laid ? "；网片每层钢筋自同一边起单数根、双数根交替摆放，双向网片的第二层自双数根起，"
             : "；同长的钢筋单数根、双数根交替摆放，";
    return "接长（共 " + Count(group.Joints) + " 个接头" +
           (order.Settings.Splice == SpliceMethod::Couplers
                ? "，即 " + Count(group.Couplers) + " 个套筒"
                : std::string()) +
           (!neighbours   ? (laid ? "；与之相邻的钢筋都不接长，无需错开）"
                                  : "；每种长度只有 1 根，未核对接头错开）")
            : unsure == 0 ? alternate + "相邻钢筋接头错开）"
                          : alternate + Count(unsure) + " 根不能确认与相邻钢筋接头错开，见下）");
}

std::string SpliceLine(const SplicedBars& bars) {
    std::string text = MetresText(bars.Length) + " m × " + Count(bars.Count) + " 根：每根" +
                       (bars.Even ? "（双数根）" : "（单数根）") + "自同一端起依次为 " +
                       SplicePiecesText(bars.Pieces) + " m，";
    if (bars.Lap > 0)
        text += "搭接 " + MetresText(bars.Lap) + " m，";
    text += "每根 " + Count(bars.Joints()) + " 个接头";
    if (!bars.Nearest)
        return text;
    const std::string rule = bars.Lap > 0 ? "1.3 倍搭接长度" : "35 倍钢筋直径";
    if (bars.Apart == 0)
        return text + "；未注明直径，无法核对接头错开（" + rule + "），与" +
               (bars.Even ? "单" : "双") + "数根的接头最近相距 " + MetresText(*bars.Nearest) + " m";
    if (bars.Staggered())
        return text + "；与" + (bars.Even ? "单" : "双") + "数根的接头至少相距 " +
               MetresText(*bars.Nearest) + " m，错开";
    return text + "；未能错开：与" + (bars.Even ? "单" : "双") + "数根的接头最近仅相距 " +
           MetresText(*bars.Nearest) + " m，不足 " + MetresText(bars.Apart) + " m（" + rule +
           "），此长度与定尺排不开";
}

std::string PatternsHeading(const OrderGroup& group) {
    std::string text =
        "下料方案（" + Count(static_cast<std::int64_t>(group.Plan.Patterns.size())) + " 种切法";
    if (group.BarsPerStroke > 0)
        text += "，每次切断 " + Count(group.BarsPerStroke) + " 根，共切断 " +
                Count(group.Strokes()) + " 次";
    return text + "）";
}

std::string GradeColumn(const SteelOrder& order, const OrderGroup& group) {
    return order.Graded() ? GradeText(group.Grade) : std::string();
}

std::string GroupName(const SteelOrder& order, const OrderGroup& group) {
    return (order.Graded() ? GradeText(group.Grade) + " " : std::string()) +
           DiameterText(group.BarDiameter);
}

std::string GroupTitle(const SteelOrder& order, const OrderGroup& group) {
    if (group.Coiled)
        return GroupName(order, group) + "（" + SupplyText(group) + "，按重量采购；" +
               Count(group.Pieces) + " 段调直切断）";
    return GroupName(order, group) + "（" + Count(group.Pieces) + " 段下料）";
}

std::string PiecesText(const cutting::Pattern& pattern) {
    return SplicePiecesText(pattern.Pieces);
}

std::string PatternTitle(const OrderGroup& group, const cutting::Pattern& pattern) {
    return (group.CutFromStore(pattern) ? "库存 " : "") + MetresText(pattern.StockLength) +
           " m × " + Count(pattern.Count) + " 根";
}

std::string YuanText(std::int64_t fen) {
    return FormatNumber(static_cast<double>(fen) / 100) + " 元";
}

std::string CostText(const OrderGroup& group) {
    if (!group.Priced)
        return "";
    const cutting::Plan& plan = group.Plan;
    std::string text =
        "费用 " + YuanText(plan.Cost) + "，下界 " + YuanText(plan.LowerBoundCost) + "：";
    if (plan.ProvenOptimal)
        return text + "已证明最省";
    return text + "本方案最多比最省方案多花 " + YuanText(plan.Cost - plan.LowerBoundCost);
}

std::string PatternCaption(const OrderSettings& settings, const OrderGroup& group,
                           const cutting::Pattern& pattern) {
    std::string text = PiecesText(pattern) + "；锯口 " + Count(pattern.Cuts) + " 个，" +
                       OffcutText(settings, pattern.Offcut);
    if (group.BarsPerStroke > 0)
        text += "；切断 " + Count(group.Strokes(pattern)) + " 次";
    return text;
}

std::string TotalLine(const SteelOrder& order) {
    std::string text =
        "合计：采购 " + Count(order.StockBars()) + " 根，" + MetresText(order.Bought()) + " m";
    double coils = 0;
    bool coiled = false;
    for (const OrderGroup& group : order.Groups)
        if (group.Coiled && group.Kilograms) {
            coils += *group.Kilograms;
            coiled = true;
        }
    if (order.Kilograms)
        text += "，理论重量 " + WeightText(*order.Kilograms);
    if (coiled)
        text += "，其中盘条 " + WeightText(RoundHalfEven(coils, 2));
    if (order.Sheared())
        text += "，切断 " + Count(order.Strokes()) + " 次";
    std::int64_t cost = 0, bound = 0;
    for (const OrderGroup& group : order.Groups)
        if (group.Priced) {
            cost += group.Plan.Cost;
            bound += group.Plan.LowerBoundCost;
        }
    if (order.Priced())
        text += "；定尺钢筋费用 " + YuanText(cost) + "，下界 " + YuanText(bound);
    return text;
}

} // namespace tavrilo::order_phrases
