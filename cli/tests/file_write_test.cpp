// Writes that fail: the reason in the same Chinese words on Linux and
// Windows, the drawing that was there kept whole with no temporary file left
// beside it, and a reader that leaves early (`| head -1`) reported with exit
// status 2.
#include "cli/system_error.h"
#include "cli/tests/process.h"
#include "text/messages.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using tavrilo::FileFault;
using tavrilo::FileFaultReason;
using tavrilo::cli::ReasonText;
using tavrilo::cli::SystemError;
using tavrilo::test::Outcome;
using tavrilo::test::RunCalc;
using tavrilo::test::TempPath;

struct ReasonCase {
    SystemError error;
    FileFault fault;
};

TEST(ReasonText, TheCommonFaultsInOneWordingOnEverySystem) {
    using S = SystemError::Source;
    std::vector<ReasonCase> cases{
        {{S::Errno, ENOSPC}, FileFault::NoSpace},   {{S::Errno, EACCES}, FileFault::NoPermission},
        {{S::Errno, ENOENT}, FileFault::NotFound},  {{S::Errno, EISDIR}, FileFault::IsFolder},
        {{S::Errno, EPIPE}, FileFault::BrokenPipe}, {{S::Errno, EROFS}, FileFault::ReadOnly},
    };
#ifdef _WIN32
    cases.insert(cases.end(), {
                                  {{S::Windows, ERROR_DISK_FULL}, FileFault::NoSpace},
                                  {{S::Windows, ERROR_HANDLE_DISK_FULL}, FileFault::NoSpace},
                                  {{S::Windows, ERROR_ACCESS_DENIED}, FileFault::NoPermission},
                                  {{S::Windows, ERROR_FILE_NOT_FOUND}, FileFault::NotFound},
                                  {{S::Windows, ERROR_PATH_NOT_FOUND}, FileFault::NotFound},
                                  {{S::Windows, ERROR_DIRECTORY}, FileFault::IsFolder},
                                  {{S::Windows, ERROR_BROKEN_PIPE}, FileFault::BrokenPipe},
                                  {{S::Windows, ERROR_NO_DATA}, FileFault::BrokenPipe},
                                  {{S::Windows, ERROR_PIPE_NOT_CONNECTED}, FileFault::BrokenPipe},
                                  {{S::Windows, ERROR_WRITE_PROTECT}, FileFault::ReadOnly},
                              });
#endif
    for (const ReasonCase& c : cases)
        EXPECT_EQ(ReasonText(c.error), FileFaultReason(c.fault)) << c.error.code;
    // The C library's texts are English: the rest in Chinese too, by number at worst;
    // nothing when the system gave no reason.
    EXPECT_EQ(ReasonText({S::Errno, EBADF}), "文件或输出已关闭");
    EXPECT_EQ(ReasonText({S::Errno, 100000}), "系统错误 100000");
    EXPECT_EQ(ReasonText({}), "");
#ifdef _WIN32
    EXPECT_FALSE(ReasonText({S::Windows, ERROR_INVALID_HANDLE}).empty());
#endif
}

// What a folder holds: each name with the size and a hash of its bytes, or
// its kind when it is not a regular file.
std::map<std::string, std::string> Contents(const std::string& folder) {
    std::map<std::string, std::string> contents;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(tavrilo::test::Utf8Path(folder))) {
        const std::u8string name = entry.path().filename().u8string();
        const std::string utf8(name.begin(), name.end());
        if (!entry.is_regular_file()) {
            contents[utf8] = "not a file";
            continue;
        }
        const std::string bytes = tavrilo::test::Slurp(folder + "/" + utf8);
        contents[utf8] = std::to_string(bytes.size()) + " bytes, hash " +
                         std::to_string(std::hash<std::string>{}(bytes));
    }
    return contents;
}

#ifndef _WIN32

// A small file system of the test's own, at `folder`, seen only by this
// process and the programs it starts (a mount namespace of its own); nothing
// is left mounted when the test ends. The reason when the system does not
// allow it (not root, or in a container that forbids mounting).
std::optional<std::string> MountScratch(const std::string& folder, const char* options) {
    static const int isolated =
        unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
            ? 0
            : errno;
    if (isolated != 0)
        return std::string("no mount namespace of its own: ") + std::strerror(isolated);
    fs::create_directories(folder);
    if (mount("tmpfs", folder.c_str(), "tmpfs", 0, options) != 0)
        return std::string("cannot mount a tmpfs: ") + std::strerror(errno);
    return std::nullopt;
}

#endif

const std::vector<std::string> kSmallMesh{"1.3", "0.0065", "0.1"};
const std::vector<std::string> kLargeMesh{"30", "0.01", "0.1"}; // a drawing of some 55 kB

// Puts a real drawing at `path`.
void DrawSmallMesh(const std::string& path) {
    std::vector<std::string> args = kSmallMesh;
    args.insert(args.end(), {"--svg", path});
    ASSERT_EQ(RunCalc(args).status, 0);
}

struct KeptCase {
    const char* name;
    // Prepares `folder` (with a drawing when it is to be kept) and names the
    // file to write in it; the reason the case cannot be set up here, if so.
    std::function<std::optional<std::string>(const std::string& folder, std::string& target)>
        prepare;
    FileFault fault;
};

void PrintTo(const KeptCase& c, std::ostream* os) {
    *os << c.name;
}

class FailedDrawing : public testing::TestWithParam<KeptCase> {};

TEST_P(FailedDrawing, LeavesTheFolderAsItWas) {
    const KeptCase& c = GetParam();
    const std::string folder = TempPath(c.name);
    fs::create_directories(tavrilo::test::Utf8Path(folder));
    std::string target;
    if (const auto reason = c.prepare(folder, target))
        GTEST_SKIP() << *reason;
    const auto before = Contents(folder);

    std::vector<std::string> args = kLargeMesh;
    args.insert(args.end(), {"--svg", folder + "/" + target});
    const Outcome o = RunCalc(args);

    EXPECT_EQ(o.status, 2) << o.err;
    EXPECT_NE(o.err.find("无法写入文件"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find(FileFaultReason(c.fault)), std::string::npos) << o.err;
    EXPECT_EQ(Contents(folder), before);
}

#ifdef _WIN32

const char* const kLinuxOnly = "mounts a small file system of its own (Linux, as root)";

std::optional<std::string> FullDisk(const std::string&, std::string&) {
    return kLinuxOnly;
}
std::optional<std::string> ReadOnlyFolder(const std::string&, std::string&) {
    return kLinuxOnly;
}
std::optional<std::string> FullDevice(const std::string&, std::string&) {
    return kLinuxOnly;
}

#else

std::optional<std::string> FullDisk(const std::string& folder, std::string& target) {
    if (auto reason = MountScratch(folder, "size=64k"))
        return reason;
    target = "good.svg";
    DrawSmallMesh(folder + "/" + target);
    // The rest of the space taken, to the last block.
    std::FILE* filler = std::fopen((folder + "/filler").c_str(), "w");
    const std::string block(512, 'x');
    while (std::fwrite(block.data(), 1, block.size(), filler) == block.size() &&
           std::fflush(filler) == 0) {
    }
    std::fclose(filler);
    return std::nullopt;
}

std::optional<std::string> ReadOnlyFolder(const std::string& folder, std::string& target) {
    if (auto reason = MountScratch(folder, "size=1m"))
        return reason;
    target = "good.svg";
    DrawSmallMesh(folder + "/" + target);
    if (mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
        return std::string("cannot remount read-only: ") + std::strerror(errno);
    return std::nullopt;
}

// A device is written as it is, never replaced by a file.
std::optional<std::string> FullDevice(const std::string& folder, std::string& target) {
    if (auto reason = MountScratch(folder, "size=64k"))
        return reason;
    target = "full";
    if (mknod((folder + "/full").c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        return std::string("cannot make a device: ") + std::strerror(errno);
    return std::nullopt;
}

#endif

// A file made read-only (on Windows its attribute, elsewhere its permissions).
std::optional<std::string> ReadOnlyFile(const std::string& folder, std::string& target) {
    target = "good.svg";
    const std::string path = folder + "/" + target;
    DrawSmallMesh(path);
#ifdef _WIN32
    if (!SetFileAttributesW(tavrilo::test::Utf8Path(path).c_str(), FILE_ATTRIBUTE_READONLY))
        return "cannot make the file read-only";
#else
    if (geteuid() == 0)
        return "root may write any file";
    fs::permissions(path, fs::perms(0444));
#endif
    return std::nullopt;
}

std::optional<std::string> TargetIsAFolder(const std::string& folder, std::string& target) {
    target = "图.svg";
    fs::create_directory(tavrilo::test::Utf8Path(folder + "/" + target));
    return std::nullopt;
}

std::optional<std::string> FolderMissing(const std::string&, std::string& target) {
    target = "missing/mesh.svg";
    return std::nullopt;
}

INSTANTIATE_TEST_SUITE_P(
    Everywhere, FailedDrawing,
    testing::Values(KeptCase{"TargetIsAFolder", TargetIsAFolder, FileFault::IsFolder},
                    KeptCase{"FolderMissing", FolderMissing, FileFault::NotFound},
                    KeptCase{"FileReadOnly", ReadOnlyFile, FileFault::NoPermission},
                    KeptCase{"DiskFull", FullDisk, FileFault::NoSpace},
                    KeptCase{"FolderReadOnly", ReadOnlyFolder, FileFault::ReadOnly},
                    KeptCase{"DeviceThatIsFull", FullDevice, FileFault::NoSpace}),
    [](const testing::TestParamInfo<KeptCase>& info) { return std::string(info.param.name); });

#ifndef _WIN32
// A drawing written again keeps its permissions, and a link to it stays a link.
TEST(SvgFile, ReplacedInPlaceOfTheOldFile) {
    const std::string folder = TempPath("replaced");
    fs::create_directories(folder);
    DrawSmallMesh(folder + "/real.svg");
    fs::permissions(folder + "/real.svg", fs::perms(0640));
    fs::create_symlink("real.svg", folder + "/link.svg");
    std::vector<std::string> args = kLargeMesh;
    args.insert(args.end(), {"--svg", folder + "/link.svg"});
    ASSERT_EQ(RunCalc(args).status, 0);
    EXPECT_TRUE(fs::is_symlink(folder + "/link.svg"));
    EXPECT_EQ(fs::status(folder + "/real.svg").permissions(), fs::perms(0640));
    EXPECT_GT(fs::file_size(folder + "/real.svg"), 50000u);
    EXPECT_EQ(Contents(folder).size(), 2u); // no temporary file left
}
#endif

// `tavrilo-calc --csv big.csv | head -1`: exit status 2 and why, on every system.
TEST(ClosedPipe, IsExitTwoWithTheReason) {
    const std::string csv = TempPath("many.csv");
    std::string rows;
    for (int i = 0; i < 20000; ++i)
        rows += "1,0.01,0.1,双向\n";
    tavrilo::test::WriteBytes(csv, rows);
    const Outcome o = tavrilo::test::RunCalcIntoPipeClosedEarly({"--csv", csv});
    EXPECT_EQ(o.out, "D,phi,d,arrangement,label,total_m,weight_kg,error\n");
    EXPECT_EQ(o.status, 2) << o.err;
    EXPECT_NE(o.err.find(std::string(tavrilo::kStandardOutputWriteFailed) + "：" +
                         std::string(FileFaultReason(FileFault::BrokenPipe))),
              std::string::npos)
        << o.err;
}

} // namespace
