#pragma once

// Steel grades (级别) as a site's lists name them: hot-rolled plain and
// ribbed bars (GB/T 1499.1 and 1499.2), fine-grained, heat-treated and
// cold-rolled ribbed bars. Steel is priced, bought and delivered per grade
// and diameter, so the order keeps each grade apart.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace tavrilo {

enum class SteelGrade { HPB300, HRB400, HRB400E, HRBF400, HRB500, HRB500E, RRB400, CRB550 };

// Every grade with its name, in the order the order lists them.
inline constexpr std::array<std::pair<SteelGrade, std::string_view>, 8> kGradeNames{{
    {SteelGrade::HPB300, "HPB300"},
    {SteelGrade::HRB400, "HRB400"},
    {SteelGrade::HRB400E, "HRB400E"},
    {SteelGrade::HRBF400, "HRBF400"},
    {SteelGrade::HRB500, "HRB500"},
    {SteelGrade::HRB500E, "HRB500E"},
    {SteelGrade::RRB400, "RRB400"},
    {SteelGrade::CRB550, "CRB550"},
}};

std::string_view GradeName(SteelGrade grade);

// A grade cell read: empty (no grade stated), a grade, or not a grade.
struct GradeCell {
    bool Known = true; // false: the cell names no grade
    std::optional<SteelGrade> Grade;
};
// Case and blanks around the name are ignored: " hrb400e " is HRB400E.
GradeCell ReadGrade(std::string_view cell);

// The grade's name, or "未注明级别".
std::string GradeText(const std::optional<SteelGrade>& grade);

// What a coil of the grade is called: 盘条 (plain, or not stated) or 盘螺 (ribbed).
std::string_view CoilName(const std::optional<SteelGrade>& grade);

} // namespace tavrilo
