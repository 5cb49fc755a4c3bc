#pragma once

// One mesh as a user asks for it: the three measurements as typed, the
// arrangement and the extras wanted in; the one refusal, or the total with
// each extra asked for, out. tavrilo-calc and the page answer through here;
// the window's Calculate command reads its boxes itself and decides through
// the same DecideMesh, which keeps the order of the refusals.

#include "calc/cutlist.h"
#include "calc/mesh.h"
#include "calc/weight.h"
#include "text/svg.h"

#include <optional>
#include <string>
#include <string_view>

namespace tavrilo {

struct MeshExtras {
    bool Breakdown = false;  // n, r, A, S, C, T
    bool CutList = false;    // the cut list and its reconciliation
    bool Weight = false;     // the theoretical mass
    bool Drawing = false;    // the SVG drawing
    bool Json = false;       // the JSON document instead of the text
    bool CutListCsv = false; // the cut list as CSV
};

struct MeshRequest {
    std::string_view MeshDiameter; // D, as typed
    std::string_view BarDiameter;  // Φ
    std::string_view BarSpacing;   // d
    // None chosen: refused with the window's message, after the values are
    // checked, as the window does.
    std::optional<Arrangement> Layout = Arrangement::TwoWay;
    MeshExtras Extras;
};

// Why there is no answer: the message, and whether the input is the user's
// to correct (rather than a calculation that could not be carried out).
struct MeshRefusal {
    std::string Message;
    bool ByInput = false;
};

struct MeshAnswer {
    std::optional<MeshRefusal> Refusal; // set: nothing else is
    MeshInputs Inputs;
    MeshLength Mesh;
    std::optional<CutList> Cuts; // when the cut list (text or CSV) or the drawing was asked for
    std::optional<BarMass> Mass; // when it can be had
    std::string TotalText;       // "27.533 m"
    std::string BreakdownText;   // when asked for, "n = 13\n..."
    std::string WeightText;      // when asked for
    std::string CutListText;     // when asked for
    std::string CutListCsv;      // when asked for: the cut list as a spreadsheet reads it
    std::string Json;            // when asked for: the whole document
    std::string Svg;             // when asked for
    MeshScreenDrawing Screen;    // with the SVG: the drawing for a screen
    // What tavrilo-calc prints: the JSON document, or the total line followed
    // by the breakdown, the weight and the cut list asked for.
    std::string Printed() const;
};

MeshAnswer AnswerMesh(const MeshRequest& request);

} // namespace tavrilo
