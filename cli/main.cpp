#include "cli/cli.h"
#include "cli/standard_streams.h"

#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
// The arguments as UTF-16, whatever the system's code page, passed on as UTF-8.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> texts;
    for (int i = 1; i < argc; ++i)
        texts.push_back(tavrilo::cli::Utf8Argument(argv[i]));
    const std::vector<std::string_view> args(texts.begin(), texts.end());
#else
int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
#endif
    tavrilo::cli::StandardStreams streams(args);
    return tavrilo::cli::Run(args, std::cin, streams.Out(), streams.Err());
}
