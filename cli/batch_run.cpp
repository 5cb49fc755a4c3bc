#include "cli/batch_run.h"

#include "app/batch.h"
#include "cli/exit_code.h"
#include "cli/file_path.h"
#include "cli/output.h"
#include "cli/system_error.h"
#include "text/messages.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <istream>
#include <ostream>
#include <string>

namespace tavrilo::cli {
namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;

// Whether the last read from `source` failed, rather than reached the end.
// Standard input read through C stdio (the streams synchronised with it, as
// they are by default) takes a read error for the end of the file: stdio
// keeps the difference.
bool ReadFailed(const std::istream& source) {
    return source.bad() || (&source == &std::cin && std::ferror(stdin) != 0);
}

} // namespace

int RunBatch(std::string_view path, bool byteOrderMark, std::istream& in, std::ostream& out,
             std::ostream& err) {
    std::ifstream file;
    std::istream* source = &in;
    const std::string name = path == "-" ? "标准输入" : std::string(path);
    if (path != "-") {
        std::error_code ignored;
        if (std::filesystem::is_directory(PathFromUtf8(path), ignored)) {
            err << "无法打开文件 " << name << "：" << FileFaultReason(FileFault::IsFolder) << '\n';
            return kCannotComplete;
        }
        file.open(PathFromUtf8(path), std::ios::binary);
        if (!file) {
            err << "无法打开文件 " << name << "：" << ReasonText(LastErrno()) << '\n';
            return kCannotComplete;
        }
        source = &file;
    }

    BatchSession session(byteOrderMark);
    std::string bytes(kChunkBytes, '\0');
    std::string rows;
    // Writes out what the session answered; false once a write has failed
    // (and the failure was reported): the batch stops there.
    auto write = [&]() {
        out.write(rows.data(), static_cast<std::streamsize>(rows.size()));
        rows.clear();
        return OutputWritten(out, err);
    };
    bool decoded = true;
    bool readFailed = false;
    SystemError readError;
    while (decoded && !readFailed && *source) {
        errno = 0;
        source->read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        const auto got = static_cast<std::size_t>(source->gcount());
        readFailed = ReadFailed(*source);
        readError = LastErrno();
        decoded = session.Feed(std::string_view(bytes.data(), got), rows);
        if (!write())
            return kCannotComplete;
    }
    if (readFailed) {
        // The rows completed before the error are kept.
        if (decoded)
            session.Stop(rows);
        if (!write())
            return kCannotComplete;
        const std::string reason = ReasonText(readError);
        err << "读取 " << name << " 时出错" << (reason.empty() ? "" : "：") << reason
            << session.PartialNote() << '\n';
        return kCannotComplete;
    }
    if (decoded)
        decoded = session.Finish(rows);
    if (!write())
        return kCannotComplete;
    if (!decoded) {
        err << session.DecodeFailure(name) << '\n';
        return kCannotComplete;
    }
    err << session.Summary() << '\n';
    return session.Failed() > 0 ? kInvalidInput : kOk;
}

} // namespace tavrilo::cli
