#include "cli/decode.h"

#include <array>
#include <cerrno>
#include <cstring>

namespace tavrilo::cli {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

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
    return "";
}

TextDecoder::~TextDecoder() {
    if (converter_ != kNoConverter)
        iconv_close(converter_);
}

bool TextDecoder::Fail(std::string problem) {
    problem_ = std::move(problem);
    return false;
}

bool TextDecoder::Feed(std::string_view bytes, std::string& out) {
    if (!problem_.empty())
        return false;
    pending_.append(bytes);
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
            converter_ =
                iconv_open("UTF-8", encoding_ == TextEncoding::Utf16Le ? "UTF-16LE" : "UTF-16BE");
            if (converter_ == kNoConverter)
                return Fail("无法打开 UTF-16 解码器：" + std::string(std::strerror(errno)));
            decided_ = true;
        }
        pending_.erase(0, mark);
        markChecked_ = true;
    }

    const bool utf16 = encoding_ == TextEncoding::Utf16Le || encoding_ == TextEncoding::Utf16Be;
    if (!utf16 && sawNul_)
        return Fail("文件含有 NUL 字节，不是文本文件（Excel 工作簿请先另存为 CSV）");

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

    if (encoding_ == TextEncoding::Utf8) {
        DecodeUtf8(out, final);
        return true;
    }
    return DecodeWithIconv(out, final);
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
    converter_ = iconv_open("UTF-8", "GB18030");
    if (converter_ == kNoConverter)
        return Fail("无法打开 GB18030 解码器：" + std::string(std::strerror(errno)));
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

bool TextDecoder::DecodeWithIconv(std::string& out, bool final) {
    const std::size_t unit = encoding_ == TextEncoding::Gb18030 ? 1 : 2;
    char* in = pending_.data();
    std::size_t inLeft = pending_.size();
    std::array<char, 16 * 1024> buffer{};
    while (inLeft > 0) {
        char* to = buffer.data();
        std::size_t toLeft = buffer.size();
        const std::size_t rc = iconv(converter_, &in, &inLeft, &to, &toLeft);
        out.append(buffer.data(), static_cast<std::size_t>(to - buffer.data()));
        if (rc != static_cast<std::size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        if (errno == EINVAL && !final)
            break; // an incomplete character: wait for the rest
        if (errno == EILSEQ || errno == EINVAL) {
            out += kReplacement;
            const std::size_t skip = inLeft < unit ? inLeft : unit;
            in += skip;
            inLeft -= skip;
            continue;
        }
        return Fail("解码失败：" + std::string(std::strerror(errno)));
    }
    pending_.erase(0, pending_.size() - inLeft);
    return true;
}

} // namespace tavrilo::cli
