#pragma once

// A file that tavrilo-calc reads, or standard input for "-".

#include <cstddef>
#include <fstream>
#include <iosfwd>
#include <string>
#include <string_view>

namespace tavrilo::cli {

// How much of a file is read at a time.
inline constexpr std::size_t kReadChunkBytes = 64 * 1024;

class InputFile {
public:
    // Opens `path`; when it cannot be opened (or is a folder), Opened() is
    // false and the reason is on `err`.
    InputFile(std::string_view path, std::istream& in, std::ostream& err);
    bool Opened() const { return source_ != nullptr; }
    std::istream& Stream() { return *source_; }
    // The name to tell the user: the path, or 标准输入.
    const std::string& Name() const { return name_; }
    // Whether the last read failed, rather than reached the end. Standard
    // input read through C stdio (the streams synchronised with it, as they
    // are by default) takes a read error for the end of the file: stdio keeps
    // the difference.
    bool ReadFailed() const;

private:
    std::ifstream file_;
    std::istream* source_ = nullptr;
    std::string name_;
};

} // namespace tavrilo::cli
