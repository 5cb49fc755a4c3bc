#include "text/order_messages.h"

#include "text/grade.h"
#include "text/order_phrases.h"
#include "text/utf8.h"

namespace tavrilo {
namespace {

// A cell or a setting as typed, in quotes: at most kEchoed characters of it,
// so that a row's reason stays short however long the cell.
constexpr std::size_t kEchoed = 40;

std::string Typed(std::string_view typed) {
    std::size_t at = 0;
    for (std::size_t n = 0; n < kEchoed && at < typed.size(); ++n)
        NextCodePoint(typed, at);
    return "“" + std::string(typed.substr(0, at)) + (at < typed.size() ? "…”" : "”");
}

// "应为 1 到 100000 毫米之间的长度", and when the number typed lies beyond
// the range the other way round, whether it is in millimetres or metres.
std::string Range(std::string_view typed, LengthUnit unit, double least, double most,
                  std::string_view what, std::string_view beyond) {
    const double scale = PerMetre(unit);
    std::string text = "应为 " + FormatNumber(least * scale) + " 到 " + FormatNumber(most * scale) +
                       " " + std::string(UnitName(unit)) + "之间的" + std::string(what);
    if (!BeginsWithNumber(typed))
        return text;
    const double value = ParseLeadingNumber(typed);
    if (value > most * scale && unit != LengthUnit::Millimetres)
        return text + "；" + std::string(beyond) + "，是否以毫米计？以毫米计请在表头写明，如“" +
               std::string(what) + "(mm)”";
    if (value > 0 && value < least * scale && unit == LengthUnit::Millimetres)
        return text + "；表头写明以毫米计，是否以米计？";
    return text;
}

} // namespace

std::string LongBarsMessage(const std::vector<LongBar>& bars, Millimetres longestStock) {
    std::string text = "有钢筋长于最长的定尺长度 " + MetresText(longestStock) +
                       " m，不能用一根定尺钢筋下料，需要接长：";
    constexpr std::size_t kNamed = 10;
    for (std::size_t i = 0; i < bars.size() && i < kNamed; ++i) {
        const bool sameDiameter = i > 0 && bars[i].BarDiameter == bars[i - 1].BarDiameter;
        text += sameDiameter
                    ? "、"
                    : (i > 0 ? "；" : "") + order_phrases::DiameterText(bars[i].BarDiameter) + " ";
        text += MetresText(bars[i].Length) + " m × " + order_phrases::Count(bars[i].Count) + " 根";
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
    return "搭接长度 " + MetresText(lap) + " m 超过最长的定尺长度 " + MetresText(longestStock) +
           " m 的一半，搭接接长不成立：请用更长的定尺或更短的搭接长度。";
}

std::string NothingToOrderMessage(const SteelOrder& order) {
    return order_phrases::SourceTitle(order.Source) + "中没有可下料的钢筋" +
           (order.Omitted.empty() ? std::string("。")
                                  : "：" + std::to_string(order.OmittedRows) + " 行无法计算，第 " +
                                        std::to_string(order.Omitted.front().Line) + " 行：" +
                                        order.Omitted.front().Reason);
}

std::string_view OrderTooLargeMessage() {
    return "长度或根数过大，无法准确计算下料方案。";
}

std::string StockLengthRefusal(std::string_view typed) {
    return "定尺长度" + Typed(typed) +
           "无效：应为 0.01 到 100 米之间的长度，多个用逗号、顿号、分号或 / 分开，"
           "如 9,12";
}

std::string KerfRefusal(std::string_view typed) {
    return "锯缝" + Typed(typed) + "无效：应为 0 到 0.1 米之间的长度（0 为剪切下料）";
}

std::string ShortestKeptRefusal(std::string_view typed) {
    return "留用余料的最短长度" + Typed(typed) + "无效：应为 0 到 100 米之间的长度";
}

std::string LapRefusal(std::string_view typed) {
    return "搭接长度" + Typed(typed) +
           "无效：应为钢筋直径的倍数（如 36d）或以米计的长度（如 0.5，不小于 " +
           MetresText(kShortestLap) + " m）";
}

std::string CoilsRefusal(std::string_view typed) {
    return "盘条直径上限" + Typed(typed) + "无效：应为 0 到 " +
           FormatNumber(kThickestBarMetres * 1000) +
           " 毫米之间的钢筋直径（0 为不用盘条，全部按定尺采购）";
}

std::string CommonShearText() {
    std::string text;
    for (std::size_t i = 0; i < kCommonShear.size(); ++i) {
        const ShearCapacity& entry = kCommonShear[i];
        if (i > 0)
            text += i % 4 == 0 ? "、\n               " : "、";
        text += FormatNumber(entry.DiameterTenths / 10.0) + " mm ";
        if (entry.Bars == 1)
            return text + "及更粗的 1 根";
        text += std::to_string(entry.Bars) + " 根";
    }
    return text + "，更粗的 1 根";
}

std::string ShearRefusal(std::string_view typed) {
    return "每次切断根数" + Typed(typed) + "无效：应为 直径:根数 的列表（如 12:6,16:4），直径 " +
           FormatNumber(kThinnestBarMetres * 1000) + " 到 " +
           FormatNumber(kThickestBarMetres * 1000) + " 毫米，根数为 1 到 " +
           std::to_string(kMostBarsPerStroke) + " 的整数";
}

std::string ScheduleFieldCountMessage(std::size_t fields) {
    return "字段数应为 4 到 7 个（D,Φ,d,布置形式[,备注[,数量[,级别]]]），此行有 " +
           std::to_string(fields) + " 个";
}

std::string MeshNumberMessage(std::string_view typed, std::int64_t most) {
    return "数量" + Typed(typed) + "无效：应为 1 到 " + std::to_string(most) +
           " 之间的整数（空着为 1）";
}

std::string PieceFieldCountMessage(std::size_t fields) {
    return "字段数应为 2 到 5 个（长度,根数[,直径][,备注][,级别]），此行有 " +
           std::to_string(fields) + " 个";
}

std::string PieceLengthMessage(std::string_view typed, LengthUnit unit) {
    return "长度" + Typed(typed) + "无效：" +
           Range(typed, unit, kShortestPieceMetres, kLongestPieceMetres, "长度",
                 "下料长度不会超过 100 米");
}

std::string PieceCountMessage(std::string_view typed, std::int64_t most) {
    return "根数" + Typed(typed) + "无效：应为 1 到 " + std::to_string(most) + " 之间的整数";
}

std::string PieceDiameterMessage(std::string_view typed, LengthUnit unit) {
    return "直径" + Typed(typed) + "无效：" +
           Range(typed, unit, kThinnestBarMetres, kThickestBarMetres, "直径",
                 "钢筋直径不超过 50 毫米") +
           "（空着为未注明直径）";
}

std::string StraightBarMessage(std::string_view typed, bool diameter) {
    const double least = diameter ? kThinnestBarMetres : kShortestPieceMetres;
    const double most = diameter ? kThickestBarMetres : kLongestPieceMetres;
    const std::string what = diameter ? "直径" : "长度";
    std::string text = what + Typed(typed) + "无效：应为 " + FormatNumber(least) + " 到 " +
                       FormatNumber(most) + " 米之间的" + what;
    const double value = ParseLeadingNumber(typed);
    if (BeginsWithNumber(typed) && value / 1000 >= least && value / 1000 <= most)
        text += "（工程清单以米计，" + FormatNumber(value) + " mm 写作 " +
                FormatNumber(value / 1000) + "）";
    return text;
}

std::string StoreFieldCountMessage(std::size_t fields) {
    return "字段数应为 3 到 6 个（直径,长度,根数[,级别][,单价][,备注]），此行有 " +
           std::to_string(fields) + " 个";
}

std::string StorePriceMessage(std::string_view typed) {
    return "单价" + Typed(typed) + "无效：应为 0 到 1000000 之间的每吨价格（元），空着为 0";
}

std::string UnknownGradeMessage(std::string_view typed) {
    std::string message = "无法识别的钢筋级别" + Typed(typed) + "：应为 ";
    for (std::size_t i = 0; i < kGradeNames.size(); ++i)
        (message += i > 0 ? "、" : "") += kGradeNames[i].second;
    return message + " 之一，或留空";
}

} // namespace tavrilo
