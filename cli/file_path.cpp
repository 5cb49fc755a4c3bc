#include "cli/file_path.h"

#include "text/utf8.h"

#include <string>

namespace tavrilo::cli {

std::filesystem::path PathFromUtf8(std::string_view utf8) {
#ifdef _WIN32
    const std::u16string utf16 = Utf16FromUtf8(utf8);
    return std::filesystem::path(std::wstring(utf16.begin(), utf16.end()));
#else
    return std::filesystem::path(std::string(utf8));
#endif
}

} // namespace tavrilo::cli
