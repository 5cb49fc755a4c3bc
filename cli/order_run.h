#pragma once

// tavrilo-calc --order and --cut: a site schedule or a piece list in, the
// steel order out (the text or JSON on standard output, CSV and SVG files).

#include "app/steel_order.h"

#include <iosfwd>
#include <optional>
#include <string_view>

namespace tavrilo::cli {

struct OrderOptions {
    OrderSource Source = OrderSource::Schedule;
    std::string_view Path; // "-" for standard input
    OrderSettingsText Settings;
    bool Json = false;
    std::optional<std::string_view> CsvPath;
    std::optional<std::string_view> SvgPath;
    std::optional<std::string_view> XlsxPath;
    std::string_view PreparedBy; // 编制 and 审核 on the workbook's piece list
    std::string_view CheckedBy;
    bool ByteOrderMark = false;                   // for the CSV file
    std::optional<std::string_view> StorePath;    // the store used first
    std::optional<std::string_view> StoreOutPath; // the store after the order
};

// Returns 0 when the order was made from every row, 1 when some rows were
// left out or the order was refused for its input, 2 when the file cannot be
// read or decoded, an output cannot be written or the plan cannot be computed,
// 64 when a setting is refused.
int RunOrder(const OrderOptions& options, std::istream& in, std::ostream& out, std::ostream& err);

} // namespace tavrilo::cli
