#include "app/site.h"

#include "app/batch.h"
#include "calc/evaluate.h"
#include "calc/number.h"
#include "calc/weight.h"
#include "text/arrangement.h"
#include "text/decode.h"
#include "text/messages.h"
#include "text/order_messages.h"
#include "text/record_reader.h"
#include "text/steel_order.h"

#include <cmath>
#include <utility>

namespace tavrilo {
namespace {

// The most identical meshes one row may stand for.
constexpr double kMostMeshes = 1e6;

std::vector<std::string> Cells(const SiteMesh& mesh) {
    return {mesh.MeshDiameter, mesh.BarDiameter,
            mesh.BarSpacing,   mesh.Layout == Arrangement::OneWay ? "1" : "2",
            mesh.Label,        mesh.Number};
}

// The mesh with its values as they are computed from.
SiteMesh AsRead(const SiteMesh& typed, const ScheduleMesh& read) {
    SiteMesh mesh = typed;
    mesh.MeshDiameter = FormatNumber(read.Inputs.MeshDiameter);
    mesh.BarDiameter = FormatNumber(read.Inputs.BarDiameter);
    mesh.BarSpacing = FormatNumber(read.Inputs.BarSpacing);
    mesh.Number = std::to_string(read.Number);
    return mesh;
}

} // namespace

std::variant<ScheduleMesh, std::string> ReadScheduleMesh(CsvRecord record) {
    const std::size_t fields = record.Fields.size();
    if (record.Problem == CsvRecordProblem::None && (fields < 4 || fields > 6))
        return ScheduleFieldCountMessage(fields);
    std::string number = fields == 6 ? record.Fields[5] : std::string();
    if (fields == 6)
        record.Fields.pop_back();
    ScheduleMesh mesh;
    mesh.Inputs = {ParseLeadingNumber(record.Fields.size() > 0 ? record.Fields[0] : ""),
                   ParseLeadingNumber(record.Fields.size() > 1 ? record.Fields[1] : ""),
                   ParseLeadingNumber(record.Fields.size() > 2 ? record.Fields[2] : "")};
    const bool oneWay =
        record.Fields.size() > 3 && ReadArrangement(record.Fields[3]) == ArrangementCell::OneWay;
    // The meshes are refused exactly as the batch refuses its rows.
    BatchRow row = EvaluateBatchRecord(std::move(record));
    if (!row.Calculated)
        return std::move(row.Fields.back());
    if (!TrimBlanks(number).empty()) {
        const std::optional<std::int64_t> read = ReadWholeNumber(TrimBlanks(number), kMostMeshes);
        if (!read)
            return MeshNumberMessage(TrimBlanks(number), static_cast<std::int64_t>(kMostMeshes));
        mesh.Number = *read;
    }
    mesh.Layout = oneWay ? Arrangement::OneWay : Arrangement::TwoWay;
    mesh.Mesh = std::get<MeshLength>(EvaluateMesh(mesh.Inputs, mesh.Layout));
    CutListOutcome outcome = BuildCutList(mesh.Inputs, mesh.Layout, mesh.Mesh);
    if (const auto* error = std::get_if<CalcError>(&outcome))
        return std::string(CalcErrorMessage(error->Kind));
    mesh.Cuts = std::get<CutList>(std::move(outcome));
    if (mesh.Cuts.HasNegativeBar)
        return std::string(kNegativeBarMessage);
    return mesh;
}

SiteAnswer AnswerSite(const std::vector<SiteMesh>& meshes) {
    SiteAnswer answer;
    std::int64_t hundredths = 0;
    for (const SiteMesh& typed : meshes) {
        CsvRecord record;
        record.Fields = Cells(typed);
        const auto read = ReadScheduleMesh(std::move(record));
        SiteRow row;
        if (const auto* refusal = std::get_if<std::string>(&read)) {
            row.Refusal = *refusal;
            answer.Meshes.push_back(typed);
            answer.Rows.push_back(std::move(row));
            continue;
        }
        const ScheduleMesh& mesh = std::get<ScheduleMesh>(read);
        row.Number = mesh.Number;
        row.Length = std::llround(mesh.Mesh.Total * 1000) * mesh.Number;
        if (const auto mass =
                ComputeBarMass(static_cast<double>(row.Length) / 1000, mesh.Inputs.BarDiameter)) {
            row.Kilograms = mass->Kilograms;
            hundredths += std::llround(mass->Kilograms * 100);
        }
        answer.Totals.Meshes += row.Number;
        answer.Totals.Length += row.Length;
        answer.Meshes.push_back(AsRead(typed, mesh));
        answer.Rows.push_back(std::move(row));
    }
    answer.Totals.Kilograms = static_cast<double>(hundredths) / 100;
    return answer;
}

SiteImport ReadSiteSchedule(std::string_view bytes) {
    SiteImport site;
    RecordReader reader;
    const auto take = [&](CsvRecord& record) {
        const std::size_t line = record.Line;
        SiteMesh typed;
        const std::vector<std::string>& cells = record.Fields;
        if (cells.size() >= 4) {
            typed.Layout = ReadArrangement(cells[3]) == ArrangementCell::OneWay
                               ? Arrangement::OneWay
                               : Arrangement::TwoWay;
            typed.Label = cells.size() > 4 ? std::string(UnguardedCsvCell(cells[4])) : "";
        }
        const auto read = ReadScheduleMesh(std::move(record));
        if (const auto* refusal = std::get_if<std::string>(&read)) {
            if (++site.OmittedRows <= kNamedOmitted)
                site.Omitted.push_back({line, *refusal});
        } else
            site.Meshes.push_back(AsRead(typed, std::get<ScheduleMesh>(read)));
    };
    const bool decoded = reader.Feed(bytes, take) && reader.Finish(take);
    site.Encoding = std::string(EncodingName(reader.Encoding()));
    if (!decoded) {
        // A file that cannot be decoded to its end gives nothing.
        SiteImport failed;
        failed.Encoding = std::move(site.Encoding);
        failed.Failure = reader.Problem();
        site = std::move(failed);
    }
    return site;
}

} // namespace tavrilo
