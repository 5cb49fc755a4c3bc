#pragma once

// The numbers the page's module and its script agree on: the extras a mesh
// is asked for, the parts of an answer and the texts about a batch. They are
// written here alone; make_page.py reads these enumerations (and the outcomes
// of app/outcome.h) and gives the script the same names, so that a part or an
// extra added here reaches the page with the build. Each entry is
// `Name = value,` with value a number or `1u << number`.

namespace tavrilo::page {

// The extras a mesh asks for, as bits of tavrilo_mesh's `extras` argument.
enum class Extra : unsigned {
    Breakdown = 1u << 0,  // --breakdown
    CutList = 1u << 1,    // --bars
    Weight = 1u << 2,     // --weight
    Drawing = 1u << 3,    // --svg
    Json = 1u << 4,       // --json
    CutListCsv = 1u << 5, // --bars-csv with --bom
};

// The parts of an answer, read with tavrilo_part_ptr and tavrilo_part_len.
enum class Part : int {
    Printed = 0, // what tavrilo-calc prints, or the refusal with its line end
    Total = 1,   // "27.533 m"
    BreakdownText = 2,
    WeightText = 3,
    CutHeading = 4,    // the cut list's title and allowance
    CutComparison = 5, // how it compares with the formula's total
    CutCsv = 6,        // the cut list as CSV, with the mark for Excel
    JsonText = 7,
    Svg = 8,
    CutTable = 9,       // the cut list's cells as JSON, for the page's table
    ReadValues = 10,    // the values computed from, and notes where they are not as typed, as JSON
    OrderCsv = 11,      // the steel order as CSV, with the mark for Excel
    OrderPage = 12,     // the steel order as the page shows it, as JSON
    SiteTable = 13,     // the site's table, its meshes as read, as JSON
    SiteCsv = 14,       // the site as the schedule --order reads, with the mark for Excel
    SiteImport = 15,    // the meshes of a schedule read in and the rows left out, as JSON
    ScreenDrawing = 16, // the drawing for a screen: its bars apart from the rest, as JSON
    ScreenEnds = 17,    // the ends of its bars (x1 y1 x2 y2 each), as the doubles' bytes
    StoreRows = 18,     // the store's rows as read, as JSON
    StoreCsv = 19,      // the store as the file --store reads, with the mark for Excel
    StoreImport = 20,   // the rows of a store file read in and the rows left out, as JSON
    StoreAfter = 21,    // the store after the order (--store-out's rows), as JSON
    OrderXlsx = 22,     // the steel order as an Excel workbook, as --order-xlsx writes it
    Count = 23,         // not a part: how many there are
};

// What tavrilo_order reads: a site schedule (--order) or a piece list (--cut).
enum class OrderFile : int {
    Schedule = 0,
    PieceList = 1,
};

// The texts about a batch that tavrilo_batch_text puts in part Printed.
enum class BatchText : int {
    Summary = 0,     // how the batch went
    Progress = 1,    // how far it has come
    Cancelled = 2,   // the cancel, with what was answered
    ReadFailure = 3, // the file could not be read to its end, with what was answered
};

} // namespace tavrilo::page
