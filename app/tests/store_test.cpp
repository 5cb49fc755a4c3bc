// The yard's store in an order: its rows read or refused by name, its bars
// used before new ones wherever that costs less and never more of them than
// there are, and the store after the order.

#include "app/steel_order.h"
#include "app/store.h"
#include "cutting/plan.h"
#include "text/store.h"

#include <gtest/gtest.h>
#include <map>
#include <string>

namespace tavrilo {
namespace {

OrderStore ReadStore(std::string_view csv, long long omitted) {
    StoreReader reader;
    EXPECT_TRUE(reader.Feed(csv) && reader.Finish());
    EXPECT_EQ(reader.OmittedRows(), omitted);
    return {reader.Bars(), "梁.csv 2026-12-10 余料"};
}

OrderAnswer Order(std::string_view pieces, std::string_view stock, const OrderStore& store) {
    OrderReader reader(OrderSource::PieceList);
    EXPECT_TRUE(reader.Feed(pieces) && reader.Finish());
    return MakeSteelOrder(
        reader, std::get<OrderSettings>(ReadOrderSettings({.StockLengths = stock})), &store);
}

constexpr std::string_view kPieces = "长度,根数,直径,备注,级别\n"
                                     "5.85,12,0.016,梁底筋,HRB400\n"
                                     "3.2,30,0.016,梁面筋,HRB400\n"
                                     "2.45,44,0.016,,HRB400\n";

TEST(Store, RowsAreReadOrRefusedByName) {
    StoreReader reader;
    ASSERT_TRUE(reader.Feed("直径,长度,根数,级别,单价,备注\n"
                            "0.016,4.5,6,hrb400,,上次余料\n"
                            "0.016,12,3,HRB400,3700\n"
                            "16,4.5,6\n"           // a diameter in millimetres
                            "0.016,4.5,6,HRB335\n" // no such grade
                            "0.016,4.5,6,,-5\n"    // no price below 0
                            "0.016,4.5\n") &&
                reader.Finish());
    ASSERT_EQ(reader.Bars().size(), 2u);
    EXPECT_EQ(reader.Bars()[0].Grade, SteelGrade::HRB400);
    EXPECT_EQ(reader.Bars()[0].Length, 4500);
    EXPECT_EQ(reader.Bars()[0].Note, "上次余料");
    EXPECT_EQ(reader.Bars()[1].PricePerTonne, 3700);
    ASSERT_EQ(reader.OmittedRows(), 4);
    const char* named[] = {"直径“16”", "HRB335", "单价“-5”", "字段数"};
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_NE(reader.Omitted()[i].Reason.find(named[i]), std::string::npos)
            << reader.Omitted()[i].Reason;
}

// The page's rows give the diameter in millimetres, read to the tenth as the
// file's metres are, and come back as the page shows them.
TEST(Store, PageRowsAreReadInMillimetres) {
    const struct {
        std::vector<std::string> cells;
        const char* shown; // the row's JSON (without blanks), or the refusal's words
    } rows[] = {
        {{"16", "4.5", "6", "hrb400", "", "上次余料"},
         R"("phi":"16","length":"4.5","count":"6","grade":"HRB400","price":"","note":"上次余料")"},
        {{" 12.5 ", "12", "3", "", "3700", ""},
         R"("phi":"12.5","length":"12","count":"3","grade":"","price":"3700","note":"")"},
        {{"0.016", "4.5", "6", "", "", ""}, "直径“0.016”"}, // metres in the millimetre box
        {{"60", "4.5", "6", "", "", ""}, "直径“60”"},
        {{"16", "4.5", "0", "", "", ""}, "根数“0”"},
    };
    for (const auto& row : rows) {
        const auto read = ReadStoreRow(row.cells, LengthUnit::Millimetres);
        std::string shown = std::holds_alternative<StoreBar>(read)
                                ? StoreRowsJson({std::get<StoreBar>(read)})
                                : std::get<std::string>(read);
        std::erase_if(shown, [](char c) { return c == ' ' || c == '\n'; });
        EXPECT_NE(shown.find(row.shown), std::string::npos) << shown;
    }
    // A row read as the page shows it reads the same again.
    const StoreBar bar =
        std::get<StoreBar>(ReadStoreRow({"12.5", "4.5", "6"}, LengthUnit::Millimetres));
    EXPECT_DOUBLE_EQ(bar.BarDiameter, 0.0125);
}

// Priced or not, the store's bars of the group's grade and diameter are cut
// first where they cost less, never more than there are; what is left of
// them and the offcuts kept make the store after the order.
TEST(Store, IsUsedFirstAndComesOutWithTheOffcutsKept) {
    const OrderStore store = ReadStore("0.016,4.5,6,HRB400,,上次余料\n"
                                       "0.016,12,3,HRB400,3700\n"
                                       "0.016,12,9\n" // no grade: not for these pieces
                                       "0.012,3,5,HRB400\n",
                                       0);
    for (const std::string_view stock : {"9,12", "9:3900,12:3850"}) {
        const OrderAnswer answer = Order(kPieces, stock, store);
        ASSERT_FALSE(answer.Refusal) << answer.Refusal->Message;
        const OrderGroup& group = answer.Order.Groups.at(0);
        cutting::Problem problem;
        for (const StockSource& source : group.Sources)
            problem.Stocks.push_back({source.Length, source.Available, source.Cost});
        problem.Pieces = group.Demand;
        EXPECT_EQ(cutting::VerifyPlan(problem, group.Plan), std::nullopt) << stock;
        std::map<std::size_t, std::int64_t> used; // by store row
        for (const cutting::Pattern& pattern : group.Plan.Patterns)
            if (group.CutFromStore(pattern))
                used[group.Sources[pattern.Stock].StoreRow] += pattern.Count;
        EXPECT_EQ(used[0], 6) << stock; // free offcuts all used
        EXPECT_EQ(used[1], 3) << stock; // cheaper whole bars all used
        EXPECT_EQ(used.count(2), 0u) << stock;
        EXPECT_EQ(group.Priced, stock.find(':') != std::string_view::npos);
        // The store after: the bars not used, then the offcuts kept, with the note.
        const std::vector<StoreBar>& after = answer.Order.StoreAfter;
        ASSERT_GE(after.size(), 3u);
        EXPECT_EQ(after[0].Length, 12000);
        EXPECT_EQ(after[0].Count, 9);
        EXPECT_EQ(after[1].BarDiameter, 0.012);
        Millimetres kept = 0;
        for (std::size_t i = 2; i < after.size(); ++i) {
            EXPECT_EQ(after[i].Note, store.OffcutNote);
            kept += after[i].Length * after[i].Count;
        }
        EXPECT_EQ(kept, group.OffcutKept) << stock;
    }
}

} // namespace
} // namespace tavrilo
