#include "text/csv.h"

#include "calc/number.h"

namespace tavrilo {

void CsvReader::EndField() {
    if (record_.Problem == CsvRecordProblem::None && record_.Fields.size() == kMaxFields)
        record_.Problem = CsvRecordProblem::TooManyFields;
    if (record_.Problem == CsvRecordProblem::None) {
        // Room for a row of a usual width at once, rather than growing to it.
        if (record_.Fields.empty())
            record_.Fields.reserve(8);
        record_.Fields.push_back(std::move(field_));
    }
    field_.clear();
}

void CsvReader::EndRecord(std::vector<CsvRecord>& records) {
    EndField();
    PushRecord(records);
}

void CsvReader::PushRecord(std::vector<CsvRecord>& records) {
    records.push_back(std::move(record_));
    record_ = CsvRecord{};
    recordStarted_ = false;
    recordBytes_ = 0;
    ++line_;
}

void CsvReader::DropOverlongRecord() {
    record_.Problem = CsvRecordProblem::TooLong;
    record_.Fields.clear();
    field_.clear();
    field_.shrink_to_fit();
}

bool CsvReader::IsLfOfCrLf(char c) {
    if (state_ != State::AfterCr)
        return false;
    state_ = State::FieldStart;
    return c == '\n';
}

bool CsvReader::CountByte(char c) {
    if (!recordStarted_) {
        recordStarted_ = true;
        record_.Line = line_;
    }
    // The line break that ends the record is not part of it.
    const bool endsRecord = state_ != State::Quoted && (c == '\n' || c == '\r');
    if (!endsRecord && ++recordBytes_ > kMaxRecordBytes &&
        record_.Problem == CsvRecordProblem::None) {
        DropOverlongRecord();
    }
    return record_.Problem == CsvRecordProblem::None;
}

// A byte that only adds to the field starts a run of them, taken at once: in
// an unquoted field up to the next comma or line break, in a quoted one up to
// the next quote or line break. (A quote that opens a field, closes one or
// doubles one is not such a byte.)
std::size_t CsvReader::TakeRun(std::string_view text, std::size_t i, bool keep) {
    const bool quoted = state_ == State::Quoted;
    const char stop = quoted ? '"' : ',';
    const char c = text[i];
    if (c == stop || c == '\n' || c == '\r' || (c == '"' && state_ != State::Unquoted))
        return i;
    std::size_t end = i + 1;
    while (end < text.size() && text[end] != stop && text[end] != '\n' && text[end] != '\r')
        ++end;
    // The run's first byte is counted already.
    recordBytes_ += end - i - 1;
    if (keep && recordBytes_ > kMaxRecordBytes)
        DropOverlongRecord();
    else if (keep)
        field_.append(text.data() + i, end - i);
    if (quoted)
        quotedCr_ = false;
    else
        state_ = State::Unquoted;
    return end;
}

void CsvReader::TakeOutsideQuotes(char c, bool keep, std::vector<CsvRecord>& records) {
    if (c == ',') {
        EndField();
        state_ = State::FieldStart;
    } else if (c == '\n') {
        EndRecord(records);
        state_ = State::FieldStart;
    } else if (c == '\r') {
        EndRecord(records);
        state_ = State::AfterCr;
    } else if (c == '"' && state_ == State::FieldStart) {
        state_ = State::Quoted;
        quoteLine_ = line_;
        quotedCr_ = false;
    } else if (c == '"' && state_ == State::QuoteInQuoted) {
        if (keep)
            field_ += '"'; // a doubled quote
        state_ = State::Quoted;
        quotedCr_ = false;
    } else {
        // Text after a closing quote, or a quote inside an unquoted field, is
        // taken as it stands.
        if (keep)
            field_ += c;
        state_ = State::Unquoted;
    }
}

void CsvReader::TakeInsideQuotes(char c, bool keep) {
    if (c == '"') {
        state_ = State::QuoteInQuoted;
        return;
    }
    if (c == '\r' || (c == '\n' && !quotedCr_))
        ++line_;
    quotedCr_ = c == '\r';
    if (keep)
        field_ += c;
}

void CsvReader::Feed(std::string_view text, std::vector<CsvRecord>& records) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (IsLfOfCrLf(c))
            continue;
        const bool keep = CountByte(c);
        if (const std::size_t end = TakeRun(text, i, keep); end != i) {
            i = end - 1;
            continue;
        }
        if (state_ == State::Quoted)
            TakeInsideQuotes(c, keep);
        else
            TakeOutsideQuotes(c, keep, records);
    }
}

void CsvReader::Finish(std::vector<CsvRecord>& records) {
    if (!recordStarted_) {
        state_ = State::FieldStart;
        return;
    }
    const bool unterminated = state_ == State::Quoted;
    state_ = State::FieldStart;
    // Keep what was read, so that the row can be shown with its reason.
    EndField();
    // The missing closing quote explains the rest, an overlong record too.
    if (unterminated) {
        record_.Problem = CsvRecordProblem::UnterminatedQuote;
        record_.QuoteLine = quoteLine_;
    }
    PushRecord(records);
}

bool IsBlankRecord(const CsvRecord& record) {
    if (record.Problem != CsvRecordProblem::None)
        return false;
    for (const std::string& field : record.Fields)
        for (char c : field)
            if (c != ' ' && c != '\t')
                return false;
    return true;
}

namespace {

bool BeginsAsFormula(std::string_view text) {
    return !text.empty() &&
           std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos;
}

// Appends `field`, quoted when it holds a comma, a quote, a line break or
// leading or trailing blanks; a run of bytes without a quote is copied at
// once. A text a spreadsheet would take for a formula goes after a quote.
void AppendCsvField(std::string& out, std::string_view field) {
    std::string guarded;
    if (BeginsAsFormula(field) && !IsOnlyNumber(field)) {
        guarded.reserve(field.size() + 1);
        guarded += '\'';
        guarded.append(field);
        field = guarded;
    }
    bool quote = !field.empty() && (field.front() == ' ' || field.front() == '\t' ||
                                    field.back() == ' ' || field.back() == '\t');
    for (std::size_t i = 0; i < field.size() && !quote; ++i)
        quote = field[i] == ',' || field[i] == '"' || field[i] == '\r' || field[i] == '\n';
    if (!quote) {
        out.append(field);
        return;
    }
    out += '"';
    for (std::size_t quoteAt = field.find('"'); quoteAt != std::string_view::npos;
         quoteAt = field.find('"')) {
        out.append(field.substr(0, quoteAt + 1));
        out += '"';
        field.remove_prefix(quoteAt + 1);
    }
    out.append(field);
    out += '"';
}

} // namespace

std::string_view UnguardedCsvCell(std::string_view cell) {
    if (cell.size() > 1 && cell.front() == '\'' && BeginsAsFormula(cell.substr(1)))
        cell.remove_prefix(1);
    return cell;
}

std::string CsvField(std::string_view field) {
    std::string out;
    AppendCsvField(out, field);
    return out;
}

void AppendCsvRow(std::string& out, const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += ',';
        AppendCsvField(out, fields[i]);
    }
    out += '\n';
}

} // namespace tavrilo
