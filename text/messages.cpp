#include "text/messages.h"

#include "calc/number.h"

#include <cerrno>
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

// The other faults a file or a stream meets, in Chinese: the C library's own
// texts are English whatever the system's language.
std::optional<std::string_view> OtherErrnoReason(int error) {
    switch (error) {
    case EBADF:
        return "文件或输出已关闭";
    case EIO:
        return "输入输出错误";
    case EFBIG:
        return "文件过大";
    case ENAMETOOLONG:
        return "文件名过长";
    case EMFILE:
    case ENFILE:
        return "打开的文件过多";
#ifdef ELOOP
    case ELOOP:
        return "符号链接层数过多";
#endif
    case EBUSY:
#ifdef ETXTBSY
    case ETXTBSY:
#endif
        return "文件正被使用";
    case EINVAL:
        return "参数无效";
    case EAGAIN:
        return "资源暂时不可用";
    case ENOMEM:
        return "内存不足";
    case EEXIST:
        return "文件已存在";
    case EXDEV:
        return "不能跨设备移动文件";
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
    if (const auto reason = OtherErrnoReason(error))
        return std::string(*reason);
    return "系统错误 " + std::to_string(error);
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
