#pragma once

// A batch: one mesh per CSV row (D, Φ, d, arrangement and an optional label),
// the same fields with the total, the mass and, for a row that cannot be
// calculated, the reason out. The bytes come in chunks of any size and any
// encoding the decoder knows; the output rows come back as they are ready,
// so that a file of any length runs in constant memory, and the caller can
// show progress and stop between chunks.

#include "text/arrangement.h" // ReadArrangement: the arrangement a cell names
#include "text/csv.h"
#include "text/decode.h"
#include "text/record_reader.h" // IsHeaderRecord

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tavrilo {

// The header of the output: D, phi, d, arrangement, label, total_m,
// weight_kg, error.
const std::vector<std::string>& BatchHeader();

struct BatchRow {
    std::vector<std::string> Fields; // in the order of BatchHeader()
    bool Calculated = false;
};

// The output row for one input record (not a blank or header one).
BatchRow EvaluateBatchRecord(CsvRecord record);

// A straight bar's row (直条): its cut length in metres, rounded to the
// millimetre, and its diameter; or why the cells give none.
struct StraightBar {
    double Length = 0;
    double BarDiameter = 0;
};
std::variant<StraightBar, std::string> ReadStraightBar(std::string_view length,
                                                       std::string_view diameter);

class BatchSession {
public:
    // With `byteOrderMark`, the output starts with the UTF-8 byte-order mark
    // (before the header), so that Excel reads it as UTF-8.
    explicit BatchSession(bool byteOrderMark = false) : byteOrderMark_(byteOrderMark) {}
    BatchSession(const BatchSession&) = delete;
    BatchSession& operator=(const BatchSession&) = delete;

    // Reads the next chunk of the file and appends the CSV text of the rows
    // it completes to `out` (the header before the first). False when the
    // file cannot be decoded any further: `out` then has the rows before the
    // fault, and Failure() says what went wrong and where.
    bool Feed(std::string_view bytes, std::string& out);
    // The end of the file: the last rows (or the header alone, for a file
    // without rows).
    bool Finish(std::string& out);

    // The input ends early (a read error, a cancel): answers the rows that
    // what is held back completes, leaving an unfinished last one unanswered.
    void Stop(std::string& out);

    std::uint64_t BytesRead() const { return bytesRead_; }
    long long Rows() const { return rows_; }     // rows answered, header and blank rows aside
    long long Failed() const { return failed_; } // of those, rows without a total
    TextEncoding Encoding() const { return records_.Encoding(); }
    const std::string& Failure() const { return records_.Problem(); }

    // What the batch read and how it went, in one line without a line end:
    // the encoding, the rows and failures, the header row and the lines with
    // undecodable bytes.
    std::string Summary() const;
    // After a failure or a cancel: the rows already answered, or "" when
    // there are none, as a note to add to the message.
    std::string PartialNote() const;
    // Why the file named `name` could not be read to its end: the decoder's
    // failure with the partial note.
    std::string DecodeFailure(std::string_view name) const;
    // How far the batch has come, for a progress display: the rows answered
    // and how many of them failed.
    std::string Progress() const;
    // The batch was cancelled: says so, with the partial note.
    std::string Cancelled() const;

private:
    void Answer(CsvRecord& record, std::string& out);
    void WriteHeader(std::string& out);

    RecordReader records_;
    std::uint64_t bytesRead_ = 0;
    bool byteOrderMark_ = false;
    bool headerWritten_ = false;
    long long rows_ = 0;
    long long failed_ = 0;
};

} // namespace tavrilo
