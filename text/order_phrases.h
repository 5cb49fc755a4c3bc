#pragma once

// The phrases of a steel order that more than one of its writers (the text,
// the CSV, the page's JSON, the SVG drawing, the messages) puts in, so that
// each is worded and numbered once. They only write what the order holds.

#include "text/steel_order.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tavrilo::order_phrases {

inline std::string Count(std::int64_t n) {
    return std::to_string(n);
}

// "直径 6.5 mm", or the words for pieces without a diameter.
std::string DiameterText(const std::optional<double>& diameter);
// "6.5", or "" without a diameter.
std::string DiameterMmField(const std::optional<double>& diameter);
// "工程清单" or "下料清单".
std::string SourceTitle(OrderSource source);

// "9 m、12 m"
std::string StockListText(const std::vector<Millimetres>& lengths);
// "9 m（3900 元/吨）、12 m（3850 元/吨）", or the lengths alone without prices
std::string PricedStockText(const OrderSettings& settings);
std::string SpliceText(const OrderSettings& settings);
std::string KerfText(Millimetres kerf);
// "直径 10 mm 及以下按盘条（盘螺）采购，调直切断", or that none are
std::string CoilsText(const OrderSettings& settings);
// The bars cut at one stroke, for each diameter the order shears: "每次 12 mm
// 6 根、16 mm 4 根"; "" when it shears none.
std::string ShearText(const SteelOrder& order);
// "按 UTF-8 读取工程清单，共 3 行，计 28 个网片；第 1 行是表头"
std::string ReadText(const SteelOrder& order);
// The settings, a line each, each ending in '\n'.
std::string SettingsLines(const SteelOrder& order);
// "第 3 行：reason"
std::string OmittedText(const OmittedRow& row);
// "另有 4900 行未计入，不逐行列出", or "" when every row left out is named.
std::string UnnamedOmittedText(const SteelOrder& order);

// "172.83 kg（0.173 t）"
std::string WeightText(double kilograms);
// "12 m × 35 根、9 m × 27 根，共 62 根，663 m，理论重量 172.83 kg（0.173 t）",
// or for coils "盘条 172.83 kg（0.173 t），调直切断 663 m"
std::string PurchaseText(const OrderGroup& group);
// "盘条", "盘螺" or "定尺"
std::string SupplyText(const OrderGroup& group);
// The pieces of a coil, as a straightening cutter is set: "5.85 m × 12 根"
std::string CoilPieceText(const cutting::Demand& piece);
// The steel used, kept and wasted with their shares.
std::string UseText(const OrderGroup& group);
std::string BoundText(const SteelOrder& order, const OrderGroup& group);
std::string SplicesHeading(const SteelOrder& order, const OrderGroup& group);
std::string SpliceLine(const SplicedBars& bars);
std::string PatternsHeading(const OrderGroup& group);
// "直径 6.5 mm（624 段下料）", with the grade first when the order names
// grades ("HRB400 直径 12 mm", "未注明级别 直径 12 mm"), and for coils
// "HPB300 直径 6.5 mm（盘条，按重量采购；624 段调直切断）"
std::string GroupTitle(const SteelOrder& order, const OrderGroup& group);
// A table's grade cell: "HRB400", "未注明级别", or "" when the order names no grade.
std::string GradeColumn(const SteelOrder& order, const OrderGroup& group);
// "HRB400 直径 12 mm", or "直径 12 mm" when the order names no grade.
std::string GroupName(const SteelOrder& order, const OrderGroup& group);

// The pieces of a pattern, equal ones together: "3.245 × 2 + 2.9".
std::string PiecesText(const cutting::Pattern& pattern);
// "12 m × 12 根", or "库存 4.5 m × 2 根" for the store's bars
std::string PatternTitle(const OrderGroup& group, const cutting::Pattern& pattern);
// An amount of fen in 元: "1234.5 元"
std::string YuanText(std::int64_t fen);
// "费用 1234.5 元，下界 1200 元：已证明最省", or "" without prices
std::string CostText(const OrderGroup& group);
// "1.331 × 2 + 1.268；锯口 3 个，无余料；切断 9 次"
std::string PatternCaption(const OrderSettings& settings, const OrderGroup& group,
                           const cutting::Pattern& pattern);

// "合计：采购 159 根，1827 m，理论重量 1207.02 kg（1.207 t）", and of it the
// coils' weight when there are any
std::string TotalLine(const SteelOrder& order);

} // namespace tavrilo::order_phrases
