#include "text/xml_scan.h"

#include "text/utf8.h"

#include <iterator>
#include <utility>

namespace tavrilo {

bool AppendUnescaped(std::string_view raw, std::string& out) {
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '&') {
            out += raw[i];
            continue;
        }
        const std::size_t end = raw.find(';', i);
        if (end == std::string_view::npos || end - i > 12)
            return false;
        const std::string_view entity = raw.substr(i + 1, end - i - 1);
        i = end;
        static constexpr std::pair<std::string_view, char> kNamed[] = {
            {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
        const auto named = std::find_if(std::begin(kNamed), std::end(kNamed),
                                        [&](const auto& e) { return e.first == entity; });
        if (named != std::end(kNamed)) {
            out += named->second;
            continue;
        }
        if (entity.size() < 2 || entity[0] != '#')
            return false;
        const bool hex = entity[1] == 'x';
        std::uint32_t point = 0;
        for (const char c : entity.substr(hex ? 2 : 1)) {
            const int digit = c >= '0' && c <= '9'          ? c - '0'
                              : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                            : -1;
            if (digit < 0 || point > 0x10FFFF)
                return false;
            point = point * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
        }
        if (point == 0 || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
            return false;
        AppendUtf8(out, point);
    }
    return true;
}

// The value of the attribute of that local name, if it is there.
std::optional<std::string> Attribute(std::string_view attributes, std::string_view name) {
    std::size_t i = 0;
    while (i < attributes.size()) {
        const std::size_t equals = attributes.find('=', i);
        if (equals == std::string_view::npos)
            return std::nullopt;
        std::string_view key = attributes.substr(i, equals - i);
        key.remove_prefix(std::min(key.find_first_not_of(" \t\r\n"), key.size()));
        key = key.substr(0, key.find_first_of(" \t\r\n"));
        const std::size_t open = attributes.find_first_of("\"'", equals);
        if (open == std::string_view::npos)
            return std::nullopt;
        const std::size_t close = attributes.find(attributes[open], open + 1);
        if (close == std::string_view::npos)
            return std::nullopt;
        if (LocalName(key) == name) {
            std::string value;
            if (!AppendUnescaped(attributes.substr(open + 1, close - open - 1), value))
                return std::nullopt;
            return value;
        }
        i = close + 1;
    }
    return std::nullopt;
}

} // namespace tavrilo
