#pragma once

// Excel workbooks (.xlsx, Office Open XML): written with the least the
// format needs, and their first sheet read back as CSV text. Written with
// our own code: sheets of inline text and numbers with fixed number
// formats, the header row bold, frozen and repeated on every printed page,
// A4, the page numbers in the footer; no formulas, styles beyond those,
// shared strings or document properties. The ZIP holds every part stored and
// dated 1980-01-01, so one workbook is the same bytes on every platform.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavrilo {

// The number formats of a cell, each a fixed Excel format.
enum class CellFormat : std::uint8_t {
    General,
    Bold,        // a header's text
    Whole,       // "0": millimetres, counts
    Hundredths,  // "0.00": kilograms, 元
    Thousandths, // "0.000": metres, tonnes
};

struct XlsxCell {
    bool IsNumber = false;
    double Number = 0;
    std::string Text; // without IsNumber: text, never a formula; empty: no cell
    CellFormat Format = CellFormat::General;
};

inline XlsxCell TextCell(std::string text, CellFormat format = CellFormat::General) {
    return {false, 0, std::move(text), format};
}
inline XlsxCell NumberCell(double number, CellFormat format) {
    return {true, number, {}, format};
}

struct XlsxSheet {
    std::string Name; // at most 31 characters, none of [ ] : * ? / or backslash
    std::vector<std::vector<XlsxCell>> Rows;
    // The header row, from 1: its cells bold, the rows to it frozen and
    // repeated at the top of every printed page; the columns are as wide as
    // its cells and those below need.
    std::size_t HeaderRow = 1;
    bool Landscape = false;
};

// The workbook of `sheets`, in order.
std::string XlsxWorkbook(const std::vector<XlsxSheet>& sheets);

// Whether `bytes` begin as a ZIP file (PK 3 4), and as an OLE compound
// file (D0 CF 11 E0 A1 B1 1A E1: an .xls, or a workbook with a password).
bool LooksLikeZip(std::string_view bytes);
bool LooksLikeOle(std::string_view bytes);

// What may be read of a workbook: the file, its entries, the parts expanded
// and the CSV text they give.
inline constexpr std::size_t kMaxWorkbookBytes = 64u << 20;
inline constexpr std::size_t kMaxExpandedBytes = 256u << 20;
inline constexpr std::size_t kMaxSheetCsvBytes = 256u << 20;

// The first sheet of the workbook `bytes` (the first of workbook.xml) as CSV
// text in UTF-8, a line each row down to the last with a value, so its lines
// are the sheet's rows: numbers in their shortest form of at most 15
// significant digits, text as it is, TRUE and FALSE, formulas by their
// values. False with the reason in `failure` when it cannot be read.
bool XlsxFirstSheetCsv(std::string_view bytes, std::string& csv, std::string& failure);

// "无法读取 工程.xlsx：" and the reason.
std::string WorkbookFailureText(std::string_view name, std::string_view problem);

// Passes a file's bytes through as they come, unless it is a workbook: then
// holds it to its end and gives the CSV text of its first sheet, or refuses
// it (an .xls, a workbook with a password, one damaged or too large) with
// the reason in Problem().
class WorkbookFilter {
public:
    bool Feed(std::string_view bytes, std::string& out);
    bool Finish(std::string& out);
    const std::string& Problem() const { return problem_; }
    // Whether the file was a workbook (known after the first 8 bytes, or at the end).
    bool Workbook() const { return kind_ == Kind::Zip || kind_ == Kind::Ole; }

private:
    enum class Kind { Unknown, Text, Zip, Ole };
    std::string held_;
    std::string problem_;
    Kind kind_ = Kind::Unknown;
};

} // namespace tavrilo
