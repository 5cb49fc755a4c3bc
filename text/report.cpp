#include "text/report.h"

#include "calc/number.h"
#include "text/csv.h"
#include "text/displayed.h"
#include "text/messages.h"
#include "text/utf8.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tavrilo {
namespace {

std::string Offset(double offset, int count) {
    const std::string text = FormatNumber(DisplayedOffset(offset));
    return count == 1 && offset == 0.0 ? text : "±" + text;
}

// Columns a terminal gives the text: two for the wide East Asian characters.
std::size_t DisplayWidth(std::string_view text) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < text.size();) {
        const long cp = NextCodePoint(text, i);
        const bool wide = (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
                          (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
                          (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
                          (cp >= 0xFFE0 && cp <= 0xFFE6) || cp >= 0x20000;
        width += wide ? 2 : 1;
    }
    return width;
}

// `text` padded with blanks to `columns`, or followed by one blank when longer.
std::string Padded(const std::string& text, std::size_t columns) {
    const std::size_t width = DisplayWidth(text);
    return text + std::string(width < columns ? columns - width : 1, ' ');
}

std::string TableRow(const std::string& offsets, const std::string& chords, const std::string& cut,
                     const std::string& count) {
    return Padded(offsets, 22) + Padded(chords, 18) + Padded(cut, 14) + count + "\n";
}

std::string LabelledValue(const std::string& label, const std::string& value) {
    return Padded(label, 24) + value + "\n";
}

std::string LineOffsets(const CutLine& line) {
    const int firstCount = line.NearestOffset == 0.0 ? 1 : 2;
    if (line.NearestOffset == line.FarthestOffset)
        return Offset(line.NearestOffset, firstCount);
    return Offset(line.NearestOffset, firstCount) + "～" + Offset(line.FarthestOffset, 2);
}

std::string LineChords(const CutLine& line) {
    if (line.LongestChord == line.ShortestChord)
        return FormatNumber(line.LongestChord);
    return FormatNumber(line.LongestChord) + "～" + FormatNumber(line.ShortestChord);
}

std::string Totals(std::int64_t bars, double chords, double cuts) {
    return std::to_string(bars) + " 根，弦长 " + ResultText(RoundHalfEven(chords, 3)) +
           "，下料长度 " + ResultText(RoundHalfEven(cuts, 3));
}

std::string CountHeading(const CutList& list) {
    return list.Layout == Arrangement::TwoWay ? "每方向根数" : "根数";
}

// The totals rows' labels and their figures: each direction and both, or the one.
struct TotalsRow {
    std::string_view Label;
    std::int64_t Bars;
    double Chords;
    double Cuts;
};

std::vector<TotalsRow> TotalsRows(const CutList& list) {
    const std::int64_t bars = list.BarCount();
    if (list.Layout == Arrangement::TwoWay)
        return {{"每方向合计", list.BarsPerDirection, list.ChordPerDirection, list.CutPerDirection},
                {"两个方向合计", bars, list.ChordTotal, list.CutTotal}};
    return {{"合计", bars, list.ChordTotal, list.CutTotal}};
}

} // namespace

std::string CutListComparison(const CutList& list) {
    const CutListReconciliation& rec = list.Reconciliation;
    const bool twoWay = list.Layout == Arrangement::TwoWay;
    const std::int64_t bars = list.BarCount();
    const std::string r =
        FormatNumber(twoWay ? rec.FormulaAllowanceCount / 2 : rec.FormulaAllowanceCount);
    const std::string count =
        twoWay ? "2r = 2 × " + r + " = " + FormatNumber(rec.FormulaAllowanceCount) : "r = " + r;

    std::string text = "与公式总长度的比较：\n";
    text += LabelledValue("公式总长度", ResultText(rec.FormulaTotal));
    text += LabelledValue("下料单合计", ResultText(list.RoundedCutTotal));
    text += LabelledValue("相差（公式 − 下料单）", ResultText(rec.Difference));
    text += LabelledValue("  其中增加长度计入次数", ResultText(rec.AllowanceDifference));
    text += LabelledValue("  其中弦长算法", ResultText(rec.ChordDifference));
    if (rec.RoundingDifference != 0.0)
        text += LabelledValue("  其中舍入到毫米", ResultText(rec.RoundingDifference));
    text += "原因：公式把每根的增加长度 " + ResultText(list.Allowance) + " 计入 " + count +
            " 次（r 为 D/d 取两位小数），下料单按实际根数每根计入一次（" + std::to_string(bars) +
            " 根）；\n";
    text += "      公式的弦长按 d·√(r² − k²) 用取两位小数后的 r 计算，"
            "下料单按钢筋实际位置取真实弦长 √(D² − 4x²)。\n";
    return text;
}

std::string CutListHeading(const CutList& list) {
    const std::int64_t bars = list.BarCount();
    std::string text;
    if (list.Layout == Arrangement::TwoWay)
        text += "下料单（双向布置：两个方向相同，每方向 " + std::to_string(list.BarsPerDirection) +
                " 根，共 " + std::to_string(bars) + " 根）\n";
    else
        text += "下料单（单向布置：" + std::to_string(list.BarsPerDirection) + " 根）\n";
    text += "每根增加长度 " + AllowanceRuleText() + " = " + ResultText(list.Allowance) +
            "（两端 180° 弯钩各 " + FormatNumber(kHookInBarDiameters) + "Φ，减两端保护层各 " +
            FormatNumber(kCoverPerEnd) + " m）\n";
    return text;
}

std::string CutListReport(const CutList& list) {
    std::string text = CutListHeading(list);
    if (list.BarsPerDirection == 0) {
        text += "网片直径不到半个钢筋间距（D/d 取整为 0），网片内没有钢筋，下料单为空。\n";
    } else {
        text += TableRow("距中心 (m)", "弦长 (m)", "下料长度 (m)", CountHeading(list));
        for (const CutLine& line : list.Lines)
            text += TableRow(LineOffsets(line), LineChords(line), FormatNumber(line.CutLength),
                             std::to_string(line.Count));
        for (const TotalsRow& row : TotalsRows(list))
            text += std::string(row.Label) + "：" + Totals(row.Bars, row.Chords, row.Cuts) + "\n";
    }
    text += '\n';
    text += CutListComparison(list);
    return text;
}

CutListCells CutListTable(const CutList& list) {
    CutListCells cells;
    cells.Header = {"距中心 (m)", "弦长 (m)", "下料长度 (m)", CountHeading(list)};
    cells.Lines.reserve(list.Lines.size());
    for (const CutLine& line : list.Lines)
        cells.Lines.push_back({LineOffsets(line), LineChords(line), FormatNumber(line.CutLength),
                               std::to_string(line.Count)});
    for (const TotalsRow& row : TotalsRows(list))
        cells.Totals.push_back({std::string(row.Label), FormatNumber(RoundHalfEven(row.Chords, 3)),
                                FormatNumber(RoundHalfEven(row.Cuts, 3)),
                                std::to_string(row.Bars)});
    return cells;
}

std::string CutListCsv(const CutList& list) {
    const CutListCells cells = CutListTable(list);
    std::string csv;
    AppendCsvRow(csv, cells.Header);
    for (const std::vector<std::string>& row : cells.Lines)
        AppendCsvRow(csv, row);
    for (const std::vector<std::string>& row : cells.Totals)
        AppendCsvRow(csv, row);
    return csv;
}

std::string WeightReport(const BarMass& mass, double lengthMetres) {
    return "理论重量 " + FormatNumber(mass.Kilograms) + " kg（按钢筋总长度 " +
           ResultText(lengthMetres) + " 计）\n" + "每米质量 " +
           FormatNumber(DisplayedKgPerMetre(mass)) + " kg/m（" +
           MassRuleText(FormatNumber(mass.BarDiameterMm)) + "）\n";
}

std::string AllowanceRuleText() {
    return FormatNumber(kAllowanceInBarDiameters) + "Φ − " + FormatNumber(kAllowanceLessCovers);
}

std::string BreakdownReport(const MeshLengthBreakdown& b) {
    return "n = " + ShortestRoundTrip(b.SpacingCount) + "\n" +
           "r = " + ShortestRoundTrip(b.SpacingRatio) + "\n" +
           "A = " + ShortestRoundTrip(b.AllowanceTerm) + "\n" +
           "S = " + ShortestRoundTrip(b.ChordSum) + "\n" +
           "C = " + ShortestRoundTrip(b.CentreTerm) + "\n" + "T = " + ShortestRoundTrip(b.Sum) +
           "\n";
}

std::string MassRuleText(std::string_view diameter) {
    return FormatNumber(kKgPerMetrePerSquareMm) + " × " + std::string(diameter) + "²";
}

} // namespace tavrilo
