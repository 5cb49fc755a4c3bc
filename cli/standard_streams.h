#pragma once

// tavrilo-calc's standard streams as each system wants them. The program
// writes UTF-8; on Windows the streams are binary (LF line ends, the same
// bytes as on Linux) and a console gets its text through the console's
// Unicode interface; on Linux a terminal set to a Chinese legacy character
// set (LC_ALL=zh_CN.GB18030) gets messages and readable results in it, while
// machine formats (CSV, JSON) stay UTF-8.

#include <iostream>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace tavrilo::cli {

class StandardStreams {
public:
    // Sets up standard output and standard error for a run with `args`.
    explicit StandardStreams(std::span<const std::string_view> args);
    // Flushes what is still buffered.
    ~StandardStreams();
    StandardStreams(const StandardStreams&) = delete;
    StandardStreams& operator=(const StandardStreams&) = delete;

    std::ostream& Out();
    std::ostream& Err();

private:
    class Channel;
    std::unique_ptr<Channel> out_;
    std::unique_ptr<Channel> err_;
};

#ifdef _WIN32
// A UTF-16 argument as UTF-8.
std::string Utf8Argument(const wchar_t* wide);
#endif

} // namespace tavrilo::cli
