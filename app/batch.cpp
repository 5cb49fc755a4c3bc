#include "app/batch.h"

#include "calc/evaluate.h"
#include "calc/number.h"
#include "calc/weight.h"
#include "text/messages.h"
#include "text/utf8.h"

#include <array>
#include <utility>

namespace tavrilo {
namespace {

constexpr std::size_t kInputColumns = 5;

// Blanks, tabs, line breaks, the no-break space and the ideographic space at
// either end.
std::string_view Trim(std::string_view text) {
    constexpr std::array<std::string_view, 6> kBlanks{" ",  "\t",       "\r",
                                                      "\n", "\xC2\xA0", "\xE3\x80\x80"};
    for (bool changed = true; changed;) {
        changed = false;
        for (std::string_view blank : kBlanks) {
            if (text.starts_with(blank)) {
                text.remove_prefix(blank.size());
                changed = true;
            }
            if (text.ends_with(blank)) {
                text.remove_suffix(blank.size());
                changed = true;
            }
        }
    }
    return text;
}

} // namespace

const std::vector<std::string>& BatchHeader() {
    static const std::vector<std::string> kHeader{"D",     "phi",     "d",         "arrangement",
                                                  "label", "total_m", "weight_kg", "error"};
    return kHeader;
}

bool IsHeaderRecord(const CsvRecord& record) {
    if (record.Problem != CsvRecordProblem::None || record.Fields.empty())
        return false;
    for (std::size_t i = 0; i < record.Fields.size() && i < 3; ++i)
        if (BeginsWithNumber(record.Fields[i]))
            return false;
    return true;
}

ArrangementCell ReadArrangement(std::string_view cell) {
    const std::string_view text = Trim(cell);
    if (text.empty())
        return ArrangementCell::Empty;
    if (text == "单向" || text == "单向布置" || EqualsIgnoringAsciiCase(text, "one-way") ||
        text == "1")
        return ArrangementCell::OneWay;
    if (text == "双向" || text == "双向布置" || EqualsIgnoringAsciiCase(text, "two-way") ||
        text == "2")
        return ArrangementCell::TwoWay;
    return ArrangementCell::Unknown;
}

BatchRow EvaluateBatchRecord(CsvRecord record) {
    BatchRow row;
    // The input fields, as many as there are columns for them, go out as
    // they came in.
    const std::size_t count = record.Fields.size();
    std::vector<std::string>& out = row.Fields;
    out = std::move(record.Fields);
    out.resize(kInputColumns);
    out.reserve(BatchHeader().size());

    auto fail = [&](std::string_view reason) {
        out.push_back("");
        out.push_back("");
        out.emplace_back(reason);
        return row;
    };
    constexpr std::string_view fieldCountRule =
        "字段数应为 4 或 5 个（D,Φ,d,布置形式[,备注]），此行";
    switch (record.Problem) {
    case CsvRecordProblem::UnterminatedQuote:
        return fail("引号未闭合：从第 " + std::to_string(record.QuoteLine) +
                    " 行起到文件末尾都在一个带引号的字段里");
    case CsvRecordProblem::TooLong:
        return fail("第 " + std::to_string(record.Line) + " 行超过 " +
                    std::to_string(CsvReader::kMaxRecordBytes >> 20) + " MiB，无法读取");
    case CsvRecordProblem::TooManyFields:
        return fail(std::string(fieldCountRule) + "超过 " + std::to_string(CsvReader::kMaxFields) +
                    " 个");
    case CsvRecordProblem::None:
        break;
    }
    if (count != 4 && count != 5)
        return fail(std::string(fieldCountRule) + "有 " + std::to_string(count) + " 个");

    const MeshInputs inputs{ParseLeadingNumber(out[0]), ParseLeadingNumber(out[1]),
                            ParseLeadingNumber(out[2])};
    if (const std::optional<Refusal> refusal = RefuseInputs(inputs))
        return fail(RefusalMessage(*refusal));
    Arrangement arrangement = Arrangement::TwoWay;
    switch (ReadArrangement(out[3])) {
    case ArrangementCell::OneWay:
        arrangement = Arrangement::OneWay;
        break;
    case ArrangementCell::TwoWay:
        break;
    case ArrangementCell::Empty:
        return fail(kNoArrangementMessage);
    case ArrangementCell::Unknown:
        return fail("无法识别的布置形式“" + std::string(Trim(out[3])) +
                    "”：应为 单向（单向布置、one-way、1）或 双向（双向布置、two-way、2）");
    }

    const MeshEvaluation evaluation = EvaluateMesh(inputs, arrangement);
    if (const auto* refusal = std::get_if<Refusal>(&evaluation))
        return fail(RefusalMessage(*refusal));
    const MeshLength& mesh = std::get<MeshLength>(evaluation);
    const std::optional<BarMass> mass = ComputeBarMass(mesh.Total, inputs.BarDiameter);
    if (!mass)
        return fail(CalcErrorMessage(CalcErrorKind::FloatingPointFault));

    out.push_back(FormatNumber(mesh.Total));
    out.push_back(FormatNumber(mass->Kilograms));
    out.push_back("");
    row.Calculated = true;
    return row;
}

namespace {

// How many bytes of text the CSV reader takes at a time, so that few records
// wait at once however short they are.
constexpr std::size_t kSliceBytes = 4 * 1024;

} // namespace

bool BatchSession::Feed(std::string_view bytes, std::string& out) {
    bytesRead_ += bytes.size();
    text_.clear();
    const bool decoded = decoder_.Feed(bytes, text_);
    Take(text_, out);
    return decoded;
}

void BatchSession::Stop(std::string& out) {
    text_.clear();
    decoder_.Finish(text_);
    Take(text_, out);
}

bool BatchSession::Finish(std::string& out) {
    text_.clear();
    const bool decoded = decoder_.Finish(text_);
    Take(text_, out);
    if (!decoded)
        return false;
    reader_.Finish(records_);
    Answer(records_, out);
    WriteHeader(out);
    return true;
}

void BatchSession::Take(std::string_view text, std::string& out) {
    for (std::size_t at = 0; at < text.size(); at += kSliceBytes) {
        reader_.Feed(text.substr(at, kSliceBytes), records_);
        Answer(records_, out);
    }
}

void BatchSession::Answer(std::vector<CsvRecord>& records, std::string& out) {
    for (CsvRecord& record : records) {
        if (IsBlankRecord(record))
            continue;
        if (first_) {
            first_ = false;
            if (IsHeaderRecord(record)) {
                headerLine_ = record.Line;
                continue;
            }
        }
        const BatchRow row = EvaluateBatchRecord(std::move(record));
        WriteHeader(out);
        ++rows_;
        if (!row.Calculated)
            ++failed_;
        AppendCsvRow(out, row.Fields);
    }
    records.clear();
}

void BatchSession::WriteHeader(std::string& out) {
    if (headerWritten_)
        return;
    if (byteOrderMark_)
        out += kByteOrderMark;
    AppendCsvRow(out, BatchHeader());
    headerWritten_ = true;
}

std::string BatchSession::Summary() const {
    std::string summary = "按 " + std::string(EncodingName(decoder_.Encoding())) + " 读取，共 " +
                          std::to_string(rows_) + " 行";
    if (failed_ > 0)
        summary += "，其中 " + std::to_string(failed_) + " 行无法计算，原因见 error 列";
    else if (rows_ > 0)
        summary += "，全部计算成功";
    if (headerLine_ > 0)
        summary += "；第 " + std::to_string(headerLine_) + " 行是表头，未计算";
    if (decoder_.ReplacedLineCount() > 0) {
        summary += "；第 ";
        const std::vector<std::size_t>& lines = decoder_.ReplacedLines();
        for (std::size_t i = 0; i < lines.size(); ++i)
            summary += (i > 0 ? "、" : "") + std::to_string(lines[i]);
        summary += " 行";
        if (decoder_.ReplacedLineCount() > lines.size())
            summary += "等 " + std::to_string(decoder_.ReplacedLineCount()) + " 行";
        summary += "有无法解码的字节，已替换为“" + std::string(kReplacementCharacter) + "”";
    }
    return summary;
}

std::string BatchSession::PartialNote() const {
    if (rows_ == 0)
        return "";
    return "（已输出前 " + std::to_string(rows_) + " 行的结果）";
}

std::string BatchSession::DecodeFailure(std::string_view name) const {
    return "无法解码 " + std::string(name) + "：" + Failure() + PartialNote();
}

std::string BatchSession::Progress() const {
    std::string text = "已计算 " + std::to_string(rows_) + " 行";
    if (failed_ > 0)
        text += "，其中 " + std::to_string(failed_) + " 行无法计算";
    return text;
}

std::string BatchSession::Cancelled() const {
    return "已取消批量计算" + PartialNote();
}

} // namespace tavrilo
