#pragma once

// The steel order of a site (采购与下料): per bar diameter, the stock bars to
// buy, the plan that cuts every piece from them, and the bound that shows how
// close the plan is to the least steel. The values, and every fact the
// outputs state (what is kept, what is waste, the shares, the joints), are
// decided in the application layer; the writers declared here only write
// them: as text for a terminal, as CSV, as JSON, as an SVG drawing of the
// plan and as the page's JSON, the same bytes on every front end.

#include "calc/number.h"
#include "cutting/plan.h"
#include "text/csv.h"
#include "text/grade.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrilo {

// How bars longer than the longest stock bar are joined from several.
enum class SpliceMethod {
    None,     // not said: such bars refuse the order
    Lap,      // lapped: each joint overlaps by the lap length
    Couplers, // mechanical couplers (套筒): end to end, one coupler a joint
};

// The rows left out of an order are named up to this many; the rest are counted.
inline constexpr std::size_t kNamedOmitted = 100;

// What a piece list may hold: no piece is cut shorter than 50 mm, no bar
// placed is longer than 100 m, and bar diameters run from 3 mm (cold-drawn
// wire) to 50 mm (GB/T 1499.2 ends at 50).
inline constexpr double kShortestPieceMetres = 0.05;
inline constexpr double kLongestPieceMetres = 100;
inline constexpr double kThinnestBarMetres = 0.003;
inline constexpr double kThickestBarMetres = 0.05;

// The lap length is never below 300 mm (GB 50010-2010).
inline constexpr Millimetres kShortestLap = 300;

// Bars up to 10 mm come in coils (盘条, 盘螺) unless the order says otherwise.
inline constexpr double kCoilsUpToMetres = 0.010;

// How many bars of one diameter (tenths of a millimetre) a bar shear cuts at
// one stroke: a common 40 mm shear's rated capacity, fewer the thicker.
struct ShearCapacity {
    int DiameterTenths = 0;
    int Bars = 1;
};
inline constexpr std::array<ShearCapacity, 14> kCommonShear{{{60, 10},
                                                             {80, 8},
                                                             {100, 7},
                                                             {120, 6},
                                                             {140, 5},
                                                             {160, 4},
                                                             {180, 3},
                                                             {200, 3},
                                                             {220, 2},
                                                             {250, 2},
                                                             {280, 1},
                                                             {320, 1},
                                                             {360, 1},
                                                             {400, 1}}};
inline constexpr int kMostBarsPerStroke = 100;

struct OrderSettings {
    std::vector<Millimetres> StockLengths{9000, 12000}; // distinct, shortest first
    // 元 per tonne of each stock length, as StockLengths; empty: no prices, and
    // the order buys the least length.
    std::vector<double> PricesPerTonne;
    Millimetres Kerf = 0;           // what one saw cut takes; 0: the bars are sheared
    Millimetres ShortestKept = 500; // offcuts at least this long are kept for reuse
    SpliceMethod Splice = SpliceMethod::None;
    // With Lap: the lap length as a multiple of the bar diameter (36 for
    // 36d), or, when 0, LapLength itself.
    double LapTimesDiameter = 0;
    Millimetres LapLength = 0;
    // Bars of this diameter (metres) and thinner come in coils, bought by
    // weight and straightened to length; 0: none do.
    double CoilsUpTo = kCoilsUpToMetres;
    // The shear's capacity, thinnest first: a diameter between two takes the
    // thicker one's, one above the thickest cuts alone.
    std::vector<ShearCapacity> Shear{kCommonShear.begin(), kCommonShear.end()};

    std::int64_t BarsPerStroke(double diameter) const {
        const long long tenths = std::llround(diameter * 1e4);
        for (const ShearCapacity& entry : Shear)
            if (entry.DiameterTenths >= tenths)
                return entry.Bars;
        return 1;
    }

    // Whether bars of `diameter` come in coils: compared as shown, to the
    // tenth of a millimetre.
    bool Coiled(const std::optional<double>& diameter) const {
        return diameter && CoilsUpTo > 0 &&
               std::llround(*diameter * 1e4) <= std::llround(CoilsUpTo * 1e4);
    }

    // An offcut is kept for reuse when there is one and it is at least
    // ShortestKept long: with ShortestKept 0, a bar cut without an offcut
    // still keeps nothing.
    bool Keeps(Millimetres offcut) const { return offcut > 0 && offcut >= ShortestKept; }
};

// Where the pieces came from.
enum class OrderSource {
    Schedule,  // a site schedule: meshes, each giving its cut list
    PieceList, // a list of pieces: length, count, diameter, note
};

// Bars of one length too long for one stock bar, and how each is made up.
// Neighbouring bars alternate between two kinds, the odd bars (1st, 3rd, ...)
// and the even ones, whose joints are apart: in a piece list the bars of one
// length side by side, in a schedule the bars of each layer of a mesh.
struct SplicedBars {
    Millimetres Length = 0;     // the bar as it is placed
    std::int64_t Count = 0;     // bars of this length and kind
    bool Even = false;          // the even bars of this length, else the odd ones
    Millimetres Lap = 0;        // per joint; 0 with couplers
    Millimetres Stock = 0;      // the longest stock bar
    std::int64_t WholeBars = 0; // pieces that are a whole stock bar, each bar
    // The pieces of each bar, as laid from the same end for both kinds: a
    // piece's length less the laps at its ends is what it adds to the bar.
    std::vector<Millimetres> Pieces;
    Millimetres Shortest = 0; // no piece is shorter, where the stock allows
    // Between a joint of this kind and the nearest joint of the other kind
    // (lap centres, or couplers): of this length in a piece list, of the bars
    // beside these in a schedule's meshes, where they lie. None when there is
    // no other.
    std::optional<Millimetres> Nearest;
    Millimetres Apart = 0; // what they must be at least; 0: not known (no diameter)
    bool Staggered() const { return Nearest && Apart > 0 && *Nearest >= Apart; }
    std::int64_t Joints() const { return static_cast<std::int64_t>(Pieces.size()) - 1; } // per bar
};

// A row's bars of one length, as the file lists them, for the piece list
// printed: the row's line, its 备注 (or, without one, the mesh or bar as
// typed), grade and diameter.
struct ListedPiece {
    std::size_t Line = 0;
    std::string Note;
    std::optional<SteelGrade> Grade;
    std::optional<double> BarDiameter; // metres
    Millimetres Length = 0;            // as placed: a bar spliced is listed whole
    std::int64_t Count = 0;
};

// The piece list lists at most this many; the rest are counted.
inline constexpr std::size_t kListedPieces = 100000;

// The stock bars bought of one length.
struct StockBought {
    Millimetres Length = 0;
    std::int64_t Count = 0;
};

// A bar on hand in the yard's store (库存, 余料库): whole bars left from a
// delivery, or offcuts kept by earlier orders.
struct StoreBar {
    std::optional<SteelGrade> Grade;
    double BarDiameter = 0; // metres, to the tenth of a millimetre
    Millimetres Length = 0;
    std::int64_t Count = 0;
    double PricePerTonne = 0; // 元; 0: already paid for
    std::string Note;
};

// Where the bars of a costed plan come from: each stock length bought new,
// then the store's bars of the group's grade and diameter. Costs are in fen
// (0.01 元) with prices, else in millimetres of new bar bought.
struct StockSource {
    Millimetres Length = 0;
    bool FromStore = false;
    std::int64_t Available = -1; // store bars there are; -1 for new bars
    std::int64_t Cost = 0;       // one bar
    std::size_t StoreRow = 0;    // the store's row it is, when from the store
};

// Everything of one grade and bar diameter.
struct OrderGroup {
    std::optional<SteelGrade> Grade;   // none: not stated
    std::optional<double> BarDiameter; // metres; none for pieces without one
    // Bought by weight as coils and straightened to length: no stock bars,
    // no plan, no splices; Demand lists the pieces longest first.
    bool Coiled = false;
    cutting::Plan Plan;
    std::vector<SplicedBars> Spliced;    // longest first
    std::vector<cutting::Demand> Demand; // the pieces to cut, spliced bars' parts included
    std::int64_t Pieces = 0;             // how many in all
    Millimetres Used = 0;                // the pieces' length in all
    Millimetres OffcutKept = 0;          // offcuts at least ShortestKept long
    Millimetres Waste = 0;               // shorter offcuts and the kerfs
    std::optional<double> Kilograms;     // of the stock bought, or of the coil's pieces
    std::optional<double> KgPerMetre;
    Millimetres Lap = 0;                // the lap used for this diameter, when lapped
    std::vector<StockBought> ByStock;   // the stock bars bought new, longest first
    std::vector<StockBought> FromStore; // the store's bars used, longest first
    std::int64_t BoughtBars = 0;        // new bars, and their length
    Millimetres BoughtLength = 0;
    // With a store or prices: the sources the plan's patterns come from
    // (Pattern::Stock), and whether its costs are money.
    std::vector<StockSource> Sources;
    bool Priced = false;
    // Bars cut at one stroke of the shear; 0 when none are sheared (coils,
    // pieces without a diameter).
    std::int64_t BarsPerStroke = 0;

    // The strokes that cut `pattern`: its bars in bundles, each bundle cut
    // at every one of the pattern's cuts.
    std::int64_t Strokes(const cutting::Pattern& pattern) const {
        return BarsPerStroke > 0
                   ? (pattern.Count + BarsPerStroke - 1) / BarsPerStroke * pattern.Cuts
                   : 0;
    }
    std::int64_t Strokes() const {
        std::int64_t strokes = 0;
        for (const cutting::Pattern& pattern : Plan.Patterns)
            strokes += Strokes(pattern);
        return strokes;
    }

    // Whether `pattern` cuts a bar from the store.
    bool CutFromStore(const cutting::Pattern& pattern) const {
        return !Sources.empty() && Sources[pattern.Stock].FromStore;
    }
    // Per cent of the stock bought, rounded to 2 places (0 when none is bought).
    double UsedShare = 0;
    double KeptShare = 0;
    double WasteShare = 0;
    std::int64_t Joints = 0;   // of all the spliced bars
    std::int64_t Couplers = 0; // the joints, when joined with couplers
};

struct SteelOrder {
    OrderSource Source = OrderSource::Schedule;
    OrderSettings Settings;
    std::string Encoding;       // how the file was read
    std::size_t HeaderLine = 0; // the row taken as a header, 0 for none
    long long Rows = 0;         // rows read, header and blank rows aside
    long long Meshes = 0;       // with a schedule: the meshes counted (numbers added up)
    long long StraightBars = 0; // and its straight bars
    std::vector<OmittedRow>
        Omitted;                  // the first rows left out, in file order, at most kNamedOmitted
    long long OmittedRows = 0;    // rows left out in all
    long long RoundedLengths = 0; // with a piece list: lengths rounded to the millimetre
    // By grade (in the order of kGradeNames, the pieces without one last),
    // then by bar diameter, thinnest first, the group without one last.
    std::vector<OrderGroup> Groups;
    std::optional<double> Kilograms; // of every diameter, rounded to 2 places, when each has one
    // With a store: what it holds after the order (what is left of its bars,
    // then the offcuts this order keeps); `UsesStore` says one was given.
    bool UsesStore = false;
    std::vector<StoreBar> StoreAfter;
    // Every row's bars by length, in file order, at most kListedPieces; and
    // how many more there are.
    std::vector<ListedPiece> Listed;
    long long UnlistedPieces = 0;

    std::int64_t StockBars() const; // bought new
    std::int64_t Strokes() const;   // of the shear, for every group
    bool Sheared() const;           // whether any group is cut at strokes
    Millimetres Bought() const;
    bool Priced() const; // with prices: costs in money
    // Whether any group names its grade: only then do the outputs name the
    // groups without one.
    bool Graded() const;
};

// The terminal's text of the whole order, each line ending in '\n'.
std::string SteelOrderText(const SteelOrder& order);

// The order as CSV: a row for every stock length bought and every pattern of
// each diameter, with the settings and the totals. Each column has one
// meaning: 单根长度 one bar, 合计长度 all the row's bars, 理论重量 a plain
// number of kilograms (on the totals only: weights by stock length rounded
// apart would not add up), 锯口 and the offcut (余料 kept, 废料 waste) per bar
// of a pattern. Without a byte-order mark.
std::string SteelOrderCsv(const SteelOrder& order);

// The store as the file it is read from: a header, then 直径,长度,根数,级别,
// 单价,备注 a row (metres; 元 per tonne). Without a byte-order mark.
std::string StoreCsv(const std::vector<StoreBar>& bars);

// The order as a JSON document.
std::string SteelOrderJson(const SteelOrder& order);

// The cutting plan drawn: one strip per pattern with its pieces to scale and
// labelled, grouped by diameter. UTF-8 SVG.
std::string SteelOrderSvg(const SteelOrder& order);

// What the workbook's piece list names at its top: the site (its file's
// name), the day, and who prepared and who checked it (blank lines to sign
// when not given).
struct OrderSheetHeading {
    std::string Site;
    std::string Date; // 2026-12-10
    std::string PreparedBy;
    std::string CheckedBy;
};

// The order as an Excel workbook: 汇总 (a row a grade and diameter, and the
// totals), 下料单 (every piece, below a heading to sign), 切割方案 (every
// pattern), 余料 (the offcuts kept and the store after the order) and, when
// rows were left out, 未计入 (each with its line and reason). The same bytes
// on every platform.
std::string SteelOrderXlsx(const SteelOrder& order, const OrderSheetHeading& heading);

// The order as the page shows and prints it, as JSON: the texts of the
// heading, the purchase list's cells (a row for every stock length of each
// diameter, the subtotals and the total) and, per diameter, its purchase,
// use and bound lines (and whether the plan is proven the least) and its
// patterns, each with its title, its caption and its pieces in millimetres
// with their labels, for a drawing to scale.
std::string SteelOrderPageJson(const SteelOrder& order);

} // namespace tavrilo
