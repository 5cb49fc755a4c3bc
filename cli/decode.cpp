#include "cli/decode.h"

#include "cli/gb18030_table.h"

#include <algorithm>
#include <cstdint>

namespace tavrilo::cli {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// The length of the UTF-8 sequence at `p`: > 0 for a valid one, 0 when the
// `available` bytes are a valid start that needs more, -1 when invalid.
// Overlong forms, surrogates and code points past U+10FFFF are invalid.
int Utf8SequenceLength(const unsigned char* p, std::size_t available) {
    const unsigned char c = p[0];
    if (c < 0x80)
        return 1;
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0)
            low = 0xA0;
        else if (c == 0xED)
            high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0)
            low = 0x90;
        else if (c == 0xF4)
            high = 0x8F;
    } else {
        return -1;
    }
    for (int k = 1; k < length; ++k) {
        if (static_cast<std::size_t>(k) >= available)
            return 0;
        const unsigned char next = p[k];
        if (k == 1 ? (next < low || next > high) : !IsContinuation(next))
            return -1;
    }
    return length;
}

bool IsValidUtf8(std::string_view bytes, bool final) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = 0; i < bytes.size();) {
        const int length = Utf8SequenceLength(p + i, bytes.size() - i);
        if (length < 0)
            return false;
        if (length == 0)
            return !final;
        i += static_cast<std::size_t>(length);
    }
    return true;
}

void AppendUtf8(std::string& out, std::uint32_t point) {
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | (point >> 6));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += static_cast<char>(0xE0 | (point >> 12));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (point >> 18));
        out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

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

// Whether bytes with NULs in them read as UTF-16 without a byte-order mark:
// NULs at every other position only (the high bytes of ASCII characters),
// and at least half of those positions.
bool LooksLikeUtf16(std::string_view start) {
    std::size_t nuls[2] = {0, 0};
    for (std::size_t i = 0; i < start.size(); ++i)
        if (start[i] == '\0')
            ++nuls[i % 2];
    const std::size_t pairs = start.size() / 2;
    return (nuls[0] == 0) != (nuls[1] == 0) && (nuls[0] + nuls[1]) * 2 >= pairs;
}

bool InRange(unsigned char c, unsigned char low, unsigned char high) {
    return c >= low && c <= high;
}

} // namespace

bool TextDecoder::Fail(std::string problem) {
    problem_ = std::move(problem);
    return false;
}

bool TextDecoder::Feed(std::string_view bytes, std::string& out) {
    if (!problem_.empty())
        return false;
    pending_.append(bytes);
    fed_ += bytes.size();
    if (bytes.find('\0') != std::string_view::npos)
        sawNul_ = true;
    return Decode(out, false);
}

bool TextDecoder::Finish(std::string& out) {
    if (!problem_.empty())
        return false;
    return Decode(out, true);
}

bool TextDecoder::Decode(std::string& out, bool final) {
    if (!markChecked_) {
        if (pending_.size() < 3 && !final)
            return true;
        std::string_view start(pending_);
        std::size_t mark = 0;
        if (start.starts_with("\xEF\xBB\xBF")) {
            mark = 3;
            encoding_ = TextEncoding::Utf8;
            decided_ = true;
        } else if (start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF")) {
            mark = 2;
            encoding_ = start[0] == '\xFF' ? TextEncoding::Utf16Le : TextEncoding::Utf16Be;
            decided_ = true;
        }
        pending_.erase(0, mark);
        markChecked_ = true;
    }

    const bool utf16 = encoding_ == TextEncoding::Utf16Le || encoding_ == TextEncoding::Utf16Be;
    if (!utf16 && sawNul_) {
        // Nothing decoded yet: the start of the file is all in pending_.
        if (pending_.size() == fed_ && LooksLikeUtf16(pending_))
            return Fail("文件像是不带字节顺序标记（BOM）的 UTF-16，无法确定其编码。请在 Excel 中"
                        "另存为“CSV UTF-8（逗号分隔）”，或存为带 BOM 的 UTF-16");
        return Fail("文件含有 NUL 字节，不是文本文件（Excel 工作簿请先另存为 CSV）");
    }

    if (!decided_) {
        // ASCII reads the same in every candidate encoding.
        std::size_t ascii = 0;
        while (ascii < pending_.size() && static_cast<unsigned char>(pending_[ascii]) < 0x80)
            ++ascii;
        out.append(pending_, 0, ascii);
        pending_.erase(0, ascii);
        if (pending_.empty() || (pending_.size() < kDecisionBytes && !final))
            return true;
        if (!DecideFromBytes(final))
            return false;
    }

    if (encoding_ == TextEncoding::Utf8)
        DecodeUtf8(out, final);
    else if (encoding_ == TextEncoding::Gb18030)
        DecodeGb18030(out, final);
    else if (!DecodeUtf16(out, final))
        return Fail("文件含有 NUL 字符（U+0000），不是文本文件（Excel 工作簿请先另存为 CSV）");
    return true;
}

bool TextDecoder::DecideFromBytes(bool final) {
    decided_ = true;
    // Exactly the window decides, however the bytes arrived.
    const std::string_view window = std::string_view(pending_).substr(0, kDecisionBytes);
    if (IsValidUtf8(window, final && window.size() == pending_.size())) {
        encoding_ = TextEncoding::Utf8;
        return true;
    }
    encoding_ = TextEncoding::Gb18030;
    return true;
}

void TextDecoder::DecodeUtf8(std::string& out, bool final) {
    const auto* p = reinterpret_cast<const unsigned char*>(pending_.data());
    const std::size_t size = pending_.size();
    std::size_t run = 0; // start of the valid bytes not yet copied
    std::size_t i = 0;
    while (i < size) {
        const int length = Utf8SequenceLength(p + i, size - i);
        if (length > 0) {
            i += static_cast<std::size_t>(length);
            continue;
        }
        out.append(pending_, run, i - run);
        run = i;
        if (length == 0 && !final)
            break; // wait for the rest of the sequence
        out += kReplacement;
        i = length == 0 ? size : i + 1;
        run = i;
    }
    out.append(pending_, run, i - run);
    pending_.erase(0, i);
}

// A byte that starts no character, or a code without one, becomes U+FFFD; a
// malformed code costs its first byte only, so that the ASCII after it stays.
void TextDecoder::DecodeGb18030(std::string& out, bool final) {
    const auto* p = reinterpret_cast<const unsigned char*>(pending_.data());
    const std::size_t size = pending_.size();
    std::size_t i = 0;
    while (i < size) {
        const unsigned char lead = p[i];
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        if (lead == 0x80 || lead == 0xFF) {
            out += kReplacement;
            ++i;
            continue;
        }
        const std::size_t left = size - i;
        const bool fourByte = left >= 2 && InRange(p[i + 1], 0x30, 0x39);
        const std::size_t needed = fourByte ? 4 : 2;
        if (left < needed) {
            const bool stillPossible =
                left < 3 || (InRange(p[i + 1], 0x30, 0x39) && InRange(p[i + 2], 0x81, 0xFE));
            if (!final && stillPossible)
                break; // wait for the rest of the code
            out += kReplacement;
            ++i;
            continue;
        }
        std::uint32_t point = 0;
        std::size_t used = 1;
        if (fourByte) {
            if (InRange(p[i + 2], 0x81, 0xFE) && InRange(p[i + 3], 0x30, 0x39)) {
                point = Gb18030FourByte(p + i);
                used = 4;
            }
        } else {
            point = Gb18030TwoByte(lead, p[i + 1]);
            if (point != 0 || p[i + 1] >= 0x80)
                used = 2;
        }
        if (point == 0)
            out += kReplacement;
        else
            AppendUtf8(out, point);
        i += used;
    }
    pending_.erase(0, i);
}

// An unpaired surrogate, and an odd byte at the end, become U+FFFD. False at
// a U+0000, which no text holds.
bool TextDecoder::DecodeUtf16(std::string& out, bool final) {
    const bool little = encoding_ == TextEncoding::Utf16Le;
    const auto* p = reinterpret_cast<const unsigned char*>(pending_.data());
    const std::size_t size = pending_.size();
    auto unit = [&](std::size_t at) -> std::uint32_t {
        return little ? p[at] | (p[at + 1] << 8) : (p[at] << 8) | p[at + 1];
    };
    std::size_t i = 0;
    while (i + 2 <= size) {
        const std::uint32_t first = unit(i);
        if (first == 0)
            return false;
        if (first < 0xD800 || first > 0xDFFF) {
            AppendUtf8(out, first);
            i += 2;
            continue;
        }
        if (first <= 0xDBFF) {
            if (i + 4 > size && !final)
                break; // wait for the low surrogate
            if (i + 4 <= size) {
                const std::uint32_t second = unit(i + 2);
                if (second >= 0xDC00 && second <= 0xDFFF) {
                    AppendUtf8(out, 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00));
                    i += 4;
                    continue;
                }
            }
        }
        out += kReplacement;
        i += 2;
    }
    if (final && i < size) {
        out += kReplacement;
        i = size;
    }
    pending_.erase(0, i);
    return true;
}

} // namespace tavrilo::cli
