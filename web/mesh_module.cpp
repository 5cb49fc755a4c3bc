// The calculation as a WebAssembly module for the page (a WASI reactor with
// no imports). JavaScript copies each typed text into memory from
// tavrilo_alloc, calls tavrilo_mesh or the tavrilo_batch_* functions, reads
// the answer's parts from tavrilo_part_ptr / tavrilo_part_len and gives its
// buffers back with tavrilo_free. The module keeps one answer: the next call
// replaces it. Every text is UTF-8 and is made here, by the same layers as
// tavrilo-calc's: the page formats no number and decides nothing.

#include "app/batch.h"
#include "app/mesh_request.h"
#include "text/report.h"
#include "text/utf8.h"

#include <array>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace {

// The statuses of tavrilo-calc (cli/exit_code.h).
constexpr int kOk = 0;
constexpr int kInvalidInput = 1;
constexpr int kCalcFailed = 2;

// The extras a call asks for, as bits of its `extras` argument.
enum ExtraBit : unsigned {
    kBreakdown = 1u << 0,  // --breakdown
    kCutList = 1u << 1,    // --bars
    kWeight = 1u << 2,     // --weight
    kDrawing = 1u << 3,    // --svg
    kJson = 1u << 4,       // --json
    kCutListCsv = 1u << 5, // --bars-csv with --bom
};

// The parts of an answer.
enum Part : int {
    kPrinted = 0, // what tavrilo-calc prints, or the refusal with its line end
    kTotal = 1,   // "27.533 m"
    kBreakdownText = 2,
    kWeightText = 3,
    kCutHeading = 4,    // the cut list's title and allowance
    kCutComparison = 5, // how it compares with the formula's total
    kCutCsv = 6,        // the cut list as CSV, with the mark for Excel
    kJsonText = 7,
    kSvg = 8,
    kPartCount = 9
};

std::array<std::string, kPartCount> parts;
std::unique_ptr<tavrilo::BatchSession> batch;

std::string_view Text(const char* data, std::size_t size) {
    return data != nullptr ? std::string_view(data, size) : std::string_view();
}

void ClearParts() {
    for (std::string& part : parts)
        part.clear();
}

} // namespace

extern "C" {

// A buffer of `size` bytes for JavaScript to write into; null when there is no
// memory left.
__attribute__((export_name("tavrilo_alloc"))) void* tavrilo_alloc(std::size_t size) {
    return std::malloc(size != 0 ? size : 1);
}

__attribute__((export_name("tavrilo_free"))) void tavrilo_free(void* buffer) {
    std::free(buffer);
}

// What `tavrilo-calc D Φ d` writes for the three typed texts with the
// arrangement (1 one-way, 2 two-way, 0 none chosen: refused as the window
// refuses it, after the values) and the extras asked for (ExtraBit); the parts
// of the answer besides. Returns tavrilo-calc's exit status: 0 for a total, 1
// for input to correct, 2 for a failed calculation.
__attribute__((export_name("tavrilo_mesh"))) int
tavrilo_mesh(const char* meshDiameter, std::size_t meshDiameterSize, const char* barDiameter,
             std::size_t barDiameterSize, const char* spacing, std::size_t spacingSize,
             int arrangement, unsigned extras) {
    using namespace tavrilo;
    ClearParts();
    MeshRequest request;
    request.MeshDiameter = Text(meshDiameter, meshDiameterSize);
    request.BarDiameter = Text(barDiameter, barDiameterSize);
    request.BarSpacing = Text(spacing, spacingSize);
    if (arrangement == 1)
        request.Layout = Arrangement::OneWay;
    else if (arrangement == 2)
        request.Layout = Arrangement::TwoWay;
    else
        request.Layout = std::nullopt;
    request.Extras.Breakdown = (extras & kBreakdown) != 0;
    request.Extras.CutList = (extras & kCutList) != 0;
    request.Extras.Weight = (extras & kWeight) != 0;
    request.Extras.Drawing = (extras & kDrawing) != 0;
    request.Extras.Json = (extras & kJson) != 0;
    request.Extras.CutListCsv = (extras & kCutListCsv) != 0;
    const MeshAnswer answer = AnswerMesh(request);
    if (answer.Refusal) {
        parts[kPrinted] = answer.Refusal->Message + '\n';
        return answer.Refusal->ByInput ? kInvalidInput : kCalcFailed;
    }
    parts[kPrinted] = answer.Printed();
    parts[kTotal] = answer.TotalText;
    parts[kBreakdownText] = answer.BreakdownText;
    parts[kWeightText] = answer.WeightText;
    if (request.Extras.CutList) {
        parts[kCutHeading] = CutListHeading(*answer.Cuts);
        parts[kCutComparison] = CutListComparison(*answer.Cuts);
    }
    if (request.Extras.CutListCsv)
        parts[kCutCsv] = std::string(kByteOrderMark) + answer.CutListCsv;
    parts[kJsonText] = answer.Json;
    parts[kSvg] = answer.Svg;
    return kOk;
}

// A part of the last answer (Part); an empty one for any other number.
__attribute__((export_name("tavrilo_part_ptr"))) const char* tavrilo_part_ptr(int part) {
    return part >= 0 && part < kPartCount ? parts[part].data() : nullptr;
}

__attribute__((export_name("tavrilo_part_len"))) std::size_t tavrilo_part_len(int part) {
    return part >= 0 && part < kPartCount ? parts[part].size() : 0;
}

// A batch, as `tavrilo-calc --csv` (with --bom when `byteOrderMark` is not 0)
// runs it: begin, feed the file's bytes in chunks of any size, then finish,
// or stop on a cancel. Each call leaves the CSV rows it completed in part 0.
__attribute__((export_name("tavrilo_batch_begin"))) void tavrilo_batch_begin(int byteOrderMark) {
    ClearParts();
    batch = std::make_unique<tavrilo::BatchSession>(byteOrderMark != 0);
}

// False (0) when the file cannot be decoded any further: tavrilo_batch_failure
// then says why.
__attribute__((export_name("tavrilo_batch_feed"))) int tavrilo_batch_feed(const char* bytes,
                                                                          std::size_t size) {
    ClearParts();
    return batch && batch->Feed(Text(bytes, size), parts[kPrinted]) ? 1 : 0;
}

__attribute__((export_name("tavrilo_batch_finish"))) int tavrilo_batch_finish() {
    ClearParts();
    return batch && batch->Finish(parts[kPrinted]) ? 1 : 0;
}

// A cancel: the rows that what is held back completes.
__attribute__((export_name("tavrilo_batch_stop"))) void tavrilo_batch_stop() {
    ClearParts();
    if (batch)
        batch->Stop(parts[kPrinted]);
}

// The texts about the batch in part 0: 0 the summary, 1 the progress, 2 the
// cancel with what was answered.
__attribute__((export_name("tavrilo_batch_text"))) void tavrilo_batch_text(int which) {
    ClearParts();
    if (!batch)
        return;
    parts[kPrinted] = which == 0   ? batch->Summary()
                      : which == 1 ? batch->Progress()
                                   : batch->Cancelled();
}

// Why the file named `name` (UTF-8) could not be decoded, in part 0.
__attribute__((export_name("tavrilo_batch_failure"))) void
tavrilo_batch_failure(const char* name, std::size_t nameSize) {
    ClearParts();
    if (batch)
        parts[kPrinted] = batch->DecodeFailure(Text(name, nameSize));
}

// Rows answered and rows without a total (as doubles: exact to 2^53).
__attribute__((export_name("tavrilo_batch_rows"))) double tavrilo_batch_rows() {
    return batch ? static_cast<double>(batch->Rows()) : 0.0;
}

__attribute__((export_name("tavrilo_batch_failed"))) double tavrilo_batch_failed() {
    return batch ? static_cast<double>(batch->Failed()) : 0.0;
}

} // extern "C"
