#pragma once

// One typed mesh, from its three measurements to a total or the reason there
// is none. The window's Calculate command, tavrilo-calc and each batch row all
// decide through here, so they refuse the same meshes with the same words.

#include "calc/mesh.h"

#include <concepts>
#include <optional>
#include <utility>
#include <variant>

namespace tavrilo {

// A measurement of 0 or less (text that is no number reads as 0).
struct NonPositiveInput {
    friend bool operator==(const NonPositiveInput&, const NonPositiveInput&) = default;
};
// The total came out below zero: no quantity of steel to order.
struct NegativeTotal {
    friend bool operator==(const NegativeTotal&, const NegativeTotal&) = default;
};
// Why a mesh gets no total: its input, its total, or a failed calculation.
using Refusal = std::variant<NonPositiveInput, NegativeTotal, CalcError>;

using MeshEvaluation = std::variant<MeshLength, Refusal>;

// The check made before anything else: all three measurements above 0.
std::optional<Refusal> RefuseInputs(const MeshInputs& inputs);

// Checks the inputs, calculates, and refuses a failed calculation or a
// negative total. A negative zero total is a total.
MeshEvaluation EvaluateMesh(const MeshInputs& inputs, Arrangement arrangement);

// Whether the refusal is the user's input (a value or a total to correct)
// rather than a calculation that could not be carried out.
bool IsInputRefusal(const Refusal& refusal);

// No arrangement was chosen: the user's to correct, and told only once the
// values pass.
struct NoArrangement {
    friend bool operator==(const NoArrangement&, const NoArrangement&) = default;
};

using MeshDecision = std::variant<MeshLength, Refusal, NoArrangement>;

// The order every front end refuses a mesh in: the values, then the
// arrangement, then the evaluation. `chooseArrangement` is asked only when
// the values pass (the window reads its option buttons only then), and gives
// the arrangement or none.
template <typename ChooseArrangement>
requires std::invocable<ChooseArrangement&>
    MeshDecision DecideMesh(const MeshInputs& inputs, ChooseArrangement&& chooseArrangement) {
    if (std::optional<Refusal> refusal = RefuseInputs(inputs))
        return *refusal;
    const std::optional<Arrangement> arrangement = chooseArrangement();
    if (!arrangement)
        return NoArrangement{};
    MeshEvaluation evaluation = EvaluateMesh(inputs, *arrangement);
    if (auto* refusal = std::get_if<Refusal>(&evaluation))
        return *refusal;
    return std::get<MeshLength>(std::move(evaluation));
}

inline MeshDecision DecideMesh(const MeshInputs& inputs, std::optional<Arrangement> arrangement) {
    return DecideMesh(inputs, [arrangement] { return arrangement; });
}

} // namespace tavrilo
