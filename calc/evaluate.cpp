#include "calc/evaluate.h"

namespace tavrilo {

std::optional<Refusal> RefuseInputs(const MeshInputs& inputs) {
    if (inputs.MeshDiameter > 0.0 && inputs.BarDiameter > 0.0 && inputs.BarSpacing > 0.0)
        return std::nullopt;
    return NonPositiveInput{};
}

MeshEvaluation EvaluateMesh(const MeshInputs& inputs, Arrangement arrangement) {
    if (std::optional<Refusal> refusal = RefuseInputs(inputs))
        return *refusal;
    MeshLengthOutcome outcome = ComputeMeshLength(inputs, arrangement);
    if (const auto* error = std::get_if<CalcError>(&outcome))
        return Refusal{*error};
    const MeshLength& mesh = std::get<MeshLength>(outcome);
    if (mesh.Total < 0.0)
        return Refusal{NegativeTotal{}};
    return mesh;
}

bool IsInputRefusal(const Refusal& refusal) {
    return !std::holds_alternative<CalcError>(refusal);
}

} // namespace tavrilo
