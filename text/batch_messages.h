#pragma once

// What a batch tells its user: why a row has no total, and how the whole
// file went. UTF-8.

#include "text/csv.h"
#include "text/decode.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tavrilo {

// Why a record the CSV reader could not read whole has no total; "" for a
// record without a problem.
std::string CsvRecordProblemMessage(const CsvRecord& record);

// A record with `count` fields, not 4 or 5.
std::string FieldCountMessage(std::size_t count);

// How the batch went, in one line without a line end: the encoding, the rows
// and failures, the header row (0 for none) and the lines with undecodable
// bytes.
std::string BatchSummaryText(const TextDecoder& decoder, long long rows, long long failed,
                             std::size_t headerLine);

// The rows already answered, as a note to add to a message; "" for none.
std::string BatchPartialNote(long long rows);

// The file `name` could not be decoded to its end.
std::string BatchDecodeFailureText(std::string_view name, std::string_view failure, long long rows);

// The file `name` could no longer be read after `rows` rows were answered
// (a stick pulled out, a file cut short or replaced): from which row on
// nothing was read, and the rows answered.
std::string BatchUnreadableText(std::string_view name, long long rows);

// How far the batch has come: the rows answered and how many failed.
std::string BatchProgressText(long long rows, long long failed);

// The batch was cancelled after `rows` rows.
std::string BatchCancelledText(long long rows);

} // namespace tavrilo
