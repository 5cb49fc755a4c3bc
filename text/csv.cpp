#include "text/csv.h"

namespace tavrilo {

void CsvReader::EndField() {
    if (record_.Problem == CsvRecordProblem::None && record_.Fields.size() == kMaxFields)
        record_.Problem = CsvRecordProblem::TooManyFields;
    if (record_.Problem == CsvRecordProblem::None)
        record_.Fields.push_back(std::move(field_));
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

void CsvReader::Feed(std::string_view text, std::vector<CsvRecord>& records) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (state_ == State::AfterCr) {
            state_ = State::FieldStart;
            if (c == '\n')
                continue; // the LF of a CR LF
        }
        if (!recordStarted_) {
            recordStarted_ = true;
            record_.Line = line_;
        }
        // The line break that ends the record is not part of it.
        const bool endsRecord = state_ != State::Quoted && (c == '\n' || c == '\r');
        if (!endsRecord && ++recordBytes_ > kMaxRecordBytes &&
            record_.Problem == CsvRecordProblem::None) {
            record_.Problem = CsvRecordProblem::TooLong;
            record_.Fields.clear();
            field_.clear();
            field_.shrink_to_fit();
        }
        const bool keep = record_.Problem == CsvRecordProblem::None;

        switch (state_) {
        case State::FieldStart:
        case State::Unquoted:
        case State::QuoteInQuoted:
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
                // Text after a closing quote, or a quote inside an unquoted
                // field, is taken as it stands.
                if (keep)
                    field_ += c;
                state_ = State::Unquoted;
            }
            break;
        case State::Quoted:
            if (c == '"') {
                state_ = State::QuoteInQuoted;
            } else {
                if (c == '\r' || (c == '\n' && !quotedCr_))
                    ++line_;
                quotedCr_ = c == '\r';
                if (keep)
                    field_ += c;
            }
            break;
        case State::AfterCr:
            break; // handled above
        }
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
        if (field.find_first_not_of(" \t") != std::string::npos)
            return false;
    return true;
}

std::string CsvField(std::string_view field) {
    const bool quote = field.find_first_of(",\"\r\n") != std::string_view::npos ||
                       (!field.empty() && (field.front() == ' ' || field.front() == '\t' ||
                                           field.back() == ' ' || field.back() == '\t'));
    if (!quote)
        return std::string(field);
    std::string out;
    out.reserve(field.size() + 2);
    out += '"';
    for (char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return out;
}

void AppendCsvRow(std::string& out, const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += ',';
        out += CsvField(fields[i]);
    }
    out += '\n';
}

} // namespace tavrilo
