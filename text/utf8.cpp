#include "text/utf8.h"

namespace tavrilo {

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
        if (k == 1 ? (next < low || next > high) : (next & 0xC0) != 0x80)
            return -1;
    }
    return length;
}

long NextCodePoint(std::string_view utf8, std::size_t& i) {
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data()) + i;
    const std::size_t available = utf8.size() - i;
    const int length = Utf8SequenceLength(p, available);
    if (length <= 0) {
        // The malformed sequence is its longest start that could have gone
        // on: "\xE5\x8F" before a letter is one fault, not two.
        std::size_t fault = 1;
        while (fault < available && fault < 3 && Utf8SequenceLength(p, fault + 1) == 0)
            ++fault;
        i += fault;
        return -1;
    }
    i += static_cast<std::size_t>(length);
    if (length == 1)
        return p[0];
    unsigned long point = p[0] & (0x7Fu >> length);
    for (int k = 1; k < length; ++k)
        point = point << 6 | (p[k] & 0x3Fu);
    return static_cast<long>(point);
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

std::u16string Utf16FromUtf8(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const long point = NextCodePoint(utf8, i);
        if (point < 0) {
            out += u'\xFFFD';
        } else if (point < 0x10000) {
            out += static_cast<char16_t>(point);
        } else {
            out += static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((point - 0x10000) & 0x3FF));
        }
    }
    return out;
}

std::string Utf8FromUtf16(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        const std::uint32_t unit = utf16[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (utf16[i + 1] - 0xDC00u));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            out += kReplacementCharacter;
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

} // namespace tavrilo
