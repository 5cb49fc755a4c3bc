#pragma once

// Why the system refused to read or write: an errno value, or on Windows a
// GetLastError code, told to the user in Chinese for the common faults (the
// same words on every system) and in the system's own words for the rest.

#include <optional>
#include <string>
#include <string_view>

namespace tavrilo::cli {

struct SystemError {
    enum class Source { Errno, Windows };
    Source from = Source::Errno;
    int code = 0; // 0: the system gave no reason
};

// errno as it is now.
SystemError LastErrno();
#ifdef _WIN32
// GetLastError() as it is now.
SystemError LastWindowsError();

// Writes all of `bytes` to a Windows file handle (a HANDLE), a megabyte at a
// time; the fault of the write that failed, or of one that wrote nothing.
std::optional<SystemError> WriteAllToHandle(void* handle, std::string_view bytes);
#endif

// The reason to show after "：", or empty when the system gave none.
std::string ReasonText(SystemError error);

} // namespace tavrilo::cli
