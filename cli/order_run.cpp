#include "cli/order_run.h"

#include "app/store.h"
#include "cli/atomic_file.h"
#include "cli/exit_code.h"
#include "cli/file_path.h"
#include "cli/input_file.h"
#include "cli/system_error.h"
#include "text/batch_messages.h"
#include "text/store.h"
#include "text/utf8.h"
#include "text/xlsx.h"

#include <cerrno>
#include <ctime>
#include <string>

namespace tavrilo::cli {
namespace {

// Reads the whole of `path` into `reader` (the order's or the store's), an
// Excel workbook as the CSV text of its first sheet; the exit status and the
// reason on `err` when it cannot.
template <class Reader>
int ReadInto(std::string_view path, Reader& reader, std::istream& in, std::ostream& err) {
    InputFile input(path, in, err);
    if (!input.Opened())
        return kCannotComplete;
    std::istream* source = &input.Stream();
    const std::string& name = input.Name();
    std::string bytes(kReadChunkBytes, '\0');
    WorkbookFilter workbook;
    std::string text;
    const auto refused = [&]() {
        err << WorkbookFailureText(name, workbook.Problem()) << '\n';
        return kCannotComplete;
    };
    while (*source) {
        errno = 0;
        source->read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        const auto got = static_cast<std::size_t>(source->gcount());
        if (input.ReadFailed()) {
            const std::string reason = ReasonText(LastErrno());
            err << "读取 " << name << " 时出错" << (reason.empty() ? "" : "：") << reason << '\n';
            return kCannotComplete;
        }
        text.clear();
        if (!workbook.Feed(std::string_view(bytes.data(), got), text))
            return refused();
        if (!reader.Feed(text)) {
            err << BatchDecodeFailureText(name, reader.Failure(), 0) << '\n';
            return kCannotComplete;
        }
    }
    text.clear();
    if (!workbook.Finish(text))
        return refused();
    if (!reader.Feed(text) || !reader.Finish()) {
        err << BatchDecodeFailureText(name, reader.Failure(), 0) << '\n';
        return kCannotComplete;
    }
    return kOk;
}

bool Write(std::string_view path, const std::string& content, std::ostream& err) {
    if (const auto fault = WriteFileAtomically(PathFromUtf8(path), content)) {
        err << "无法写入文件 " << path << "：" << ReasonText(*fault) << '\n';
        return false;
    }
    return true;
}

// The name of the file read, without its folder: the site's name.
std::string FileName(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    return path == "-"                       ? std::string("标准输入")
           : slash == std::string_view::npos ? std::string(path)
                                             : std::string(path.substr(slash + 1));
}

// The site's name: its file's, without the extension (工程清单 of 工程清单.xlsx).
std::string SiteName(std::string_view path) {
    std::string name = FileName(path);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// Today, as 2026-12-10.
std::string Today() {
    const std::time_t now = std::time(nullptr);
    char date[16] = "";
    if (const std::tm* local = std::localtime(&now))
        std::strftime(date, sizeof date, "%Y-%m-%d", local);
    return date;
}

// The store given (empty when none is), its rows left out said on `err`:
// the exit status, 1 when some were.
int ReadStore(const OrderOptions& options, OrderStore& store, std::istream& in, std::ostream& err) {
    if (!options.StorePath)
        return kOk;
    StoreReader reader;
    if (const int status = ReadInto(*options.StorePath, reader, in, err); status != kOk)
        return status;
    store.Bars = reader.Bars();
    for (const OmittedRow& row : reader.Omitted())
        err << "库存 " << *options.StorePath << " 第 " << row.Line << " 行未计入：" << row.Reason
            << '\n';
    if (reader.OmittedRows() > static_cast<long long>(reader.Omitted().size()))
        err << "库存另有 " << reader.OmittedRows() - static_cast<long long>(reader.Omitted().size())
            << " 行未计入\n";
    return reader.OmittedRows() > 0 ? kInvalidInput : kOk;
}

} // namespace

int RunOrder(const OrderOptions& options, std::istream& in, std::ostream& out, std::ostream& err) {
    const auto settings = ReadOrderSettings(options.Settings);
    if (const auto* refusal = std::get_if<std::string>(&settings)) {
        err << "tavrilo-calc：" << *refusal << '\n';
        return kUsage;
    }
    OrderReader reader(options.Source);
    if (const int status = ReadInto(options.Path, reader, in, err); status != kOk)
        return status;
    OrderStore store;
    store.OffcutNote = OffcutNoteText(FileName(options.Path), Today());
    const int storeStatus = ReadStore(options, store, in, err);
    if (storeStatus == kCannotComplete)
        return storeStatus;
    const bool stored = options.StorePath || options.StoreOutPath;
    const OrderAnswer answer =
        MakeSteelOrder(reader, std::get<OrderSettings>(settings), stored ? &store : nullptr);
    if (answer.Refusal) {
        err << answer.Refusal->Message << '\n';
        return answer.Refusal->ByInput ? kInvalidInput : kCannotComplete;
    }
    if (options.SvgPath && !Write(*options.SvgPath, SteelOrderSvg(answer.Order), err))
        return kCannotComplete;
    if (options.CsvPath &&
        !Write(*options.CsvPath,
               (options.ByteOrderMark ? std::string(kByteOrderMark) : std::string()) +
                   SteelOrderCsv(answer.Order),
               err))
        return kCannotComplete;
    if (options.XlsxPath && !Write(*options.XlsxPath,
                                   SteelOrderXlsx(answer.Order, {SiteName(options.Path), Today(),
                                                                 std::string(options.PreparedBy),
                                                                 std::string(options.CheckedBy)}),
                                   err))
        return kCannotComplete;
    if (options.StoreOutPath &&
        !Write(*options.StoreOutPath, StoreCsv(answer.Order.StoreAfter), err))
        return kCannotComplete;
    out << (options.Json ? SteelOrderJson(answer.Order) : SteelOrderText(answer.Order));
    if (!answer.Order.Omitted.empty()) {
        err << answer.Order.OmittedRows << " 行未计入下料方案，原因见输出\n";
        return kInvalidInput;
    }
    return storeStatus;
}

} // namespace tavrilo::cli
