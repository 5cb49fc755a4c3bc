// Output that cannot be written is a failure: the real program with its
// standard output on a full disk, closed, or on a pipe nobody reads.
#include "cli/tests/process.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using tavrilo::test::TempPath;

enum class Target { FullDisk, Closed, PipeNobodyReads };

struct Ended {
    int status = -1; // -1: killed after the time limit, or did not exit normally
    std::string err;
};

// Runs tavrilo-calc with standard output on `target`, reading `rows` over and
// over from standard input (or nothing, when empty) until it exits; killed
// after 30 s. SIGPIPE is ignored, as some service managers do.
Ended RunWithBrokenOutput(const std::vector<std::string>& args, Target target,
                          const std::string& rows = "") {
    std::signal(SIGPIPE, SIG_IGN);
    int in[2];
    int out[2];
    if (pipe(in) != 0 || pipe(out) != 0)
        return {};
    const std::string errPath = TempPath("broken-output.err");
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        if (target == Target::FullDisk) {
            const int full = open("/dev/full", O_WRONLY);
            dup2(full, 1);
            close(full);
        } else if (target == Target::Closed) {
            close(1);
        } else {
            dup2(out[1], 1);
        }
        if (!freopen(errPath.c_str(), "w", stderr))
            _exit(127);
        for (int fd : {in[0], in[1], out[0], out[1]})
            close(fd);
        tavrilo::test::ExecCalc(args);
    }
    for (int fd : {in[0], out[0], out[1]})
        close(fd);
    // Until the program exits and its end of the pipe closes.
    std::thread feeder([fd = in[1], rows] {
        if (!rows.empty()) {
            std::string block;
            while (block.size() < 60000)
                block += rows;
            while (write(fd, block.data(), block.size()) > 0) {
            }
        }
        close(fd);
    });

    Ended ended;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    pid_t done = 0;
    while ((done = waitpid(pid, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (done == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    } else if (WIFEXITED(status)) {
        ended.status = WEXITSTATUS(status);
    }
    feeder.join();
    ended.err = tavrilo::test::Slurp(errPath);
    return ended;
}

struct BrokenOutputCase {
    const char* name;
    std::vector<std::string> args;
    Target target;
    std::string rows;        // fed endlessly to standard input
    std::string reason = {}; // after "：", when the fault is a common one
};

void PrintTo(const BrokenOutputCase& c, std::ostream* os) {
    *os << c.name;
}

class BrokenOutput : public testing::TestWithParam<BrokenOutputCase> {};

TEST_P(BrokenOutput, IsReportedWithExitTwo) {
    const BrokenOutputCase& c = GetParam();
    const Ended ended = RunWithBrokenOutput(c.args, c.target, c.rows);
    EXPECT_EQ(ended.status, 2) << ended.err;
    EXPECT_NE(ended.err.find("写入 标准输出 时出错：" + c.reason), std::string::npos) << ended.err;
}

const std::vector<std::string> kInitial{"1.3", "0.0065", "0.1"};
const std::string kRow = "1,0.01,0.1,双向\n";
const std::string kNoSpace = "磁盘空间不足";

INSTANTIATE_TEST_SUITE_P(
    Everywhere, BrokenOutput,
    testing::Values(
        BrokenOutputCase{"ResultOnFullDisk", kInitial, Target::FullDisk, "", kNoSpace},
        BrokenOutputCase{"ResultWithStandardOutputClosed", kInitial, Target::Closed, ""},
        BrokenOutputCase{"JsonCutListOnFullDisk",
                         {"1.3", "0.0065", "0.1", "--json", "--bars"},
                         Target::FullDisk,
                         ""},
        BrokenOutputCase{"HelpOnFullDisk", {"--help"}, Target::FullDisk, ""},
        BrokenOutputCase{"VersionWithStandardOutputClosed", {"--version"}, Target::Closed, ""},
        // The batch stops at the first write that fails, however long its input.
        BrokenOutputCase{
            "EndlessBatchOnFullDisk", {"--csv", "-"}, Target::FullDisk, kRow, kNoSpace},
        BrokenOutputCase{
            "EndlessBatchWithStandardOutputClosed", {"--csv", "-"}, Target::Closed, kRow},
        BrokenOutputCase{"EndlessBatchIntoAPipeNobodyReads",
                         {"--csv", "-"},
                         Target::PipeNobodyReads,
                         kRow,
                         "管道已关闭"}),
    [](const testing::TestParamInfo<BrokenOutputCase>& info) {
        return std::string(info.param.name);
    });

// The drawing is written before the result; it is complete and kept.
TEST(BrokenOutput, LeavesTheDrawingComplete) {
    const std::string svg = TempPath("broken-output.svg");
    std::vector<std::string> args = kInitial;
    args.insert(args.end(), {"--svg", svg});
    EXPECT_EQ(RunWithBrokenOutput(args, Target::FullDisk).status, 2);
    const std::string drawing = tavrilo::test::Slurp(svg);
    EXPECT_TRUE(drawing.ends_with("</svg>\n")) << drawing.size() << " bytes";
}

} // namespace
