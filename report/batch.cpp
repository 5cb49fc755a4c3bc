#include "report/batch.h"

#include "calc/evaluate.h"
#include "calc/messages.h"
#include "calc/number.h"
#include "calc/weight.h"

#include <array>

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

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

} // namespace

const std::vector<std::string>& BatchHeader() {
    static const std::vector<std::string> kHeader{"D",     "phi",     "d",         "arrangement",
                                                  "label", "total_m", "weight_kg", "error"};
    return kHeader;
}

bool BeginsWithNumber(std::string_view text) {
    std::size_t i = text.find_first_not_of(" \t");
    if (i == std::string_view::npos)
        return false;
    if (text[i] == '+' || text[i] == '-')
        ++i;
    auto digit = [&](std::size_t k) { return k < text.size() && text[k] >= '0' && text[k] <= '9'; };
    return digit(i) || (i < text.size() && text[i] == '.' && digit(i + 1));
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

BatchRow EvaluateBatchRecord(const CsvRecord& record) {
    BatchRow row;
    std::vector<std::string>& out = row.Fields;
    for (std::size_t i = 0; i < kInputColumns; ++i)
        out.push_back(i < record.Fields.size() ? record.Fields[i] : std::string());

    auto fail = [&](std::string_view reason) {
        out.push_back("");
        out.push_back("");
        out.emplace_back(reason);
        return row;
    };
    const std::string fieldCountRule = "字段数应为 4 或 5 个（D,Φ,d,布置形式[,备注]），此行";
    switch (record.Problem) {
    case CsvRecordProblem::UnterminatedQuote:
        return fail("引号未闭合：从第 " + std::to_string(record.QuoteLine) +
                    " 行起到文件末尾都在一个带引号的字段里");
    case CsvRecordProblem::TooLong:
        return fail("此行超过 " + std::to_string(CsvReader::kMaxRecordBytes >> 20) +
                    " MiB，无法读取");
    case CsvRecordProblem::TooManyFields:
        return fail(fieldCountRule + "超过 " + std::to_string(CsvReader::kMaxFields) + " 个");
    case CsvRecordProblem::None:
        break;
    }
    const std::size_t count = record.Fields.size();
    if (count != 4 && count != 5)
        return fail(fieldCountRule + "有 " + std::to_string(count) + " 个");

    const MeshInputs inputs{ParseLeadingNumber(record.Fields[0]),
                            ParseLeadingNumber(record.Fields[1]),
                            ParseLeadingNumber(record.Fields[2])};
    if (const std::optional<Refusal> refusal = RefuseInputs(inputs))
        return fail(RefusalMessage(*refusal));
    Arrangement arrangement = Arrangement::TwoWay;
    switch (ReadArrangement(record.Fields[3])) {
    case ArrangementCell::OneWay:
        arrangement = Arrangement::OneWay;
        break;
    case ArrangementCell::TwoWay:
        break;
    case ArrangementCell::Empty:
        return fail(kNoArrangementMessage);
    case ArrangementCell::Unknown:
        return fail("无法识别的布置形式“" + std::string(Trim(record.Fields[3])) +
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

} // namespace tavrilo
