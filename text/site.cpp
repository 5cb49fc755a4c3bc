#include "text/site.h"

#include "calc/number.h"
#include "text/arrangement.h"
#include "text/csv.h"
#include "text/json.h"

#include <algorithm>

namespace tavrilo {
namespace {

std::string_view ArrangementName(const SiteMesh& mesh) {
    if (mesh.Straight)
        return kStraightNames[0];
    const auto spelling =
        std::find_if(kArrangementSpellings.begin(), kArrangementSpellings.end(),
                     [&mesh](const ArrangementSpelling& s) { return s.Layout == mesh.Layout; });
    return spelling->Names[0];
}

// Cells `from` to `to` of a row, as a JSON array.
void Cells(JsonWriter& json, const std::vector<std::string>& cells, std::size_t from,
           std::size_t to) {
    json.BeginArray();
    for (std::size_t i = from; i < to; ++i)
        json.String(cells[i]);
    json.EndArray();
}

// A row of the table's cells as the mesh's (the first seven) and the
// answer's (null when there is none).
void MeshAndAnswer(JsonWriter& json, const std::vector<std::string>& cells, bool answered) {
    constexpr std::size_t kMeshCells = 7;
    json.Key("mesh");
    Cells(json, cells, 0, kMeshCells);
    json.Key("answer");
    if (answered)
        Cells(json, cells, kMeshCells, cells.size());
    else
        json.Null();
}

void Meshes(JsonWriter& json, const std::vector<SiteMesh>& meshes) {
    json.BeginArray();
    for (const SiteMesh& mesh : meshes) {
        json.BeginObject();
        json.Key("D").String(mesh.MeshDiameter);
        json.Key("phi").String(mesh.BarDiameter);
        json.Key("d").String(mesh.BarSpacing);
        json.Key("a").Integer(mesh.Straight ? 0 : mesh.Layout == Arrangement::OneWay ? 1 : 2);
        json.Key("label").String(mesh.Label);
        json.Key("number").String(mesh.Number);
        json.Key("grade").String(mesh.Grade);
        json.EndObject();
    }
    json.EndArray();
}

} // namespace

std::string SiteScheduleCsv(const std::vector<SiteMesh>& meshes) {
    std::string csv;
    AppendCsvRow(csv, {"D", "Φ", "d", "布置形式", "备注", "数量", "级别"});
    for (const SiteMesh& mesh : meshes)
        AppendCsvRow(csv,
                     {mesh.MeshDiameter, mesh.BarDiameter, mesh.BarSpacing,
                      std::string(ArrangementName(mesh)), mesh.Label, mesh.Number, mesh.Grade});
    return csv;
}

std::string SiteTableJson(const std::vector<SiteMesh>& meshes, const std::vector<SiteRow>& rows,
                          const SiteTotals& totals) {
    JsonWriter json;
    json.BeginObject();
    json.Key("header").BeginObject();
    MeshAndAnswer(json,
                  {"备注", "D 或长度 (m)", "Φ (m)", "d (m)", "布置形式", "级别", "数量",
                   "钢筋总长度 (m)", "理论重量 (kg)"},
                  true);
    json.EndObject();
    json.Key("rows").BeginArray();
    for (std::size_t i = 0; i < meshes.size() && i < rows.size(); ++i) {
        const SiteMesh& mesh = meshes[i];
        const SiteRow& row = rows[i];
        json.BeginObject();
        MeshAndAnswer(json,
                      {mesh.Label, mesh.MeshDiameter, mesh.BarDiameter, mesh.BarSpacing,
                       std::string(ArrangementName(mesh)), mesh.Grade, std::to_string(row.Number),
                       MetresText(row.Length),
                       row.Kilograms ? FormatNumber(*row.Kilograms) : std::string()},
                      !row.Refusal);
        json.Key("refusal");
        if (row.Refusal)
            json.String(*row.Refusal);
        else
            json.Null();
        json.EndObject();
    }
    json.EndArray();
    json.Key("totals").BeginObject();
    MeshAndAnswer(json,
                  {"合计", "", "", "", "", "", std::to_string(totals.Meshes),
                   MetresText(totals.Length), FormatNumber(totals.Kilograms)},
                  true);
    json.EndObject();
    json.Key("meshes");
    Meshes(json, meshes);
    json.EndObject();
    return json.Text();
}

std::string OmittedRowsText(const std::vector<OmittedRow>& omitted, std::size_t omittedRows) {
    if (omittedRows == 0)
        return {};
    std::string text = "；" + std::to_string(omittedRows) + " 行未导入：";
    for (std::size_t i = 0; i < omitted.size(); ++i)
        text += (i > 0 ? "；" : "") + std::string("第 ") + std::to_string(omitted[i].Line) +
                " 行：" + omitted[i].Reason;
    if (omittedRows > omitted.size())
        text += "；另有 " + std::to_string(omittedRows - omitted.size()) + " 行未导入，不逐行列出";
    return text;
}

std::string SiteImportJson(std::string_view name, std::string_view encoding,
                           const std::vector<SiteMesh>& meshes,
                           const std::vector<OmittedRow>& omitted, std::size_t omittedRows) {
    std::string text = meshes.empty() ? "“" + std::string(name) + "”中没有可导入的网片（按 " +
                                            std::string(encoding) + " 读取）"
                                      : "已从“" + std::string(name) + "”导入 " +
                                            std::to_string(meshes.size()) + " 行网片（按 " +
                                            std::string(encoding) + " 读取）";
    text += OmittedRowsText(omitted, omittedRows);
    JsonWriter json;
    json.BeginObject();
    json.Key("text").String(text);
    json.Key("meshes");
    Meshes(json, meshes);
    json.Key("omitted").BeginArray();
    for (const OmittedRow& row : omitted) {
        json.BeginObject();
        json.Key("line").Integer(static_cast<long long>(row.Line));
        json.Key("reason").String(row.Reason);
        json.EndObject();
    }
    json.EndArray();
    json.Key("omitted_rows_total").Integer(omittedRows);
    json.EndObject();
    return json.Text();
}

} // namespace tavrilo
