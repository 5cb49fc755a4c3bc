#include "calc/cutlist.h"
#include "calc/tests/initial_values.h"
#include "text/json.h"
#include "text/svg.h"

#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace tavrilo {
namespace {

struct EscapeCase {
    std::string text;
    std::string json;
};

class JsonStrings : public testing::TestWithParam<EscapeCase> {};

TEST_P(JsonStrings, EscapeWhatJsonForbids) {
    EXPECT_EQ(JsonString(GetParam().text), GetParam().json);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, JsonStrings,
    testing::Values(EscapeCase{TAVRILO_TWO_WAY_TOTAL " m", "\"" TAVRILO_TWO_WAY_TOTAL " m\""},
                    EscapeCase{"say \"hi\"", "\"say \\\"hi\\\"\""},
                    EscapeCase{"a\\b", "\"a\\\\b\""},
                    EscapeCase{"line\nbreak\ttab\r", "\"line\\nbreak\\ttab\\r\""},
                    EscapeCase{std::string("nul\0bell\x07", 9), "\"nul\\u0000bell\\u0007\""},
                    EscapeCase{"双向 Φ", "\"双向 Φ\""},
                    EscapeCase{"\xE2\x80\xA8|\xE2\x80\xA9", "\"\\u2028|\\u2029\""}));

TEST(JsonWriter, NestsAndSeparatesValues) {
    JsonWriter w;
    w.BeginObject();
    w.Key("a").Number(0.1);
    w.Key("list").BeginArray().Integer(1).Number(-0.015).EndArray();
    w.Key("empty").BeginArray().EndArray();
    w.Key("inf").Number(std::numeric_limits<double>::infinity());
    w.Key("ok").Bool(true);
    w.EndObject();
    EXPECT_EQ(w.Text(), "{\n"
                        "  \"a\": 0.1,\n"
                        "  \"list\": [\n"
                        "    1,\n"
                        "    -0.015\n"
                        "  ],\n"
                        "  \"empty\": [],\n"
                        "  \"inf\": null,\n"
                        "  \"ok\": true\n"
                        "}\n");
}

TEST(MeshJson, CarriesTheResultAndOnlyWhatWasAskedFor) {
    const MeshInputs in{1.3, 0.0065, 0.1};
    const MeshLength mesh = std::get<MeshLength>(ComputeMeshLength(in, Arrangement::OneWay));
    const std::string plain = MeshResultJson(in, Arrangement::OneWay, mesh, nullptr, nullptr);
    EXPECT_NE(plain.find("\"total_m\": " TAVRILO_ONE_WAY_TOTAL ","), std::string::npos) << plain;
    EXPECT_NE(plain.find("\"arrangement\": \"one-way\""), std::string::npos);
    EXPECT_NE(plain.find("\"S\": 24.120274671626635"), std::string::npos);
    EXPECT_EQ(plain.find("cut_list"), std::string::npos);
    EXPECT_EQ(plain.find("weight"), std::string::npos);

    const CutList list = std::get<CutList>(BuildCutList(in, Arrangement::OneWay, mesh));
    const std::string full = MeshResultJson(in, Arrangement::OneWay, mesh, &list, nullptr);
    EXPECT_NE(full.find("\"bars_per_direction\": 13"), std::string::npos);
    EXPECT_NE(full.find("\"cut_length_m\": 1.331"), std::string::npos);
    // Offsets as the cut list shows them, not 0.30000000000000004.
    EXPECT_NE(full.find("\"nearest_offset_m\": 0.3,"), std::string::npos) << full;
}

TEST(Svg, EscapesTextForXml) {
    EXPECT_EQ(EscapeXml("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&apos;");
    EXPECT_EQ(EscapeXml("钢筋 Φ"), "钢筋 Φ");
    EXPECT_EQ(EscapeXml("a\x01\x1f\tb\n"), "a\tb\n"); // no control character XML cannot hold
}

struct DrawingCase {
    Arrangement layout;
    std::int32_t bars;
    std::size_t verticalLines, horizontalLines;
};

class SvgBars : public testing::TestWithParam<DrawingCase> {};

std::size_t CountLines(const std::string& svg, std::string_view group) {
    const std::size_t start = svg.find("<g id=\"" + std::string(group) + "\">");
    if (start == std::string::npos)
        return 0;
    const std::size_t end = svg.find("</g>", start);
    std::size_t count = 0;
    for (std::size_t at = svg.find("<line", start); at < end; at = svg.find("<line", at + 1))
        ++count;
    return count;
}

TEST_P(SvgBars, DrawsEveryBarOfEachDirection) {
    const DrawingCase& c = GetParam();
    MeshDrawing d;
    d.Inputs = {1.3, 0.0065, 1.3 / c.bars};
    d.Layout = c.layout;
    d.BarsPerDirection = c.bars;
    d.Total = test::kTwoWayTotal;
    const std::string svg = MeshSvg(d);
    EXPECT_EQ(CountLines(svg, "direction-1"), c.verticalLines);
    EXPECT_EQ(CountLines(svg, "direction-2"), c.horizontalLines);
    EXPECT_EQ(svg.rfind("</svg>\n"), svg.size() - 7);
    const MeshSvgLayout layout = LayoutOf(d);
    EXPECT_NE(svg.find("viewBox=\"0 0 " + std::to_string(static_cast<int>(layout.Width)) + " " +
                       std::to_string(static_cast<int>(layout.Height))),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Meshes, SvgBars,
                         testing::Values(DrawingCase{Arrangement::TwoWay, 13, 13, 13},
                                         DrawingCase{Arrangement::TwoWay, 12, 12, 12},
                                         DrawingCase{Arrangement::OneWay, 13, 13, 0},
                                         DrawingCase{Arrangement::OneWay, 1, 1, 0}));

// Meshes from the smallest to the largest that can be calculated: every
// coordinate of the drawing is a finite number a viewer can read.
TEST(Svg, WritesFiniteCoordinatesForAnyMeshThatCanBeCalculated) {
    const MeshInputs meshes[] = {{1e-310, 0.01, 1e-311}, {3e-306, 0.01, 1e-306},
                                 {5e-324, 0.01, 5e-324}, {1e-320, 0.01, 3e-321},
                                 {1e300, 0.01, 1e297},   {1e300, 1e300, 1e299},
                                 {1.3, 1e300, 0.1},      {1e-300, 0.01, 1e-301}};
    for (const MeshInputs& inputs : meshes) {
        for (Arrangement layout : {Arrangement::OneWay, Arrangement::TwoWay}) {
            const MeshLengthOutcome outcome = ComputeMeshLength(inputs, layout);
            ASSERT_TRUE(std::holds_alternative<MeshLength>(outcome));
            const MeshLength& result = std::get<MeshLength>(outcome);
            MeshDrawing d;
            d.Inputs = inputs;
            d.Layout = layout;
            d.BarsPerDirection = static_cast<std::int32_t>(result.Breakdown.SpacingCount);
            d.Total = result.Total;
            const std::string svg = MeshSvg(d);
            for (const std::string_view bad : {"inf\"", "nan\""})
                EXPECT_EQ(svg.find(bad), std::string::npos)
                    << "D = " << inputs.MeshDiameter << ", d = " << inputs.BarSpacing;
        }
    }
}

} // namespace
} // namespace tavrilo
