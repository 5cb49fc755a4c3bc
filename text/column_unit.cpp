#include "text/column_unit.h"

#include "text/arrangement.h"

#include <array>
#include <string>

namespace tavrilo {
namespace {

struct UnitSpelling {
    std::string_view Name;
    LengthUnit Unit;
    bool Word; // Latin letters: stand alone, not the end of a longer word
};

// The longer spellings first: 毫米 before 米, mm before m.
constexpr std::array<UnitSpelling, 6> kSpellings{{
    {"毫米", LengthUnit::Millimetres, false},
    {"厘米", LengthUnit::Centimetres, false},
    {"米", LengthUnit::Metres, false},
    {"mm", LengthUnit::Millimetres, true},
    {"cm", LengthUnit::Centimetres, true},
    {"m", LengthUnit::Metres, true},
}};

// The closing brackets a unit may stand in, ASCII and full-width.
constexpr std::array<std::string_view, 4> kClosers{")", "）", "]", "】"};

} // namespace

std::optional<LengthUnit> UnitOfHeader(std::string_view cell) {
    std::string_view text = TrimBlanks(cell);
    for (std::string_view closer : kClosers)
        if (text.ends_with(closer)) {
            text = TrimBlanks(text.substr(0, text.size() - closer.size()));
            break;
        }
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    for (const UnitSpelling& spelling : kSpellings) {
        if (!std::string_view(lower).ends_with(spelling.Name))
            continue;
        const std::size_t before = lower.size() - spelling.Name.size();
        if (spelling.Word && before > 0 && lower[before - 1] >= 'a' && lower[before - 1] <= 'z')
            return std::nullopt; // "diameter", "num": a word, not a unit
        return spelling.Unit;
    }
    return std::nullopt;
}

double PerMetre(LengthUnit unit) {
    switch (unit) {
    case LengthUnit::Millimetres:
        return 1000;
    case LengthUnit::Centimetres:
        return 100;
    case LengthUnit::Metres:
        break;
    }
    return 1;
}

std::string_view UnitName(LengthUnit unit) {
    switch (unit) {
    case LengthUnit::Millimetres:
        return "毫米";
    case LengthUnit::Centimetres:
        return "厘米";
    case LengthUnit::Metres:
        break;
    }
    return "米";
}

} // namespace tavrilo
