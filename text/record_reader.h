#pragma once

// The records of a CSV file (a batch, a site schedule, a piece list) in any
// encoding the decoder knows, the bytes coming in chunks of any size:
// decoded, read a slice at a time so that few records wait at once however
// short they are, the blank records left out and the first other one left
// out too when it is a header.

#include "text/csv.h"
#include "text/decode.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace tavrilo {

// The first row is a header when none of its first three fields begins with
// a number (by the rules the boxes are read with).
bool IsHeaderRecord(const CsvRecord& record);

// What is given each record: a reference to any callable taking a
// CsvRecord&, valid while the call it is passed to lasts. (std::function
// would bring the C++ runtime's type information into the page's module.)
class RecordSink {
public:
    template <class F>
    requires(!std::is_same_v<std::remove_cvref_t<F>, RecordSink>)
        RecordSink(F&& f) // NOLINT: any callable converts, as to std::function
        : object_(const_cast<void*>(static_cast<const void*>(&f))),
          call_([](void* object, CsvRecord& record) {
              (*static_cast<std::remove_reference_t<F>*>(object))(record);
          }) {}
    void operator()(CsvRecord& record) const { call_(object_, record); }

private:
    void* object_;
    void (*call_)(void*, CsvRecord&);
};

class RecordReader {
public:
    // Given each record that is neither blank nor the header, in file order.
    using Take = RecordSink;

    RecordReader() = default;
    RecordReader(const RecordReader&) = delete;
    RecordReader& operator=(const RecordReader&) = delete;

    // Reads the next chunk of the file, giving `take` the records it
    // completes. False when the file cannot be decoded any further: the
    // records before the fault have been given, and Problem() says why.
    bool Feed(std::string_view bytes, const Take& take);
    // The end of the file: the last records.
    bool Finish(const Take& take);
    // The input ends early (a read error, a cancel): gives the records that
    // what is held back completes, leaving an unfinished last one out.
    void Stop(const Take& take);

    const TextDecoder& Decoder() const { return decoder_; }
    TextEncoding Encoding() const { return decoder_.Encoding(); }
    const std::string& Problem() const { return decoder_.Problem(); }
    // The line taken as a header, 0 for none, and its fields.
    std::size_t HeaderLine() const { return headerLine_; }
    const std::vector<std::string>& Header() const { return header_; }

private:
    void Read(std::string_view text, const Take& take);
    void Give(const Take& take);

    TextDecoder decoder_;
    CsvReader reader_;
    std::vector<CsvRecord> records_;
    std::string text_;
    bool first_ = true;
    std::size_t headerLine_ = 0;
    std::vector<std::string> header_;
};

} // namespace tavrilo
