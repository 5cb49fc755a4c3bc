#include "cli/order_run.h"

#include "cli/atomic_file.h"
#include "cli/exit_code.h"
#include "cli/file_path.h"
#include "cli/input_file.h"
#include "cli/system_error.h"
#include "text/batch_messages.h"
#include "text/utf8.h"

#include <cerrno>
#include <string>

namespace tavrilo::cli {
namespace {

// Reads the whole of `path` into `reader`; the exit status and the reason
// on `err` when it cannot.
int ReadInto(std::string_view path, OrderReader& reader, std::istream& in, std::ostream& err) {
    InputFile input(path, in, err);
    if (!input.Opened())
        return kCannotComplete;
    std::istream* source = &input.Stream();
    const std::string& name = input.Name();
    std::string bytes(kReadChunkBytes, '\0');
    while (*source) {
        errno = 0;
        source->read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        const auto got = static_cast<std::size_t>(source->gcount());
        if (input.ReadFailed()) {
            const std::string reason = ReasonText(LastErrno());
            err << "读取 " << name << " 时出错" << (reason.empty() ? "" : "：") << reason << '\n';
            return kCannotComplete;
        }
        if (!reader.Feed(std::string_view(bytes.data(), got))) {
            err << BatchDecodeFailureText(name, reader.Failure(), 0) << '\n';
            return kCannotComplete;
        }
    }
    if (!reader.Finish()) {
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
    const OrderAnswer answer = MakeSteelOrder(reader, std::get<OrderSettings>(settings));
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
    out << (options.Json ? SteelOrderJson(answer.Order) : SteelOrderText(answer.Order));
    if (!answer.Order.Omitted.empty()) {
        err << answer.Order.OmittedRows << " 行未计入下料方案，原因见输出\n";
        return kInvalidInput;
    }
    return kOk;
}

} // namespace tavrilo::cli
