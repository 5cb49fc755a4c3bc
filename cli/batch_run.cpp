#include "cli/batch_run.h"

#include "app/batch.h"
#include "cli/exit_code.h"
#include "cli/input_file.h"
#include "cli/output.h"
#include "cli/system_error.h"
#include "text/messages.h"
#include "text/xlsx.h"

#include <cerrno>
#include <istream>
#include <ostream>
#include <string>

namespace tavrilo::cli {
int RunBatch(std::string_view path, bool byteOrderMark, std::istream& in, std::ostream& out,
             std::ostream& err) {
    InputFile input(path, in, err);
    if (!input.Opened())
        return kCannotComplete;
    std::istream* source = &input.Stream();
    const std::string& name = input.Name();
    BatchSession session(byteOrderMark);
    std::string bytes(kReadChunkBytes, '\0');
    std::string rows;
    // Writes out what the session answered; false once a write has failed
    // (and the failure was reported): the batch stops there.
    auto write = [&]() {
        out.write(rows.data(), static_cast<std::streamsize>(rows.size()));
        rows.clear();
        return OutputWritten(out, err);
    };
    // An Excel workbook is read whole, then its first sheet as CSV text.
    WorkbookFilter workbook;
    std::string text;
    bool decoded = true;
    bool readFailed = false;
    SystemError readError;
    while (decoded && !readFailed && *source) {
        errno = 0;
        source->read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        const auto got = static_cast<std::size_t>(source->gcount());
        readFailed = input.ReadFailed();
        readError = LastErrno();
        text.clear();
        if (!workbook.Feed(std::string_view(bytes.data(), got), text)) {
            err << WorkbookFailureText(name, workbook.Problem()) << '\n';
            return kCannotComplete;
        }
        decoded = session.Feed(text, rows);
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
    text.clear();
    if (!workbook.Finish(text)) {
        err << WorkbookFailureText(name, workbook.Problem()) << '\n';
        return kCannotComplete;
    }
    if (decoded)
        decoded = session.Feed(text, rows) && session.Finish(rows);
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
