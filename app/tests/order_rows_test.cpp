// The rows of a piece list as a yard writes them: the unit its header names,
// lengths no bar has, and files of many bad rows read in bounded memory.
#include "app/steel_order.h"

#include <gtest/gtest.h>
#include <string>
#include <variant>

namespace tavrilo {
namespace {

OrderAnswer Cut(const std::string& csv, const OrderSettingsText& typed = {}) {
    OrderReader reader(OrderSource::PieceList);
    EXPECT_TRUE(reader.Feed(csv) && reader.Finish());
    return MakeSteelOrder(reader, std::get<OrderSettings>(ReadOrderSettings(typed)));
}

struct RowCase {
    const char* name;
    std::string csv;
    std::string reason; // of the first row left out; empty: 12 pieces of 5.85 m, 16 mm
};

class PieceRows : public testing::TestWithParam<RowCase> {};

TEST_P(PieceRows, AreReadInTheUnitsTheHeaderNames) {
    const RowCase& c = GetParam();
    const OrderAnswer answer = Cut(c.csv);
    if (!c.reason.empty()) {
        ASSERT_FALSE(answer.Order.Omitted.empty());
        EXPECT_NE(answer.Order.Omitted[0].Reason.find(c.reason), std::string::npos)
            << answer.Order.Omitted[0].Reason;
        return;
    }
    ASSERT_FALSE(answer.Refusal) << answer.Refusal->Message;
    EXPECT_EQ(answer.Order.OmittedRows, 0);
    ASSERT_EQ(answer.Order.Groups.size(), 1u);
    const OrderGroup& group = answer.Order.Groups[0];
    EXPECT_EQ(group.BarDiameter, 0.016);
    ASSERT_EQ(group.Demand.size(), 1u);
    EXPECT_EQ(group.Demand[0].Length, 5850);
    EXPECT_EQ(group.Demand[0].Count, 12);
}

INSTANTIATE_TEST_SUITE_P(
    Units, PieceRows,
    testing::Values(
        RowCase{"Millimetres", "长度(mm),根数,直径\n5850,12,0.016\n", ""},
        RowCase{"FullWidth", "长度（毫米）,根数,直径（毫米）\n5850,12,16\n", ""},
        RowCase{"Latin", "length_MM,count,diameter mm\n5850,5,16\n5850,7,16.0000001\n", ""},
        RowCase{"Metres", "长度/m,根数,直径\n5.85,12,0.016\n", ""},
        RowCase{"ShownAlike", "5.85,6,0.016\n5.85,6,0.01600000001\n", ""},
        RowCase{"MmUnsaid", "长度,根数,直径\n5850,12,0.016\n", "是否以毫米计？"},
        RowCase{"DiameterMmUnsaid", "长度,根数,直径\n5.85,12,16\n", "是否以毫米计？"},
        RowCase{"MetresUnderMm", "长度(mm),根数\n5.85,12\n", "是否以米计？"},
        RowCase{"CountLimitNamed", "1,1000000001\n", "应为 1 到 1000000000 之间的整数"}),
    [](const testing::TestParamInfo<RowCase>& info) { return info.param.name; });

TEST(OrderSettingsText, AreListsSeparatedAsTypedAndOnlyNumbers) {
    for (const char* stock : {"9、12", "9;12", "9/12", "9；12", " 12 ， 9 "}) {
        const auto read = ReadOrderSettings({.StockLengths = stock});
        ASSERT_TRUE(std::holds_alternative<OrderSettings>(read)) << stock;
        EXPECT_EQ(std::get<OrderSettings>(read).StockLengths,
                  (std::vector<Millimetres>{9000, 12000}))
            << stock;
    }
    const auto lap = std::get<OrderSettings>(ReadOrderSettings({.Lap = " 36 D "}));
    EXPECT_EQ(lap.LapTimesDiameter, 36);
    const OrderSettingsText refused[] = {{.StockLengths = "9x"},   {.StockLengths = "9、12m"},
                                         {.StockLengths = "9 12"}, {.StockLengths = "9;"},
                                         {.Kerf = "0.003m"},       {.ShortestKept = "1e"},
                                         {.Lap = "36dd"},          {.Lap = "36xd"},
                                         {.Lap = "0.5m"}};
    for (const OrderSettingsText& typed : refused)
        EXPECT_TRUE(std::holds_alternative<std::string>(ReadOrderSettings(typed)));
}

TEST(OrderRows, ManyBadRowsAreCountedAndTheFirstNamedShortly) {
    constexpr long long kBad = 200000;
    OrderReader reader(OrderSource::PieceList);
    ASSERT_TRUE(reader.Feed("3,2,0.012\n" + std::string(20000, 'x') + ",1\n"));
    std::string chunk;
    for (int i = 0; i < 1000; ++i)
        chunk += "a,1\n";
    for (long long i = 0; i < kBad / 1000; ++i)
        ASSERT_TRUE(reader.Feed(chunk));
    ASSERT_TRUE(reader.Finish());
    const OrderAnswer answer = MakeSteelOrder(reader, OrderSettings{});
    ASSERT_FALSE(answer.Refusal);
    const SteelOrder& order = answer.Order;
    EXPECT_EQ(order.OmittedRows, kBad + 1);
    ASSERT_EQ(order.Omitted.size(), kNamedOmitted);
    EXPECT_EQ(order.Omitted[0].Reason.find(std::string(41, 'x')), std::string::npos);
    EXPECT_NE(order.Omitted[0].Reason.find(std::string(40, 'x') + "…”"), std::string::npos);
    EXPECT_EQ(order.Omitted.back().Line, kNamedOmitted + 1);
    const std::string more = "另有 " + std::to_string(kBad + 1 - kNamedOmitted) + " 行未计入";
    const std::string total = "\"omitted_rows_total\": " + std::to_string(kBad + 1);
    for (const auto& [form, says] : {std::pair{SteelOrderText(order), more},
                                     {SteelOrderCsv(order), more},
                                     {SteelOrderPageJson(order), more},
                                     {SteelOrderJson(order), total}}) {
        EXPECT_LT(form.size(), 30000u);
        EXPECT_NE(form.find(says), std::string::npos) << form.substr(0, 2000);
    }
}

} // namespace
} // namespace tavrilo
