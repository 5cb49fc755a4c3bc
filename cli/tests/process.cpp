#include "cli/tests/process.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace tavrilo::test {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string TempPath(const std::string& name) {
    return testing::TempDir() + "/tavrilo_" + std::to_string(getpid()) + "_" + name;
}

Outcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::string& stdinPath) {
    const std::string outPath = TempPath("out");
    const std::string errPath = TempPath("err");
    const pid_t pid = fork();
    if (pid == 0) {
        if (!freopen(outPath.c_str(), "w", stdout) || !freopen(errPath.c_str(), "w", stderr) ||
            !freopen(stdinPath.c_str(), "r", stdin))
            _exit(127);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    Outcome o;
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.out = Slurp(outPath);
    o.err = Slurp(errPath);
    return o;
}

Outcome RunCalc(const std::vector<std::string>& args, const std::string& stdinPath) {
    return RunProgram(TAVRILO_CALC_EXE, args, stdinPath);
}

} // namespace tavrilo::test
