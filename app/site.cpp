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
    const std::string layout = mesh.Straight                        ? std::string(kStraightNames[0])
                               : mesh.Layout == Arrangement::OneWay ? "1"
                                                                    : "2";
    return {mesh.MeshDiameter, mesh.BarDiameter, mesh.BarSpacing, layout,
            mesh.Label,        mesh.Number,      mesh.Grade};
}

// The mesh with its values as they are computed from.
SiteMesh AsRead(const SiteMesh& typed, const ScheduleMesh& read) {
    SiteMesh mesh = typed;
    mesh.MeshDiameter = FormatNumber(read.Inputs.MeshDiameter);
    mesh.BarDiameter = FormatNumber(read.Inputs.BarDiameter);
    mesh.BarSpacing = read.Straight ? std::string() : FormatNumber(read.Inputs.BarSpacing);
    mesh.Straight = read.Straight;
    mesh.Number = std::to_string(read.Number);
    mesh.Grade = read.Grade ? std::string(GradeName(*read.Grade)) : std::string();
    return mesh;
}

// The row's number of meshes and its grade, both optional; why not, when
// either is refused.
std::optional<std::string> ReadNumberAndGrade(std::string_view number, std::string_view grade,
                                              ScheduleMesh& mesh) {
    if (!TrimBlanks(number).empty()) {
        const std::optional<std::int64_t> read = ReadWholeNumber(TrimBlanks(number), kMostMeshes);
        if (!read)
            return MeshNumberMessage(TrimBlanks(number), static_cast<std::int64_t>(kMostMeshes));
        mesh.Number = *read;
    }
    const GradeCell cell = ReadGrade(grade);
    if (!cell.Known)
        return UnknownGradeMessage(TrimBlanks(grade));
    mesh.Grade = cell.Grade;
    return std::nullopt;
}

// A straight bar as a row of the schedule: one bar of its length.
ScheduleMesh StraightMesh(const StraightBar& bar, ScheduleMesh mesh) {
    mesh.Straight = true;
    mesh.Layout = Arrangement::OneWay;
    mesh.Inputs = {bar.Length, bar.BarDiameter, 0};
    mesh.Mesh.Total = bar.Length;
    mesh.Cuts.Layout = Arrangement::OneWay;
    mesh.Cuts.BarsPerDirection = 1;
    mesh.Cuts.Lines = {CutLine{bar.Length, 1, 0, 0, bar.Length, bar.Length}};
    mesh.Cuts.CutPerDirection = bar.Length;
    mesh.Cuts.ChordPerDirection = bar.Length;
    return mesh;
}

} // namespace

std::variant<ScheduleMesh, std::string> ReadScheduleMesh(CsvRecord record) {
    const std::size_t fields = record.Fields.size();
    if (record.Problem == CsvRecordProblem::None && (fields < 4 || fields > 7))
        return ScheduleFieldCountMessage(fields);
    const std::string grade = fields == 7 ? record.Fields[6] : std::string();
    const std::string number = fields >= 6 ? record.Fields[5] : std::string();
    if (fields > 5)
        record.Fields.resize(5);
    ScheduleMesh mesh;
    mesh.Inputs = {ParseLeadingNumber(record.Fields.size() > 0 ? record.Fields[0] : ""),
                   ParseLeadingNumber(record.Fields.size() > 1 ? record.Fields[1] : ""),
                   ParseLeadingNumber(record.Fields.size() > 2 ? record.Fields[2] : "")};
    const ArrangementCell cell =
        record.Fields.size() > 3 ? ReadArrangement(record.Fields[3]) : ArrangementCell::Empty;
    const std::string length = !record.Fields.empty() ? record.Fields[0] : std::string();
    // The rows are refused exactly as the batch refuses its rows.
    BatchRow row = EvaluateBatchRecord(std::move(record));
    if (!row.Calculated)
        return std::move(row.Fields.back());
    if (auto refusal = ReadNumberAndGrade(number, grade, mesh))
        return *std::move(refusal);
    if (cell == ArrangementCell::Straight)
        return StraightMesh(std::get<StraightBar>(ReadStraightBar(length, row.Fields[1])), mesh);
    mesh.Layout = cell == ArrangementCell::OneWay ? Arrangement::OneWay : Arrangement::TwoWay;
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
            const ArrangementCell cell = ReadArrangement(cells[3]);
            typed.Layout =
                cell == ArrangementCell::OneWay ? Arrangement::OneWay : Arrangement::TwoWay;
            typed.Straight = cell == ArrangementCell::Straight;
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
