#pragma once

// The yard's store (库存, 余料库) and the order: the bars on hand read from a
// CSV file of rows 直径,长度,根数[,级别][,单价][,备注] (metres; 单价 in 元
// per tonne, empty for 0, already paid), the stocks each group of an order
// may be cut from, and the store after the order: what is left of its bars
// and the offcuts the order keeps.

#include "text/column_unit.h"
#include "text/record_reader.h"
#include "text/steel_order.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tavrilo {

class StoreReader {
public:
    StoreReader() = default;
    StoreReader(const StoreReader&) = delete;
    StoreReader& operator=(const StoreReader&) = delete;

    // False when the file cannot be decoded any further; Failure() says why.
    bool Feed(std::string_view bytes);
    bool Finish();
    const std::string& Failure() const { return records_.Problem(); }

    const std::vector<StoreBar>& Bars() const { return bars_; }
    const std::vector<OmittedRow>& Omitted() const { return omitted_; } // the first kNamedOmitted
    long long OmittedRows() const { return omittedRows_; }
    std::string_view Encoding() const { return EncodingName(records_.Encoding()); }

private:
    void Read(CsvRecord& record);

    RecordReader records_;
    std::vector<StoreBar> bars_;
    std::vector<OmittedRow> omitted_;
    long long omittedRows_ = 0;
};

// A row of the store as its cells (直径,长度,根数[,级别][,单价][,备注]),
// the diameter in `diameterUnit`, the rest as in the file: the bar, or why
// the row is refused.
std::variant<StoreBar, std::string> ReadStoreRow(const std::vector<std::string>& cells,
                                                 LengthUnit diameterUnit);

// The store an order cuts from first, and the note (where they came from)
// the offcuts it keeps carry into the store after it.
struct OrderStore {
    std::vector<StoreBar> Bars;
    std::string OffcutNote;
};

// What a group of `grade` and `diameter` may be cut from: each stock length
// bought new, at its price or, without prices, at its length; then the
// store's bars of that grade and diameter, at their price or free. Nothing
// when there are neither prices nor such bars (the group buys the least
// length of new bars), or the group has no diameter.
std::vector<StockSource> SourcesFor(const OrderSettings& settings, const OrderStore* store,
                                    const std::optional<SteelGrade>& grade,
                                    const std::optional<double>& diameter);

// The store after `order`: the rows of `store` less the bars the order cuts,
// the empty ones left out, then one row for each offcut length it keeps.
std::vector<StoreBar> StoreAfter(const OrderStore& store, const SteelOrder& order);

} // namespace tavrilo
