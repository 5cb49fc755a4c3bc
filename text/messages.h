#pragma once

// Texts shown to the user about a calculation, shared by the window and the
// command-line calculator. UTF-8.

#include "calc/evaluate.h"
#include "calc/mesh.h"

#include <string>
#include <string_view>

namespace tavrilo {

inline constexpr std::string_view kErrorTitle = "错误";
inline constexpr std::string_view kNonPositiveMessage = "参数不能为“0”或“负值”！";
inline constexpr std::string_view kNoArrangementMessage = "请选择“钢筋布置形式”后进行计算！";
// No mesh needs a negative length of steel: the allowance of 12.5 bar
// diameters less 5 cm goes below zero for bars under 4 mm.
inline constexpr std::string_view kNegativeTotalMessage =
    "计算结果为负值，无法作为钢筋用量。请检查参数（例如钢筋直径是否小于 4 毫米）！";

// A cut list with a bar shorter than nothing cannot be cut.
inline constexpr std::string_view kNegativeBarMessage =
    "下料单中有钢筋的下料长度为负值，无法下料。请检查参数（例如钢筋直径是否小于 4 毫米）！";

// Why a file or a stream could not be read or written: the common faults,
// told in the same words on every system.
enum class FileFault {
    NoSpace,
    NoPermission,
    NotFound,
    IsFolder,
    BrokenPipe,
    ReadOnly,
};

std::string_view FileFaultReason(FileFault fault);

// The reason for a C library error number (errno), shared by the programs
// that write: a common fault in its words above, any other in the C
// library's; empty for 0, when the library gave no reason.
std::string ReasonOfErrno(int error);

// Output that could not be written; the reason follows after "：".
inline constexpr std::string_view kStandardOutputWriteFailed = "写入 标准输出 时出错";

// The report for a failed calculation, naming the kind of fault.
std::string_view CalcErrorMessage(CalcErrorKind kind);

// The one message for each refusal, for a message box or standard error.
std::string_view RefusalMessage(const Refusal& refusal);

// Where a typed value is not read as it stands: the value computed with and
// the text typed, "按 1 m 计算（输入为“1,3”）".
std::string ReadAsNote(std::string_view value, std::string_view typed);

// What the result area shows for a total: the number and the unit.
std::string ResultText(double total, std::string_view decimalSeparator = ".");

} // namespace tavrilo
