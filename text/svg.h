#pragma once

// A drawing of the mesh as a standalone SVG document: the circle, the bars of
// one or both directions at their true positions, the diameter D and the
// spacing d dimensioned, and a legend with the totals; and the same drawing
// for a screen, its bars apart from the rest.

#include "calc/mesh.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// The drawing for a screen. With thousands of bars an SVG image takes a
// browser far too long to show, so a page draws the bars from their ends
// and the rest of the drawing over them.
struct MeshScreenBars {
    std::string_view Colour;  // "#1d4e89"
    std::vector<double> Ends; // x1 y1 x2 y2 of each bar
};
struct MeshScreenDrawing {
    double Width = 0; // as the SVG document's
    double Height = 0;
    double BarWidth = 0;                    // every bar's stroke
    std::vector<MeshScreenBars> Directions; // in the order drawn, the second direction first
    std::string Overlay; // the SVG document without the bars and its white ground
};

MeshScreenDrawing MeshSvgForScreen(const MeshDrawing& drawing);

// More than the width of `text` at `size` pixels in any of the drawings'
// fonts: Latin text (digits, signs, units) averages under 0.65 em a
// character, and no other character is wider than 1 em.
double TextWidthBound(std::string_view text, double size);

// `text` as XML character data or an attribute value (of the drawings and
// the workbooks): &, <, >, " and ' written as entities, and the control
// characters XML cannot hold left out.
std::string EscapeXml(std::string_view text);

} // namespace tavrilo
