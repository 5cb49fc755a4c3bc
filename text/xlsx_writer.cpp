#include "calc/number.h"
#include "text/svg.h"
#include "text/utf8.h"
#include "text/xlsx.h"
#include "text/zip.h"

#include <algorithm>
#include <cmath>

namespace tavrilo {
namespace {

constexpr std::string_view kXmlHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr std::string_view kMainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr std::string_view kRelNs =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr std::string_view kPackageRelNs =
    "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr std::string_view kTypePrefix =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.";

// The printed page's footer, centred: 第 1 页 / 共 3 页.
constexpr std::string_view kFooter = "&amp;C第 &amp;P 页 / 共 &amp;N 页";
// A column's width in characters: what its widest cell needs, within these.
constexpr double kNarrowest = 6, kWidest = 60;

// "A", "B", ... "Z", "AA", ...
std::string ColumnName(std::size_t column) { // from 0
    std::string name;
    for (std::size_t n = column + 1; n > 0; n = (n - 1) / 26)
        name.insert(name.begin(), static_cast<char>('A' + (n - 1) % 26));
    return name;
}

// How wide `text` shows: CJK characters take two units, others one.
double DisplayWidth(std::string_view text) {
    double width = 0;
    for (std::size_t i = 0; i < text.size();) {
        const long point = NextCodePoint(text, i);
        width += point >= 0x2E80 ? 2 : 1;
    }
    return width;
}

// The text a number shows in its format, for its column's width.
std::string Shown(const XlsxCell& cell) {
    if (!cell.IsNumber)
        return cell.Text;
    const int places = cell.Format == CellFormat::Thousandths  ? 3
                       : cell.Format == CellFormat::Hundredths ? 2
                                                               : 0;
    return FormatNumber(std::round(cell.Number)) + std::string(places > 0 ? places + 1 : 0, '0');
}

std::vector<double> ColumnWidths(const XlsxSheet& sheet) {
    std::vector<double> widths;
    for (std::size_t r = sheet.HeaderRow > 0 ? sheet.HeaderRow - 1 : 0; r < sheet.Rows.size(); ++r)
        for (std::size_t c = 0; c < sheet.Rows[r].size(); ++c) {
            if (widths.size() <= c)
                widths.resize(c + 1, kNarrowest);
            widths[c] = std::clamp(DisplayWidth(Shown(sheet.Rows[r][c])) + 2, widths[c], kWidest);
        }
    return widths;
}

std::string CellXml(const XlsxCell& cell, const std::string& ref, CellFormat format) {
    const std::string style = format == CellFormat::General
                                  ? ""
                                  : " s=\"" + std::to_string(static_cast<int>(format)) + "\"";
    if (cell.IsNumber)
        return "<c r=\"" + ref + "\"" + style + "><v>" + ShortestRoundTrip(cell.Number) +
               "</v></c>";
    return "<c r=\"" + ref + "\"" + style + " t=\"inlineStr\"><is><t xml:space=\"preserve\">" +
           EscapeXml(cell.Text) + "</t></is></c>";
}

std::string SheetDataXml(const XlsxSheet& sheet) {
    std::string xml = "<sheetData>";
    for (std::size_t r = 0; r < sheet.Rows.size(); ++r) {
        const std::string row = std::to_string(r + 1);
        xml += "<row r=\"" + row + "\">";
        for (std::size_t c = 0; c < sheet.Rows[r].size(); ++c) {
            const XlsxCell& cell = sheet.Rows[r][c];
            if (!cell.IsNumber && cell.Text.empty())
                continue;
            const bool header = r + 1 == sheet.HeaderRow && cell.Format == CellFormat::General;
            xml += CellXml(cell, ColumnName(c) + row, header ? CellFormat::Bold : cell.Format);
        }
        xml += "</row>";
    }
    return xml + "</sheetData>";
}

std::string SheetXml(const XlsxSheet& sheet) {
    const std::vector<double> widths = ColumnWidths(sheet);
    std::string xml = std::string(kXmlHead) + "<worksheet xmlns=\"" + std::string(kMainNs) +
                      "\" xmlns:r=\"" + std::string(kRelNs) + "\">";
    xml += "<sheetPr><pageSetUpPr fitToPage=\"1\"/></sheetPr>";
    const std::string below = std::to_string(sheet.HeaderRow + 1);
    xml += "<sheetViews><sheetView workbookViewId=\"0\">";
    if (sheet.HeaderRow > 0)
        xml += "<pane ySplit=\"" + std::to_string(sheet.HeaderRow) + "\" topLeftCell=\"A" + below +
               "\" activePane=\"bottomLeft\" state=\"frozen\"/><selection pane=\"bottomLeft\" "
               "activeCell=\"A" +
               below + "\" sqref=\"A" + below + "\"/>";
    xml += "</sheetView></sheetViews><sheetFormatPr defaultRowHeight=\"15\"/>";
    if (!widths.empty()) {
        xml += "<cols>";
        for (std::size_t c = 0; c < widths.size(); ++c)
            xml += "<col min=\"" + std::to_string(c + 1) + "\" max=\"" + std::to_string(c + 1) +
                   "\" width=\"" + FormatNumber(widths[c]) + "\" customWidth=\"1\"/>";
        xml += "</cols>";
    }
    xml += SheetDataXml(sheet);
    xml += "<pageMargins left=\"0.5\" right=\"0.5\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" "
           "footer=\"0.3\"/>";
    // A4, as wide as one page, as many pages long as it takes.
    xml += std::string("<pageSetup paperSize=\"9\" orientation=\"") +
           (sheet.Landscape ? "landscape" : "portrait") + "\" fitToWidth=\"1\" fitToHeight=\"0\"/>";
    xml += "<headerFooter><oddFooter>" + std::string(kFooter) + "</oddFooter></headerFooter>";
    return xml + "</worksheet>";
}

std::string StylesXml() {
    const std::string font =
        "<sz val=\"11\"/><name val=\"等线\"/><family val=\"2\"/><charset val=\"134\"/>";
    std::string xml = std::string(kXmlHead) + "<styleSheet xmlns=\"" + std::string(kMainNs) + "\">";
    xml += "<numFmts count=\"3\"><numFmt numFmtId=\"164\" formatCode=\"0\"/>"
           "<numFmt numFmtId=\"165\" formatCode=\"0.00\"/>"
           "<numFmt numFmtId=\"166\" formatCode=\"0.000\"/></numFmts>";
    xml += "<fonts count=\"2\"><font>" + font + "</font><font><b/>" + font + "</font></fonts>";
    xml += "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill><fill><patternFill "
           "patternType=\"gray125\"/></fill></fills>";
    xml +=
        "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>";
    xml += "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
           "</cellStyleXfs>";
    // In the order of CellFormat.
    xml +=
        "<cellXfs count=\"5\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" "
        "xfId=\"0\"/>"
        "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyFont=\"1\"/>";
    for (const char* id : {"164", "165", "166"})
        xml += std::string("<xf numFmtId=\"") + id +
               "\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>";
    xml +=
        "</cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/>"
        "</cellStyles>";
    return xml + "</styleSheet>";
}

std::string WorkbookXml(const std::vector<XlsxSheet>& sheets) {
    std::string xml = std::string(kXmlHead) + "<workbook xmlns=\"" + std::string(kMainNs) +
                      "\" xmlns:r=\"" + std::string(kRelNs) +
                      "\"><bookViews><workbookView/></bookViews><sheets>";
    for (std::size_t i = 0; i < sheets.size(); ++i)
        xml += "<sheet name=\"" + EscapeXml(sheets[i].Name) + "\" sheetId=\"" +
               std::to_string(i + 1) + "\" r:id=\"rId" + std::to_string(i + 1) + "\"/>";
    xml += "</sheets><definedNames>";
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        if (sheets[i].HeaderRow == 0)
            continue;
        std::string row = "$";
        row += std::to_string(sheets[i].HeaderRow);
        xml += "<definedName name=\"_xlnm.Print_Titles\" localSheetId=\"" + std::to_string(i) +
               "\">'" + EscapeXml(sheets[i].Name) + "'!" + row + ":" + row + "</definedName>";
    }
    return xml + "</definedNames></workbook>";
}

std::string Relationship(std::string_view id, std::string_view type, std::string_view target) {
    return "<Relationship Id=\"" + std::string(id) + "\" Type=\"" + std::string(kRelNs) + "/" +
           std::string(type) + "\" Target=\"" + std::string(target) + "\"/>";
}

std::string ContentTypesXml(std::size_t sheets) {
    std::string xml =
        std::string(kXmlHead) +
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" "
        "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" ContentType=\"" +
        std::string(kTypePrefix) +
        "sheet.main+xml\"/><Override PartName=\"/xl/styles.xml\" ContentType=\"" +
        std::string(kTypePrefix) + "styles+xml\"/>";
    for (std::size_t i = 1; i <= sheets; ++i)
        xml += "<Override PartName=\"/xl/worksheets/sheet" + std::to_string(i) +
               ".xml\" ContentType=\"" + std::string(kTypePrefix) + "worksheet+xml\"/>";
    return xml + "</Types>";
}

} // namespace

std::string XlsxWorkbook(const std::vector<XlsxSheet>& sheets) {
    ZipWriter zip;
    zip.Add("[Content_Types].xml", ContentTypesXml(sheets.size()));
    zip.Add("_rels/.rels",
            std::string(kXmlHead) + "<Relationships xmlns=\"" + std::string(kPackageRelNs) + "\">" +
                Relationship("rId1", "officeDocument", "xl/workbook.xml") + "</Relationships>");
    zip.Add("xl/workbook.xml", WorkbookXml(sheets));
    std::string rels =
        std::string(kXmlHead) + "<Relationships xmlns=\"" + std::string(kPackageRelNs) + "\">";
    for (std::size_t i = 1; i <= sheets.size(); ++i)
        rels += Relationship("rId" + std::to_string(i), "worksheet",
                             "worksheets/sheet" + std::to_string(i) + ".xml");
    rels += Relationship("rId" + std::to_string(sheets.size() + 1), "styles", "styles.xml");
    zip.Add("xl/_rels/workbook.xml.rels", rels + "</Relationships>");
    zip.Add("xl/styles.xml", StylesXml());
    for (std::size_t i = 0; i < sheets.size(); ++i)
        zip.Add("xl/worksheets/sheet" + std::to_string(i + 1) + ".xml", SheetXml(sheets[i]));
    return zip.Finish();
}

} // namespace tavrilo
