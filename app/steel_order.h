#pragma once

// A site's steel order: a site schedule (the batch's meshes, each with a
// number of identical meshes) or a list of pieces in, the stock bars to buy
// and the plan that cuts every piece from them out, per bar diameter. The
// bytes come in chunks of any size and any encoding the decoder knows.

#include "text/column_unit.h"
#include "text/csv.h"
#include "text/record_reader.h"
#include "text/steel_order.h"

#include <array>
#include <compare>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tavrilo {

// The settings as typed; what is not given takes its default.
struct OrderSettingsText {
    std::optional<std::string_view> StockLengths = {}; // metres, separated by commas: "9,12"
    std::optional<std::string_view> Kerf = {};         // metres
    std::optional<std::string_view> ShortestKept = {}; // metres
    std::optional<std::string_view> Lap = {};          // "36d" (times the bar diameter) or metres
    bool Couplers = false;
    std::optional<std::string_view> CoilsUpTo = {}; // millimetres: "10"; "0" for none
    // Bars cut at one stroke by diameter in millimetres, as a list: "12:6,16:4";
    // the diameters not given keep the common shear's.
    std::optional<std::string_view> Shear = {};
};

// The settings, or why one of them is refused.
std::variant<OrderSettings, std::string> ReadOrderSettings(const OrderSettingsText& typed);

// A bar of a schedule's mesh as it lies in its layer, the bars of one direction
// side by side: its cut length, whether it is an even bar (the 2nd, 4th, ...
// from the layer's first edge; a two-way mesh's second layer begins with an
// even bar), and the cut lengths of the bars beside it, the shorter first (0:
// none on that side). Each bar is centred on the mesh's axis, so two bars
// beside each other have ends half their difference in length apart.
struct PlacedBar {
    Millimetres Length = 0;
    bool Even = false;
    std::array<Millimetres, 2> Beside{};
    friend auto operator<=>(const PlacedBar&, const PlacedBar&) = default;
};
using PlacedBars = std::map<PlacedBar, std::int64_t>; // the count of each

// The rows of a schedule or a piece list, read as they come and added up into
// pieces per bar diameter; the rows that give nothing are kept with the reason.
class OrderReader {
public:
    explicit OrderReader(OrderSource source) : source_(source) {}
    OrderReader(const OrderReader&) = delete;
    OrderReader& operator=(const OrderReader&) = delete;

    // False when the file cannot be decoded any further; Failure() says why.
    bool Feed(std::string_view bytes);
    bool Finish();
    const std::string& Failure() const { return records_.Problem(); }

    // A bar diameter in metres; none sorts after every diameter.
    struct Diameter {
        bool None = true;
        double Metres = 0;
        friend bool operator<(const Diameter& a, const Diameter& b) {
            return a.None != b.None ? b.None : a.Metres < b.Metres;
        }
    };
    // A group of the order: the grade (none: not stated) and the diameter.
    // Grades sort in the order of kGradeNames, none after every grade.
    struct Steel {
        std::optional<SteelGrade> Grade;
        Diameter Bar;
        friend bool operator<(const Steel& a, const Steel& b) {
            if (a.Grade != b.Grade)
                return !b.Grade || (a.Grade && *a.Grade < *b.Grade);
            return a.Bar < b.Bar;
        }
    };
    // Per grade and diameter, the count of pieces of each length (millimetres).
    using Pieces = std::map<Steel, std::map<Millimetres, std::int64_t>>;

    OrderSource Source() const { return source_; }
    const Pieces& Demand() const { return pieces_; }
    // With a schedule: per grade and diameter, every bar of every mesh as it
    // lies, and the straight bars of a row side by side.
    const std::map<Steel, PlacedBars>& Placed() const { return placed_; }
    // What was read, for the order: the encoding, rows, header, omitted rows.
    SteelOrder Heading() const;
    // Counts beyond exact arithmetic were met: the order cannot be made.
    bool Overflowed() const { return overflowed_; }

private:
    void Read(CsvRecord& record);
    void ReadMesh(CsvRecord& record);
    void ReadUnits();
    void ReadPiece(CsvRecord& record);
    void Add(const Steel& steel, Millimetres length, std::int64_t count);
    void Place(const Steel& steel, const std::vector<Millimetres>& layer, std::int64_t directions,
               std::int64_t number);
    void PlaceStraight(const Steel& steel, Millimetres length, std::int64_t number);
    void Omit(std::size_t line, std::string reason);
    void List(std::size_t line, const std::string& note, const Steel& steel, Millimetres length,
              std::int64_t count);

    OrderSource source_;
    RecordReader records_;
    Pieces pieces_;
    std::map<Steel, PlacedBars> placed_;
    long long rows_ = 0;
    long long meshes_ = 0;
    long long straightBars_ = 0;
    long long rounded_ = 0;
    std::vector<OmittedRow> omitted_; // the first kNamedOmitted
    long long omittedRows_ = 0;
    std::vector<ListedPiece> listed_;
    long long unlisted_ = 0;
    bool overflowed_ = false;
    // The units of a piece list's lengths and diameters, as its header names them.
    bool unitsRead_ = false;
    LengthUnit lengthUnit_ = LengthUnit::Metres;
    LengthUnit diameterUnit_ = LengthUnit::Metres;
};

// Why no order: the message, and whether it is the user's to correct.
struct OrderRefusal {
    std::string Message;
    bool ByInput = false;
    // Bars longer than the stock and no splice given: the splice is to be asked for.
    bool NeedsSplice = false;
};

struct OrderAnswer {
    std::optional<OrderRefusal> Refusal; // set: no order
    SteelOrder Order;
};

struct OrderStore;

// The order from what `reader` read, with `settings`, cutting from the bars
// of `store` first wherever that costs less.
OrderAnswer MakeSteelOrder(const OrderReader& reader, const OrderSettings& settings,
                           const OrderStore* store = nullptr);

} // namespace tavrilo
