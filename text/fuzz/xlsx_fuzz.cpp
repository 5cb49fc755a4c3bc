// The reader of Excel workbooks fed arbitrary bytes, three ways: as a whole
// file, as raw DEFLATE data, and as the XML of the first sheet of a workbook
// that is otherwise sound. Properties:
// - the expansion never passes its limit, and a failure leaves the output as
//   it was;
// - a workbook read gives CSV text within its limit whose quotes all close,
//   one that is not gives no text and a reason;
// - the bytes passed through the filter in chunks read as they do whole.

#include "fuzz/fuzz_check.h"
#include "text/csv.h"
#include "text/inflate.h"
#include "text/xlsx.h"
#include "text/zip.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace tavrilo;

constexpr std::size_t kInflateLimit = 1 << 20;

std::string SoundWorkbook(std::string_view sheet) {
    ZipWriter zip;
    zip.Add("xl/workbook.xml", "<workbook><sheets><sheet r:id=\"rId1\"/></sheets></workbook>");
    zip.Add("xl/_rels/workbook.xml.rels",
            "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/>"
            "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"sharedStrings.xml\"/>"
            "</Relationships>");
    zip.Add("xl/sharedStrings.xml", "<sst><si><t>a,\"b</t></si><si><r><t>c</t></r></si></sst>");
    zip.Add("xl/worksheets/sheet1.xml", sheet);
    return zip.Finish();
}

void CheckRead(std::string_view bytes) {
    std::string csv, failure;
    const bool read = XlsxFirstSheetCsv(bytes, csv, failure);
    TAVRILO_FUZZ_CHECK(read == failure.empty(), "a reason exactly when it failed: " + failure);
    TAVRILO_FUZZ_CHECK(read || csv.empty(), "no text from a workbook not read");
    TAVRILO_FUZZ_CHECK(csv.size() <= kMaxSheetCsvBytes, "CSV text past its limit");
    if (!read)
        return;
    CsvReader reader;
    std::vector<CsvRecord> records;
    reader.Feed(csv, records);
    reader.Finish(records);
    for (const CsvRecord& record : records)
        TAVRILO_FUZZ_CHECK(record.Problem != CsvRecordProblem::UnterminatedQuote,
                           "a quote left open in: " + csv);
}

// The filter fed `bytes` whole and in chunks of 5: the same answer.
void CheckFilter(std::string_view bytes) {
    std::string whole, pieces;
    WorkbookFilter one, many;
    const bool wholeRead = one.Feed(bytes, whole) && one.Finish(whole);
    bool read = true;
    for (std::size_t i = 0; i < bytes.size() && read; i += 5)
        read = many.Feed(bytes.substr(i, 5), pieces);
    read = read && many.Finish(pieces);
    TAVRILO_FUZZ_CHECK(wholeRead == read && whole == pieces && one.Problem() == many.Problem(),
                       "chunks read otherwise than the whole");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string out = "kept";
    const InflateResult result = Inflate(bytes, kInflateLimit, out);
    TAVRILO_FUZZ_CHECK(out.size() <= kInflateLimit + 4, "expanded past the limit");
    TAVRILO_FUZZ_CHECK(result == InflateResult::Ok || out == "kept",
                       "a failed expansion changed the output");
    CheckRead(bytes);
    CheckRead(SoundWorkbook(bytes));
    CheckFilter(bytes);
    return 0;
}
