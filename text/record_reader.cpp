#include "text/record_reader.h"

#include "calc/number.h"

#include <utility>

namespace tavrilo {
namespace {

// How many bytes of text the CSV reader takes at a time, so that few records
// wait at once however short they are.
constexpr std::size_t kSliceBytes = 4 * 1024;

} // namespace

bool IsHeaderRecord(const CsvRecord& record) {
    if (record.Problem != CsvRecordProblem::None || record.Fields.empty())
        return false;
    for (std::size_t i = 0; i < record.Fields.size() && i < 3; ++i)
        if (BeginsWithNumber(record.Fields[i]))
            return false;
    return true;
}

bool RecordReader::Feed(std::string_view bytes, const Take& take) {
    text_.clear();
    const bool decoded = decoder_.Feed(bytes, text_);
    Read(text_, take);
    return decoded;
}

bool RecordReader::Finish(const Take& take) {
    text_.clear();
    const bool decoded = decoder_.Finish(text_);
    Read(text_, take);
    if (!decoded)
        return false;
    reader_.Finish(records_);
    Give(take);
    return true;
}

void RecordReader::Stop(const Take& take) {
    text_.clear();
    decoder_.Finish(text_);
    Read(text_, take);
}

void RecordReader::Read(std::string_view text, const Take& take) {
    for (std::size_t at = 0; at < text.size(); at += kSliceBytes) {
        reader_.Feed(text.substr(at, kSliceBytes), records_);
        Give(take);
    }
}

void RecordReader::Give(const Take& take) {
    for (CsvRecord& record : records_) {
        if (IsBlankRecord(record))
            continue;
        if (first_) {
            first_ = false;
            if (IsHeaderRecord(record)) {
                headerLine_ = record.Line;
                header_ = std::move(record.Fields);
                continue;
            }
        }
        take(record);
    }
    records_.clear();
}

} // namespace tavrilo
