#pragma once

// A drawing of the mesh as a standalone SVG document: the circle, the bars of
// one or both directions at their true positions, the diameter D and the
// spacing d dimensioned, and a legend with the totals.

#include "calc/mesh.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavrilo {

struct MeshDrawing {
    MeshInputs Inputs;
    Arrangement Layout = Arrangement::TwoWay;
    std::int32_t BarsPerDirection = 0;
    double Total = 0;                    // the formula's total, metres
    std::optional<double> CutTotal;      // the cut list's total, metres
    std::optional<double> Kilograms;     // the theoretical mass
    std::optional<double> BarDiameterMm; // shown with the mass
};

// Where the drawing puts the mesh, in SVG user units (one unit is one pixel
// when rendered at its natural size).
struct MeshSvgLayout {
    double Width = 0;
    double Height = 0;
    double CentreX = 0;
    double CentreY = 0;
    double PixelsPerMetre = 0; // the circle of diameter D is D * PixelsPerMetre wide
};

MeshSvgLayout LayoutOf(const MeshDrawing& drawing);

// The SVG document, UTF-8.
std::string MeshSvg(const MeshDrawing& drawing);

// More than the width of `text` at `size` pixels in any of the drawings'
// fonts: Latin text (digits, signs, units) averages under 0.65 em a
// character, and no other character is wider than 1 em.
double TextWidthBound(std::string_view text, double size);

// `text` with &, <, >, " and ' written as XML entities.
std::string EscapeXml(std::string_view text);

} // namespace tavrilo
