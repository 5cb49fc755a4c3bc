#include "calc/weight.h"
#include "text/order_phrases.h"
#include "text/steel_order.h"
#include "text/xlsx.h"

#include <array>
#include <span>

namespace tavrilo {
namespace {

using namespace order_phrases;

// A column of a sheet: its header and what it holds for a row of `Row`.
// The sheets' columns are these tables: a column more is a line more.
template <class Row> struct Column {
    std::string_view Title;
    XlsxCell (*Cell)(const Row&);
};

template <class Row>
void AddTable(XlsxSheet& sheet, std::span<const Column<Row>> columns,
              const std::vector<Row>& rows) {
    std::vector<XlsxCell> header;
    for (const Column<Row>& column : columns)
        header.push_back(TextCell(std::string(column.Title)));
    sheet.Rows.push_back(std::move(header));
    sheet.HeaderRow = sheet.Rows.size();
    for (const Row& row : rows) {
        std::vector<XlsxCell> cells;
        for (const Column<Row>& column : columns)
            cells.push_back(column.Cell(row));
        sheet.Rows.push_back(std::move(cells));
    }
}

XlsxCell None() {
    return {};
}
XlsxCell Mm(Millimetres length) {
    return NumberCell(static_cast<double>(length), CellFormat::Whole);
}
XlsxCell M(Millimetres length) {
    return NumberCell(static_cast<double>(length) / 1000, CellFormat::Thousandths);
}
XlsxCell Whole(std::int64_t count) {
    return NumberCell(static_cast<double>(count), CellFormat::Whole);
}
XlsxCell Kg(const std::optional<double>& kilograms) {
    return kilograms ? NumberCell(*kilograms, CellFormat::Hundredths) : None();
}
XlsxCell Tonnes(const std::optional<double>& kilograms) {
    return kilograms ? NumberCell(TonnesOf(*kilograms), CellFormat::Thousandths) : None();
}
XlsxCell Yuan(bool priced, std::int64_t fen) {
    return priced ? NumberCell(static_cast<double>(fen) / 100, CellFormat::Hundredths) : None();
}
// A bar diameter in millimetres as it is named (6.5), in no fixed format.
XlsxCell DiameterMm(const std::optional<double>& metres) {
    return metres ? NumberCell(RoundHalfEven(*metres * 1000, 3), CellFormat::General) : None();
}

// 汇总: a row a group, then the totals.
struct GroupRow {
    const SteelOrder* Order;
    const OrderGroup* Group; // none: the totals
};

bool Stocked(const GroupRow& r) {
    return r.Group && !r.Group->Coiled;
}

constexpr std::array<Column<GroupRow>, 13> kSummaryColumns{{
    {"级别",
     [](const GroupRow& r) {
         return TextCell(r.Group ? GradeColumn(*r.Order, *r.Group) : "总计");
     }},
    {"直径 (mm)",
     [](const GroupRow& r) { return r.Group ? DiameterMm(r.Group->BarDiameter) : None(); }},
    {"供货", [](const GroupRow& r) { return r.Group ? TextCell(PurchaseText(*r.Group)) : None(); }},
    {"新购根数",
     [](const GroupRow& r) {
         return !r.Group     ? Whole(r.Order->StockBars())
                : Stocked(r) ? Whole(r.Group->BoughtBars)
                             : None();
     }},
    {"长度 (m)",
     [](const GroupRow& r) {
         return !r.Group          ? M(r.Order->Bought())
                : r.Group->Coiled ? M(r.Group->Used)
                                  : M(r.Group->BoughtLength);
     }},
    {"理论重量 (kg)",
     [](const GroupRow& r) { return Kg(r.Group ? r.Group->Kilograms : r.Order->Kilograms); }},
    {"理论重量 (t)",
     [](const GroupRow& r) { return Tonnes(r.Group ? r.Group->Kilograms : r.Order->Kilograms); }},
    {"费用 (元)",
     [](const GroupRow& r) {
         if (r.Group)
             return Yuan(r.Group->Priced, r.Group->Plan.Cost);
         std::int64_t fen = 0;
         for (const OrderGroup& group : r.Order->Groups)
             fen += group.Priced ? group.Plan.Cost : 0;
         return Yuan(r.Order->Priced(), fen);
     }},
    {"切断次数",
     [](const GroupRow& r) {
         return !r.Group                      ? Whole(r.Order->Strokes())
                : r.Group->BarsPerStroke > 0 ? Whole(r.Group->Strokes())
                                             : None();
     }},
    {"下界根数",
     [](const GroupRow& r) { return Stocked(r) ? Whole(r.Group->Plan.LowerBoundBars) : None(); }},
    {"下界长度 (m)",
     [](const GroupRow& r) { return Stocked(r) ? M(r.Group->Plan.LowerBoundLength) : None(); }},
    {"下界费用 (元)",
     [](const GroupRow& r) {
         return Stocked(r) ? Yuan(r.Group->Priced, r.Group->Plan.LowerBoundCost) : None();
     }},
    {"是否最省",
     [](const GroupRow& r) {
         return Stocked(r) ? TextCell(BoundText(*r.Order, *r.Group)) : None();
     }},
}};

// 下料单: every row's bars of each length, as the file lists them.
struct PieceRow {
    const SteelOrder* Order;
    const ListedPiece* Piece;
};

constexpr std::array<Column<PieceRow>, 8> kPieceColumns{{
    {"行", [](const PieceRow& r) { return Whole(static_cast<std::int64_t>(r.Piece->Line)); }},
    {"备注或网片", [](const PieceRow& r) { return TextCell(r.Piece->Note); }},
    {"级别",
     [](const PieceRow& r) {
         return TextCell(r.Order->Graded() ? GradeText(r.Piece->Grade) : std::string());
     }},
    {"直径 (mm)", [](const PieceRow& r) { return DiameterMm(r.Piece->BarDiameter); }},
    {"下料长度 (mm)", [](const PieceRow& r) { return Mm(r.Piece->Length); }},
    {"根数", [](const PieceRow& r) { return Whole(r.Piece->Count); }},
    {"合计长度 (m)", [](const PieceRow& r) { return M(r.Piece->Length * r.Piece->Count); }},
    {"理论重量 (kg)",
     [](const PieceRow& r) {
         if (!r.Piece->BarDiameter)
             return None();
         const auto mass = ComputeBarMass(
             static_cast<double>(r.Piece->Length * r.Piece->Count) / 1000, *r.Piece->BarDiameter);
         return mass ? Kg(mass->Kilograms) : None();
     }},
}};

// 切割方案: every pattern.
struct PatternRow {
    const SteelOrder* Order;
    const OrderGroup* Group;
    const cutting::Pattern* Pattern;
};

bool KeptOffcut(const PatternRow& r) {
    return r.Order->Settings.Keeps(r.Pattern->Offcut);
}

constexpr std::array<Column<PatternRow>, 10> kPatternColumns{{
    {"级别", [](const PatternRow& r) { return TextCell(GradeColumn(*r.Order, *r.Group)); }},
    {"直径 (mm)", [](const PatternRow& r) { return DiameterMm(r.Group->BarDiameter); }},
    {"定尺长度 (mm)", [](const PatternRow& r) { return Mm(r.Pattern->StockLength); }},
    {"来源",
     [](const PatternRow& r) {
         return TextCell(r.Group->CutFromStore(*r.Pattern) ? "库存" : "新购");
     }},
    {"切法 (m)", [](const PatternRow& r) { return TextCell(PiecesText(*r.Pattern)); }},
    {"根数", [](const PatternRow& r) { return Whole(r.Pattern->Count); }},
    {"锯口", [](const PatternRow& r) { return Whole(r.Pattern->Cuts); }},
    {"切断次数",
     [](const PatternRow& r) {
         return r.Group->BarsPerStroke > 0 ? Whole(r.Group->Strokes(*r.Pattern)) : None();
     }},
    {"单根余料 (mm)",
     [](const PatternRow& r) { return KeptOffcut(r) ? Mm(r.Pattern->Offcut) : None(); }},
    {"单根废料 (mm)",
     [](const PatternRow& r) {
         return !KeptOffcut(r) && r.Pattern->Offcut > 0 ? Mm(r.Pattern->Offcut) : None();
     }},
}};

// 余料: the offcuts kept, then the store after the order.
struct OffcutRow {
    std::string_view What; // 本次留用 or 下料后库存
    std::string Grade;
    std::optional<double> Diameter;
    Millimetres Length = 0;
    std::int64_t Count = 0;
    double PricePerTonne = 0;
    std::string Note;
};

constexpr std::array<Column<OffcutRow>, 7> kOffcutColumns{{
    {"类别", [](const OffcutRow& r) { return TextCell(std::string(r.What)); }},
    {"级别", [](const OffcutRow& r) { return TextCell(r.Grade); }},
    {"直径 (mm)", [](const OffcutRow& r) { return DiameterMm(r.Diameter); }},
    {"长度 (mm)", [](const OffcutRow& r) { return Mm(r.Length); }},
    {"根数", [](const OffcutRow& r) { return Whole(r.Count); }},
    {"单价 (元/吨)",
     [](const OffcutRow& r) {
         return r.PricePerTonne > 0 ? NumberCell(r.PricePerTonne, CellFormat::Hundredths) : None();
     }},
    {"备注", [](const OffcutRow& r) { return TextCell(r.Note); }},
}};

// 未计入: the rows left out, when there are any, and how many more.
constexpr std::array<Column<OmittedRow>, 2> kOmittedColumns{{
    {"行",
     [](const OmittedRow& r) {
         return r.Line > 0 ? Whole(static_cast<std::int64_t>(r.Line)) : None();
     }},
    {"原因", [](const OmittedRow& r) { return TextCell(r.Reason); }},
}};

XlsxSheet Omitted(const SteelOrder& order) {
    std::vector<OmittedRow> rows = order.Omitted;
    if (const std::string more = UnnamedOmittedText(order); !more.empty())
        rows.push_back({0, more});
    XlsxSheet sheet{"未计入", {}, 1, false};
    AddTable<OmittedRow>(sheet, kOmittedColumns, rows);
    return sheet;
}

XlsxSheet Summary(const SteelOrder& order) {
    std::vector<GroupRow> rows;
    for (const OrderGroup& group : order.Groups)
        rows.push_back({&order, &group});
    rows.push_back({&order, nullptr});
    XlsxSheet sheet{"汇总", {}, 1, true};
    AddTable<GroupRow>(sheet, kSummaryColumns, rows);
    return sheet;
}

// The heading block above the pieces: the site, the date, the settings and
// the lines to sign.
XlsxSheet Pieces(const SteelOrder& order, const OrderSheetHeading& heading) {
    XlsxSheet sheet{"下料单", {}, 1, false};
    const auto line = [&](std::string text, CellFormat format = CellFormat::General) {
        sheet.Rows.push_back({TextCell(std::move(text), format)});
    };
    line("钢筋下料单", CellFormat::Bold);
    line("工程：" + heading.Site);
    line("日期：" + heading.Date);
    const std::string settings = SettingsLines(order);
    for (std::size_t start = 0, end; (end = settings.find('\n', start)) != std::string::npos;
         start = end + 1)
        line(settings.substr(start, end - start));
    const std::string blank = "＿＿＿＿＿＿＿＿";
    line("编制：" + (heading.PreparedBy.empty() ? blank : heading.PreparedBy));
    line("审核：" + (heading.CheckedBy.empty() ? blank : heading.CheckedBy));
    sheet.Rows.emplace_back();
    if (order.UnlistedPieces > 0)
        sheet.Rows.back().push_back(TextCell(
            "前 " + Count(static_cast<std::int64_t>(order.Listed.size())) + " 项逐项列出，另有 " +
            Count(order.UnlistedPieces) + " 项未列出（见切割方案）"));
    std::vector<PieceRow> rows;
    for (const ListedPiece& piece : order.Listed)
        rows.push_back({&order, &piece});
    AddTable<PieceRow>(sheet, kPieceColumns, rows);
    return sheet;
}

XlsxSheet Patterns(const SteelOrder& order) {
    std::vector<PatternRow> rows;
    for (const OrderGroup& group : order.Groups)
        for (const cutting::Pattern& pattern : group.Plan.Patterns)
            rows.push_back({&order, &group, &pattern});
    XlsxSheet sheet{"切割方案", {}, 1, true};
    AddTable<PatternRow>(sheet, kPatternColumns, rows);
    return sheet;
}

XlsxSheet Offcuts(const SteelOrder& order) {
    std::vector<OffcutRow> rows;
    for (const OrderGroup& group : order.Groups)
        for (const cutting::Pattern& pattern : group.Plan.Patterns)
            if (order.Settings.Keeps(pattern.Offcut))
                rows.push_back({"本次留用",
                                GradeColumn(order, group),
                                group.BarDiameter,
                                pattern.Offcut,
                                pattern.Count,
                                0,
                                {}});
    if (order.UsesStore)
        for (const StoreBar& bar : order.StoreAfter)
            rows.push_back({"下料后库存", bar.Grade ? GradeText(bar.Grade) : std::string(),
                            bar.BarDiameter, bar.Length, bar.Count, bar.PricePerTonne, bar.Note});
    XlsxSheet sheet{"余料", {}, 1, false};
    AddTable<OffcutRow>(sheet, kOffcutColumns, rows);
    return sheet;
}

} // namespace

std::string SteelOrderXlsx(const SteelOrder& order, const OrderSheetHeading& heading) {
    std::vector<XlsxSheet> sheets{Summary(order), Pieces(order, heading), Patterns(order),
                                  Offcuts(order)};
    if (!order.Omitted.empty())
        sheets.push_back(Omitted(order));
    return XlsxWorkbook(sheets);
}

} // namespace tavrilo
