#include "text/grade.h"

#include "text/arrangement.h"
#include "text/utf8.h"

namespace tavrilo {

std::string_view GradeName(SteelGrade grade) {
    for (const auto& [value, name] : kGradeNames)
        if (value == grade)
            return name;
    return {};
}

GradeCell ReadGrade(std::string_view cell) {
    const std::string_view text = TrimBlanks(cell);
    if (text.empty())
        return {};
    for (const auto& [value, name] : kGradeNames)
        if (EqualsIgnoringAsciiCase(text, name))
            return {true, value};
    return {false, std::nullopt};
}

std::string GradeText(const std::optional<SteelGrade>& grade) {
    return grade ? std::string(GradeName(*grade)) : std::string("未注明级别");
}

std::string_view CoilName(const std::optional<SteelGrade>& grade) {
    return !grade || *grade == SteelGrade::HPB300 ? "盘条" : "盘螺";
}

} // namespace tavrilo
