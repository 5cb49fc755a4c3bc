#include "app/batch.h"

#include "calc/evaluate.h"
#include "calc/number.h"
#include "calc/weight.h"
#include "text/batch_messages.h"
#include "text/messages.h"
#include "text/order_messages.h"
#include "text/utf8.h"

#include <utility>

namespace tavrilo {
namespace {

constexpr std::size_t kInputColumns = 5;

// The row's total and mass, or why not.
std::variant<std::pair<double, BarMass>, std::string> Answer(const std::vector<std::string>& out) {
    const ArrangementCell cell = ReadArrangement(out[3]);
    if (cell == ArrangementCell::Straight) {
        const auto bar = ReadStraightBar(out[0], out[1]);
        if (const auto* reason = std::get_if<std::string>(&bar))
            return *reason;
        const StraightBar& straight = std::get<StraightBar>(bar);
        const std::optional<BarMass> mass = ComputeBarMass(straight.Length, straight.BarDiameter);
        if (!mass)
            return std::string(CalcErrorMessage(CalcErrorKind::FloatingPointFault));
        return std::pair{straight.Length, *mass};
    }
    const MeshInputs inputs{ParseLeadingNumber(out[0]), ParseLeadingNumber(out[1]),
                            ParseLeadingNumber(out[2])};
    const MeshDecision decision = DecideMesh(inputs, ArrangementOf(cell));
    if (const auto* refusal = std::get_if<Refusal>(&decision))
        return std::string(RefusalMessage(*refusal));
    if (std::holds_alternative<NoArrangement>(decision))
        return cell == ArrangementCell::Unknown ? UnknownArrangementMessage(out[3])
                                                : std::string(kNoArrangementMessage);
    const MeshLength& mesh = std::get<MeshLength>(decision);
    const std::optional<BarMass> mass = ComputeBarMass(mesh.Total, inputs.BarDiameter);
    if (!mass)
        return std::string(CalcErrorMessage(CalcErrorKind::FloatingPointFault));
    return std::pair{mesh.Total, *mass};
}

} // namespace

std::variant<StraightBar, std::string> ReadStraightBar(std::string_view length,
                                                       std::string_view diameter) {
    const std::string_view lengthText = TrimBlanks(length);
    const double metres = ParseLeadingNumber(lengthText);
    if (!IsOnlyNumber(lengthText) ||
        !(metres >= kShortestPieceMetres && metres <= kLongestPieceMetres))
        return StraightBarMessage(lengthText, false);
    const std::string_view diameterText = TrimBlanks(diameter);
    const double bar = ParseLeadingNumber(diameterText);
    if (!IsOnlyNumber(diameterText) || !(bar >= kThinnestBarMetres && bar <= kThickestBarMetres))
        return StraightBarMessage(diameterText, true);
    return StraightBar{RoundHalfEven(metres, 3), bar};
}

const std::vector<std::string>& BatchHeader() {
    static const std::vector<std::string> kHeader{"D",     "phi",     "d",         "arrangement",
                                                  "label", "total_m", "weight_kg", "error"};
    return kHeader;
}

BatchRow EvaluateBatchRecord(CsvRecord record) {
    BatchRow row;
    // The input fields, as many as there are columns for them, go out as
    // they came in.
    const std::size_t count = record.Fields.size();
    std::vector<std::string>& out = row.Fields;
    out = std::move(record.Fields);
    // Room for every output field at once: one allocation, not one for the
    // input columns and another for the results.
    out.reserve(BatchHeader().size());
    out.resize(kInputColumns);

    auto fail = [&](std::string_view reason) {
        out.push_back("");
        out.push_back("");
        out.emplace_back(reason);
        return row;
    };
    if (record.Problem != CsvRecordProblem::None)
        return fail(CsvRecordProblemMessage(record));
    if (count != 4 && count != 5)
        return fail(FieldCountMessage(count));

    const auto answer = Answer(out);
    if (const auto* reason = std::get_if<std::string>(&answer))
        return fail(*reason);
    const auto& [total, mass] = std::get<std::pair<double, BarMass>>(answer);
    out.push_back(FormatNumber(total));
    out.push_back(FormatNumber(mass.Kilograms));
    out.push_back("");
    row.Calculated = true;
    return row;
}

bool BatchSession::Feed(std::string_view bytes, std::string& out) {
    bytesRead_ += bytes.size();
    return records_.Feed(bytes, [&](CsvRecord& record) { Answer(record, out); });
}

void BatchSession::Stop(std::string& out) {
    records_.Stop([&](CsvRecord& record) { Answer(record, out); });
}

bool BatchSession::Finish(std::string& out) {
    if (!records_.Finish([&](CsvRecord& record) { Answer(record, out); }))
        return false;
    WriteHeader(out);
    return true;
}

void BatchSession::Answer(CsvRecord& record, std::string& out) {
    const BatchRow row = EvaluateBatchRecord(std::move(record));
    WriteHeader(out);
    ++rows_;
    if (!row.Calculated)
        ++failed_;
    AppendCsvRow(out, row.Fields);
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
    return BatchSummaryText(records_.Decoder(), rows_, failed_, records_.HeaderLine());
}

std::string BatchSession::PartialNote() const {
    return BatchPartialNote(rows_);
}

std::string BatchSession::DecodeFailure(std::string_view name) const {
    return BatchDecodeFailureText(name, Failure(), rows_);
}

std::string BatchSession::Progress() const {
    return BatchProgressText(rows_, failed_);
}

std::string BatchSession::Cancelled() const {
    return BatchCancelledText(rows_);
}

} // namespace tavrilo
