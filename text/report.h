#pragma once

// The texts that tavrilo-calc prints besides the total: the cut list with its
// reconciliation to the formula's total, and the theoretical mass. UTF-8,
// Simplified Chinese, each line ending in '\n'.

#include "calc/cutlist.h"
#include "calc/weight.h"

#include <string>
#include <vector>

namespace tavrilo {

// The cut list as a table of lines from the centre outwards, the totals of
// each direction and of the mesh, and how they compare with the formula's total.
std::string CutListReport(const CutList& list);
// Its parts: the title and the allowance (the first two lines), and the
// comparison with the formula's total (the last lines).
std::string CutListHeading(const CutList& list);
std::string CutListComparison(const CutList& list);

// The same table as CSV for a spreadsheet: a header row, a row for each line
// of the cut list (距中心 and 弦长 as in the report, the cut length and the
// count as plain numbers), then the totals rows with the chords, the cut
// lengths and the bars. Without a byte-order mark.
std::string CutListCsv(const CutList& list);

// The cells of that table: the header, a row for each line and the totals
// rows (their label first), as the CSV holds them.
struct CutListCells {
    std::vector<std::string> Header;
    std::vector<std::vector<std::string>> Lines;
    std::vector<std::vector<std::string>> Totals;
};
CutListCells CutListTable(const CutList& list);

// The mass of `lengthMetres` of bar and the mass per metre used, for example
//   理论重量 7.18 kg（按钢筋总长度 27.533 m 计）
//   每米质量 0.2607 kg/m（0.00617 × 6.5²）
std::string WeightReport(const BarMass& mass, double lengthMetres);

// The rule the mass per metre comes from, for a bar diameter in millimetres
// written as `diameter`: "0.00617 × 6.5²", or "0.00617 × Φ²" for the rule itself.
std::string MassRuleText(std::string_view diameter);

// The rule of the allowance added to each bar for its ends: "12.5Φ − 0.05".
std::string AllowanceRuleText();

// The intermediate values of the formula, one a line: "n = 13\nr = 12.5\n...".
std::string BreakdownReport(const MeshLengthBreakdown& breakdown);

} // namespace tavrilo
