#pragma once

// File names arrive as UTF-8 (on Windows too, where the arguments are taken
// in UTF-16 and converted): this makes the path the system opens from them.

#include <filesystem>
#include <string_view>

namespace tavrilo::cli {

// On Windows the UTF-8 text as a UTF-16 path (a malformed sequence becomes
// U+FFFD); elsewhere the bytes as they are.
std::filesystem::path PathFromUtf8(std::string_view utf8);

} // namespace tavrilo::cli
