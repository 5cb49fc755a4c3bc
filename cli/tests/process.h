#pragma once

// Runs programs in their own process for the command-line tests, on Linux
// and (under Wine) on Windows alike.

#include <filesystem>
#include <string>
#include <vector>

namespace tavrilo::test {

struct Outcome {
    int status = -1; // the exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Paths are UTF-8 text, on Windows too.
std::filesystem::path Utf8Path(const std::string& path);
std::string Slurp(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

// Runs `program` with `args` (without a shell), reading `stdinPath` (the
// null device by default) and capturing both output streams.
Outcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::string& stdinPath = "/dev/null");

// Runs tavrilo-calc.
Outcome RunCalc(const std::vector<std::string>& args, const std::string& stdinPath = "/dev/null");

// Runs tavrilo-calc with standard output on a pipe whose reader takes the
// first line (in `out`) and then closes its end, as `| head -1` does. SIGPIPE
// is as a shell leaves it: the default, that ends the program.
Outcome RunCalcIntoPipeClosedEarly(const std::vector<std::string>& args);

#ifndef _WIN32
// In a child just forked: becomes `program` with `args` (or tavrilo-calc),
// or ends with status 127 when it cannot.
[[noreturn]] void ExecProgram(const std::string& program, const std::vector<std::string>& args);
[[noreturn]] void ExecCalc(const std::vector<std::string>& args);
#endif

// A fresh path in the test's temporary folder.
std::string TempPath(const std::string& name);

// The arguments of a command, or texts to look for, as a table's row gives
// them: Texts("1.3", "0.0065", "0.1", "--bars").
template <typename... Text> std::vector<std::string> Texts(const Text&... texts) {
    return {std::string(texts)...};
}

} // namespace tavrilo::test
