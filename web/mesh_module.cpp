// The calculation as a WebAssembly module for the page (a WASI reactor with
// no imports). JavaScript copies each typed text into memory from
// tavrilo_alloc, calls tavrilo_mesh or the tavrilo_batch_* functions, reads
// the answer's parts from tavrilo_part_ptr / tavrilo_part_len and gives its
// buffers back with tavrilo_free. The module keeps one answer: the next call
// replaces it. Every text is UTF-8 and is made here, by the same layers as
// tavrilo-calc's: the page formats no number and decides nothing.

#include "app/batch.h"
#include "app/mesh_request.h"
#include "app/outcome.h"
#include "app/site.h"
#include "calc/decimal_chars.h"
#include "calc/number.h"
#include "text/batch_messages.h"
#include "text/json.h"
#include "text/messages.h"
#include "text/report.h"
#include "text/site.h"
#include "text/svg.h"
#include "text/utf8.h"
#include "text/xlsx.h"
#include "web/module_interface.h"
#include "web/module_parts.h"

#include <array>
#include <charconv>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using tavrilo::page::BatchText;
using tavrilo::page::ClearParts;
using tavrilo::page::FileText;
using tavrilo::page::Extra;
using tavrilo::page::Part;
using tavrilo::page::PartText;
using tavrilo::page::Text;

constexpr std::size_t kPartCount = static_cast<std::size_t>(Part::Count);

std::array<std::string, kPartCount> parts;

bool Asked(unsigned extras, Extra extra) {
    return (extras & static_cast<unsigned>(extra)) != 0;
}

// The extras of tavrilo_mesh's `extras` bits.
tavrilo::MeshExtras ExtrasAsked(unsigned extras) {
    tavrilo::MeshExtras asked;
    asked.Breakdown = Asked(extras, Extra::Breakdown);
    asked.CutList = Asked(extras, Extra::CutList);
    asked.Weight = Asked(extras, Extra::Weight);
    asked.Drawing = Asked(extras, Extra::Drawing);
    asked.Json = Asked(extras, Extra::Json);
    asked.CutListCsv = Asked(extras, Extra::CutListCsv);
    return asked;
}

// Whether `typed` reads as it stands: blanks only around a number that the
// reading rules take whole, every character of it read. Any other text is
// read from its start, blanks dropped anywhere and the rest ignored, which
// the page points out beside the total.
bool ReadsAsTyped(std::string_view typed) {
    const std::size_t first = typed.find_first_not_of(" \t\n\r");
    if (first == std::string_view::npos)
        return false;
    typed = typed.substr(first, typed.find_last_not_of(" \t\n\r") + 1 - first);
    if (!tavrilo::BeginsWithNumber(typed))
        return false;
    // The same number read strictly, without the sign the rules allow: it
    // must take every character.
    const std::string_view number = typed.starts_with('+') ? typed.substr(1) : typed;
    double value = 0;
    const auto read = tavrilo::FromChars(number.data(), number.data() + number.size(), value,
                                         std::chars_format::general);
    return read.ptr == number.data() + number.size();
}

// Texts as a JSON array.
void JsonCells(tavrilo::JsonWriter& json, const std::vector<std::string>& cells) {
    json.BeginArray();
    for (const std::string& cell : cells)
        json.String(cell);
    json.EndArray();
}

// The values a total was computed from, as the page shows and prints them,
// and for each typed text that is not read as it stands, a note of what was
// read: {"values":["1 m",...],"notes":["按 1 m 计算（输入为“1,3”）",...]}.
std::string ReadValuesJson(const std::array<std::string_view, 3>& typed,
                           const std::array<double, 3>& read) {
    std::vector<std::string> values;
    std::vector<std::string> notes;
    for (std::size_t i = 0; i < typed.size(); ++i) {
        values.push_back(tavrilo::FormatNumber(read[i]) + " m");
        if (!ReadsAsTyped(typed[i]))
            notes.push_back(tavrilo::ReadAsNote(values.back(), typed[i]));
    }
    tavrilo::JsonWriter json;
    json.BeginObject();
    json.Key("values");
    JsonCells(json, values);
    json.Key("notes");
    JsonCells(json, notes);
    json.EndObject();
    return json.Text();
}

// The cut list's cells for the page's table:
// {"header":[...],"lines":[[...],...],"totals":[[...],...]}.
std::string CutTableJson(const tavrilo::CutList& list) {
    const tavrilo::CutListCells cells = tavrilo::CutListTable(list);
    tavrilo::JsonWriter json;
    json.BeginObject();
    json.Key("header");
    JsonCells(json, cells.Header);
    for (const auto& [key, rows] : {std::pair{"lines", &cells.Lines}, {"totals", &cells.Totals}}) {
        json.Key(key).BeginArray();
        for (const std::vector<std::string>& row : *rows)
            JsonCells(json, row);
        json.EndArray();
    }
    json.EndObject();
    return json.Text();
}

std::unique_ptr<tavrilo::BatchSession> batch;
std::vector<tavrilo::SiteMesh> site;   // the meshes given since tavrilo_site_begin
std::string readFailure;               // why the batch's file could not be read to its end
tavrilo::WorkbookFilter batchWorkbook; // the batch's file, when it is a workbook

// The drawing for a screen as JSON, {"width":..,"height":..,"bars":..,
// "directions":[{"stroke":..,"width":..,"bars":..},...],"overlay":"<?xml..."},
// and its bars' ends (x1 y1 x2 y2 each, direction by direction) as the
// doubles' bytes.
void KeepScreenDrawing(const tavrilo::MeshScreenDrawing& screen) {
    std::string& ends = PartText(Part::ScreenEnds);
    tavrilo::JsonWriter json;
    json.BeginObject();
    json.Key("directions").BeginArray();
    for (const tavrilo::MeshScreenBars& direction : screen.Directions) {
        ends.append(reinterpret_cast<const char*>(direction.Ends.data()),
                    direction.Ends.size() * sizeof(double));
        json.BeginObject();
        json.Key("stroke").String(direction.Colour);
        json.Key("width").Number(screen.BarWidth);
        json.Key("bars").Integer(static_cast<long long>(direction.Ends.size() / 4));
        json.EndObject();
    }
    json.EndArray();
    json.Key("width").Number(screen.Width);
    json.Key("height").Number(screen.Height);
    json.Key("bars").Integer(static_cast<long long>(ends.size() / (4 * sizeof(double))));
    json.Key("overlay").String(screen.Overlay);
    json.EndObject();
    PartText(Part::ScreenDrawing) = json.Text();
}

// The parts of a mesh answered.
void KeepMeshParts(const tavrilo::MeshRequest& request, const tavrilo::MeshAnswer& answer) {
    using namespace tavrilo;
    PartText(Part::Printed) = answer.Printed();
    PartText(Part::Total) = answer.TotalText;
    PartText(Part::ReadValues) = ReadValuesJson(
        {request.MeshDiameter, request.BarDiameter, request.BarSpacing},
        {answer.Inputs.MeshDiameter, answer.Inputs.BarDiameter, answer.Inputs.BarSpacing});
    PartText(Part::BreakdownText) = answer.BreakdownText;
    PartText(Part::WeightText) = answer.WeightText;
    if (request.Extras.CutList) {
        PartText(Part::CutHeading) = CutListHeading(*answer.Cuts);
        PartText(Part::CutComparison) = CutListComparison(*answer.Cuts);
    }
    if (request.Extras.CutListCsv) {
        PartText(Part::CutCsv) = std::string(kByteOrderMark) + answer.CutListCsv;
        PartText(Part::CutTable) = CutTableJson(*answer.Cuts);
    }
    PartText(Part::JsonText) = answer.Json;
    PartText(Part::Svg) = answer.Svg;
    if (request.Extras.Drawing)
        KeepScreenDrawing(answer.Screen);
}

} // namespace

std::string& tavrilo::page::PartText(Part part) {
    return parts[static_cast<std::size_t>(part)];
}

void tavrilo::page::ClearParts() {
    for (std::string& part : parts)
        part.clear();
}

// The text of a file read in, as its readers take it: an Excel workbook's
// first sheet as CSV text, any other file's bytes as they are. Every import
// reads its file through this. When a workbook cannot be read, nothing, and
// part Printed says why (as tavrilo-calc does for the file `name`).
std::optional<std::string> tavrilo::page::FileText(std::string_view bytes, std::string_view name) {
    tavrilo::WorkbookFilter workbook;
    std::string text;
    if (workbook.Feed(bytes, text) && workbook.Finish(text))
        return text;
    PartText(Part::Printed) = tavrilo::WorkbookFailureText(name, workbook.Problem()) + '\n';
    return std::nullopt;
}

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
// refuses it, after the values) and the extras asked for (Extra bits); the
// parts of the answer besides (Part). Returns tavrilo-calc's exit status for
// the outcome (app/outcome.h).
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
    request.Extras = ExtrasAsked(extras);
    const MeshAnswer answer = AnswerMesh(request);
    if (answer.Refusal) {
        PartText(Part::Printed) = answer.Refusal->Message + '\n';
        return ExitStatus(answer.Refusal->ByInput ? Outcome::InputToCorrect : Outcome::Failed);
    }
    KeepMeshParts(request, answer);
    return ExitStatus(Outcome::Answered);
}

// A site: begin, add each mesh (the cells of its schedule row as typed, the
// arrangement 1 one-way, 2 two-way or 0 a straight bar), then end for its table (part
// SiteTable) and its schedule (part SiteCsv). tavrilo_site_add answers the
// mesh it is given alone: refused (its message in part Printed) or not.
__attribute__((export_name("tavrilo_site_begin"))) void tavrilo_site_begin() {
    ClearParts();
    site.clear();
}

__attribute__((export_name("tavrilo_site_add"))) int
tavrilo_site_add(const char* meshDiameter, std::size_t meshDiameterSize, const char* barDiameter,
                 std::size_t barDiameterSize, const char* spacing, std::size_t spacingSize,
                 int arrangement, const char* label, std::size_t labelSize, const char* number,
                 std::size_t numberSize, const char* grade, std::size_t gradeSize) {
    using namespace tavrilo;
    ClearParts();
    SiteMesh mesh;
    mesh.MeshDiameter = Text(meshDiameter, meshDiameterSize);
    mesh.BarDiameter = Text(barDiameter, barDiameterSize);
    mesh.BarSpacing = Text(spacing, spacingSize);
    mesh.Layout = arrangement == 1 ? Arrangement::OneWay : Arrangement::TwoWay;
    mesh.Straight = arrangement == 0;
    mesh.Label = Text(label, labelSize);
    mesh.Number = Text(number, numberSize);
    mesh.Grade = Text(grade, gradeSize);
    const SiteAnswer alone = AnswerSite({mesh});
    site.push_back(std::move(mesh));
    if (alone.Rows.front().Refusal) {
        PartText(Part::Printed) = *alone.Rows.front().Refusal + '\n';
        return ExitStatus(Outcome::InputToCorrect);
    }
    return ExitStatus(Outcome::Answered);
}

__attribute__((export_name("tavrilo_site_end"))) void tavrilo_site_end() {
    using namespace tavrilo;
    ClearParts();
    const SiteAnswer answer = AnswerSite(site);
    PartText(Part::SiteTable) = SiteTableJson(answer.Meshes, answer.Rows, answer.Totals);
    PartText(Part::SiteCsv) = std::string(kByteOrderMark) + SiteScheduleCsv(answer.Meshes);
}

// A schedule (or a batch file) named `name` read in: its meshes and the rows
// left out in part SiteImport; when it cannot be decoded, the message in part
// Printed and tavrilo-calc's status for it.
__attribute__((export_name("tavrilo_site_import"))) int
tavrilo_site_import(const char* bytes, std::size_t size, const char* name, std::size_t nameSize) {
    using namespace tavrilo;
    ClearParts();
    const std::optional<std::string> text = FileText(Text(bytes, size), Text(name, nameSize));
    if (!text)
        return ExitStatus(Outcome::Failed);
    const SiteImport read = ReadSiteSchedule(*text);
    if (!read.Failure.empty()) {
        PartText(Part::Printed) =
            BatchDecodeFailureText(Text(name, nameSize), read.Failure, 0) + '\n';
        return ExitStatus(Outcome::Failed);
    }
    PartText(Part::SiteImport) = SiteImportJson(Text(name, nameSize), read.Encoding, read.Meshes,
                                                read.Omitted, read.OmittedRows);
    return ExitStatus(read.OmittedRows == 0 ? Outcome::Answered : Outcome::InputToCorrect);
}

// A part of the last answer (Part); an empty one for any other number.
__attribute__((export_name("tavrilo_part_ptr"))) const char* tavrilo_part_ptr(int part) {
    return part >= 0 && static_cast<std::size_t>(part) < kPartCount
               ? parts[static_cast<std::size_t>(part)].data()
               : nullptr;
}

__attribute__((export_name("tavrilo_part_len"))) std::size_t tavrilo_part_len(int part) {
    return part >= 0 && static_cast<std::size_t>(part) < kPartCount
               ? parts[static_cast<std::size_t>(part)].size()
               : 0;
}

// A batch, as `tavrilo-calc --csv` (with --bom when `byteOrderMark` is not 0)
// runs it: begin, feed the file's bytes in chunks of any size, then finish,
// or stop on a cancel. Each call leaves the CSV rows it completed in part Printed.
__attribute__((export_name("tavrilo_batch_begin"))) void tavrilo_batch_begin(int byteOrderMark) {
    ClearParts();
    readFailure.clear();
    batchWorkbook = {};
    batch = std::make_unique<tavrilo::BatchSession>(byteOrderMark != 0);
}

// False (0) when the file cannot be decoded any further: tavrilo_batch_failure
// then says why.
__attribute__((export_name("tavrilo_batch_feed"))) int tavrilo_batch_feed(const char* bytes,
                                                                          std::size_t size) {
    ClearParts();
    std::string text;
    return batch && batchWorkbook.Feed(Text(bytes, size), text) &&
                   batch->Feed(text, PartText(Part::Printed))
               ? 1
               : 0;
}

__attribute__((export_name("tavrilo_batch_finish"))) int tavrilo_batch_finish() {
    ClearParts();
    std::string text;
    return batch && batchWorkbook.Finish(text) && batch->Feed(text, PartText(Part::Printed)) &&
                   batch->Finish(PartText(Part::Printed))
               ? 1
               : 0;
}

// A cancel: the rows that what is held back completes.
__attribute__((export_name("tavrilo_batch_stop"))) void tavrilo_batch_stop() {
    ClearParts();
    if (batch)
        batch->Stop(PartText(Part::Printed));
}

// A text about the batch (BatchText) in part Printed.
__attribute__((export_name("tavrilo_batch_text"))) void tavrilo_batch_text(int which) {
    ClearParts();
    if (!batch)
        return;
    switch (static_cast<BatchText>(which)) {
    case BatchText::Summary:
        PartText(Part::Printed) = batch->Summary();
        break;
    case BatchText::Progress:
        PartText(Part::Printed) = batch->Progress();
        break;
    case BatchText::Cancelled:
        PartText(Part::Printed) = batch->Cancelled();
        break;
    case BatchText::ReadFailure:
        PartText(Part::Printed) = readFailure;
        break;
    }
}

// Why the file named `name` (UTF-8) could not be decoded, in part Printed.
__attribute__((export_name("tavrilo_batch_failure"))) void
tavrilo_batch_failure(const char* name, std::size_t nameSize) {
    ClearParts();
    if (!batchWorkbook.Problem().empty())
        PartText(Part::Printed) =
            tavrilo::WorkbookFailureText(Text(name, nameSize), batchWorkbook.Problem());
    else if (batch)
        PartText(Part::Printed) = batch->DecodeFailure(Text(name, nameSize));
}

// The file named `name` (UTF-8) could not be read on from where the batch
// had come (a stick pulled out, a file truncated or replaced while it was
// read): the rows that what was read completes are answered and left in part
// Printed; tavrilo-calc's message for a read error follows, with
// the first row not read, as BatchText::ReadFailure.
__attribute__((export_name("tavrilo_batch_read_failure"))) void
tavrilo_batch_read_failure(const char* name, std::size_t nameSize) {
    ClearParts();
    if (!batch)
        return;
    batch->Stop(PartText(Part::Printed));
    readFailure = tavrilo::BatchUnreadableText(Text(name, nameSize), batch->Rows());
}

// Rows answered and rows without a total (as doubles: exact to 2^53).
__attribute__((export_name("tavrilo_batch_rows"))) double tavrilo_batch_rows() {
    return batch ? static_cast<double>(batch->Rows()) : 0.0;
}

__attribute__((export_name("tavrilo_batch_failed"))) double tavrilo_batch_failed() {
    return batch ? static_cast<double>(batch->Failed()) : 0.0;
}

} // extern "C"
