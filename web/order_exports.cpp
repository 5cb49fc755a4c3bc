// The module's exports for a site's steel order and the yard's store (库存)
// it may cut from first: the store's rows as the page keeps them read and
// written as the store file, a store file read in, and the order, with or
// without the store, as tavrilo-calc --order makes it.

#include "app/outcome.h"
#include "app/steel_order.h"
#include "app/store.h"
#include "text/batch_messages.h"
#include "text/site.h"
#include "text/store.h"
#include "text/utf8.h"
#include "web/module_interface.h"
#include "web/module_parts.h"

#include <optional>
#include <string>
#include <vector>

namespace {

using tavrilo::page::ClearParts;
using tavrilo::page::FileText;
using tavrilo::page::OrderFile;
using tavrilo::page::Part;
using tavrilo::page::PartText;
using tavrilo::page::Setting;
using tavrilo::page::Text;

bool orderNeedsSplice = false;         // the last order was refused for want of a splice
std::vector<tavrilo::StoreBar> stored; // the rows given since tavrilo_store_begin

// The store file's bytes read for an order, its offcuts noted as coming
// from `note`; false (why in part Printed) when they cannot be read whole.
bool ReadOrderStore(std::string_view bytes, std::string note, tavrilo::OrderStore& store) {
    using namespace tavrilo;
    StoreReader reader;
    if (!reader.Feed(bytes) || !reader.Finish()) {
        PartText(Part::Printed) = BatchDecodeFailureText("库存", reader.Failure(), 0) + '\n';
        return false;
    }
    if (reader.OmittedRows() > 0) {
        const std::string rows =
            OmittedRowsText(reader.Omitted(), static_cast<std::size_t>(reader.OmittedRows()));
        PartText(Part::Printed) = "库存" + rows.substr(rows.find_first_not_of("；")) + '\n';
        return false;
    }
    store.Bars = reader.Bars();
    store.OffcutNote = std::move(note);
    return true;
}

} // namespace

extern "C" {

// The steel order that `tavrilo-calc --order` (OrderFile::Schedule) or
// `--cut` (OrderFile::PieceList) makes of the file's bytes, the file named
// `name`, with the settings as typed (--stock, --kerf, --keep, --lap,
// --coils, --shear; a null text for one not given) and --couplers when
// `couplers` is not 0; with --store when `store` (the store file's bytes) is
// not null, the offcuts it keeps noted as from `list` on `date` (--store-out's
// note). The file and the store may be Excel workbooks. The workbook (part
// OrderXlsx, as --order-xlsx writes it) is headed with the site `list`, the
// date and who prepared and checked it (--prepared-by, --checked-by).
// Part Printed holds what tavrilo-calc prints (the order's text), or the
// refusal with its line end; JsonText what it prints with --json, Svg the
// --order-svg drawing, OrderCsv the --order-csv file with --bom and, with a
// store, StoreAfter the rows of --store-out's file. Returns tavrilo-calc's
// exit status.
__attribute__((export_name("tavrilo_order"))) int
tavrilo_order(int file, const char* bytes, std::size_t size, const char* name, std::size_t nameSize,
              const char* stock, std::size_t stockSize, const char* kerf, std::size_t kerfSize,
              const char* keep, std::size_t keepSize, const char* lap, std::size_t lapSize,
              int couplers, const char* coils, std::size_t coilsSize, const char* store,
              std::size_t storeSize, const char* list, std::size_t listSize, const char* date,
              std::size_t dateSize, const char* shear, std::size_t shearSize, const char* prepared,
              std::size_t preparedSize, const char* checked, std::size_t checkedSize) {
    using namespace tavrilo;
    ClearParts();
    orderNeedsSplice = false;
    const auto settings = ReadOrderSettings({Setting(stock, stockSize), Setting(kerf, kerfSize),
                                             Setting(keep, keepSize), Setting(lap, lapSize),
                                             couplers != 0, Setting(coils, coilsSize),
                                             Setting(shear, shearSize)});
    if (const auto* refusal = std::get_if<std::string>(&settings)) {
        PartText(Part::Printed) = *refusal + '\n';
        return ExitStatus(Outcome::Usage);
    }
    OrderReader reader(file == static_cast<int>(OrderFile::PieceList) ? OrderSource::PieceList
                                                                      : OrderSource::Schedule);
    const std::optional<std::string> text = FileText(Text(bytes, size), Text(name, nameSize));
    if (!text)
        return ExitStatus(Outcome::Failed);
    if (!reader.Feed(*text) || !reader.Finish()) {
        PartText(Part::Printed) =
            BatchDecodeFailureText(Text(name, nameSize), reader.Failure(), 0) + '\n';
        return ExitStatus(Outcome::Failed);
    }
    OrderStore onHand;
    const std::optional<std::string> storeText =
        store != nullptr ? FileText(Text(store, storeSize), "库存") : std::nullopt;
    if (store != nullptr && !storeText)
        return ExitStatus(Outcome::Failed);
    if (store != nullptr &&
        !ReadOrderStore(*storeText,
                        OffcutNoteText(Text(list, listSize), Text(date, dateSize)), onHand))
        return ExitStatus(Outcome::Failed);
    const OrderAnswer answer =
        MakeSteelOrder(reader, std::get<OrderSettings>(settings), store ? &onHand : nullptr);
    if (answer.Refusal) {
        orderNeedsSplice = answer.Refusal->NeedsSplice;
        PartText(Part::Printed) = answer.Refusal->Message + '\n';
        return ExitStatus(answer.Refusal->ByInput ? Outcome::InputToCorrect : Outcome::Failed);
    }
    PartText(Part::Printed) = SteelOrderText(answer.Order);
    PartText(Part::JsonText) = SteelOrderJson(answer.Order);
    PartText(Part::Svg) = SteelOrderSvg(answer.Order);
    PartText(Part::OrderCsv) = std::string(kByteOrderMark) + SteelOrderCsv(answer.Order);
    PartText(Part::OrderPage) = SteelOrderPageJson(answer.Order);
    PartText(Part::OrderXlsx) = SteelOrderXlsx(
        answer.Order, {std::string(Text(list, listSize)), std::string(Text(date, dateSize)),
                       std::string(Text(prepared, preparedSize)),
                       std::string(Text(checked, checkedSize))});
    if (store != nullptr)
        PartText(Part::StoreAfter) = StoreRowsJson(answer.Order.StoreAfter);
    return ExitStatus(answer.Order.Omitted.empty() ? Outcome::Answered : Outcome::InputToCorrect);
}

// Whether the last tavrilo_order was refused because bars are longer than
// the stock and no splice was given: the page then asks for one.
__attribute__((export_name("tavrilo_order_needs_splice"))) int tavrilo_order_needs_splice() {
    return orderNeedsSplice ? 1 : 0;
}

// The store as the page keeps it: begin, add each row (its cells as typed,
// the diameter in millimetres), then end for its rows as read (part
// StoreRows) and its file (part StoreCsv, with the mark for Excel).
// tavrilo_store_add refuses a row that does not read (why in part Printed),
// and leaves it out.
__attribute__((export_name("tavrilo_store_begin"))) void tavrilo_store_begin() {
    ClearParts();
    stored.clear();
}

__attribute__((export_name("tavrilo_store_add"))) int
tavrilo_store_add(const char* phi, std::size_t phiSize, const char* length, std::size_t lengthSize,
                  const char* count, std::size_t countSize, const char* grade,
                  std::size_t gradeSize, const char* price, std::size_t priceSize, const char* note,
                  std::size_t noteSize) {
    using namespace tavrilo;
    ClearParts();
    auto row =
        ReadStoreRow({std::string(Text(phi, phiSize)), std::string(Text(length, lengthSize)),
                      std::string(Text(count, countSize)), std::string(Text(grade, gradeSize)),
                      std::string(Text(price, priceSize)), std::string(Text(note, noteSize))},
                     LengthUnit::Millimetres);
    if (auto* refusal = std::get_if<std::string>(&row)) {
        PartText(Part::Printed) = std::move(*refusal) + '\n';
        return ExitStatus(Outcome::InputToCorrect);
    }
    stored.push_back(std::move(std::get<StoreBar>(row)));
    return ExitStatus(Outcome::Answered);
}

__attribute__((export_name("tavrilo_store_end"))) void tavrilo_store_end() {
    using namespace tavrilo;
    ClearParts();
    PartText(Part::StoreRows) = StoreRowsJson(stored);
    PartText(Part::StoreCsv) = std::string(kByteOrderMark) + StoreCsv(stored);
}

// A store file named `name` read in as `--store` reads it: its rows and the
// rows left out in part StoreImport; when it cannot be decoded, the message
// in part Printed and tavrilo-calc's status for it.
__attribute__((export_name("tavrilo_store_import"))) int
tavrilo_store_import(const char* bytes, std::size_t size, const char* name, std::size_t nameSize) {
    using namespace tavrilo;
    ClearParts();
    StoreReader reader;
    const std::optional<std::string> text = FileText(Text(bytes, size), Text(name, nameSize));
    if (!text)
        return ExitStatus(Outcome::Failed);
    if (!reader.Feed(*text) || !reader.Finish()) {
        PartText(Part::Printed) =
            BatchDecodeFailureText(Text(name, nameSize), reader.Failure(), 0) + '\n';
        return ExitStatus(Outcome::Failed);
    }
    PartText(Part::StoreImport) =
        StoreImportJson(Text(name, nameSize), reader.Encoding(), reader.Bars(), reader.Omitted(),
                        static_cast<std::size_t>(reader.OmittedRows()));
    return ExitStatus(reader.OmittedRows() == 0 ? Outcome::Answered : Outcome::InputToCorrect);
}

} // extern "C"
