#include "app/mesh_request.h"
#include "app/site.h"
#include "app/steel_order.h"
#include "calc/weight.h"
#include "text/order_messages.h"
#include "text/steel_order.h"

#include <cmath>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace tavrilo {
namespace {

// The boxes' answer to a mesh.
MeshAnswer Boxes(std::string_view D, std::string_view phi, std::string_view d,
                 Arrangement layout = Arrangement::TwoWay) {
    MeshRequest request;
    request.MeshDiameter = D;
    request.BarDiameter = phi;
    request.BarSpacing = d;
    request.Layout = layout;
    return AnswerMesh(request);
}

SiteMesh Mesh(std::string D, std::string phi, std::string d, Arrangement layout,
              std::string label = "", std::string number = "") {
    return {std::move(D), std::move(phi),   std::move(d),
            layout,       std::move(label), std::move(number)};
}

// A site's row is refused as the boxes refuse the mesh, its length is its
// number of meshes of the total to the millimetre, and the totals add the
// rows answered exactly.
TEST(Site, RowsAreAnsweredAsTheBoxesAndTheTotalsAreExact) {
    struct Case {
        SiteMesh Typed;
        std::string ReadDiameter; // D as kept
        std::optional<std::string> Refusal;
        std::int64_t Number;
        Millimetres Length;
    };
    const std::string box = Boxes("0", "0.0065", "0.1").Refusal->Message;
    const std::vector<Case> cases{
        {Mesh("1.3", "0.0065", "0.1", Arrangement::TwoWay, "盖板", "24"),
         "1.3",
         {},
         24,
         27533 * 24},
        {Mesh(" 1,3", "0.0065", "0.1", Arrangement::TwoWay), "1", {}, 1, 0},
        {Mesh("0", "0.0065", "0.1", Arrangement::OneWay), "0", box, 1, 0},
        {Mesh("1.3", "0.0065", "0.1", Arrangement::OneWay, "", "2.5"), "1.3",
         MeshNumberMessage("2.5", 1000000), 1, 0},
        {Mesh("2", "0.012", "0.15", Arrangement::OneWay, "南区", " 3 "), "2", {}, 3, 0},
    };
    std::vector<SiteMesh> typed;
    for (const Case& c : cases)
        typed.push_back(c.Typed);
    const SiteAnswer site = AnswerSite(typed);
    ASSERT_EQ(site.Rows.size(), cases.size());
    std::int64_t meshes = 0;
    Millimetres length = 0;
    std::int64_t hundredths = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const SiteRow& row = site.Rows[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(row.Refusal, cases[i].Refusal);
        EXPECT_EQ(site.Meshes[i].MeshDiameter, cases[i].ReadDiameter);
        if (row.Refusal)
            continue;
        EXPECT_EQ(row.Number, cases[i].Number);
        EXPECT_EQ(site.Meshes[i].Number, std::to_string(cases[i].Number));
        // The length of one mesh is the calculation's total.
        const MeshAnswer one = Boxes(site.Meshes[i].MeshDiameter, site.Meshes[i].BarDiameter,
                                     site.Meshes[i].BarSpacing, site.Meshes[i].Layout);
        EXPECT_EQ(row.Length, std::llround(one.Mesh.Total * 1000) * row.Number);
        if (cases[i].Length != 0) {
            EXPECT_EQ(row.Length, cases[i].Length);
        }
        const auto mass = ComputeBarMass(static_cast<double>(row.Length) / 1000,
                                         std::stod(site.Meshes[i].BarDiameter));
        ASSERT_TRUE(mass && row.Kilograms);
        EXPECT_EQ(*row.Kilograms, mass->Kilograms);
        meshes += row.Number;
        length += row.Length;
        hundredths += std::llround(*row.Kilograms * 100);
    }
    EXPECT_EQ(site.Totals.Meshes, meshes);
    EXPECT_EQ(site.Totals.Length, length);
    EXPECT_EQ(site.Totals.Kilograms, static_cast<double>(hundredths) / 100);
}

// The page's table: each row's mesh cells apart from its answer's, a row
// refused with why in place of an answer.
TEST(Site, TheTableKeepsEachMeshApartFromItsAnswer) {
    const SiteAnswer site =
        AnswerSite({Mesh("1.3", "0.0065", "0.1", Arrangement::TwoWay, "盖板", "2"),
                    Mesh("0", "0.0065", "0.1", Arrangement::OneWay)});
    std::string json; // without the writer's line breaks and indents
    bool indent = false;
    for (const char c : SiteTableJson(site.Meshes, site.Rows, site.Totals)) {
        indent = c == '\n' || (indent && c == ' ');
        if (!indent && !(c == ' ' && json.back() == ':'))
            json += c;
    }
    const std::string answer = R"j(["55.066","14.35"])j";
    EXPECT_EQ(
        json,
        R"j({"header":{"mesh":["备注","D 或长度 (m)","Φ (m)","d (m)","布置形式","级别","数量"],)j"
        R"j("answer":["钢筋总长度 (m)","理论重量 (kg)"]},"rows":[)j"
        R"j({"mesh":["盖板","1.3","0.0065","0.1","双向","","2"],"answer":)j" +
            answer +
            R"j(,"refusal":null},)j"
            R"j({"mesh":["","0","0.0065","0.1","单向","","1"],"answer":null,)j"
            R"j("refusal":")j" +
            *site.Rows[1].Refusal +
            R"j("}],"totals":{"mesh":["合计","","","","","","2"],"answer":)j" + answer +
            R"j(},"meshes":[{"D":"1.3","phi":"0.0065","d":"0.1","a":2,"label":"盖板",)j"
            R"j("number":"2","grade":""},{"D":"0","phi":"0.0065","d":"0.1","a":1,)j"
            R"j("label":"","number":"","grade":""}]})j");
}

// The export is a schedule the order reads with every mesh, and reads back
// as the same site; a batch file is a site of single meshes, and a row that
// cannot be read is named by its line.
TEST(Site, TheScheduleGoesOutAndComesBackWhole) {
    std::vector<SiteMesh> site{
        Mesh("1.3", "0.0065", "0.1", Arrangement::TwoWay, "检查井盖板", "24"),
        Mesh("2", "0.012", "0.15", Arrangement::OneWay, "南区, \"二号\"", "3"),
        Mesh("13", "0.012", "0.25", Arrangement::TwoWay, "=SUM(A1)", "1"),
        Mesh("6", "0.012", "", Arrangement::TwoWay, "洞口加筋", "4"),
    };
    site[1].Grade = "HRB400";
    site[3].Straight = true;
    site[3].Grade = "HRB400E";
    const std::string csv = SiteScheduleCsv(site);
    const SiteImport back = ReadSiteSchedule(csv);
    EXPECT_EQ(back.Failure, "");
    EXPECT_TRUE(back.Omitted.empty());
    ASSERT_EQ(back.Meshes.size(), site.size());
    for (std::size_t i = 0; i < site.size(); ++i) {
        EXPECT_EQ(back.Meshes[i].MeshDiameter, site[i].MeshDiameter);
        EXPECT_EQ(back.Meshes[i].Layout, site[i].Layout);
        EXPECT_EQ(back.Meshes[i].Label, site[i].Label);
        EXPECT_EQ(back.Meshes[i].Number, site[i].Number);
        EXPECT_EQ(back.Meshes[i].Grade, site[i].Grade);
        EXPECT_EQ(back.Meshes[i].Straight, site[i].Straight);
        EXPECT_EQ(back.Meshes[i].BarSpacing, site[i].BarSpacing);
    }
    const SiteAnswer answered = AnswerSite(back.Meshes);
    EXPECT_EQ(answered.Rows[3].Length, 24'000); // four bars of 6 m
    EXPECT_EQ(answered.Rows[3].Kilograms, 21.32);
    OrderReader reader(OrderSource::Schedule);
    ASSERT_TRUE(reader.Feed(csv) && reader.Finish());
    const SteelOrder heading = reader.Heading();
    EXPECT_EQ(heading.Meshes, 28);
    EXPECT_EQ(heading.StraightBars, 4);
    EXPECT_EQ(heading.HeaderLine, 1u);
    EXPECT_TRUE(heading.Omitted.empty());

    // A batch file in GB18030 (备注 as B1 B8 D7 A2), its second row refused.
    const SiteImport imported = ReadSiteSchedule(
        "1.3,0.0065,0.1,2,\xB1\xB8\xD7\xA2\r\n0,0.0065,0.1,2\r\n2,0.012,0.15,1\r\n");
    EXPECT_EQ(imported.Encoding, "GB18030");
    ASSERT_EQ(imported.Meshes.size(), 2u);
    EXPECT_EQ(imported.Meshes[0].Label, "备注");
    EXPECT_EQ(imported.Meshes[0].Number, "1");
    EXPECT_EQ(imported.Meshes[1].Layout, Arrangement::OneWay);
    ASSERT_EQ(imported.Omitted.size(), 1u);
    EXPECT_EQ(imported.Omitted[0].Line, 2u);
    EXPECT_EQ(imported.Omitted[0].Reason, Boxes("0", "0.0065", "0.1").Refusal->Message);
    EXPECT_EQ(imported.OmittedRows, 1u);

    // Thousands of rows left out: the first kNamedOmitted named, all counted.
    std::string bad;
    for (int i = 0; i < 5000; ++i)
        bad += "0,0.0065,0.1,2\n";
    const SiteImport many = ReadSiteSchedule(bad + "1.3,0.0065,0.1,2\n");
    EXPECT_EQ(many.Meshes.size(), 1u);
    EXPECT_EQ(many.OmittedRows, 5000u);
    ASSERT_EQ(many.Omitted.size(), kNamedOmitted);
    EXPECT_EQ(many.Omitted.back().Line, kNamedOmitted);
}

} // namespace
} // namespace tavrilo
