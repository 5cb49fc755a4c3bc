// The cut list, mass, JSON and drawing options: the texts through the entry
// point, the drawings from the real program.
#include "calc/cutlist.h"
#include "calc/tests/initial_values.h"
#include "cli/tests/in_process.h"
#include "cli/tests/process.h"
#include "text/svg.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <png.h>
#endif
#include <string>
#include <vector>

namespace {

using tavrilo::test::Outcome;
using tavrilo::test::RunCalc;
using tavrilo::test::RunCalcHere;
using tavrilo::test::RunProgram;
using tavrilo::test::TempPath;
using tavrilo::test::Texts;

struct OptionCase {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::vector<std::string> outContains; // in this order; empty: stdout must be empty
    std::string errContains;              // empty: stderr must be empty
};

void PrintTo(const OptionCase& c, std::ostream* os) {
    *os << c.name;
}

class Options : public testing::TestWithParam<OptionCase> {};

std::string CaseName(const testing::TestParamInfo<OptionCase>& info) {
    return info.param.name;
}

TEST_P(Options, PrintInOrderAndKeepTheExitCodes) {
    const OptionCase& c = GetParam();
    const Outcome o = RunCalcHere(c.args);
    EXPECT_EQ(o.status, c.status) << o.err;
    if (c.outContains.empty()) {
        EXPECT_EQ(o.out, "");
    }
    std::size_t from = 0;
    for (const std::string& part : c.outContains) {
        const std::size_t at = o.out.find(part, from);
        EXPECT_NE(at, std::string::npos) << "missing, or out of order: " << part << "\n" << o.out;
        if (at != std::string::npos)
            from = at + part.size();
    }
    if (c.errContains.empty())
        EXPECT_EQ(o.err, "");
    else
        EXPECT_NE(o.err.find(c.errContains), std::string::npos) << o.err;
}

const std::string kWeight =
    TAVRILO_TWO_WAY_TOTAL " m\n"
                          "理论重量 7.18 kg（按钢筋总长度 " TAVRILO_TWO_WAY_TOTAL " m 计）\n"
                          "每米质量 0.2607 kg/m（0.00617 × 6.5²）\n";

INSTANTIATE_TEST_SUITE_P(
    Results, Options,
    testing::Values(
        OptionCase{"BarsListThirteenADirection", Texts("1.3", "0.0065", "0.1", "--bars"), 0,
                   Texts(TAVRILO_TWO_WAY_TOTAL " m\n", "每方向 13 根，共 26 根", "\n0 ", "1.331",
                         " 1\n", "±0.1 ", "1.316", " 2\n", "±0.6 ", "0.531", " 2\n",
                         "两个方向合计：26 根", "下料长度 " TAVRILO_TWO_WAY_TOTAL " m",
                         "相差（公式 − 下料单）   0 m"),
                   ""},
        OptionCase{"BarsOneWayWithRoundedRatio", Texts("2", "0.012", "0.15", "--one-way", "--bars"),
                   0,
                   Texts("22.257 m\n", "单向布置：13 根", "合计：13 根",
                         "下料单合计              22.232 m", "相差（公式 − 下料单）   0.025 m",
                         "0.033 m", "-0.008 m", "r = 13.33 次"),
                   ""},
        OptionCase{"NoBarsSaysSo", Texts("0.04", "0.006", "0.1", "--bars"), 0,
                   Texts("0.02 m\n", "没有钢筋"), ""},
        OptionCase{"Weight", Texts("1.3", "0.0065", "0.1", "--weight"), 0, Texts(kWeight), ""},
        OptionCase{"BreakdownWeightAndBarsTogether",
                   Texts("--bars", "1.3", "0.0065", "0.1", "--weight", "--breakdown"), 0,
                   Texts(TAVRILO_TWO_WAY_TOTAL " m\n", "T = 27.532774671626637\n",
                         "理论重量 7.18 kg", "下料单"),
                   ""},
        OptionCase{"SvgOptionTakesItsFileWithAnEqualsSign",
                   Texts("1.3", "0.0065", "0.1", "--svg=" + TempPath("eq.svg")), 0,
                   Texts(TAVRILO_TWO_WAY_TOTAL " m\n"), ""}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    Failures, Options,
    testing::Values(
        OptionCase{"BarsObeyTheCounterLimits", Texts("400", "0.01", "0.01", "--bars"), 2, Texts(),
                   "溢出"},
        OptionCase{"BarsObeyTheNegativeTotalRule",
                   Texts("0.04", "0.001", "0.1", "--bars", "--json"), 1, Texts(), "负值"},
        OptionCase{"BarShorterThanItsCovers", Texts("0.03", "0.001", "0.05", "--bars"), 1, Texts(),
                   "下料长度为负值"},
        OptionCase{"JsonKeepsTheMessagesOnStandardError",
                   Texts("1e308", "0.01", "1e-308", "--json"), 2, Texts(), "浮点"},
        OptionCase{"WeightOverflows", Texts("1", "1e300", "0.1", "--weight"), 2, Texts(), "浮点"},
        OptionCase{"SvgNeedsAFile", Texts("1.3", "0.0065", "0.1", "--svg"), 64, Texts(),
                   "--svg 需要"},
        OptionCase{"SvgNotToStandardOutput", Texts("1.3", "0.0065", "0.1", "--svg", "-"), 64,
                   Texts(), "--svg"},
        OptionCase{"SvgGivenTwice",
                   Texts("1.3", "0.0065", "0.1", "--svg", "a.svg", "--svg", "b.svg"), 64, Texts(),
                   "只能给出一次"},
        OptionCase{"SvgFolderMissing",
                   Texts("1.3", "0.0065", "0.1", "--svg", "/nonexistent-folder/mesh.svg"), 2,
                   Texts(), "无法写入文件"},
        OptionCase{"CsvTakesNoValues", Texts("--csv", "x.csv", "1", "2", "3"), 64, Texts(),
                   "--csv"},
        OptionCase{"CsvWithBars", Texts("--csv", "x.csv", "--bars"), 64, Texts(), "--bars"},
        OptionCase{"CsvWithArrangement", Texts("--one-way", "--csv", "x.csv"), 64, Texts(),
                   "--one-way"},
        OptionCase{"CsvWithBarsCsv", Texts("--csv", "x.csv", "--bars-csv", "y.csv"), 64, Texts(),
                   "--bars-csv"},
        OptionCase{"BomWithoutACsv", Texts("1.3", "0.0065", "0.1", "--bom"), 64, Texts(), "--bom"},
        OptionCase{"BarsCsvNotToStandardOutput", Texts("1.3", "0.0065", "0.1", "--bars-csv", "-"),
                   64, Texts(), "--bars-csv"},
        OptionCase{"BarsCsvOfBarsShorterThanTheirCovers",
                   Texts("0.03", "0.001", "0.05", "--bars-csv", TempPath("negative.csv")), 1,
                   Texts(), "下料长度为负值"}),
    CaseName);

// The JSON is read back by a real JSON parser, which also checks its content.
struct JsonCase {
    const char* name;
    std::vector<std::string> args;
    std::string check; // a Python expression over the document `d`
};

void PrintTo(const JsonCase& c, std::ostream* os) {
    *os << c.name;
}

class Json : public testing::TestWithParam<JsonCase> {};

TEST_P(Json, ParsesAndHoldsTheResult) {
#ifdef _WIN32
    GTEST_SKIP() << "reads the JSON back with the build machine's python3 (Linux only)";
#else
    const JsonCase& c = GetParam();
    const Outcome o = RunCalcHere(c.args);
    ASSERT_EQ(o.status, 0) << o.err;
    const std::string path = TempPath("doc.json");
    tavrilo::test::WriteBytes(path, o.out);
    const Outcome parsed = RunProgram(
        TAVRILO_PYTHON3,
        {"-c", "import json, sys\nd = json.load(sys.stdin)\nassert " + c.check + ", d\n"}, path);
    EXPECT_EQ(parsed.status, 0) << parsed.err << "\n" << o.out;
#endif
}

INSTANTIATE_TEST_SUITE_P(
    Documents, Json,
    testing::Values(
        JsonCase{"Plain",
                 {"1.3", "0.0065", "0.1", "--json"},
                 "d['total_m'] == " TAVRILO_TWO_WAY_TOTAL
                 " and d['result_text'] == '" TAVRILO_TWO_WAY_TOTAL " m' and "
                 "d['breakdown']['n'] == 13 and 'cut_list' not in d and 'weight' not in d"},
        JsonCase{"BarsAndWeight",
                 {"1.3", "0.0065", "0.1", "--bars", "--weight", "--json"},
                 "d['weight']['kg'] == 7.18 and d['weight']['kg_per_m_shown'] == 0.2607 and "
                 "[l['count_per_direction'] for l in d['cut_list']['lines']] == [1] + [2] * 6 and "
                 "d['cut_list']['lines'][0]['cut_length_m'] == 1.331 and "
                 "abs(d['cut_list']['chord_total_m'] - d['breakdown']['S'] - d['breakdown']['C'])"
                 " < 1e-9"},
        JsonCase{"OneWayReconciliation",
                 {"2", "0.012", "0.15", "--one-way", "--bars", "--json"},
                 "d['inputs']['arrangement'] == 'one-way' and "
                 "d['cut_list']['reconciliation']['difference_m'] == 0.025 and "
                 "d['cut_list']['reconciliation']['allowance_difference_m'] == 0.033"},
        JsonCase{"ZeroTotalIsNotNegative",
                 {"0.04", "0.004", "0.1", "--json", "--bars"},
                 "d['total_m'] == 0 and d['cut_list']['lines'] == []"}),
    [](const testing::TestParamInfo<JsonCase>& info) { return std::string(info.param.name); });

#ifndef _WIN32
struct Image {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    std::vector<unsigned char> rgb;

    // Luminance of the pixel that holds the point (x, y), 0 black .. 255 white.
    double Luma(double x, double y) const {
        const auto px = static_cast<std::size_t>(std::floor(x));
        const auto py = static_cast<std::size_t>(std::floor(y));
        const unsigned char* p = &rgb[(py * width + px) * 3];
        return 0.2126 * p[0] + 0.7152 * p[1] + 0.0722 * p[2];
    }
};

Image ReadPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Image result;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        ADD_FAILURE() << "cannot read " << path;
        return result;
    }
    image.format = PNG_FORMAT_RGB;
    result.width = image.width;
    result.height = image.height;
    result.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, result.rgb.data(), 0, nullptr))
        ADD_FAILURE() << "cannot decode " << path;
    return result;
}
#endif

struct DrawingCase {
    const char* name;
    std::vector<std::string> args;
    double D, phi, s;
    tavrilo::Arrangement layout;
    std::int32_t n;
};

void PrintTo(const DrawingCase& c, std::ostream* os) {
    *os << c.name;
}

class Drawing : public testing::TestWithParam<DrawingCase> {};

// Renders the SVG as a browser would and looks at the pixels: each bar is
// dark where the cut list puts it, and the mesh is light between the bars.
TEST_P(Drawing, ShowsTheBarsWhereTheyLie) {
#ifdef _WIN32
    GTEST_SKIP() << "renders the drawing with rsvg-convert and libpng (Linux only)";
#else
    const DrawingCase& c = GetParam();
    const std::string svg = TempPath(std::string(c.name) + ".svg");
    const std::string png = TempPath(std::string(c.name) + ".png");
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--svg", svg});
    const Outcome o = RunCalc(args);
    ASSERT_EQ(o.status, 0) << o.err;
    const Outcome render = RunProgram(TAVRILO_RSVG_CONVERT, {svg, "-o", png});
    ASSERT_EQ(render.status, 0) << render.err;
    const Image image = ReadPng(png);

    tavrilo::MeshDrawing drawing;
    drawing.Inputs = {c.D, c.phi, c.s};
    drawing.Layout = c.layout;
    drawing.BarsPerDirection = c.n;
    const tavrilo::MeshSvgLayout layout = tavrilo::LayoutOf(drawing);
    ASSERT_EQ(image.width, layout.Width);
    const double scale = layout.PixelsPerMetre;
    const double cx = layout.CentreX;
    const double cy = layout.CentreY;

    // Bar offsets from the rule, on both sides of the centre line.
    std::vector<double> offsets;
    for (int i = 0; i < c.n; ++i)
        offsets.push_back((i - (c.n - 1) / 2.0) * c.s);
    ASSERT_EQ(offsets.size(), static_cast<std::size_t>(c.n));
    const bool twoWay = c.layout == tavrilo::Arrangement::TwoWay;
    // A line across the mesh that lies between two bars of the other direction.
    const double between = (offsets[offsets.size() / 2] + offsets[offsets.size() / 2 - 1]) / 2;
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        const double x = offsets[i];
        EXPECT_LT(image.Luma(cx + x * scale, cy + between * scale), 110)
            << "no vertical bar at " << x;
        EXPECT_EQ(image.Luma(cx + between * scale, cy + x * scale) < 110, twoWay)
            << "horizontal bar at " << x;
        if (i + 1 < offsets.size()) {
            const double middle = (x + offsets[i + 1]) / 2;
            EXPECT_GT(image.Luma(cx + middle * scale, cy + between * scale), 230)
                << "a mark between bars at " << middle;
        }
    }
    // Outside the circle, at the corner of its bounding square, is background.
    EXPECT_GT(image.Luma(cx - 0.49 * c.D * scale, cy - 0.49 * c.D * scale), 250);
#endif
}

INSTANTIATE_TEST_SUITE_P(Meshes, Drawing,
                         testing::Values(DrawingCase{"OddTwoWay",
                                                     {"1.3", "0.0065", "0.1"},
                                                     1.3,
                                                     0.0065,
                                                     0.1,
                                                     tavrilo::Arrangement::TwoWay,
                                                     13},
                                         DrawingCase{"EvenOneWay",
                                                     {"1.2", "0.012", "0.1", "--one-way"},
                                                     1.2,
                                                     0.012,
                                                     0.1,
                                                     tavrilo::Arrangement::OneWay,
                                                     12},
                                         DrawingCase{"WideSpacingTwoWay",
                                                     {"3", "0.02", "0.5", "--bars"},
                                                     3,
                                                     0.02,
                                                     0.5,
                                                     tavrilo::Arrangement::TwoWay,
                                                     6}),
                         [](const testing::TestParamInfo<DrawingCase>& info) {
                             return std::string(info.param.name);
                         });

// The legend's lines are as long as the numbers in them: with the longest
// that FormatNumber writes, the picture keeps a blank margin on the right.
TEST(Drawing, LegendFitsForTheLongestNumbers) {
#ifdef _WIN32
    GTEST_SKIP() << "renders the drawing with rsvg-convert and libpng (Linux only)";
#else
    tavrilo::MeshDrawing drawing;
    drawing.Inputs = {1.23456789012345e-300, 0.0000123456789012345, 1.23456789012345e-301};
    drawing.Layout = tavrilo::Arrangement::TwoWay;
    drawing.BarsPerDirection = 10;
    drawing.Total = -1.23456789012345e-300;
    drawing.CutTotal = -1.23456789012345e+300;
    drawing.Kilograms = -1.23456789012345e-308;
    drawing.BarDiameterMm = 0.0000123456789012345;
    const std::string svg = TempPath("longest.svg");
    const std::string png = TempPath("longest.png");
    tavrilo::test::WriteBytes(svg, tavrilo::MeshSvg(drawing));
    const Outcome render = RunProgram(TAVRILO_RSVG_CONVERT, {svg, "-o", png});
    ASSERT_EQ(render.status, 0) << render.err;
    const Image image = ReadPng(png);
    ASSERT_GT(image.width, 16u);
    for (png_uint_32 y = 0; y < image.height; ++y)
        for (png_uint_32 x = image.width - 16; x < image.width; ++x)
            ASSERT_GT(image.Luma(x, y), 250) << "ink at the right edge, " << x << ", " << y;
#endif
}

TEST(Drawing, IsNotWrittenWhenTheCalculationFails) {
    const std::string svg = TempPath("failed.svg");
    std::filesystem::remove(svg);
    const Outcome o = RunCalc({"400", "0.01", "0.01", "--svg", svg});
    EXPECT_EQ(o.status, 2);
    EXPECT_FALSE(std::filesystem::exists(svg));
}

TEST(Drawing, IsValidXmlWithItsLegend) {
#ifdef _WIN32
    GTEST_SKIP() << "reads the drawing back with the build machine's python3 (Linux only)";
#else
    const std::string svg = TempPath("legend.svg");
    ASSERT_EQ(RunCalc({"1.3", "0.0065", "0.1", "--svg", svg}).status, 0);
    const Outcome parsed = RunProgram(
        TAVRILO_PYTHON3,
        {"-c",
         "import sys, xml.etree.ElementTree as E\n"
         "t = ''.join(E.parse(sys.argv[1]).getroot().itertext())\n"
         "assert 'D = 1.3 m' in t and 'd = 0.1 m' in t and '钢筋总长度 " TAVRILO_TWO_WAY_TOTAL
         " m' in t, t\n",
         svg});
    EXPECT_EQ(parsed.status, 0) << parsed.err;
#endif
}

// --bars-csv writes the cut list and nothing more to standard output; with
// --bom the same bytes follow the mark.
TEST(BarsCsv, WritesTheCutListWithTheMarkWhenAsked) {
    const std::string plain = TempPath("bars.csv");
    const std::string marked = TempPath("bars-bom.csv");
    const Outcome o = RunCalc({"1.3", "0.0065", "0.1", "--bars-csv", plain});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, TAVRILO_TWO_WAY_TOTAL " m\n");
    ASSERT_EQ(RunCalc({"1.3", "0.0065", "0.1", "--bom", "--bars-csv=" + marked}).status, 0);
    const std::string csv = tavrilo::test::Slurp(plain);
    EXPECT_TRUE(csv.starts_with("距中心 (m),弦长 (m),下料长度 (m),每方向根数\n0,1.3,1.331,1\n"))
        << csv;
    EXPECT_TRUE(csv.ends_with("两个方向合计,26.72," TAVRILO_TWO_WAY_TOTAL ",26\n")) << csv;
    EXPECT_EQ(tavrilo::test::Slurp(marked), "\xEF\xBB\xBF" + csv);
}

} // namespace
