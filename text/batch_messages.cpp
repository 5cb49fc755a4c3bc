#include "text/batch_messages.h"

#include "text/utf8.h"

namespace tavrilo {
namespace {

constexpr std::string_view kFieldCountRule = "字段数应为 4 或 5 个（D,Φ,d,布置形式[,备注]），此行";

} // namespace

std::string CsvRecordProblemMessage(const CsvRecord& record) {
    switch (record.Problem) {
    case CsvRecordProblem::UnterminatedQuote:
        return "引号未闭合：从第 " + std::to_string(record.QuoteLine) +
               " 行起到文件末尾都在一个带引号的字段里";
    case CsvRecordProblem::TooLong:
        return "第 " + std::to_string(record.Line) + " 行超过 " +
               std::to_string(CsvReader::kMaxRecordBytes >> 20) + " MiB，无法读取";
    case CsvRecordProblem::TooManyFields:
        return std::string(kFieldCountRule) + "超过 " + std::to_string(CsvReader::kMaxFields) +
               " 个";
    case CsvRecordProblem::None:
        break;
    }
    return "";
}

std::string FieldCountMessage(std::size_t count) {
    return std::string(kFieldCountRule) + "有 " + std::to_string(count) + " 个";
}

std::string BatchSummaryText(const TextDecoder& decoder, long long rows, long long failed,
                             std::size_t headerLine) {
    std::string summary = "按 " + std::string(EncodingName(decoder.Encoding())) + " 读取，共 " +
                          std::to_string(rows) + " 行";
    if (failed > 0)
        summary += "，其中 " + std::to_string(failed) + " 行无法计算，原因见 error 列";
    else if (rows > 0)
        summary += "，全部计算成功";
    if (headerLine > 0)
        summary += "；第 " + std::to_string(headerLine) + " 行是表头，未计算";
    if (decoder.ReplacedLineCount() > 0) {
        summary += "；第 ";
        const std::vector<std::size_t>& lines = decoder.ReplacedLines();
        for (std::size_t i = 0; i < lines.size(); ++i)
            summary += (i > 0 ? "、" : "") + std::to_string(lines[i]);
        summary += " 行";
        if (decoder.ReplacedLineCount() > lines.size())
            summary += "等 " + std::to_string(decoder.ReplacedLineCount()) + " 行";
        summary += "有无法解码的字节，已替换为“" + std::string(kReplacementCharacter) + "”";
    }
    return summary;
}

std::string BatchPartialNote(long long rows) {
    if (rows == 0)
        return "";
    return "（已输出前 " + std::to_string(rows) + " 行的结果）";
}

std::string BatchDecodeFailureText(std::string_view name, std::string_view failure,
                                   long long rows) {
    return "无法解码 " + std::string(name) + "：" + std::string(failure) + BatchPartialNote(rows);
}

std::string BatchProgressText(long long rows, long long failed) {
    std::string text = "已计算 " + std::to_string(rows) + " 行";
    if (failed > 0)
        text += "，其中 " + std::to_string(failed) + " 行无法计算";
    return text;
}

std::string BatchCancelledText(long long rows) {
    return "已取消批量计算" + BatchPartialNote(rows);
}

std::string BatchUnreadableText(std::string_view name, long long rows) {
    return "读取 " + std::string(name) +
           " 时出错：文件在读取中途已无法读取（可能已被移走、截断或替换），第 " +
           std::to_string(rows + 1) + " 行起未读取" + BatchPartialNote(rows);
}

} // namespace tavrilo
