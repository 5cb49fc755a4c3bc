#include "cli/file_path.h"

#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tavrilo::cli {

std::filesystem::path PathFromUtf8(std::string_view utf8) {
#ifdef _WIN32
    if (utf8.empty())
        return {};
    const int size = static_cast<int>(utf8.size());
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), size);
    wide.resize(static_cast<std::size_t>(length));
    return std::filesystem::path(wide);
#else
    return std::filesystem::path(std::string(utf8));
#endif
}

} // namespace tavrilo::cli
