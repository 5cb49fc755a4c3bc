// tavrilo-calc --csv on the real program: encodings, bad rows, order, and
// a million rows in constant memory.
#include "calc/tests/initial_values.h"
#include "cli/tests/process.h"

#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>
#ifndef _WIN32
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using tavrilo::test::Outcome;
using tavrilo::test::RunCalc;
using tavrilo::test::TempPath;
using tavrilo::test::WriteBytes;

const std::string kHeader = "D,phi,d,arrangement,label,total_m,weight_kg,error\n";

// 网片直径D,钢筋直径Φ,钢筋间距d,布置形式,备注 / 北区一号 / 南区𠀀 as a
// spreadsheet on Chinese Windows saves them (GBK, and GB18030 for the
// character outside GBK).
const std::string kGbkHeader = "\xcd\xf8\xc6\xac\xd6\xb1\xbe\xb6\x44,\xb8\xd6\xbd\xee\xd6\xb1"
                               "\xbe\xb6\xa6\xb5,\xb8\xd6\xbd\xee\xbc\xe4\xbe\xe0\x64,\xb2\xbc"
                               "\xd6\xc3\xd0\xce\xca\xbd,\xb1\xb8\xd7\xa2\r\n";
const std::string kGbkRows = "1.3,0.0065,0.1,\xcb\xab\xcf\xf2,\xb1\xb1\xc7\xf8\xd2\xbb\xba\xc5\r\n"
                             "2,0.012,0.15,\xb5\xa5\xcf\xf2\xb2\xbc\xd6\xc3,\xc4\xcf\xc7\xf8"
                             "\x95\x32\x82\x36\r\n";
const std::string kUtf8Rows = "1.3,0.0065,0.1,双向,北区一号\n2,0.012,0.15,单向布置,南区𠀀\n";
const std::string kExpectedRows = "1.3,0.0065,0.1,双向,北区一号," TAVRILO_TWO_WAY_TOTAL ",7.18,\n"
                                  "2,0.012,0.15,单向布置,南区𠀀,22.257,19.77,\n";

// UTF-16 of `ascii` plus 双向, little- or big-endian, with a byte-order mark.
std::string Utf16(const std::string& ascii, bool little) {
    std::string out = little ? "\xFF\xFE" : "\xFE\xFF";
    auto unit = [&](unsigned hi, unsigned lo) {
        out += static_cast<char>(little ? lo : hi);
        out += static_cast<char>(little ? hi : lo);
    };
    for (char c : ascii)
        unit(0, static_cast<unsigned char>(c));
    unit(0x53, 0xCC); // 双
    unit(0x54, 0x11); // 向
    unit(0, '\n');
    return out;
}

struct FileCase {
    const char* name;
    std::string bytes;
    int status;
    std::string out;
    std::string err; // the summary line (starting "按 ") or a part of the message
};

void PrintTo(const FileCase& c, std::ostream* os) {
    *os << c.name;
}

class CsvFiles : public testing::TestWithParam<FileCase> {};

TEST_P(CsvFiles, ReadInAnyEncodingAndAnswerRowForRow) {
    const FileCase& c = GetParam();
    const std::string path = TempPath(std::string(c.name) + ".csv");
    WriteBytes(path, c.bytes);
    for (bool fromStdin : {false, true}) {
        const Outcome o = fromStdin ? RunCalc({"--csv", "-"}, path) : RunCalc({"--csv", path});
        EXPECT_EQ(o.status, c.status) << o.err;
        EXPECT_EQ(o.out, c.out) << (fromStdin ? "standard input" : "file");
        if (c.err.starts_with("按 "))
            EXPECT_EQ(o.err, c.err + "\n");
        else
            EXPECT_NE(o.err.find(c.err), std::string::npos) << o.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, CsvFiles,
    testing::Values(
        FileCase{"GbkWithChineseHeader", kGbkHeader + kGbkRows, 0, kHeader + kExpectedRows,
                 "按 GB18030 读取，共 2 行，全部计算成功；第 1 行是表头，未计算"},
        FileCase{"GbkWithoutHeader", kGbkRows, 0, kHeader + kExpectedRows,
                 "按 GB18030 读取，共 2 行，全部计算成功"},
        // GB18030's own byte-order mark is dropped like the others.
        FileCase{"Gb18030MarkBeforeData", "\x84\x31\x95\x33" + kGbkRows, 0, kHeader + kExpectedRows,
                 "按 GB18030 读取，共 2 行，全部计算成功"},
        FileCase{"Utf8", "D,Φ,d,布置,备注\n" + kUtf8Rows, 0, kHeader + kExpectedRows,
                 "按 UTF-8 读取，共 2 行，全部计算成功；第 1 行是表头，未计算"},
        FileCase{"Utf8WithByteOrderMark",
                 "\xEF\xBB\xBF"
                 "D,Φ,d,布置,备注\r\n" +
                     kUtf8Rows,
                 0, kHeader + kExpectedRows,
                 "按 UTF-8 读取，共 2 行，全部计算成功；第 1 行是表头，未计算"},
        // The mark must not hide a data row's first number either.
        FileCase{"Utf8MarkBeforeData", "\xEF\xBB\xBF" + kUtf8Rows, 0, kHeader + kExpectedRows,
                 "按 UTF-8 读取，共 2 行，全部计算成功"},
        // One mark is dropped; a second one stays in the first field, whose
        // row is then answered, not taken for a header.
        FileCase{"Utf8MarkTwice", "\xEF\xBB\xBF\xEF\xBB\xBF" + kUtf8Rows, 1,
                 kHeader + "\xEF\xBB\xBF"
                           "1.3,0.0065,0.1,双向,北区一号,,,参数不能为“0”或“负值”！\n"
                           "2,0.012,0.15,单向布置,南区𠀀,22.257,19.77,\n",
                 "按 UTF-8 读取，共 2 行，其中 1 行无法计算，原因见 error 列"},
        // A first row read as the boxes read it: "- 5" is -5, not a header;
        // echoed, it is text a spreadsheet would run, so it goes after a quote.
        FileCase{"SpacedSignInTheFirstRow", "- 5,0.0065,0.1,2\n1.3,0.0065,0.1,2\n", 1,
                 kHeader + "'- 5,0.0065,0.1,2,,,,参数不能为“0”或“负值”！\n"
                           "1.3,0.0065,0.1,2,," TAVRILO_TWO_WAY_TOTAL ",7.18,\n",
                 "按 ASCII 读取，共 2 行，其中 1 行无法计算，原因见 error 列"},
        // A Latin-1 degree sign in a UTF-8 file is one replaced character on
        // a named line, not a file read as GB18030.
        FileCase{"StrayByteInUtf8", "D,Φ,d,布置,备注\n1.3,0.0065,0.1,双向,北区 25\xB0\n", 0,
                 kHeader + "1.3,0.0065,0.1,双向,北区 25\uFFFD," TAVRILO_TWO_WAY_TOTAL ",7.18,\n",
                 "按 UTF-8 读取，共 1 行，全部计算成功；第 1 行是表头，未计算；第 2 "
                 "行有无法解码的字节，已替换为“\uFFFD”"},
        // Every row before a NUL byte is answered, and the message names its line.
        FileCase{"RowsBeforeANulByte", kUtf8Rows + std::string("1,1,\0,2\n", 8), 2,
                 kHeader + kExpectedRows, "文件第 3 行含有 NUL 字节"},
        FileCase{"Utf16LittleEndian", Utf16("1.3,0.0065,0.1,", true), 0,
                 kHeader + "1.3,0.0065,0.1,双向,," TAVRILO_TWO_WAY_TOTAL ",7.18,\n",
                 "按 UTF-16LE 读取，共 1 行，全部计算成功"},
        FileCase{"Utf16BigEndian", Utf16("1.3,0.0065,0.1,", false), 0,
                 kHeader + "1.3,0.0065,0.1,双向,," TAVRILO_TWO_WAY_TOTAL ",7.18,\n",
                 "按 UTF-16BE 读取，共 1 行，全部计算成功"},
        FileCase{"GbkLabelsFarIntoTheFile",
                 [] {
                     std::string bytes;
                     for (int i = 0; i < 3000; ++i)
                         bytes += "1.3,0.0065,0.1,2,row\n";
                     return bytes + kGbkRows;
                 }(),
                 0,
                 [] {
                     std::string out = kHeader;
                     for (int i = 0; i < 3000; ++i)
                         out += "1.3,0.0065,0.1,2,row," TAVRILO_TWO_WAY_TOTAL ",7.18,\n";
                     return out + kExpectedRows;
                 }(),
                 "按 GB18030 读取，共 3002 行，全部计算成功"},
        FileCase{"Empty", "", 0, kHeader, "按 ASCII 读取，共 0 行"},
        FileCase{"HeaderOnly", "D,phi,d,arrangement\n", 0, kHeader,
                 "按 ASCII 读取，共 0 行；第 1 行是表头，未计算"},
        // Known by its first bytes as a workbook, and read as one: this one is cut short.
        FileCase{"SpreadsheetWorkbookIsNotText", std::string("PK\x03\x04\0\0\x14\0", 8), 2, "",
                 "Excel 工作簿已损坏"}),
    [](const testing::TestParamInfo<FileCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    BadRows, CsvFiles,
    testing::Values(FileCase{
        "NeverStopTheBatchAndKeepTheOrder",
        "D,Φ,d,布置形式,备注\n"
        "1.3,0.0065,0.1,双向,\"A区, 北侧\"\n"
        "\n"
        "0,0.01,0.1,2,zero\n"
        "1,0.01,0.1,三向\n"
        ",,,,\n"
        "400,0.01,0.01,two-way,\"say \"\"big\"\"\"\n"
        "0.04,0.001,0.1,1\n"
        "1,2,3\n"
        "1.25,0.01,0.1,ONE-WAY,last\n",
        1,
        kHeader +
            "1.3,0.0065,0.1,双向,\"A区, 北侧\"," TAVRILO_TWO_WAY_TOTAL ",7.18,\n"
            "0,0.01,0.1,2,zero,,,参数不能为“0”或“负值”！\n"
            "1,0.01,0.1,三向,,,,无法识别的布置形式“三向”：应为 单向（单向布置、one-way、1）或 "
            "双向（双向布置、two-way、2），直条钢筋为 直条（直筋、straight）\n"
            "400,0.01,0.01,two-way,\"say \"\"big\"\"\",,,计算溢出：网片直径与钢筋间距之比过"
            "大，钢筋根数超出计算范围。请检查参数！\n"
            "0.04,0.001,0.1,1,,,,计算结果为负值，无法作为钢筋用量。请检查参数（例如钢筋直径是否"
            "小于 4 毫米）！\n"
            "1,2,3,,,,,\"字段数应为 4 或 5 个（D,Φ,d,布置形式[,备注]），此行有 3 个\"\n"
            "1.25,0.01,0.1,ONE-WAY,last,13.141,8.11,\n",
        "共 7 行，其中 5 行无法计算"}),
    [](const testing::TestParamInfo<FileCase>& info) { return std::string(info.param.name); });

TEST(CsvFiles, ByteOrderMarkForExcelPrecedesTheSameRows) {
    const std::string path = TempPath("bom.csv");
    WriteBytes(path, kUtf8Rows);
    const Outcome plain = RunCalc({"--csv", path});
    const Outcome marked = RunCalc({"--bom", "--csv", path});
    EXPECT_EQ(plain.out, kHeader + kExpectedRows);
    EXPECT_EQ(marked.out, "\xEF\xBB\xBF" + plain.out);
    EXPECT_EQ(marked.err, plain.err);
}

TEST(CsvFiles, MissingFileIsExitTwo) {
    const Outcome o = RunCalc({"--csv", "/nonexistent/meshes.csv"});
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.out, "");
    EXPECT_NE(o.err.find("无法打开文件 /nonexistent/meshes.csv"), std::string::npos) << o.err;
}

TEST(CsvFiles, FolderIsExitTwo) {
    const Outcome o = RunCalc({"--csv", testing::TempDir()});
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find(testing::TempDir()), std::string::npos) << o.err;
}

// A read error on standard input is no end of file: exit 2 and the message a
// named file gives.
TEST(CsvFiles, ReadErrorOnStandardInputIsExitTwo) {
#ifdef _WIN32
    GTEST_SKIP() << "gives the program a folder as standard input (Linux only)";
#endif
    const Outcome o = RunCalc({"--csv", "-"}, testing::TempDir());
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err.rfind("读取 标准输入 时出错：", 0), 0u) << o.err;
}

// A connection reset part-way: the rows read before it are answered, then the
// error is reported.
TEST(CsvFiles, StreamCutOffIsExitTwoAfterTheRowsRead) {
#ifdef _WIN32
    GTEST_SKIP() << "hands the program a reset socket as standard input (Linux only)";
#else
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const int reading = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(connect(reading, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const int sending = accept(listener, nullptr, nullptr);
    ASSERT_GE(sending, 0);
    close(listener);

    const std::string rows = "1.3,0.0065,0.1,双向\n2,0.012,0.15,单向\n";
    ASSERT_EQ(write(sending, rows.data(), rows.size()), static_cast<ssize_t>(rows.size()));
    const linger reset{1, 0}; // closing sends a reset
    setsockopt(sending, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    close(sending);

    const std::string outPath = TempPath("reset.out");
    const std::string errPath = TempPath("reset.err");
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(reading, 0);
        if (!freopen(outPath.c_str(), "w", stdout) || !freopen(errPath.c_str(), "w", stderr))
            _exit(127);
        tavrilo::test::ExecCalc({"--csv", "-"});
    }
    close(reading);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_EQ(tavrilo::test::Slurp(outPath), kHeader + "1.3,0.0065,0.1,双向,," TAVRILO_TWO_WAY_TOTAL
                                                       ",7.18,\n"
                                                       "2,0.012,0.15,单向,,22.257,19.77,\n");
    const std::string err = tavrilo::test::Slurp(errPath);
    EXPECT_EQ(err.rfind("读取 标准输入 时出错：", 0), 0u) << err;
#endif
}

// A file of `lines` lines, each `start`, then `unit` `units` times, then `end`.
// (Written piece by piece: the test itself stays small, since the child's peak
// resident set counts its parent's at the fork.)
struct HostileCase {
    const char* name;
    std::string start;
    std::string unit;
    long units;
    std::string end;
    long lines;
};

void PrintTo(const HostileCase& c, std::ostream* os) {
    *os << c.name;
}

class HostileFiles : public testing::TestWithParam<HostileCase> {};

// The memory bound the README states, on files made to break it. Under a
// 40 MB address-space limit the program still answers rather than aborts.
TEST_P(HostileFiles, StayWithinTheMemoryBound) {
#ifdef _WIN32
    GTEST_SKIP() << "measures the peak resident set with wait4 (Linux only)";
#else
    const HostileCase& c = GetParam();
    const std::string path = TempPath(std::string(c.name) + ".csv");
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        for (long line = 0; line < c.lines; ++line) {
            std::fwrite(c.start.data(), 1, c.start.size(), file);
            for (long i = 0; i < c.units; ++i)
                std::fwrite(c.unit.data(), 1, c.unit.size(), file);
            std::fwrite(c.end.data(), 1, c.end.size(), file);
        }
        ASSERT_EQ(std::fclose(file), 0);
    }
    const pid_t pid = fork();
    if (pid == 0) {
#ifndef __SANITIZE_ADDRESS__
        const rlimit addressSpace{40'000 * 1024, 40'000 * 1024};
        setrlimit(RLIMIT_AS, &addressSpace);
#endif
        if (!freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr))
            _exit(127);
        tavrilo::test::ExecCalc({"--csv", path});
    }
    int status = 0;
    rusage usage{};
    ASSERT_EQ(wait4(pid, &status, 0, &usage), pid);
    std::remove(path.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_LE(WEXITSTATUS(status), 1);
#ifndef __SANITIZE_ADDRESS__
    EXPECT_LE(usage.ru_maxrss, 16 * 1024) << "peak resident set in KiB";
#endif
    std::printf("%s: peak resident set %ld KiB\n", c.name, usage.ru_maxrss);
#endif
}

INSTANTIATE_TEST_SUITE_P(
    Attacks, HostileFiles,
    testing::Values(
        HostileCase{"LinesOfAMillionCommas", "", std::string(1000, ','), 1000, "\n", 20},
        HostileCase{"DoubledQuotesUpToTheRecordLimit", "1,2,3,4,\"", std::string(1000, '"'), 1040,
                    "\"\n", 4},
        HostileCase{"QuoteLeftOpen", "1,2,3,4,\"", std::string(1000, 'x'), 20'000, "", 1},
        HostileCase{"EmptyLines", "1\n", std::string(1000, '\n'), 10'000, "", 1},
        HostileCase{"BytesThatAreNoText", "1.3,0.0065,0.1,2,", std::string(1000, '\xFF'), 5000,
                    "\n", 1}),
    [](const testing::TestParamInfo<HostileCase>& info) { return std::string(info.param.name); });

// A million rows through a pipe: every row answered, in a few megabytes.
TEST(CsvStreaming, AMillionRowsInConstantMemory) {
#ifdef _WIN32
    GTEST_SKIP() << "pipes and peak memory through POSIX fork and wait4 (Linux only)";
#else
    constexpr long kRows = 1'000'000;
    int in[2];
    int out[2];
    ASSERT_EQ(pipe(in), 0);
    ASSERT_EQ(pipe(out), 0);
    const auto start = std::chrono::steady_clock::now();
    const std::string errPath = TempPath("million.err");
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        if (!freopen(errPath.c_str(), "w", stderr))
            _exit(127);
        close(in[0]);
        close(in[1]);
        close(out[0]);
        close(out[1]);
        tavrilo::test::ExecCalc({"--csv", "-"});
    }
    close(in[0]);
    close(out[1]);

    std::thread writer([fd = in[1]] {
        const char* arrangements[] = {"双向", "单向", "two-way", "1"};
        std::string block;
        block += "网片直径,钢筋直径,钢筋间距,布置形式,备注\n";
        for (long i = 0; i < kRows; ++i) {
            // D from 1 m to 2.995 m; every 1000th row cannot be calculated.
            const long mm = i % 1000 == 500 ? 0 : 1000 + i % 400 * 5;
            char d[32];
            std::snprintf(d, sizeof d, "%ld.%03ld", mm / 1000, mm % 1000);
            block += d;
            block += ",0.0065,0.1,";
            block += arrangements[i % 4];
            block += ",第" + std::to_string(i) + "号\n";
            if (block.size() > 60000 || i + 1 == kRows) {
                for (std::size_t done = 0; done < block.size();) {
                    const ssize_t n = write(fd, block.data() + done, block.size() - done);
                    if (n <= 0)
                        return;
                    done += static_cast<std::size_t>(n);
                }
                block.clear();
            }
        }
        close(fd);
    });

    long lines = 0;
    long failed = 0;
    std::string last;
    std::string buffer(1 << 16, '\0');
    std::string line;
    for (ssize_t n; (n = read(out[0], buffer.data(), buffer.size())) > 0;) {
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] != '\n') {
                line += buffer[i];
                continue;
            }
            ++lines;
            if (line.back() != ',')
                ++failed;
            last = std::move(line);
            line.clear();
        }
    }
    close(out[0]);
    writer.join();
    int status = 0;
    rusage usage{};
    ASSERT_EQ(wait4(pid, &status, 0, &usage), pid);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "some rows could not be calculated";
    EXPECT_EQ(lines, kRows + 1) << "a header and one row per input row";
    EXPECT_EQ(failed, kRows / 1000 + 1) << "the failed rows and the header end in text";
    EXPECT_EQ(last.rfind("2.995,0.0065,0.1,1,第999999号,", 0), 0u) << last;
#ifndef __SANITIZE_ADDRESS__
    // (AddressSanitizer holds freed memory in quarantine: no bound there.)
    EXPECT_LT(usage.ru_maxrss, 20 * 1024) << "peak resident set in KiB";
#endif
    EXPECT_EQ(tavrilo::test::Slurp(errPath),
              "按 UTF-8 读取，共 1000000 行，其中 1000 行无法计算，原因见 error 列；第 1 "
              "行是表头，未计算\n");
    std::printf("%ld rows in %.2f s: %.0f rows/s, peak resident set %ld KiB\n", kRows, seconds,
                kRows / seconds, usage.ru_maxrss);
    RecordProperty("rows_per_second", static_cast<int>(kRows / seconds));
#endif
}

} // namespace
