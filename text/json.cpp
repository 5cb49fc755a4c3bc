#include "text/json.h"

#include "calc/number.h"
#include "text/displayed.h"
#include "text/messages.h"
#include "text/report.h"

#include <cmath>

namespace tavrilo {

std::string JsonString(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out += kHex[c >> 4];
                out += kHex[c & 0x0F];
            } else if (c == 0xE2 && i + 2 < text.size() &&
                       static_cast<unsigned char>(text[i + 1]) == 0x80 &&
                       (static_cast<unsigned char>(text[i + 2]) == 0xA8 ||
                        static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
                out += static_cast<unsigned char>(text[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
                i += 2;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
    return out;
}

void JsonWriter::NewLine() {
    text_ += '\n';
    text_.append(hasItems_.size() * 2, ' ');
}

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (hasItems_.empty())
        return;
    if (hasItems_.back())
        text_ += ',';
    hasItems_.back() = true;
    NewLine();
}

JsonWriter& JsonWriter::BeginObject() {
    BeforeValue();
    text_ += '{';
    hasItems_.push_back(false);
    return *this;
}

void JsonWriter::Close(char bracket) {
    const bool hadItems = hasItems_.back();
    hasItems_.pop_back();
    if (hadItems)
        NewLine();
    text_ += bracket;
}

JsonWriter& JsonWriter::EndObject() {
    Close('}');
    return *this;
}

JsonWriter& JsonWriter::BeginArray() {
    BeforeValue();
    text_ += '[';
    hasItems_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    Close(']');
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view key) {
    BeforeValue();
    text_ += JsonString(key);
    text_ += ": ";
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view value) {
    BeforeValue();
    text_ += JsonString(value);
    return *this;
}

JsonWriter& JsonWriter::Number(double value) {
    BeforeValue();
    text_ += std::isfinite(value) ? ShortestRoundTrip(value) : "null";
    return *this;
}

JsonWriter& JsonWriter::Integer(long long value) {
    BeforeValue();
    text_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
    BeforeValue();
    text_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Null() {
    BeforeValue();
    text_ += "null";
    return *this;
}

std::string JsonWriter::Text() const {
    return hasItems_.empty() && !text_.empty() ? text_ + '\n' : text_;
}

namespace {

void WriteCutList(JsonWriter& w, const CutList& list) {
    const long long bars = static_cast<long long>(list.BarCount());
    w.Key("cut_list").BeginObject();
    w.Key("directions").Integer(DirectionCount(list.Layout));
    w.Key("bars_per_direction").Integer(list.BarsPerDirection);
    w.Key("bars").Integer(bars);
    w.Key("allowance_per_bar_m").Number(list.Allowance);
    w.Key("lines").BeginArray();
    for (const CutLine& line : list.Lines) {
        w.BeginObject();
        w.Key("cut_length_m").Number(line.CutLength);
        w.Key("count_per_direction").Integer(line.Count);
        w.Key("nearest_offset_m").Number(DisplayedOffset(line.NearestOffset));
        w.Key("farthest_offset_m").Number(DisplayedOffset(line.FarthestOffset));
        w.Key("longest_chord_m").Number(line.LongestChord);
        w.Key("shortest_chord_m").Number(line.ShortestChord);
        w.EndObject();
    }
    w.EndArray();
    w.Key("chord_per_direction_m").Number(list.ChordPerDirection);
    w.Key("cut_per_direction_m").Number(list.CutPerDirection);
    w.Key("chord_total_m").Number(list.ChordTotal);
    w.Key("cut_total_m").Number(list.CutTotal);
    w.Key("cut_total_rounded_m").Number(list.RoundedCutTotal);
    const CutListReconciliation& rec = list.Reconciliation;
    w.Key("reconciliation").BeginObject();
    w.Key("formula_total_m").Number(rec.FormulaTotal);
    w.Key("formula_allowance_count").Number(rec.FormulaAllowanceCount);
    w.Key("difference_m").Number(rec.Difference);
    w.Key("allowance_difference_m").Number(rec.AllowanceDifference);
    w.Key("chord_difference_m").Number(rec.ChordDifference);
    w.Key("rounding_difference_m").Number(rec.RoundingDifference);
    w.EndObject();
    w.EndObject();
}

} // namespace

std::string MeshResultJson(const MeshInputs& inputs, Arrangement arrangement,
                           const MeshLength& mesh, const CutList* cutList, const BarMass* mass) {
    JsonWriter w;
    w.BeginObject();
    w.Key("inputs").BeginObject();
    w.Key("D_m").Number(inputs.MeshDiameter);
    w.Key("phi_m").Number(inputs.BarDiameter);
    w.Key("d_m").Number(inputs.BarSpacing);
    w.Key("arrangement").String(arrangement == Arrangement::TwoWay ? "two-way" : "one-way");
    w.EndObject();
    w.Key("total_m").Number(mesh.Total);
    w.Key("result_text").String(ResultText(mesh.Total));
    const MeshLengthBreakdown& b = mesh.Breakdown;
    w.Key("breakdown").BeginObject();
    w.Key("n").Number(b.SpacingCount);
    w.Key("r").Number(b.SpacingRatio);
    w.Key("A").Number(b.AllowanceTerm);
    w.Key("S").Number(b.ChordSum);
    w.Key("C").Number(b.CentreTerm);
    w.Key("T").Number(b.Sum);
    w.EndObject();
    if (mass) {
        w.Key("weight").BeginObject();
        w.Key("bar_diameter_mm").Number(mass->BarDiameterMm);
        w.Key("kg_per_m").Number(mass->KgPerMetre);
        w.Key("kg_per_m_shown").Number(DisplayedKgPerMetre(*mass));
        w.Key("kg").Number(mass->Kilograms);
        w.EndObject();
    }
    if (cutList)
        WriteCutList(w, *cutList);
    w.EndObject();
    return w.Text();
}

} // namespace tavrilo
