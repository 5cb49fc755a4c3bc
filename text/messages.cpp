#include "text/messages.h"

#include "calc/number.h"

#include <cerrno>
#include <cstring>
#include <optional>

namespace tavrilo {

std::string_view CalcErrorMessage(CalcErrorKind kind) {
    switch (kind) {
    case CalcErrorKind::IntegerOverflow:
        return "计算溢出：网片直径与钢筋间距之比过大，钢筋根数超出计算范围。请检查参数！";
    case CalcErrorKind::FloatingPointFault:
        return "浮点运算错误：参数过大，计算结果超出数值范围。请检查参数！";
    case CalcErrorKind::NonPositiveInput:
        return kNonPositiveMessage;
    }
    return "计算错误！";
}

std::string_view FileFaultReason(FileFault fault) {
    switch (fault) {
    case FileFault::NoSpace:
        return "磁盘空间不足";
    case FileFault::NoPermission:
        return "没有权限";
    case FileFault::NotFound:
        return "文件或文件夹不存在";
    case FileFault::IsFolder:
        return "这是一个文件夹";
    case FileFault::BrokenPipe:
        return "管道已关闭（读取输出的程序已退出）";
    case FileFault::ReadOnly:
        return "文件系统为只读";
    }
    return "未知错误";
}

namespace {

std::optional<FileFault> FileFaultOfErrno(int error) {
    switch (error) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return FileFault::NoSpace;
    case EACCES:
    case EPERM:
        return FileFault::NoPermission;
    case ENOENT:
    case ENOTDIR:
        return FileFault::NotFound;
    case EISDIR:
        return FileFault::IsFolder;
    case EPIPE:
        return FileFault::BrokenPipe;
    case EROFS:
        return FileFault::ReadOnly;
    default:
        return std::nullopt;
    }
}

} // namespace

std::string ReasonOfErrno(int error) {
    if (error == 0)
        return {};
    if (const auto fault = FileFaultOfErrno(error))
        return std::string(FileFaultReason(*fault));
    return std::strerror(error);
}

std::string_view RefusalMessage(const Refusal& refusal) {
    if (std::holds_alternative<NonPositiveInput>(refusal))
        return kNonPositiveMessage;
    if (std::holds_alternative<NegativeTotal>(refusal))
        return kNegativeTotalMessage;
    return CalcErrorMessage(std::get<CalcError>(refusal).Kind);
}

std::string ResultText(double total, std::string_view decimalSeparator) {
    return FormatNumber(total, decimalSeparator) + " m";
}

std::string ReadAsNote(std::string_view value, std::string_view typed) {
    return "按 " + std::string(value) + " 计算（输入为“" + std::string(typed) + "”）";
}

} // namespace tavrilo
