#include "text/decode.h"

#include "text/gb18030.h"
#include "text/utf8.h"

#include <algorithm>
#include <cstdint>

namespace tavrilo {
namespace {

// Whether bytes with NULs in them read as UTF-16 without a byte-order mark:
// NULs at every other position (the high bytes of ASCII characters) in at
// least one pair of bytes in eight, and few at the others (the low bytes of
// U+4E00 一 and the like). Chinese text has no NUL high bytes, so a file of
// mostly Chinese has few beside its digits, commas and line ends.
bool LooksLikeUtf16(std::string_view start) {
    std::size_t nuls[2] = {0, 0};
    for (std::size_t i = 0; i < start.size(); ++i)
        if (start[i] == '\0')
            ++nuls[i % 2];
    const std::size_t pairs = start.size() / 2;
    const std::size_t many = std::max(nuls[0], nuls[1]);
    const std::size_t few = std::min(nuls[0], nuls[1]);
    return many * 8 >= pairs && few * 8 <= many;
}

bool InRange(unsigned char c, unsigned char low, unsigned char high) {
    return c >= low && c <= high;
}

} // namespace

std::string_view EncodingName(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Ascii:
        return "ASCII";
    case TextEncoding::Utf8:
        return "UTF-8";
    case TextEncoding::Gb18030:
        return "GB18030";
    case TextEncoding::Utf16Le:
        return "UTF-16LE";
    case TextEncoding::Utf16Be:
        return "UTF-16BE";
    }
    return "?";
}

bool TextDecoder::Fail(std::string problem) {
    problem_ = std::move(problem);
    return false;
}

bool TextDecoder::Feed(std::string_view bytes, std::string& out) {
    if (!problem_.empty())
        return false;
    pending_.append(bytes);
    fed_ += bytes.size();
    const std::size_t start = out.size();
    counted_ = start;
    const bool ok = Decode(out, false);
    CountLines(out);
    emitted_ += out.size() - start;
    return ok;
}

bool TextDecoder::Finish(std::string& out) {
    if (!problem_.empty())
        return false;
    const std::size_t start = out.size();
    counted_ = start;
    const bool ok = Decode(out, true);
    CountLines(out);
    emitted_ += out.size() - start;
    return ok;
}

void TextDecoder::CountLines(const std::string& out) {
    const char* const text = out.data();
    const std::size_t size = out.size();
    for (; counted_ < size; ++counted_) {
        // Only line ends count, and the CR before them.
        if (!afterCr_) {
            std::size_t at = counted_;
            while (at < size && text[at] != '\n' && text[at] != '\r')
                ++at;
            counted_ = at;
            if (at == size)
                break;
        }
        const char c = text[counted_];
        if (c == '\n') {
            if (!afterCr_)
                ++line_;
            afterCr_ = false;
        } else {
            if (c == '\r')
                ++line_;
            afterCr_ = c == '\r';
        }
    }
}

void TextDecoder::Replace(std::string& out) {
    CountLines(out);
    if (lastReplacedLine_ != line_) {
        lastReplacedLine_ = line_;
        ++replacedLineCount_;
        if (replacedLines_.size() < kNamedLines)
            replacedLines_.push_back(line_);
    }
    out += kReplacementCharacter;
    counted_ = out.size();
}

bool TextDecoder::Decode(std::string& out, bool final) {
    if (!markChecked_) {
        // The longest mark is GB18030's, four bytes.
        if (pending_.size() < 4 && !final)
            return true;
        std::string_view start(pending_);
        std::size_t mark = 0;
        if (start.starts_with(kByteOrderMark)) {
            mark = 3;
            encoding_ = TextEncoding::Utf8;
        } else if (start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF")) {
            mark = 2;
            encoding_ = start[0] == '\xFF' ? TextEncoding::Utf16Le : TextEncoding::Utf16Be;
        } else if (start.starts_with("\x84\x31\x95\x33")) {
            mark = 4;
            encoding_ = TextEncoding::Gb18030;
        }
        decided_ = mark > 0;
        pending_.erase(0, mark);
        markChecked_ = true;
    }

    const bool utf16 = encoding_ == TextEncoding::Utf16Le || encoding_ == TextEncoding::Utf16Be;
    if (!utf16) {
        const std::size_t nul = pending_.find('\0');
        if (nul != std::string::npos) {
            // Nothing given out yet: the start of the file is all in pending_.
            if (emitted_ == 0 && out.size() == counted_ && pending_.size() == fed_ &&
                LooksLikeUtf16(pending_))
                return Fail(
                    "文件像是不带字节顺序标记（BOM）的 UTF-16，无法确定其编码。请在 Excel 中"
                    "另存为“CSV UTF-8（逗号分隔）”，或存为带 BOM 的 UTF-16");
            return DecodeBeforeNul(out, nul);
        }
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
        DecideFromBytes(final);
    }

    if (encoding_ == TextEncoding::Utf8)
        DecodeUtf8(out, final);
    else if (encoding_ == TextEncoding::Gb18030)
        DecodeGb18030(out, final);
    else if (!DecodeUtf16(out, final)) {
        CountLines(out);
        return Fail("文件第 " + std::to_string(line_) +
                    " 行含有 NUL 字符（U+0000），不是文本文件（Excel 工作簿请先另存为 CSV）");
    }
    return true;
}

// The text before a NUL byte is decoded as if the file ended there; the NUL
// itself is the fault, named with its line.
bool TextDecoder::DecodeBeforeNul(std::string& out, std::size_t nul) {
    pending_.resize(nul);
    Decode(out, true);
    CountLines(out);
    return Fail("文件第 " + std::to_string(line_) +
                " 行含有 NUL 字节，不是文本文件（Excel 工作簿请先另存为 CSV）");
}

// UTF-8 when the bytes are UTF-8 but for a few strays: a stray byte (a
// Latin-1 degree sign, half of a surrogate pair) in a UTF-8 file is one
// replaced character, not a file read in the wrong encoding. Chinese text in
// GB18030 read as UTF-8 is invalid at most of its characters.
void TextDecoder::DecideFromBytes(bool final) {
    decided_ = true;
    // Exactly the window decides, however the bytes arrived.
    const std::string_view window = std::string_view(pending_).substr(0, kDecisionBytes);
    const bool wholeFile = final && window.size() == pending_.size();
    const auto* p = reinterpret_cast<const unsigned char*>(window.data());
    std::size_t characters = 0; // valid sequences beyond ASCII
    std::size_t strays = 0;     // bytes that start no valid sequence
    for (std::size_t i = 0; i < window.size();) {
        const int length = Utf8SequenceLength(p + i, window.size() - i);
        if (length == 0) {
            if (wholeFile)
                ++strays; // cut short by the end of the file
            break;        // cut short by the window
        }
        if (length < 0) {
            ++strays;
            ++i;
            continue;
        }
        if (length > 1)
            ++characters;
        i += static_cast<std::size_t>(length);
    }
    encoding_ = strays == 0 || characters > 2 * strays ? TextEncoding::Utf8 : TextEncoding::Gb18030;
}

void TextDecoder::DecodeUtf8(std::string& out, bool final) {
    const auto* p = reinterpret_cast<const unsigned char*>(pending_.data());
    const std::size_t size = pending_.size();
    std::size_t run = 0; // start of the valid bytes not yet copied
    std::size_t i = 0;
    while (i < size) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        const int length = Utf8SequenceLength(p + i, size - i);
        if (length > 0) {
            i += static_cast<std::size_t>(length);
            continue;
        }
        out.append(pending_, run, i - run);
        run = i;
        if (length == 0 && !final)
            break; // wait for the rest of the sequence
        Replace(out);
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
            Replace(out);
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
            Replace(out);
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
            Replace(out);
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
        if (first == 0) {
            pending_.erase(0, i);
            return false;
        }
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
        Replace(out);
        i += 2;
    }
    if (final && i < size) {
        Replace(out);
        i = size;
    }
    pending_.erase(0, i);
    return true;
}

} // namespace tavrilo
