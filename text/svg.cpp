#include "text/svg.h"

#include "calc/cutlist.h"
#include "calc/number.h"
#include "text/messages.h"
#include "text/report.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <vector>

namespace tavrilo {
namespace {

constexpr double kWidth = 720;
constexpr double kCircleSize = 560; // pixels across the circle
constexpr double kTop = 90;         // room for the D dimension above the circle
constexpr double kLegendTop = 750;
constexpr double kLegendLine = 28;
constexpr double kBottomMargin = 24;
constexpr double kLegendLeft = 40;
constexpr int kLegendSize = 16;
constexpr int kLegendTitleSize = 18;

constexpr std::string_view kFonts =
    "'Noto Sans CJK SC', 'WenQuanYi Micro Hei', 'Microsoft YaHei', sans-serif";
constexpr std::string_view kFirstDirectionColour = "#1d4e89";
constexpr std::string_view kSecondDirectionColour = "#9b2226";
constexpr std::string_view kDimensionColour = "#555555";

// A coordinate with at most two decimals.
std::string Px(double value) {
    std::array<char, 64> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value + 0.0,
                                   std::chars_format::fixed, 2);
    if (ec != std::errc())
        return "0";
    std::string text(buffer.data(), end);
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    return text == "-0" ? "0" : text;
}

std::vector<std::string> LegendLines(const MeshDrawing& d) {
    const bool twoWay = d.Layout == Arrangement::TwoWay;
    std::vector<std::string> lines;
    lines.push_back(std::string("圆形钢筋网片 · ") + (twoWay ? "双向布置" : "单向布置"));
    lines.push_back("网片直径 D = " + ResultText(d.Inputs.MeshDiameter) +
                    "，钢筋直径 Φ = " + ResultText(d.Inputs.BarDiameter) +
                    "，钢筋间距 d = " + ResultText(d.Inputs.BarSpacing));
    if (d.BarsPerDirection == 0)
        lines.push_back("网片内没有钢筋（D/d 取整为 0）");
    else if (twoWay)
        lines.push_back("每方向 " + std::to_string(d.BarsPerDirection) + " 根，共 " +
                        std::to_string(2 * static_cast<std::int64_t>(d.BarsPerDirection)) + " 根");
    else
        lines.push_back(std::to_string(d.BarsPerDirection) + " 根");
    lines.push_back("钢筋总长度 " + ResultText(d.Total) + "（按公式计算）");
    if (d.CutTotal && d.BarsPerDirection > 0)
        lines.push_back("下料长度合计 " + ResultText(*d.CutTotal) + "（每根计一次弯钩增加长度）");
    if (d.Kilograms && d.BarDiameterMm)
        lines.push_back("理论重量 " + FormatNumber(*d.Kilograms) + " kg（" +
                        MassRuleText(FormatNumber(*d.BarDiameterMm)) + " kg/m）");
    return lines;
}

class SvgBuilder {
public:
    void Line(double x1, double y1, double x2, double y2, std::string_view colour, double width) {
        text_ += "<line x1=\"" + Px(x1) + "\" y1=\"" + Px(y1) + "\" x2=\"" + Px(x2) + "\" y2=\"" +
                 Px(y2) + "\" stroke=\"" + std::string(colour) + "\" stroke-width=\"" + Px(width) +
                 "\"/>\n";
    }
    void Text(double x, double y, std::string_view anchor, int size, std::string_view content,
              bool bold = false) {
        text_ += "<text x=\"" + Px(x) + "\" y=\"" + Px(y) + "\" text-anchor=\"" +
                 std::string(anchor) + "\" font-size=\"" + std::to_string(size) + "\"" +
                 (bold ? " font-weight=\"bold\"" : "") + ">" + EscapeXml(content) + "</text>\n";
    }
    // A dimension line from (x1, y) to (x2, y) with slanted ticks at both ends.
    void Dimension(double x1, double x2, double y) {
        Line(x1 - 6, y, x2 + 6, y, kDimensionColour, 1);
        for (double x : {x1, x2})
            Line(x - 4, y + 4, x + 4, y - 4, kDimensionColour, 1.5);
    }
    void Raw(std::string_view text) { text_ += text; }
    std::string Take() { return std::move(text_); }

private:
    std::string text_;
};

} // namespace

double TextWidthBound(std::string_view text, double size) {
    double ems = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            ems += 0.65;
        else if (byte >= 0xC0)
            ems += 1; // the first byte of a character beyond ASCII
    }
    return ems * size;
}

std::string EscapeXml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            // XML holds no other control characters, not even as references.
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r')
                out += c;
        }
    }
    return out;
}

namespace {

MeshSvgLayout LayoutWithLegend(const MeshDrawing& drawing, const std::vector<std::string>& legend) {
    MeshSvgLayout layout;
    // Wide enough for the legend, with the margin on its right that it has on
    // its left: the longest numbers make its lines longer than the circle is wide.
    double width = kWidth;
    for (std::size_t i = 0; i < legend.size(); ++i)
        width =
            std::max(width, 2 * kLegendLeft +
                                TextWidthBound(legend[i], i == 0 ? kLegendTitleSize : kLegendSize));
    layout.Width = std::ceil(width);
    layout.CentreX = layout.Width / 2;
    layout.CentreY = kTop + kCircleSize / 2;
    layout.PixelsPerMetre = kCircleSize / drawing.Inputs.MeshDiameter;
    const auto lines = static_cast<double>(legend.size());
    const double keyLine = 1;
    layout.Height = kLegendTop + (lines + keyLine) * kLegendLine + kBottomMargin;
    return layout;
}

} // namespace

MeshSvgLayout LayoutOf(const MeshDrawing& drawing) {
    return LayoutWithLegend(drawing, LegendLines(drawing));
}

namespace {

// Where the mesh stands in the picture. Lengths are taken as fractions of D
// before they become pixels: pixels per metre, or D squared, overflow or
// vanish for the smallest and the largest meshes, the fractions never do.
struct MeshScale {
    double cx = 0;
    double cy = 0;
    double radius = kCircleSize / 2;
    double D = 0;

    double Pixels(double metres) const { return metres / D * kCircleSize; }
    // Half the chord at `offset` from the centre line.
    double HalfChord(double offset) const {
        const double across = 2 * offset / D;
        return std::sqrt(std::max(0.0, 1 - across * across)) * radius;
    }
};

// The document's opening, with its white ground unless `ground` is false.
void WriteOpening(SvgBuilder& svg, const MeshSvgLayout& layout, const std::string& title,
                  bool ground) {
    svg.Raw("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    svg.Raw("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Px(layout.Width) +
            "\" height=\"" + Px(layout.Height) + "\" viewBox=\"0 0 " + Px(layout.Width) + " " +
            Px(layout.Height) + "\" font-family=\"" + std::string(kFonts) + "\">\n");
    svg.Raw("<title>" + EscapeXml(title) + "</title>\n");
    if (ground)
        svg.Raw("<rect x=\"0\" y=\"0\" width=\"" + Px(layout.Width) + "\" height=\"" +
                Px(layout.Height) + "\" fill=\"#ffffff\"/>\n");
}

// The bars' stroke: to scale, but never thinner than 2 px nor, where there
// is room, wider than half a spacing.
double BarWidth(const MeshDrawing& drawing, const MeshScale& at) {
    return std::clamp(at.Pixels(drawing.Inputs.BarDiameter), 2.0,
                      std::max(2.0, std::min(at.Pixels(drawing.Inputs.BarSpacing) / 2, at.radius)));
}

// The bars direction by direction, the second (horizontal) under the
// first.
std::vector<MeshScreenBars> BarsOf(const MeshDrawing& drawing, const MeshScale& at) {
    const std::vector<BarPosition> positions =
        BarPositions(drawing.BarsPerDirection, drawing.Inputs.BarSpacing);
    const bool twoWay = drawing.Layout == Arrangement::TwoWay;
    std::vector<MeshScreenBars> directions(twoWay ? 2 : 1);
    for (MeshScreenBars& bars : directions) {
        const bool horizontal = twoWay && &bars == &directions.front();
        bars.Colour = horizontal ? kSecondDirectionColour : kFirstDirectionColour;
        for (const BarPosition& p : positions) {
            const double half = at.HalfChord(p.Offset);
            for (int side = 0; side < p.Count; ++side) {
                const double offset = side == 0 ? at.Pixels(p.Offset) : -at.Pixels(p.Offset);
                const std::array<double, 4> ends =
                    horizontal
                        ? std::array{at.cx - half, at.cy + offset, at.cx + half, at.cy + offset}
                        : std::array{at.cx + offset, at.cy - half, at.cx + offset, at.cy + half};
                bars.Ends.insert(bars.Ends.end(), ends.begin(), ends.end());
            }
        }
    }
    return directions;
}

// The bars, each direction a group: direction-1 the vertical bars.
void DrawBars(SvgBuilder& svg, const std::vector<MeshScreenBars>& directions, double width) {
    for (std::size_t i = 0; i < directions.size(); ++i) {
        svg.Raw(i + 1 < directions.size() ? "<g id=\"direction-2\">\n"
                                          : "<g id=\"direction-1\">\n");
        const std::vector<double>& ends = directions[i].Ends;
        for (std::size_t at = 0; at + 3 < ends.size(); at += 4)
            svg.Line(ends[at], ends[at + 1], ends[at + 2], ends[at + 3], directions[i].Colour,
                     width);
        svg.Raw("</g>\n");
    }
}

// The circle, over the bars.
void DrawCircle(SvgBuilder& svg, const MeshScale& at) {
    svg.Raw("<circle cx=\"" + Px(at.cx) + "\" cy=\"" + Px(at.cy) + "\" r=\"" + Px(at.radius) +
            "\" fill=\"none\" stroke=\"#222222\" stroke-width=\"2\"/>\n");
}

// D above the circle, from its two tangents.
void DrawMeshDiameter(SvgBuilder& svg, const MeshScale& at) {
    const double dimensionY = kTop - 40;
    svg.Line(at.cx - at.radius, at.cy, at.cx - at.radius, dimensionY - 8, kDimensionColour, 1);
    svg.Line(at.cx + at.radius, at.cy, at.cx + at.radius, dimensionY - 8, kDimensionColour, 1);
    svg.Dimension(at.cx - at.radius, at.cx + at.radius, dimensionY);
    svg.Text(at.cx, dimensionY - 10, "middle", 18, "D = " + ResultText(at.D));
}

// d below the circle, between the two bars nearest the centre.
void DrawSpacing(SvgBuilder& svg, const MeshDrawing& drawing, const MeshScale& at) {
    if (drawing.BarsPerDirection < 2)
        return;
    const double s = drawing.Inputs.BarSpacing;
    const double left = drawing.BarsPerDirection % 2 == 1 ? 0.0 : -s / 2;
    const double right = left + s;
    const double y = at.cy + at.radius + 36;
    for (double offset : {left, right}) {
        const double x = at.cx + at.Pixels(offset);
        const double barEnd = at.cy + at.HalfChord(offset);
        svg.Line(x, barEnd + 4, x, y + 8, kDimensionColour, 1);
    }
    svg.Dimension(at.cx + at.Pixels(left), at.cx + at.Pixels(right), y);
    svg.Text(at.cx + at.Pixels(left + right) / 2, y + 26, "middle", 18, "d = " + ResultText(s));
}

// The legend's lines, the title first, and the key to the directions' colours.
void DrawLegend(SvgBuilder& svg, const std::vector<std::string>& legend, bool twoWay) {
    double y = kLegendTop;
    bool first = true;
    for (const std::string& line : legend) {
        svg.Text(kLegendLeft, y, "start", first ? kLegendTitleSize : kLegendSize, line, first);
        first = false;
        y += kLegendLine;
    }
    svg.Line(40, y - 6, 80, y - 6, kFirstDirectionColour, 4);
    svg.Text(88, y, "start", 16, twoWay ? "方向一（竖向）" : "钢筋");
    if (twoWay) {
        svg.Line(240, y - 6, 280, y - 6, kSecondDirectionColour, 4);
        svg.Text(288, y, "start", 16, "方向二（横向）");
    }
}

} // namespace

namespace {

// What both the document and the screen's drawing are made of.
struct DrawingFrame {
    std::vector<std::string> Legend;
    MeshSvgLayout Layout;
    MeshScale At;
};

DrawingFrame FrameOf(const MeshDrawing& drawing) {
    DrawingFrame frame{LegendLines(drawing), {}, {}};
    frame.Layout = LayoutWithLegend(drawing, frame.Legend);
    frame.At = {frame.Layout.CentreX, frame.Layout.CentreY, kCircleSize / 2,
                drawing.Inputs.MeshDiameter};
    return frame;
}

// All but the opening and the bars: the circle, the dimensions, the legend.
void DrawAroundBars(SvgBuilder& svg, const MeshDrawing& drawing, const DrawingFrame& frame) {
    DrawCircle(svg, frame.At);
    DrawMeshDiameter(svg, frame.At);
    DrawSpacing(svg, drawing, frame.At);
    DrawLegend(svg, frame.Legend, drawing.Layout == Arrangement::TwoWay);
    svg.Raw("</svg>\n");
}

} // namespace

std::string MeshSvg(const MeshDrawing& drawing) {
    const DrawingFrame frame = FrameOf(drawing);
    SvgBuilder svg;
    WriteOpening(svg, frame.Layout, frame.Legend.front(), true);
    DrawBars(svg, BarsOf(drawing, frame.At), BarWidth(drawing, frame.At));
    DrawAroundBars(svg, drawing, frame);
    return svg.Take();
}

MeshScreenDrawing MeshSvgForScreen(const MeshDrawing& drawing) {
    const DrawingFrame frame = FrameOf(drawing);
    MeshScreenDrawing screen;
    screen.Width = frame.Layout.Width;
    screen.Height = frame.Layout.Height;
    screen.BarWidth = BarWidth(drawing, frame.At);
    screen.Directions = BarsOf(drawing, frame.At);
    SvgBuilder svg;
    WriteOpening(svg, frame.Layout, frame.Legend.front(), false);
    DrawAroundBars(svg, drawing, frame);
    screen.Overlay = svg.Take();
    return screen;
}

} // namespace tavrilo
