#pragma once

// CSV as spreadsheet programs write it (RFC 4180): fields separated by
// commas, records by CR LF, LF or CR; a field in double quotes may hold
// commas, line breaks and doubled quotes. The reader takes text in pieces of
// any size and keeps only the record it is in, so files of any length read
// in constant memory: a record holds at most kMaxRecordBytes of text in at
// most kMaxFields fields.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tavrilo {

enum class CsvRecordProblem {
    None,
    UnterminatedQuote, // the file ended inside a quoted field
    TooLong,           // longer than CsvReader::kMaxRecordBytes; the fields were dropped
    TooManyFields,     // more than CsvReader::kMaxFields; only the first ones were kept
};

struct CsvRecord {
    std::vector<std::string> Fields;
    std::size_t Line = 0; // where the record starts, from 1
    CsvRecordProblem Problem = CsvRecordProblem::None;
    std::size_t QuoteLine = 0; // UnterminatedQuote: where the quoted field left open began
};

// A row of a file that gave nothing, and why.
struct OmittedRow {
    std::size_t Line = 0;
    std::string Reason;
};

// Line breaks are counted as CR LF, LF or CR, inside quoted fields too.
class CsvReader {
public:
    static constexpr std::size_t kMaxRecordBytes = 1 << 20;
    static constexpr std::size_t kMaxFields = 1024;

    // Reads the next piece of text and appends each record it completes.
    void Feed(std::string_view text, std::vector<CsvRecord>& records);
    // The end of the text: appends the last record if it has no line break.
    void Finish(std::vector<CsvRecord>& records);

private:
    void EndField();
    void EndRecord(std::vector<CsvRecord>& records);
    void PushRecord(std::vector<CsvRecord>& records);
    void DropOverlongRecord();

    // The steps of Feed, byte by byte.
    bool IsLfOfCrLf(char c); // the LF of a CR LF, passed over
    bool CountByte(char c);  // counts the byte into its record; whether the record is kept
    std::size_t TakeRun(std::string_view text, std::size_t i, bool keep); // past the run, or i
    void TakeOutsideQuotes(char c, bool keep, std::vector<CsvRecord>& records);
    void TakeInsideQuotes(char c, bool keep);

    enum class State { FieldStart, Unquoted, Quoted, QuoteInQuoted, AfterCr };
    State state_ = State::FieldStart;
    bool recordStarted_ = false;
    CsvRecord record_;
    std::string field_;
    std::size_t recordBytes_ = 0;
    std::size_t line_ = 1;
    std::size_t quoteLine_ = 0; // where the quoted field being read began
    bool quotedCr_ = false;     // the last character in the quoted field was a CR
};

// Whether every field is empty or blank: a blank line, or a spreadsheet's
// empty row such as ",,,".
bool IsBlankRecord(const CsvRecord& record);

// `field` quoted when it holds a comma, a quote, a line break or leading or
// trailing blanks. A text that begins with = + - @, a tab or a CR, which a
// spreadsheet would run as a formula, is written after a single quote so
// that it shows as text ("'=HYPERLINK(...)"); a number such as -1.5 stays
// a number.
std::string CsvField(std::string_view field);

// A cell as it was before CsvField guarded it: without the single quote put
// before a leading = + - @, tab or CR.
std::string_view UnguardedCsvCell(std::string_view cell);

// The fields joined by commas, each quoted as needed, ending in "\n".
void AppendCsvRow(std::string& out, const std::vector<std::string>& fields);

} // namespace tavrilo
