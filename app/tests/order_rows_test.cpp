// The rows of a piece list as a yard writes them: the unit its header names,
// lengths no bar has, and files of many bad rows read in bounded memory.
#include "app/steel_order.h"

#include <gtest/gtest.h>
#include <string>
#include <variant>

namespace tavrilo {
namespace {

[[maybe_unused]] OrderAnswer Cut(const std::string& csv, const OrderSettingsText& typed = {}) {
    OrderReader reader(OrderSource::PieceList);
    EXPECT_TRUE(reader.Feed(csv) && reader.Finish());
    return MakeSteelOrder(reader, std::get<OrderSettings>(ReadOrderSettings(typed)));
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
