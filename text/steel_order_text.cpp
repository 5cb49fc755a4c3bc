#include "text/order_phrases.h"
#include "text/steel_order.h"

namespace tavrilo {
namespace {

using namespace order_phrases;

std::string GroupText(const SteelOrder& order, const OrderGroup& group) {
    std::string text = "\n";
    text += GroupTitle(order, group) + "\n";
    text += "  采购：" + PurchaseText(group) + "\n";
    if (group.Coiled) {
        text += "  调直切断（从长到短）：\n";
        for (const cutting::Demand& piece : group.Demand)
            text += "    " + CoilPieceText(piece) + "\n";
        return text;
    }
    text += "  " + UseText(group) + "\n";
    text += "  " + BoundText(order, group) + "\n";
    if (!group.Spliced.empty()) {
        text += "  " + SplicesHeading(order, group) + "：\n";
        for (const SplicedBars& bars : group.Spliced)
            text += "    " + SpliceLine(bars) + "\n";
    }
    text += "  " + PatternsHeading(group) + "：\n";
    for (const cutting::Pattern& pattern : group.Plan.Patterns)
        text += "    " + PatternTitle(group, pattern) + "：" +
                PatternCaption(order.Settings, group, pattern) + "\n";
    return text;
}

} // namespace

std::string SteelOrderText(const SteelOrder& order) {
    std::string text = "钢筋采购与下料方案\n" + ReadText(order) + "\n" + SettingsLines(order);
    if (order.RoundedLengths > 0)
        text +=
            "有 " + std::to_string(order.RoundedLengths) + " 个长度多于三位小数，已按毫米取整\n";
    if (!order.Omitted.empty()) {
        text += "未计入的行（" + std::to_string(order.OmittedRows) + " 行）：\n";
        for (const OmittedRow& row : order.Omitted)
            text += "  " + OmittedText(row) + "\n";
        if (const std::string more = UnnamedOmittedText(order); !more.empty())
            text += "  " + more + "\n";
    }
    for (const OrderGroup& group : order.Groups)
        text += GroupText(order, group);
    if (order.Groups.size() > 1)
        text += '\n' + TotalLine(order) + '\n';
    return text;
}

} // namespace tavrilo
