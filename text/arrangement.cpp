#include "text/arrangement.h"

#include "text/utf8.h"

namespace tavrilo {

std::string_view TrimBlanks(std::string_view text) {
    constexpr std::array<std::string_view, 6> kBlanks{" ",  "\t",       "\r",
                                                      "\n", "\xC2\xA0", "\xE3\x80\x80"};
    for (bool changed = true; changed;) {
        changed = false;
        for (std::string_view blank : kBlanks) {
            if (text.starts_with(blank)) {
                text.remove_prefix(blank.size());
                changed = true;
            }
            if (text.ends_with(blank)) {
                text.remove_suffix(blank.size());
                changed = true;
            }
        }
    }
    return text;
}

ArrangementCell ReadArrangement(std::string_view cell) {
    const std::string_view text = TrimBlanks(cell);
    if (text.empty())
        return ArrangementCell::Empty;
    for (const ArrangementSpelling& spelling : kArrangementSpellings)
        for (std::string_view name : spelling.Names)
            if (EqualsIgnoringAsciiCase(text, name))
                return spelling.Layout == Arrangement::OneWay ? ArrangementCell::OneWay
                                                              : ArrangementCell::TwoWay;
    for (std::string_view name : kStraightNames)
        if (EqualsIgnoringAsciiCase(text, name))
            return ArrangementCell::Straight;
    return ArrangementCell::Unknown;
}

std::optional<Arrangement> ArrangementOf(ArrangementCell cell) {
    switch (cell) {
    case ArrangementCell::OneWay:
        return Arrangement::OneWay;
    case ArrangementCell::TwoWay:
        return Arrangement::TwoWay;
    case ArrangementCell::Straight:
    case ArrangementCell::Empty:
    case ArrangementCell::Unknown:
        break;
    }
    return std::nullopt;
}

std::string ArrangementNamesList() {
    std::string list;
    for (const ArrangementSpelling& spelling : kArrangementSpellings) {
        if (!list.empty())
            list += " 或 ";
        for (std::size_t i = 0; i < spelling.Names.size(); ++i)
            (list += i > 0 ? "/" : "") += spelling.Names[i];
    }
    return list;
}

std::string UnknownArrangementMessage(std::string_view cell) {
    std::string message = "无法识别的布置形式“" + std::string(TrimBlanks(cell)) + "”：应为 ";
    for (std::size_t s = 0; s < kArrangementSpellings.size(); ++s) {
        const auto& names = kArrangementSpellings[s].Names;
        if (s > 0)
            message += "或 ";
        message += names[0];
        message += "（";
        for (std::size_t i = 1; i < names.size(); ++i)
            (message += i > 1 ? "、" : "") += names[i];
        message += "）";
    }
    message += "，直条钢筋为 ";
    message += kStraightNames[0];
    message += "（";
    for (std::size_t i = 1; i < kStraightNames.size(); ++i)
        (message += i > 1 ? "、" : "") += kStraightNames[i];
    return message + "）";
}

} // namespace tavrilo
