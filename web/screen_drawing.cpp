#include "web/screen_drawing.h"

#include "calc/number.h"
#include "text/json.h"

#include <array>
#include <bit>
#include <cstddef>
#include <string>
#include <string_view>

namespace tavrilo::page {
namespace {

// The value of the attribute `name` of the SVG element `element`; empty
// when it has none.
std::string_view Attribute(std::string_view element, std::string_view name) {
    for (std::size_t at = element.find(name); at != std::string_view::npos;
         at = element.find(name, at + 1)) {
        const std::size_t value = at + name.size() + 2;
        if (at > 0 && element[at - 1] == ' ' && element.substr(at + name.size()).starts_with("=\""))
            return element.substr(value, element.find('"', value) - value);
    }
    return {};
}

// The bars of one direction's group of the drawing: their ends appended to
// `ends`, x1 y1 x2 y2 each as the doubles' bytes, and their colour, width
// and number written to `json`. Returns how many there are.
long long WriteBars(std::string_view group, JsonWriter& json, std::string& ends) {
    long long count = 0;
    std::string_view line;
    for (std::size_t at = group.find("<line "); at != std::string_view::npos;
         at = group.find("<line ", at + 1)) {
        line = group.substr(at, group.find("/>", at) - at);
        for (const std::string_view end : {"x1", "y1", "x2", "y2"}) {
            const auto bytes = std::bit_cast<std::array<char, sizeof(double)>>(
                ParseLeadingNumber(Attribute(line, end)));
            ends.append(bytes.data(), bytes.size());
        }
        ++count;
    }
    json.BeginObject();
    json.Key("stroke").String(Attribute(line, "stroke"));
    json.Key("width").Number(ParseLeadingNumber(Attribute(line, "stroke-width")));
    json.Key("bars").Integer(count);
    json.EndObject();
    return count;
}

} // namespace

std::string ScreenDrawingJson(std::string_view svg, std::string& ends) {
    constexpr std::string_view kGroup = "<g id=\"direction-";
    constexpr std::string_view kGroupEnd = "</g>\n";
    JsonWriter json;
    json.BeginObject();
    json.Key("directions").BeginArray();
    std::string overlay;
    long long bars = 0;
    std::size_t at = 0;
    for (std::size_t group = svg.find(kGroup); group != std::string_view::npos;
         group = svg.find(kGroup, at)) {
        const std::size_t end = svg.find(kGroupEnd, group) + kGroupEnd.size();
        overlay += svg.substr(at, group - at);
        bars += WriteBars(svg.substr(group, end - group), json, ends);
        at = end;
    }
    json.EndArray();
    overlay += svg.substr(at);
    const std::size_t ground = overlay.find("<rect x=\"0\" y=\"0\" ");
    const std::size_t groundEnd = overlay.find("/>\n", ground);
    if (ground != std::string::npos &&
        Attribute(std::string_view(overlay).substr(ground, groundEnd - ground), "fill") ==
            "#ffffff")
        overlay.erase(ground, groundEnd + 3 - ground);
    const std::string_view opening = svg.substr(0, svg.find('>', svg.find("<svg ")));
    json.Key("width").Number(ParseLeadingNumber(Attribute(opening, "width")));
    json.Key("height").Number(ParseLeadingNumber(Attribute(opening, "height")));
    json.Key("bars").Integer(bars);
    json.Key("overlay").String(overlay);
    json.EndObject();
    return json.Text();
}

} // namespace tavrilo::page
