#pragma once

// Files the calculator writes (the --svg drawing) are replaced whole or not
// at all: the new content goes to a temporary file beside the old one and
// takes its place only once every byte is written and on the disk. A full
// disk, a read-only folder or a folder in the way leave the old file as it
// was and no temporary file behind.

#include "cli/system_error.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace tavrilo::cli {

// Writes `content` to `path`; the fault when it cannot. A path that names a
// device or a pipe (/dev/null, /dev/stdout, NUL) is written directly.
std::optional<SystemError> WriteFileAtomically(const std::filesystem::path& path,
                                               std::string_view content);

} // namespace tavrilo::cli
