#include "cli/system_error.h"

#include "text/messages.h"

#include <algorithm>
#include <cerrno>
#include <optional>

#ifdef _WIN32
#include "text/utf8.h"

#include <windows.h>
#endif

namespace tavrilo::cli {
namespace {

#ifdef _WIN32

std::optional<FileFault> FileFaultOfWindowsError(DWORD error) {
    switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return FileFault::NoSpace;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return FileFault::NoPermission;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
        return FileFault::NotFound;
    case ERROR_DIRECTORY:
        return FileFault::IsFolder;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
    case ERROR_PIPE_NOT_CONNECTED: // Wine's word for a Unix pipe with no reader left
        return FileFault::BrokenPipe;
    case ERROR_WRITE_PROTECT:
        return FileFault::ReadOnly;
    default:
        return std::nullopt;
    }
}

// The system's own text, in the language of the system, without the line end.
std::string WindowsText(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide = length > 0 && text ? std::wstring(text, length) : std::wstring();
    if (text)
        LocalFree(text);
    while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' ' ||
                             wide.back() == L'.'))
        wide.pop_back();
    if (wide.empty())
        return "错误 " + std::to_string(error);
    return Utf8FromUtf16(std::u16string(wide.begin(), wide.end()));
}

#endif

} // namespace

SystemError LastErrno() {
    return {SystemError::Source::Errno, errno};
}

#ifdef _WIN32
SystemError LastWindowsError() {
    return {SystemError::Source::Windows, static_cast<int>(GetLastError())};
}

std::optional<SystemError> WriteAllToHandle(void* handle, std::string_view bytes) {
    while (!bytes.empty()) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 20));
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data(), chunk, &written, nullptr))
            return LastWindowsError();
        if (written == 0)
            return SystemError{SystemError::Source::Windows, ERROR_WRITE_FAULT};
        bytes.remove_prefix(written);
    }
    return std::nullopt;
}
#endif

std::string ReasonText(SystemError error) {
    if (error.code == 0)
        return {};
#ifdef _WIN32
    if (error.from == SystemError::Source::Windows) {
        const auto code = static_cast<DWORD>(error.code);
        if (const auto fault = FileFaultOfWindowsError(code))
            return std::string(FileFaultReason(*fault));
        return WindowsText(code);
    }
#endif
    return ReasonOfErrno(error.code);
}

} // namespace tavrilo::cli
