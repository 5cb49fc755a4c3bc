#include "cli/terminal_text.h"

#include "cli/gb18030_table.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace tavrilo::cli {
namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        return lower(x) == lower(y);
    });
}

// The two-byte codes by character, for the way back: (UTF-16 unit, index).
const std::vector<std::pair<std::uint16_t, std::uint16_t>>& TwoByteByCharacter() {
    static const auto table = [] {
        std::vector<std::pair<std::uint16_t, std::uint16_t>> byCharacter;
        for (std::uint16_t i = 0; i < 126 * 190; ++i)
            if (gb18030::kTwoByte[i] != 0)
                byCharacter.emplace_back(gb18030::kTwoByte[i], i);
        std::sort(byCharacter.begin(), byCharacter.end());
        return byCharacter;
    }();
    return table;
}

bool AppendTwoByte(std::string& out, std::uint32_t point) {
    if (point > 0xFFFF)
        return false;
    const auto& table = TwoByteByCharacter();
    const auto found = std::lower_bound(table.begin(), table.end(),
                                        std::pair<std::uint16_t, std::uint16_t>(point, 0));
    if (found == table.end() || found->first != point)
        return false;
    const unsigned index = found->second;
    const unsigned position = index % 190;
    out += static_cast<char>(0x81 + index / 190);
    out += static_cast<char>(position < 63 ? 0x40 + position : 0x41 + position);
    return true;
}

void AppendFourByteIndex(std::string& out, std::uint32_t index) {
    out += static_cast<char>(0x81 + index / 12600);
    out += static_cast<char>(0x30 + index / 1260 % 10);
    out += static_cast<char>(0x81 + index / 10 % 126);
    out += static_cast<char>(0x30 + index % 10);
}

// The four-byte code of a character that has no two-byte one.
bool AppendFourByte(std::string& out, std::uint32_t point) {
    if (point >= 0x10000 && point <= 0x10FFFF) {
        AppendFourByteIndex(out, (0x90u - 0x81u) * 12600u + (point - 0x10000u));
        return true;
    }
    const gb18030::FourByteRun* runs = gb18030::kFourByteRuns;
    const gb18030::FourByteRun* end = runs + gb18030::kFourByteRunCount;
    const auto* after = std::upper_bound(
        runs, end, point,
        [](std::uint32_t value, const gb18030::FourByteRun& run) { return value < run.point; });
    if (after == runs)
        return false;
    const gb18030::FourByteRun& run = *(after - 1);
    if (point - run.point >= run.length)
        return false;
    AppendFourByteIndex(out, run.first + (point - run.point));
    return true;
}

// The code point of the UTF-8 sequence at `i`, advancing `i`; -1 when malformed.
long NextPoint(std::string_view utf8, std::size_t& i) {
    const auto c = static_cast<unsigned char>(utf8[i++]);
    if (c < 0x80)
        return c;
    const int length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
    if (length == 0 || (c >= 0xF5))
        return -1;
    unsigned long point = c & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        if (i >= utf8.size() || (static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80)
            return -1;
        point = point << 6 | (static_cast<unsigned char>(utf8[i++]) & 0x3F);
    }
    const unsigned long least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < least[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
        return -1;
    return static_cast<long>(point);
}

} // namespace

TerminalCharset CharsetOfCodeset(std::string_view codeset) {
    if (EqualsIgnoringCase(codeset, "GB18030"))
        return TerminalCharset::Gb18030;
    if (EqualsIgnoringCase(codeset, "GBK") || EqualsIgnoringCase(codeset, "GB2312") ||
        EqualsIgnoringCase(codeset, "CP936"))
        return TerminalCharset::Gbk;
    return TerminalCharset::Utf8;
}

std::string FromUtf8(std::string_view utf8, TerminalCharset charset) {
    if (charset == TerminalCharset::Utf8)
        return std::string(utf8);
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const long point = NextPoint(utf8, i);
        if (point >= 0 && point < 0x80) {
            out += static_cast<char>(point);
            continue;
        }
        const auto p = static_cast<std::uint32_t>(point);
        const bool written =
            point >= 0 && (AppendTwoByte(out, p) ||
                           (charset == TerminalCharset::Gb18030 && AppendFourByte(out, p)));
        if (!written)
            out += '?';
    }
    return out;
}

std::size_t CompleteUtf8Prefix(std::string_view utf8) {
    const std::size_t size = utf8.size();
    for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
        const auto c = static_cast<unsigned char>(utf8[size - back]);
        if ((c & 0xC0) == 0x80)
            continue; // a continuation byte: look further back
        const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return length > back ? size - back : size;
    }
    return size;
}

} // namespace tavrilo::cli
