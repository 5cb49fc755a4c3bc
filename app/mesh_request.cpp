#include "app/mesh_request.h"

#include "calc/evaluate.h"
#include "calc/number.h"
#include "text/json.h"
#include "text/messages.h"
#include "text/report.h"
#include "text/svg.h"

#include <utility>
#include <variant>

namespace tavrilo {
namespace {

MeshAnswer Refuse(std::string_view message, bool byInput) {
    MeshAnswer answer;
    answer.Refusal = MeshRefusal{std::string(message), byInput};
    return answer;
}

// The drawing of the answer's mesh, with the cut list's total and the mass
// when they were had.
MeshDrawing DrawingOf(const MeshAnswer& answer, Arrangement arrangement) {
    MeshDrawing drawing;
    drawing.Inputs = answer.Inputs;
    drawing.Layout = arrangement;
    drawing.BarsPerDirection = static_cast<std::int32_t>(answer.Mesh.Breakdown.SpacingCount);
    drawing.Total = answer.Mesh.Total;
    if (answer.Cuts && !answer.Cuts->HasNegativeBar)
        drawing.CutTotal = answer.Cuts->RoundedCutTotal;
    if (answer.Mass) {
        drawing.Kilograms = answer.Mass->Kilograms;
        drawing.BarDiameterMm = answer.Mass->BarDiameterMm;
    }
    return drawing;
}

} // namespace

MeshAnswer AnswerMesh(const MeshRequest& request) {
    const MeshInputs inputs{ParseLeadingNumber(request.MeshDiameter),
                            ParseLeadingNumber(request.BarDiameter),
                            ParseLeadingNumber(request.BarSpacing)};
    MeshDecision decision = DecideMesh(inputs, request.Layout);
    if (const auto* refusal = std::get_if<Refusal>(&decision))
        return Refuse(RefusalMessage(*refusal), IsInputRefusal(*refusal));
    if (std::holds_alternative<NoArrangement>(decision))
        return Refuse(kNoArrangementMessage, true);
    const Arrangement arrangement = *request.Layout;
    const MeshExtras& extras = request.Extras;

    MeshAnswer answer;
    answer.Inputs = inputs;
    answer.Mesh = std::get<MeshLength>(std::move(decision));
    const MeshLength& result = answer.Mesh;

    // The drawing's legend shows the cut list's total and the mass when they
    // can be had, whether or not they were asked for.
    const bool cutsWanted = extras.CutList || extras.CutListCsv;
    if (cutsWanted || extras.Drawing) {
        CutListOutcome cut = BuildCutList(inputs, arrangement, result);
        if (auto* list = std::get_if<CutList>(&cut))
            answer.Cuts = std::move(*list);
        else if (cutsWanted)
            return Refuse(CalcErrorMessage(std::get<CalcError>(cut).Kind), false);
    }
    if (cutsWanted && answer.Cuts->HasNegativeBar)
        return Refuse(kNegativeBarMessage, true);
    answer.Mass = ComputeBarMass(result.Total, inputs.BarDiameter);
    if (extras.Weight && !answer.Mass)
        return Refuse(CalcErrorMessage(CalcErrorKind::FloatingPointFault), false);

    if (extras.Drawing) {
        const MeshDrawing drawing = DrawingOf(answer, arrangement);
        answer.Svg = MeshSvg(drawing);
        answer.Screen = MeshSvgForScreen(drawing);
    }

    const CutList* listed = extras.CutList ? &*answer.Cuts : nullptr;
    const BarMass* weighed = extras.Weight ? &*answer.Mass : nullptr;
    answer.TotalText = ResultText(result.Total);
    if (extras.Breakdown)
        answer.BreakdownText = BreakdownReport(result.Breakdown);
    if (weighed)
        answer.WeightText = WeightReport(*weighed, result.Total);
    if (listed)
        answer.CutListText = CutListReport(*listed);
    if (extras.CutListCsv)
        answer.CutListCsv = CutListCsv(*answer.Cuts);
    if (extras.Json)
        answer.Json = MeshResultJson(inputs, arrangement, result, listed, weighed);
    return answer;
}

std::string MeshAnswer::Printed() const {
    if (!Json.empty())
        return Json;
    std::string out = TotalText + "\n" + BreakdownText + WeightText;
    if (!CutListText.empty())
        out += "\n" + CutListText;
    return out;
}

} // namespace tavrilo
