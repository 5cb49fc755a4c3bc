#include "text/order_phrases.h"
#include "text/steel_order.h"
#include "text/svg.h"

#include <algorithm>

namespace tavrilo {
namespace {

using namespace order_phrases;

constexpr double kSvgLeft = 24;
constexpr double kSvgStripWidth = 760; // the longest stock bar
constexpr double kSvgStrip = 30;       // a strip's height
constexpr double kSvgLine = 26;        // a line of text
constexpr int kSvgTextSize = 13;
constexpr std::string_view kSvgFonts =
    "'Noto Sans CJK SC', 'WenQuanYi Micro Hei', 'Microsoft YaHei', sans-serif";
constexpr std::string_view kPieceFills[] = {"#d8e2f0", "#f0e0d0"};
constexpr std::string_view kSvgTitle = "下料方案（每条为一根定尺钢筋，按比例）";

std::string SvgNumber(double value) {
    return FormatNumber(RoundHalfEven(value, 2));
}

void SvgText(std::string& svg, double x, double y, std::string_view anchor, int size,
             std::string_view content, bool bold = false) {
    svg += "<text x=\"" + SvgNumber(x) + "\" y=\"" + SvgNumber(y) + "\" text-anchor=\"" +
           std::string(anchor) + "\" font-size=\"" + std::to_string(size) + "\"" +
           (bold ? " font-weight=\"bold\"" : "") + ">" + EscapeXml(content) + "</text>\n";
}

void SvgRect(std::string& svg, double x, double y, double width, double height,
             std::string_view fill) {
    svg += "<rect x=\"" + SvgNumber(x) + "\" y=\"" + SvgNumber(y) + "\" width=\"" +
           SvgNumber(width) + "\" height=\"" + SvgNumber(height) + "\" fill=\"" +
           std::string(fill) + "\" stroke=\"#333333\" stroke-width=\"0.5\"/>\n";
}

// The drawing as it is laid out from the top down.
struct Drawing {
    std::string Body;
    double Y = 36;
    double Widest = 0; // the right end of the widest text
    double Scale = 0;  // drawing units a millimetre
    Millimetres Kerf = 0;

    void Line(std::string_view text, int size, bool bold = false) {
        SvgText(Body, kSvgLeft, Y, "start", size, text, bold);
        Widest = std::max(Widest, kSvgLeft + TextWidthBound(text, size));
    }
};

// A pattern: its caption (every piece in words too: a short one has no room
// for its label), then the stock bar to scale with its pieces.
void PatternStrip(Drawing& d, const OrderSettings& settings, const OrderGroup& group,
                  const cutting::Pattern& pattern) {
    d.Y += kSvgLine * 0.8;
    d.Line(PatternTitle(group, pattern) + "：" + PatternCaption(settings, group, pattern),
           kSvgTextSize);
    d.Y += 6;
    double x = kSvgLeft;
    SvgRect(d.Body, x, d.Y, static_cast<double>(pattern.StockLength) * d.Scale, kSvgStrip,
            "#ffffff");
    for (std::size_t i = 0; i < pattern.Pieces.size(); ++i) {
        const double width = static_cast<double>(pattern.Pieces[i]) * d.Scale;
        SvgRect(d.Body, x, d.Y, width, kSvgStrip, kPieceFills[i % 2]);
        const std::string label = MetresText(pattern.Pieces[i]);
        if (TextWidthBound(label, kSvgTextSize) + 4 <= width)
            SvgText(d.Body, x + width / 2, d.Y + kSvgStrip / 2 + kSvgTextSize * 0.35, "middle",
                    kSvgTextSize, label);
        x += width + static_cast<double>(d.Kerf) * d.Scale;
    }
    d.Y += kSvgStrip;
}

} // namespace

std::string SteelOrderSvg(const SteelOrder& order) {
    Millimetres longest = 1;
    for (Millimetres length : order.Settings.StockLengths)
        longest = std::max(longest, length);
    Drawing d;
    d.Scale = kSvgStripWidth / static_cast<double>(longest);
    d.Kerf = order.Settings.Kerf;
    d.Line(kSvgTitle, 18, true);
    d.Y += kSvgLine;
    for (const OrderGroup& group : order.Groups) {
        d.Y += kSvgLine / 2;
        d.Line(GroupName(order, group) + "：" + PurchaseText(group) +
                   (group.Coiled ? std::string() : "；" + PatternsHeading(group)),
               15, true);
        d.Y += kSvgLine * 0.6;
        for (const cutting::Pattern& pattern : group.Plan.Patterns)
            PatternStrip(d, order.Settings, group, pattern);
        d.Y += kSvgLine / 2;
    }
    const double width = std::max(kSvgLeft * 2 + kSvgStripWidth, d.Widest + kSvgLeft);
    const double height = d.Y + kSvgLine;
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
           SvgNumber(width) + "\" height=\"" + SvgNumber(height) + "\" viewBox=\"0 0 " +
           SvgNumber(width) + " " + SvgNumber(height) + "\" font-family=\"" +
           std::string(kSvgFonts) +
           "\">\n<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n" + d.Body + "</svg>\n";
}

} // namespace tavrilo
