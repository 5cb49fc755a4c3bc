#include "app/mesh_request.h"
#include "calc/tests/initial_values.h"
#include "text/messages.h"

#include <gtest/gtest.h>
#include <string>

namespace tavrilo {
namespace {

struct RequestCase {
    const char* name;
    const char *d, *phi, *spacing;
    MeshExtras extras;
    const char* printedStart; // the start of what is printed, or the refusal
    bool refused;
    bool byInput;
};

MeshExtras Extras(bool breakdown, bool cutList, bool weight, bool drawing, bool json) {
    return MeshExtras{breakdown, cutList, weight, drawing, json, false};
}

TEST(AnswerMesh, GivesTheTotalWithWhatWasAskedOrOneRefusal) {
    const RequestCase cases[] = {
        {"plain", "1.3", "0.0065", "0.1", {}, TAVRILO_TWO_WAY_TOTAL " m\n", false, false},
        {"sloppy text", "1.3m", " 0.0065", "0.1,5", {}, TAVRILO_TWO_WAY_TOTAL " m\n", false, false},
        {"breakdown", "1.3", "0.0065", "0.1", Extras(true, false, false, false, false),
         TAVRILO_TWO_WAY_TOTAL " m\nn = 13\nr = 13\nA = 0.8125\n", false, false},
        {"weight after the breakdown", "1.3", "0.0065", "0.1",
         Extras(true, false, true, false, false),
         TAVRILO_TWO_WAY_TOTAL " m\nn = 13\nr = 13\nA = 0.8125\nS = ", false, false},
        {"json", "1.3", "0.0065", "0.1", Extras(false, true, true, true, true), "{\n", false,
         false},
        {"nothing typed", "", "0.0065", "0.1", {}, "参数不能为“0”或“负值”！", true, true},
        // The total is above 0 but the bars are shorter than nothing: only
        // the cut list refuses.
        {"negative bar", "0.5", "0.001", "0.001", Extras(false, true, false, false, false),
         "下料单中有钢筋的下料长度为负值", true, true},
        {"too many bars", "400", "0.01", "0.01", {}, "计算溢出", true, false},
    };
    for (const RequestCase& c : cases) {
        const MeshAnswer answer =
            AnswerMesh({c.d, c.phi, c.spacing, Arrangement::TwoWay, c.extras});
        ASSERT_EQ(answer.Refusal.has_value(), c.refused) << c.name;
        if (c.refused) {
            EXPECT_TRUE(answer.Refusal->Message.starts_with(c.printedStart))
                << c.name << ": " << answer.Refusal->Message;
            EXPECT_EQ(answer.Refusal->ByInput, c.byInput) << c.name;
            continue;
        }
        EXPECT_TRUE(answer.Printed().starts_with(c.printedStart))
            << c.name << ": " << answer.Printed();
        EXPECT_EQ(answer.Svg.empty(), !c.extras.Drawing) << c.name;
        EXPECT_EQ(answer.Cuts.has_value(), c.extras.CutList || c.extras.Drawing) << c.name;
    }
}

// Without an arrangement the window's order holds: a value to correct is
// named first, the missing choice only when the values are good.
TEST(AnswerMesh, WithoutAnArrangementChecksTheValuesFirst) {
    const struct {
        const char* d;
        std::string_view message;
    } cases[] = {
        {"0", kNonPositiveMessage}, {"abc", kNonPositiveMessage}, {"1.3", kNoArrangementMessage}};
    for (const auto& c : cases) {
        const MeshAnswer answer = AnswerMesh({c.d, "0.0065", "0.1", std::nullopt, {}});
        ASSERT_TRUE(answer.Refusal.has_value()) << c.d;
        EXPECT_EQ(answer.Refusal->Message, c.message) << c.d;
        EXPECT_TRUE(answer.Refusal->ByInput) << c.d;
    }
}

// The CSV of the cut list comes with the text or alone, and a cut list that
// cannot be cut refuses it as it refuses the text.
TEST(AnswerMesh, GivesTheCutListCsvOnlyWhenAsked) {
    MeshExtras csvOnly;
    csvOnly.CutListCsv = true;
    const MeshAnswer answer = AnswerMesh({"1.3", "0.0065", "0.1", Arrangement::TwoWay, csvOnly});
    ASSERT_FALSE(answer.Refusal.has_value());
    EXPECT_TRUE(answer.CutListCsv.starts_with("距中心 (m),")) << answer.CutListCsv;
    EXPECT_EQ(answer.Printed(), TAVRILO_TWO_WAY_TOTAL " m\n");
    EXPECT_TRUE(AnswerMesh({"1.3", "0.0065", "0.1", Arrangement::TwoWay, {}}).CutListCsv.empty());
    const MeshAnswer negative = AnswerMesh({"0.5", "0.001", "0.001", Arrangement::TwoWay, csvOnly});
    ASSERT_TRUE(negative.Refusal.has_value());
    EXPECT_EQ(negative.Refusal->Message, kNegativeBarMessage);
}

} // namespace
} // namespace tavrilo
