#include "text/gb18030.h"

#include "text/gb18030_table.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace tavrilo {
namespace {

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

void AppendFourByteIndex(std::string& out, std::uint32_t index) {
    out += static_cast<char>(0x81 + index / 12600);
    out += static_cast<char>(0x30 + index / 1260 % 10);
    out += static_cast<char>(0x81 + index / 10 % 126);
    out += static_cast<char>(0x30 + index % 10);
}

} // namespace

// The character of a two-byte GB18030 code, 0 when it has none.
std::uint32_t Gb18030TwoByte(unsigned char lead, unsigned char trail) {
    if (trail < 0x40 || trail == 0x7F || trail == 0xFF)
        return 0;
    const unsigned position = trail < 0x7F ? trail - 0x40u : trail - 0x41u;
    return gb18030::kTwoByte[(lead - 0x81u) * 190u + position];
}

// The character of a four-byte GB18030 code, 0 when it has none.
std::uint32_t Gb18030FourByte(const unsigned char* p) {
    const std::uint32_t index =
        ((p[0] - 0x81u) * 10u + (p[1] - 0x30u)) * 1260u + (p[2] - 0x81u) * 10u + (p[3] - 0x30u);
    constexpr std::uint32_t kSupplementaryFirst = (0x90u - 0x81u) * 12600u; // 90 30 81 30
    if (index >= kSupplementaryFirst) {
        const std::uint32_t point = 0x10000u + (index - kSupplementaryFirst);
        return point <= 0x10FFFFu ? point : 0;
    }
    const gb18030::FourByteRun* runs = gb18030::kFourByteRuns;
    const gb18030::FourByteRun* end = runs + gb18030::kFourByteRunCount;
    const auto* after = std::upper_bound(
        runs, end, index,
        [](std::uint32_t value, const gb18030::FourByteRun& run) { return value < run.first; });
    if (after == runs)
        return 0;
    const gb18030::FourByteRun& run = *(after - 1);
    return index - run.first < run.length ? run.point + (index - run.first) : 0;
}

bool AppendGb18030TwoByte(std::string& out, std::uint32_t point) {
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

// The four-byte code of a character that has no two-byte one.
bool AppendGb18030FourByte(std::string& out, std::uint32_t point) {
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

} // namespace tavrilo
