// The steel order's forms (the text, the CSV, the JSON, the SVG drawing and
// the page's JSON) each read back on their own, and checked to say the same:
// the bars bought by length, the steel used, kept and wasted, every pattern
// with its offcut and whether it is kept, the spliced bars and the joints.
// The orders are made as every front end makes them, so that the plans are
// real ones with splices, several diameters and kept offcuts.

#include "app/steel_order.h"
#include "app/store.h"
#include "calc/weight.h"
#include "text/csv.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace tavrilo {
namespace {

using Mm = std::int64_t;
using LengthCounts = std::vector<std::pair<Mm, std::int64_t>>;

struct PatternFacts {
    Mm Stock = 0;
    std::int64_t Count = 0;
    Mm Offcut = 0;
    char Fate = '?';           // 'k' kept, 'w' waste, '-' no offcut, '?' not said
    bool Stored = false;       // a bar of the store
    std::int64_t Strokes = -1; // of the shear; -1: not said
    bool operator==(const PatternFacts&) const = default;
};

struct GroupFacts {
    std::string Grade;          // "" for none
    std::int64_t Diameter = -1; // micrometres, -1 for none
    bool Coil = false;
    LengthCounts CoilPieces; // length, count
    LengthCounts ByStock;
    std::int64_t Bars = 0;
    Mm Bought = 0;
    Mm Used = 0, Kept = 0, Waste = 0;
    std::vector<PatternFacts> Patterns;
    LengthCounts Splices; // length, count
    std::int64_t Joints = 0;
    bool operator==(const GroupFacts&) const = default;

    friend void PrintTo(const GroupFacts& g, std::ostream* os) {
        *os << "\n  " << g.Grade << (g.Coil ? " coil" : "") << " diameter " << g.Diameter
            << " µm: " << g.Bars << " bars, " << g.Bought << " mm (used " << g.Used << ", kept "
            << g.Kept << ", waste " << g.Waste << "), " << g.Joints << " joints; stock";
        for (const auto& [length, count] : g.ByStock)
            *os << " " << length << "×" << count;
        *os << "; spliced";
        for (const auto& [length, count] : g.Splices)
            *os << " " << length << "×" << count;
        *os << "; patterns";
        for (const PatternFacts& p : g.Patterns)
            *os << " " << (p.Stored ? "s" : "") << p.Stock << "×" << p.Count << ":" << p.Offcut
                << p.Fate << "/" << p.Strokes;
    }
};
using Facts = std::vector<GroupFacts>;

// Numbers read without exceptions: the WebAssembly build has none.
std::int64_t Whole(const std::string& text) {
    return std::strtoll(text.c_str(), nullptr, 10);
}

Mm Millimetres(const std::string& metres) {
    return std::llround(std::strtod(metres.c_str(), nullptr) * 1000);
}

// ---- Text phrases, as the text, the SVG and the page's strings hold them.

std::string Match(const std::string& line, const char* pattern, int group = 1) {
    std::smatch m;
    return std::regex_search(line, m, std::regex(pattern)) ? m.str(group) : std::string();
}

// A group's name: "HRB400 直径 8 mm（55 段下料）", "未注明级别 未注明直径：...",
// "直径 6.5 mm（盘条，..."; the grade, the diameter and whether a coil.
constexpr const char* kGroupName =
    "^(([A-Z0-9]+|未注明级别) )?(直径 ([0-9.]+) mm|未注明直径)(（(盘条|盘螺)，)?";

bool ReadGroupName(const std::string& text, GroupFacts& g) {
    std::smatch m;
    if (!std::regex_search(text, m, std::regex(kGroupName)))
        return false;
    g.Grade = m.str(2) == "未注明级别" ? "" : m.str(2);
    g.Diameter = m[4].matched ? Millimetres(m.str(4)) : -1;
    g.Coil = m[6].matched;
    return true;
}

// "盘条 88.21 kg（0.088 t），调直切断 357.5 m"
void ReadCoilPurchase(const std::string& text, GroupFacts& g) {
    g.Used = Millimetres(Match(text, "调直切断 ([0-9.]+) m"));
}

bool ReadCoilPiece(const std::string& text, GroupFacts& g) {
    std::smatch m;
    if (!g.Coil || !std::regex_search(text, m, std::regex("^ *([0-9.]+) m × ([0-9]+) 根$")))
        return false;
    g.CoilPieces.push_back({Millimetres(m.str(1)), Whole(m.str(2))});
    return true;
}

// "...12 m × 3 根、9 m × 6 根，共 9 根，90 m..."
void ReadPurchase(const std::string& text, GroupFacts& g) {
    if (g.Coil)
        return ReadCoilPurchase(text, g);
    const std::string items = Match(text, "^(.*)，共 [0-9]+ 根");
    const std::regex item("([0-9.]+) m × ([0-9]+) 根");
    for (std::sregex_iterator it(items.begin(), items.end(), item), end; it != end; ++it)
        g.ByStock.push_back({Millimetres(it->str(1)), Whole(it->str(2))});
    g.Bars = Whole(Match(text, "，共 ([0-9]+) 根，"));
    g.Bought = Millimetres(Match(text, "，共 [0-9]+ 根，([0-9.]+) m"));
}

bool ReadUse(const std::string& text, GroupFacts& g) {
    std::smatch m;
    if (!std::regex_search(
            text, m,
            std::regex("用于钢筋 ([0-9.]+) m（.*），余料留用 ([0-9.]+) m（.*），废料 ([0-9.]+) m")))
        return false;
    g.Used = Millimetres(m.str(1));
    g.Kept = Millimetres(m.str(2));
    g.Waste = Millimetres(m.str(3));
    return true;
}

bool ReadSplice(const std::string& text, GroupFacts& g) {
    std::smatch m;
    if (!std::regex_search(text, m, std::regex("^ *([0-9.]+) m × ([0-9]+) 根：每根")))
        return false;
    g.Splices.push_back({Millimetres(m.str(1)), Whole(m.str(2))});
    return true;
}

// "12 m × 3 根：2.1 × 5 + 1.25；锯口 6 个，废料 0.226 m；切断 6 次"
bool ReadCaption(const std::string& text, GroupFacts& g) {
    std::smatch m;
    if (!std::regex_search(text, m,
                           std::regex("^ *(库存 )?([0-9.]+) m × ([0-9]+) 根：.*；锯口 [0-9]+ 个，"
                                      "(无余料|余料留用 ([0-9.]+) m|废料 ([0-9.]+) m)"
                                      "(；切断 ([0-9]+) 次)?$")))
        return false;
    const char fate = m[5].matched ? 'k' : m[6].matched ? 'w' : '-';
    const std::string offcut = m[5].matched ? m.str(5) : m[6].matched ? m.str(6) : "0";
    g.Patterns.push_back({Millimetres(m.str(2)), Whole(m.str(3)), Millimetres(offcut), fate,
                          m[1].matched, m[8].matched ? Whole(m.str(8)) : -1});
    return true;
}

Facts FromText(const std::string& text) {
    Facts facts;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        GroupFacts group;
        if (line.find("（") != std::string::npos && ReadGroupName(line, group)) {
            facts.push_back(group);
        } else if (line.starts_with("  采购：")) {
            ReadPurchase(line.substr(std::string("  采购：").size()), facts.back());
        } else if (!line.empty() && !facts.empty() && !ReadCoilPiece(line, facts.back()) &&
                   !ReadUse(line, facts.back()) && !ReadSplice(line, facts.back()) &&
                   !ReadCaption(line, facts.back())) {
            const std::string joints = Match(line, "接长（共 ([0-9]+) 个接头");
            if (!joints.empty())
                facts.back().Joints = Whole(joints);
        }
    }
    return facts;
}

Facts FromSvg(const std::string& svg) {
    Facts facts;
    const std::regex text(">([^<]*)</text>");
    for (std::sregex_iterator it(svg.begin(), svg.end(), text), end; it != end; ++it) {
        const std::string line = it->str(1);
        GroupFacts group;
        if (line.find("：") != std::string::npos && ReadGroupName(line, group)) {
            group.Coil = line.find("：盘") != std::string::npos;
            facts.push_back(group);
            ReadPurchase(line.substr(line.find("：") + std::string("：").size()), facts.back());
        } else if (!facts.empty()) {
            ReadCaption(line, facts.back());
        }
    }
    return facts;
}

// The CSV's facts, and the weight its total row gives.
Facts FromCsv(const std::string& csv, std::string* weight = nullptr) {
    std::vector<CsvRecord> rows;
    CsvReader reader;
    reader.Feed(csv, rows);
    reader.Finish(rows);
    Facts facts;
    for (const CsvRecord& row : rows) {
        const std::vector<std::string>& f = row.Fields;
        EXPECT_EQ(f.size(), 16u);
        // 级别, 直径, 项目, 定尺, 根数, 单根, 合计长度, kg, t, 内容, 锯口, 切断次数, 余料,
        // 废料, 来源
        const std::int64_t diameter = f[1].empty() ? -1 : Millimetres(f[1]);
        const bool coil = f[2] == "合计" && f[9].starts_with("盘");
        if ((f[2] == "采购" || coil) &&
            (facts.empty() || facts.back().Diameter != diameter || facts.back().Grade != f[0])) {
            facts.emplace_back().Diameter = diameter;
            facts.back().Grade = f[0];
            facts.back().Coil = coil;
        }
        if (f[2] == "采购") {
            facts.back().ByStock.push_back({Millimetres(f[3]), Whole(f[4])});
            EXPECT_EQ(Millimetres(f[6]), Millimetres(f[5]) * Whole(f[4])) << f[6];
        } else if (coil) {
            facts.back().Used = Millimetres(f[6]);
        } else if (f[2] == "调直切断") {
            facts.back().CoilPieces.push_back({Millimetres(f[5]), Whole(f[4])});
        } else if (f[2] == "合计") {
            facts.back().Bars = Whole(f[4]);
            facts.back().Bought = Millimetres(f[6]);
            EXPECT_TRUE(ReadUse(f[9], facts.back())) << f[9];
        } else if (f[2] == "接长") {
            facts.back().Splices.push_back({Millimetres(f[5]), Whole(f[4])});
        } else if (f[2] == "切法") {
            const bool kept = !f[12].empty();
            facts.back().Patterns.push_back({Millimetres(f[3]), Whole(f[4]),
                                             Millimetres(kept ? f[12] : f[13]),
                                             kept            ? 'k'
                                             : f[13].empty() ? '-'
                                                             : 'w',
                                             f[14] == "库存", f[11].empty() ? -1 : Whole(f[11])});
        } else if (f[2] == "总计" && weight) {
            *weight = f[7];
            EXPECT_EQ(f[8].empty() ? "" : f[8],
                      f[7].empty() ? ""
                                   : FormatNumber(TonnesOf(std::strtod(f[7].c_str(), nullptr))));
        }
    }
    return facts;
}

// ---- JSON, read into a tree: an object's members are Keys[i] and Items[i].

struct Json {
    std::string Text; // a string, or a number or literal as written
    std::vector<std::string> Keys;
    std::vector<Json> Items;

    const Json& operator[](std::string_view key) const {
        for (std::size_t i = 0; i < Keys.size(); ++i)
            if (Keys[i] == key)
                return Items[i];
        ADD_FAILURE() << "no \"" << key << "\" in the JSON";
        return *this; // read on, whatever it gives
    }
    Mm Metres() const { return Millimetres(Text); }
    bool Has(std::string_view key) const { return std::ranges::find(Keys, key) != Keys.end(); }
    std::int64_t Integer() const { return Whole(Text); }
};

Json ReadJson(std::string_view s, std::size_t& at) {
    auto blank = [&] {
        while (at < s.size() && std::isspace(static_cast<unsigned char>(s[at])))
            ++at;
    };
    blank();
    Json j;
    const char c = s.at(at);
    if (c == '{' || c == '[') {
        for (++at, blank(); s.at(at) != (c == '{' ? '}' : ']'); blank()) {
            if (c == '{') {
                j.Keys.push_back(ReadJson(s, at).Text);
                blank();
                ++at; // ':'
            }
            j.Items.push_back(ReadJson(s, at));
            blank();
            at += s.at(at) == ',';
        }
        ++at;
    } else if (c == '"') {
        for (++at; s.at(at) != '"'; ++at)
            j.Text += s[at] == '\\' ? s.at(++at) : s[at];
        ++at;
    } else {
        const std::size_t end = s.find_first_of(",]} \n", at);
        j.Text = std::string(s.substr(at, end - at));
        at = end;
    }
    return j;
}

Json ParseJson(std::string_view text) {
    std::size_t at = 0;
    return ReadJson(text, at);
}

char Fate(bool kept, Mm offcut) {
    return kept ? 'k' : offcut == 0 ? '-' : 'w';
}

Facts FromJson(const std::string& text) {
    Facts facts;
    const Json order = ParseJson(text);
    for (const Json& g : order["groups"].Items) {
        GroupFacts f;
        f.Grade = g["grade"].Text == "null" ? "" : g["grade"].Text;
        f.Coil = g["supply"].Text == "coil";
        if (f.Coil)
            for (const Json& piece : g["coil_pieces"].Items)
                f.CoilPieces.push_back({piece["length_m"].Metres(), piece["count"].Integer()});
        const std::string& diameter = g["bar_diameter_m"].Text;
        f.Diameter =
            diameter == "null" ? -1 : std::llround(std::strtod(diameter.c_str(), nullptr) * 1e6);
        for (const Json& stock : g["by_stock"].Items)
            f.ByStock.push_back({stock["length_m"].Metres(), stock["count"].Integer()});
        f.Bars = g["stock_bars"].Integer();
        f.Bought = g["bought_m"].Metres();
        f.Used = g["used_m"].Metres();
        f.Kept = g["offcut_kept_m"].Metres();
        f.Waste = g["waste_m"].Metres();
        for (const Json& p : g["patterns"].Items)
            f.Patterns.push_back(
                {p["stock_length_m"].Metres(), p["count"].Integer(), p["offcut_m"].Metres(),
                 Fate(p["offcut_kept"].Text == "true", p["offcut_m"].Metres()),
                 p["from_store"].Text == "true", p.Has("strokes") ? p["strokes"].Integer() : -1});
        for (const Json& s : g["splices"].Items)
            f.Splices.push_back({s["length_m"].Metres(), s["count"].Integer()});
        f.Joints = g["joints"].Integer();
        facts.push_back(std::move(f));
    }
    return facts;
}

Facts FromPageJson(const std::string& text) {
    Facts facts;
    const Json page = ParseJson(text);
    for (const Json& g : page["groups"].Items) {
        GroupFacts f;
        EXPECT_TRUE(ReadGroupName(g["title"].Text, f)) << g["title"].Text;
        ReadPurchase(g["purchase"].Text.substr(std::string("采购：").size()), f);
        for (const Json& piece : g["coil"].Items)
            EXPECT_TRUE(ReadCoilPiece(piece.Text, f)) << piece.Text;
        EXPECT_EQ(ReadUse(g["use"].Text, f), !f.Coil);
        EXPECT_EQ(g["proven"].Text == "true", g["bound"].Text.ends_with("已证明最省"));
        for (const Json& line : g["splices"].Items)
            if (!ReadSplice(line.Text, f))
                f.Joints = Whole(Match(line.Text, "接长（共 ([0-9]+) 个接头"));
        for (const Json& p : g["patterns"].Items) {
            const Mm offcut = Whole(p["offcut_mm"].Text);
            f.Patterns.push_back(
                {Whole(p["stock_mm"].Text), Whole(Match(p["title"].Text, "× ([0-9]+) 根")), offcut,
                 Fate(p["offcut_kept"].Text == "true", offcut), p["from_store"].Text == "true",
                 p["caption"].Text.ends_with(" 次")
                     ? Whole(Match(p["caption"].Text, "；切断 ([0-9]+) 次$"))
                     : -1});
        }
        facts.push_back(std::move(f));
    }
    return facts;
}

// What a form does not say, left out of the text's facts to compare with it:
// the CSV gives no joints in all.
Facts AsCsvSays(Facts facts) {
    for (GroupFacts& g : facts)
        g.Joints = 0;
    return facts;
}

Facts PurchaseAndPatterns(Facts facts) {
    for (GroupFacts& g : facts) {
        g.Used = g.Coil ? g.Used : 0;
        g.Kept = g.Waste = g.Joints = 0;
        g.Splices.clear();
        g.CoilPieces.clear();
    }
    return facts;
}

struct OrderCase {
    const char* Name;
    OrderSource Source;
    std::string_view File;
    OrderSettingsText Settings;
    std::string_view Store = {}; // a store's rows, when the order has one
    friend void PrintTo(const OrderCase& c, std::ostream* os) { *os << c.Name; }
};

// Φ6.5 and Φ8 come in coils; Φ12 in two grades and without one is three groups.
constexpr std::string_view kSite = "D,Φ,d,布置形式,备注,数量,级别\n"
                                   "1.3,0.0065,0.1,双向,检查井盖板,24,hpb300\n"
                                   "2,0.012,0.15,单向布置,\"南区, 二号\",3,HRB400\n"
                                   "13,0.012,0.25,双向,水池底板,1, HRB400E \n"
                                   "14.2,0.012,,直条,池壁,6,HRB400\n"
                                   "6,0.012,,直条,洞口,4\n";
constexpr std::string_view kPieces = "长度,根数,直径,备注,级别\n"
                                     "20.5,4,0.012\n3.246,10,0.012\n5.9,7,0.016,,HRB400E\n"
                                     "14,3,0.016,,HRB400E\n2.1,15,0.008\n1.25,40,0.008\n7.3,5\n"
                                     "0.6,9\n";

const OrderCase kCases[] = {
    {"ScheduleLapped", OrderSource::Schedule, kSite, {.Lap = "36d"}},
    {"PiecesCoupledKerfKeep1",
     OrderSource::PieceList,
     kPieces,
     {.Kerf = "0.004", .ShortestKept = "1", .Couplers = true}},
    // Whole stock bars of the spliced bars leave no offcut: with --keep 0
    // they keep nothing all the same.
    {"PiecesCoupledKeep0",
     OrderSource::PieceList,
     kPieces,
     {.ShortestKept = "0", .Couplers = true}},
    // Priced, with a store of offcuts and whole bars.
    {"PiecesFromStorePriced",
     OrderSource::PieceList,
     kPieces,
     {.StockLengths = "9:3900,12:3850", .Couplers = true},
     "0.012,4,5\n0.016,12,2,HRB400E,3700\n0.016,6.2,3,HRB400E\n"},
};

class SteelOrderForms : public testing::TestWithParam<OrderCase> {};

TEST_P(SteelOrderForms, SayTheSameBarsLengthsAndPatterns) {
    const OrderCase& c = GetParam();
    OrderReader reader(c.Source);
    ASSERT_TRUE(reader.Feed(c.File) && reader.Finish());
    StoreReader storeReader;
    ASSERT_TRUE(storeReader.Feed(c.Store) && storeReader.Finish());
    const OrderStore store{storeReader.Bars(), "note"};
    const OrderAnswer answer =
        MakeSteelOrder(reader, std::get<OrderSettings>(ReadOrderSettings(c.Settings)),
                       c.Store.empty() ? nullptr : &store);
    ASSERT_FALSE(answer.Refusal) << answer.Refusal->Message;
    const Facts text = FromText(SteelOrderText(answer.Order));
    ASSERT_GE(text.size(), 3u);

    EXPECT_EQ(FromJson(SteelOrderJson(answer.Order)), text);
    EXPECT_EQ(FromPageJson(SteelOrderPageJson(answer.Order)), text);
    std::string csvWeight;
    EXPECT_EQ(FromCsv(SteelOrderCsv(answer.Order), &csvWeight), AsCsvSays(text));
    const std::string jsonWeight = ParseJson(SteelOrderJson(answer.Order))["weight_kg"].Text;
    EXPECT_EQ(csvWeight.empty() ? "null" : csvWeight, jsonWeight);
    EXPECT_EQ(FromSvg(SteelOrderSvg(answer.Order)), PurchaseAndPatterns(text));

    // And the text adds up: the bars by length, the patterns, the offcuts kept.
    bool spliced = false, kept = false, none = false, coiled = false, stored = false;
    for (const GroupFacts& g : text) {
        std::int64_t bars = 0;
        Mm bought = 0, keptLength = 0, fromStore = 0;
        for (const auto& [length, count] : g.ByStock) {
            bars += count;
            bought += length * count;
        }
        for (const PatternFacts& p : g.Patterns) {
            keptLength += p.Fate == 'k' ? p.Offcut * p.Count : 0;
            bars -= p.Stored ? 0 : p.Count;
            fromStore += p.Stored ? p.Stock * p.Count : 0;
            stored = stored || p.Stored;
            kept = kept || p.Fate == 'k';
            none = none || p.Fate == '-';
        }
        if (g.Coil) { // the pieces, longest first, are all that is used
            Mm used = 0, longer = INT64_MAX;
            for (const auto& [length, count] : g.CoilPieces) {
                used += length * count;
                EXPECT_LT(length, longer);
                longer = length;
            }
            EXPECT_EQ(used, g.Used);
            EXPECT_TRUE(g.ByStock.empty() && g.Patterns.empty() && g.Splices.empty());
            coiled = true;
            continue;
        }
        EXPECT_EQ(bars, 0) << g.Diameter;
        EXPECT_EQ(bought, g.Bought) << g.Diameter;
        EXPECT_EQ(keptLength, g.Kept) << g.Diameter;
        EXPECT_EQ(g.Used + g.Kept + g.Waste, g.Bought + fromStore) << g.Diameter;
        spliced = spliced || !g.Splices.empty();
    }
    EXPECT_TRUE(spliced && kept && none && coiled)
        << "the order should splice, keep, fill a bar and buy a coil";
    EXPECT_EQ(stored, !c.Store.empty());
}

INSTANTIATE_TEST_SUITE_P(Orders, SteelOrderForms, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
} // namespace tavrilo
