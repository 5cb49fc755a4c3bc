#include "cli/tests/process.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tavrilo::test {

std::filesystem::path Utf8Path(const std::string& path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

std::string Slurp(const std::string& path) {
    std::ifstream in(Utf8Path(path), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(Utf8Path(path), std::ios::binary | std::ios::trunc);
    out << bytes;
}

#ifdef _WIN32

namespace {

std::wstring Wide(const std::string& utf8) {
    return Utf8Path(utf8).wstring();
}

// One argument as the C runtime splits a command line: quoted when it has
// blanks or quotes, with the backslashes before a quote doubled.
void AppendQuoted(std::wstring& line, const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) {
        line += arg;
        return;
    }
    line += L'"';
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

HANDLE OpenInherited(const std::string& path, bool write) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(Wide(path).c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

std::string TempPath(const std::string& name) {
    return testing::TempDir() + "tavrilo_" + std::to_string(GetCurrentProcessId()) + "_" + name;
}

namespace {

// Starts `program` on the given standard handles, which it inherits.
bool Start(const std::string& program, const std::vector<std::string>& args, HANDLE in, HANDLE out,
           HANDLE err, PROCESS_INFORMATION& process) {
    std::wstring application = Wide(program);
    for (wchar_t& c : application)
        if (c == L'/')
            c = L'\\';
    std::wstring line;
    AppendQuoted(line, application);
    for (const std::string& a : args) {
        line += L' ';
        AppendQuoted(line, Wide(a));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    const bool started = in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE &&
                         err != INVALID_HANDLE_VALUE &&
                         CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    if (!started)
        ADD_FAILURE() << "cannot start " << program << ": error " << GetLastError();
    return started;
}

// Waits for the process to end; its exit status.
int Finish(PROCESS_INFORMATION& process) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    const int status = GetExitCodeProcess(process.hProcess, &code) ? static_cast<int>(code) : -1;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return status;
}

} // namespace

Outcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::string& stdinPath) {
    const std::string outPath = TempPath("out");
    const std::string errPath = TempPath("err");
    Outcome o;
    HANDLE in = OpenInherited(stdinPath == "/dev/null" ? "NUL" : stdinPath, false);
    HANDLE out = OpenInherited(outPath, true);
    HANDLE err = OpenInherited(errPath, true);
    PROCESS_INFORMATION process{};
    const bool started = Start(program, args, in, out, err, process);
    for (HANDLE h : {in, out, err})
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    if (!started)
        return o;
    o.status = Finish(process);
    o.out = Slurp(outPath);
    o.err = Slurp(errPath);
    return o;
}

Outcome RunCalcIntoPipeClosedEarly(const std::vector<std::string>& args) {
    const std::string errPath = TempPath("err");
    Outcome o;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE reader = INVALID_HANDLE_VALUE;
    HANDLE writer = INVALID_HANDLE_VALUE;
    if (!CreatePipe(&reader, &writer, &inherit, 0) ||
        !SetHandleInformation(reader, HANDLE_FLAG_INHERIT, 0)) {
        ADD_FAILURE() << "no pipe: error " << GetLastError();
        return o;
    }
    HANDLE in = OpenInherited("NUL", false);
    HANDLE err = OpenInherited(errPath, true);
    PROCESS_INFORMATION process{};
    const bool started = Start(TAVRILO_CALC_EXE, args, in, writer, err, process);
    for (HANDLE h : {in, writer, err})
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    char c = 0;
    DWORD got = 0;
    while (started && c != '\n' && ReadFile(reader, &c, 1, &got, nullptr) && got == 1)
        o.out += c;
    CloseHandle(reader);
    if (!started)
        return o;
    o.status = Finish(process);
    o.err = Slurp(errPath);
    return o;
}

#else

std::string TempPath(const std::string& name) {
    return testing::TempDir() + "/tavrilo_" + std::to_string(getpid()) + "_" + name;
}

void ExecProgram(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

void ExecCalc(const std::vector<std::string>& args) {
    ExecProgram(TAVRILO_CALC_EXE, args);
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
        ExecProgram(program, args);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    Outcome o;
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.out = Slurp(outPath);
    o.err = Slurp(errPath);
    return o;
}

Outcome RunCalcIntoPipeClosedEarly(const std::vector<std::string>& args) {
    const std::string errPath = TempPath("err");
    Outcome o;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        ADD_FAILURE() << "no pipe";
        return o;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGPIPE, SIG_DFL);
        dup2(pipeFds[1], 1);
        close(pipeFds[0]);
        close(pipeFds[1]);
        if (!freopen(errPath.c_str(), "w", stderr) || !freopen("/dev/null", "r", stdin))
            _exit(127);
        ExecCalc(args);
    }
    close(pipeFds[1]);
    char c = 0;
    while (c != '\n' && read(pipeFds[0], &c, 1) == 1)
        o.out += c;
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    // 128 + the signal, as a shell shows a program a signal has ended.
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    o.err = Slurp(errPath);
    return o;
}

#endif

Outcome RunCalc(const std::vector<std::string>& args, const std::string& stdinPath) {
    return RunProgram(TAVRILO_CALC_EXE, args, stdinPath);
}

} // namespace tavrilo::test
