#include "calc/number.h"
#include "text/xlsx.h"
#include "text/xml_scan.h"
#include "text/zip.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <utility>

namespace tavrilo {
namespace {

constexpr std::string_view kDamaged = "Excel 工作簿已损坏，无法读取";
constexpr std::string_view kEncrypted =
    "Excel 工作簿设有密码（已加密），无法读取：请在 Excel 中取消密码，或另存为 CSV";
constexpr std::string_view kOldWorkbook =
    "这是旧版 Excel 工作簿（.xls），无法读取：请在 Excel 中另存为 .xlsx 或 CSV（逗号分隔）";
// "Excel 工作簿过大：文件不超过 64 MB，解压后不超过 256 MB，条目不超过 10000 个"
std::string TooLargeText() {
    return "Excel 工作簿过大：文件不超过 " + std::to_string(kMaxWorkbookBytes >> 20) +
           " MB，解压后不超过 " + std::to_string(kMaxExpandedBytes >> 20) + " MB，条目不超过 " +
           std::to_string(ZipReader::kMaxEntries) + " 个";
}
constexpr std::string_view kNoSheet = "Excel 工作簿中没有工作表";

// The highest row and column a sheet has (XFD1048576).
constexpr std::size_t kMaxRows = 1048576, kMaxColumns = 16384;

// The workbook's parts, read within the budget of what may be expanded.
class Parts {
public:
    explicit Parts(std::string_view bytes) : zip_(bytes) {}
    ZipProblem Problem() const { return zip_.Problem(); }
    bool Has(std::string_view name) const { return zip_.Has(name); }
    ZipProblem Read(std::string_view name, std::string& out) {
        return zip_.Read(name, budget_, out);
    }

private:
    ZipReader zip_;
    std::size_t budget_ = kMaxExpandedBytes;
};

std::string ProblemText(ZipProblem problem) {
    switch (problem) {
    case ZipProblem::Encrypted:
        return std::string(kEncrypted);
    case ZipProblem::TooLarge:
        return TooLargeText();
    default:
        return std::string(kDamaged);
    }
}

// The path of `target` in the archive, relative to the folder of `part`
// ("xl/workbook.xml") or absolute ("/xl/worksheets/sheet1.xml").
std::string Resolve(std::string_view part, std::string_view target) {
    if (!target.empty() && target.front() == '/')
        return std::string(target.substr(1));
    std::string base(part.substr(0, part.rfind('/') + 1));
    while (target.substr(0, 3) == "../") {
        target.remove_prefix(3);
        const std::size_t slash =
            base.size() > 1 ? base.rfind('/', base.size() - 2) : std::string::npos;
        base.erase(slash == std::string::npos ? 0 : slash + 1);
    }
    return base + std::string(target);
}

// The rels part of `part`: xl/_rels/workbook.xml.rels for xl/workbook.xml.
std::string RelsOf(std::string_view part) {
    const std::size_t slash = part.rfind('/');
    const std::size_t cut = slash == std::string_view::npos ? 0 : slash + 1;
    return std::string(part.substr(0, cut)) + "_rels/" + std::string(part.substr(cut)) + ".rels";
}

// The relationship of a rels document whose Id is `id`, or whose Type
// ends in `type` when `id` is empty: its target. False when malformed.
bool FindTarget(std::string_view rels, std::string_view id, std::string_view type,
                std::string& target) {
    XmlScanner xml(rels);
    XmlToken token;
    while (xml.Next(token)) {
        if ((token.Type != XmlToken::Start && token.Type != XmlToken::Empty) ||
            token.Name != "Relationship")
            continue;
        const auto Id = Attribute(token.Attributes, "Id");
        const auto Type = Attribute(token.Attributes, "Type");
        const auto Target = Attribute(token.Attributes, "Target");
        const bool match = id.empty() ? Type && Type->ends_with(type) : Id && *Id == id;
        if (match && Target) {
            target = *Target;
            return true;
        }
    }
    return false;
}

} // namespace

namespace {

// The strings of sharedStrings.xml: each <si>'s text, its runs joined, the
// phonetic guides (<rPh>) left out.
bool SharedStrings(std::string_view xml, std::vector<std::string>& strings) {
    XmlScanner scanner(xml);
    XmlToken token;
    std::string current;
    int phonetic = 0;
    bool inText = false;
    while (scanner.Next(token)) {
        if (token.Type == XmlToken::Text) {
            if (inText && phonetic == 0)
                current += token.Content;
        } else if (token.Name == "rPh" && token.Type != XmlToken::Empty) {
            phonetic += token.Type == XmlToken::Start ? 1 : -1;
        } else if (token.Name == "t") {
            inText = token.Type == XmlToken::Start;
        } else if (token.Name == "si") {
            if (token.Type != XmlToken::Start)
                strings.push_back(std::move(current));
            current.clear();
        }
    }
    return !scanner.Damaged();
}

// A cell's text as a CSV field, quoted when it must be; unlike the CSV
// written for spreadsheets, a text beginning with = stays as it is: these
// fields are read back, not opened.
void AppendField(std::string& csv, std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos && text.find_first_of(" \t") != 0 &&
        text.find_last_of(" \t") != text.size() - 1) {
        csv += text;
        return;
    }
    csv += '"';
    for (const char c : text) {
        if (c == '"')
            csv += '"';
        csv += c;
    }
    csv += '"';
}

// "C12" as the column and row from 0; false when it is no cell reference
// within the sheet's bounds.
bool CellReference(std::string_view ref, std::size_t& column, std::size_t& row) {
    std::size_t i = 0, c = 0, r = 0;
    for (; i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z' && c <= kMaxColumns; ++i)
        c = c * 26 + static_cast<std::size_t>(ref[i] - 'A' + 1);
    const std::size_t letters = i;
    for (; i < ref.size() && ref[i] >= '0' && ref[i] <= '9' && r <= kMaxRows; ++i)
        r = r * 10 + static_cast<std::size_t>(ref[i] - '0');
    if (letters == 0 || i == letters || i != ref.size() || c > kMaxColumns || r == 0 ||
        r > kMaxRows)
        return false;
    column = c - 1;
    row = r - 1;
    return true;
}

// A sheet's rows as CSV, a line each row, the row numbers kept.
class SheetReader {
public:
    explicit SheetReader(const std::vector<std::string>& shared) : shared_(shared) {}

    bool Read(std::string_view xml, std::string& csv) {
        XmlScanner scanner(xml);
        XmlToken token;
        while (scanner.Next(token))
            if (!Take(token, csv))
                return false;
        return !scanner.Damaged() && csv.size() <= kMaxSheetCsvBytes;
    }

private:
    bool Take(XmlToken& token, std::string& csv) {
        const bool start = token.Type == XmlToken::Start || token.Type == XmlToken::Empty;
        if (token.Type == XmlToken::Text) {
            if (capture_)
                value_ += token.Content;
        } else if (token.Name == "row") {
            // Rows do not nest, and cells are only in rows.
            if (start && (inRow_ || !StartRow(token)))
                return false;
            if (token.Type != XmlToken::Start && !EndRow(csv))
                return false;
        } else if (token.Name == "c") {
            if (start && (!inRow_ || inCell_ || !StartCell(token)))
                return false;
            if (token.Type != XmlToken::Start)
                return inCell_ && EndCell();
        } else if (token.Name == "v" || (token.Name == "t" && inline_)) {
            capture_ = token.Type == XmlToken::Start && phonetic_ == 0;
        } else if (token.Name == "is") {
            inline_ = token.Type == XmlToken::Start;
        } else if (token.Name == "rPh" && token.Type != XmlToken::Empty) {
            phonetic_ += token.Type == XmlToken::Start ? 1 : -1;
        }
        return csv.size() <= kMaxSheetCsvBytes;
    }

    bool StartRow(const XmlToken& token) {
        row_ = written_ + 1;
        if (const auto r = Attribute(token.Attributes, "r")) {
            // A row number is a whole number in range before it is one.
            const double number = IsOnlyNumber(*r) ? ParseLeadingNumber(*r) : 0;
            if (!(number >= 1 && number <= static_cast<double>(kMaxRows)) ||
                number != std::floor(number))
                return false;
            const auto at = static_cast<std::size_t>(number);
            row_ = std::max(at, written_ + 1); // rows out of order follow the last
        }
        cells_.clear();
        column_ = 0;
        inRow_ = true;
        return true;
    }

    bool EndRow(std::string& csv) {
        if (!inRow_)
            return false;
        inRow_ = false;
        if (cells_.empty())
            return true;
        std::stable_sort(cells_.begin(), cells_.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        csv.append(row_ - written_ - 1, '\n');
        std::size_t next = 0; // the column the next field is
        for (const auto& [column, text] : cells_) {
            if (column < next)
                continue; // a column given twice: the first stands
            csv.append(next == 0 ? column : column - next + 1, ',');
            AppendField(csv, text);
            next = column + 1;
        }
        csv += '\n';
        written_ = row_;
        return true;
    }

    bool StartCell(const XmlToken& token) {
        std::size_t column = column_, row = 0;
        if (const auto r = Attribute(token.Attributes, "r"))
            if (!CellReference(*r, column, row))
                return false;
        if (column >= kMaxColumns)
            return false;
        cell_ = column;
        column_ = column + 1;
        type_ = Attribute(token.Attributes, "t").value_or("n");
        value_.clear();
        inCell_ = true;
        return true;
    }

    // The cell's text as the sheet shows its value.
    bool EndCell() {
        capture_ = inCell_ = false;
        std::string text = std::move(value_);
        value_.clear();
        if (type_ == "s") {
            if (!IsOnlyNumber(text))
                return false;
            const double index = ParseLeadingNumber(text);
            if (index < 0 || index >= static_cast<double>(shared_.size()))
                return false;
            text = shared_[static_cast<std::size_t>(index)];
        } else if (type_ == "b") {
            text = text == "1" ? "TRUE" : text == "0" ? "FALSE" : text;
        } else if (type_ == "n" && IsOnlyNumber(text)) {
            text = FormatNumber(ParseLeadingNumber(text));
        }
        if (!text.empty())
            cells_.emplace_back(cell_, std::move(text));
        return true;
    }

    const std::vector<std::string>& shared_;
    std::vector<std::pair<std::size_t, std::string>> cells_;
    std::size_t written_ = 0, row_ = 0, column_ = 0, cell_ = 0;
    std::string type_, value_;
    bool capture_ = false, inline_ = false, inRow_ = false, inCell_ = false;
    int phonetic_ = 0;
};

// The first sheet's part and the shared strings' part of the workbook, or
// the reason there are none.
bool FindParts(Parts& parts, std::string& sheet, std::string& shared, std::string& failure) {
    std::string xml, target;
    ZipProblem problem = parts.Read("_rels/.rels", xml);
    std::string workbook = "xl/workbook.xml";
    if (problem == ZipProblem::None && FindTarget(xml, "", "/officeDocument", target))
        workbook = Resolve("", target);
    else if (problem != ZipProblem::None && problem != ZipProblem::Missing) {
        failure = ProblemText(problem);
        return false;
    }
    std::string rels;
    if ((problem = parts.Read(workbook, xml)) != ZipProblem::None ||
        (problem = parts.Read(RelsOf(workbook), rels)) != ZipProblem::None) {
        failure = ProblemText(problem);
        return false;
    }
    XmlScanner scanner(xml);
    XmlToken token;
    std::optional<std::string> id;
    while (!id && scanner.Next(token))
        if (token.Type != XmlToken::End && token.Type != XmlToken::Text && token.Name == "sheet")
            id = Attribute(token.Attributes, "id");
    if (!id || !FindTarget(rels, *id, "", target)) {
        failure = scanner.Damaged() ? kDamaged : kNoSheet;
        return false;
    }
    sheet = Resolve(workbook, target);
    shared = FindTarget(rels, "", "/sharedStrings", target) ? Resolve(workbook, target) : "";
    return true;
}

} // namespace

bool LooksLikeZip(std::string_view bytes) {
    return bytes.substr(0, 4) == std::string_view("PK\3\4", 4);
}

bool LooksLikeOle(std::string_view bytes) {
    return bytes.substr(0, 8) == std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
}

bool XlsxFirstSheetCsv(std::string_view bytes, std::string& csv, std::string& failure) {
    csv.clear();
    if (bytes.size() > kMaxWorkbookBytes) {
        failure = TooLargeText();
        return false;
    }
    Parts parts(bytes);
    if (parts.Problem() != ZipProblem::None) {
        failure = ProblemText(parts.Problem());
        return false;
    }
    std::string sheetPart, sharedPart;
    if (!FindParts(parts, sheetPart, sharedPart, failure))
        return false;
    std::vector<std::string> shared;
    std::string xml;
    if (!sharedPart.empty() && parts.Has(sharedPart)) {
        if (const ZipProblem problem = parts.Read(sharedPart, xml); problem != ZipProblem::None) {
            failure = ProblemText(problem);
            return false;
        }
        if (!SharedStrings(xml, shared)) {
            failure = kDamaged;
            return false;
        }
    }
    if (const ZipProblem problem = parts.Read(sheetPart, xml); problem != ZipProblem::None) {
        failure = problem == ZipProblem::Missing ? std::string(kNoSheet) : ProblemText(problem);
        return false;
    }
    if (!SheetReader(shared).Read(xml, csv)) {
        failure = csv.size() > kMaxSheetCsvBytes ? TooLargeText() : std::string(kDamaged);
        csv.clear();
        return false;
    }
    return true;
}

std::string WorkbookFailureText(std::string_view name, std::string_view problem) {
    return "无法读取 " + std::string(name) + "：" + std::string(problem);
}

bool WorkbookFilter::Feed(std::string_view bytes, std::string& out) {
    if (kind_ == Kind::Text) {
        out.append(bytes);
        return true;
    }
    if (held_.size() + bytes.size() > kMaxWorkbookBytes) {
        problem_ = TooLargeText();
        return false;
    }
    held_.append(bytes);
    if (kind_ == Kind::Unknown && held_.size() >= 8) {
        kind_ = LooksLikeZip(held_) ? Kind::Zip : LooksLikeOle(held_) ? Kind::Ole : Kind::Text;
        if (kind_ == Kind::Text) {
            out += held_;
            held_.clear();
        }
    }
    return true;
}

bool WorkbookFilter::Finish(std::string& out) {
    if (kind_ == Kind::Unknown)
        kind_ = LooksLikeZip(held_) ? Kind::Zip : Kind::Text;
    if (kind_ == Kind::Text) {
        out += held_;
        held_.clear();
        return true;
    }
    if (kind_ == Kind::Ole) {
        // A workbook with a password is an OLE file holding the encrypted
        // package; any other is an .xls.
        std::string name; // its stream's name, in UTF-16LE
        for (const char c : std::string_view("EncryptedPackage"))
            name += {c, '\0'};
        problem_ = held_.find(name) != std::string::npos ? kEncrypted : kOldWorkbook;
        return false;
    }
    std::string csv;
    const bool read = XlsxFirstSheetCsv(held_, csv, problem_);
    held_.clear();
    out += csv;
    return read;
}

} // namespace tavrilo
