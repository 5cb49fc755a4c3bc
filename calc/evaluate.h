#pragma once

// One typed mesh, from its three measurements to a total or the reason there
// is none. The window's Calculate command, tavrilo-calc and each batch row all
// decide through here, so they refuse the same meshes with the same words.

#include "calc/mesh.h"

#include <optional>
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

} // namespace tavrilo
