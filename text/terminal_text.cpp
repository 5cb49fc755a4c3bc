#include "text/terminal_text.h"

#include "text/gb18030.h"
#include "text/utf8.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace tavrilo {

TerminalCharset CharsetOfCodeset(std::string_view codeset) {
    if (EqualsIgnoringAsciiCase(codeset, "GB18030"))
        return TerminalCharset::Gb18030;
    if (EqualsIgnoringAsciiCase(codeset, "GBK") || EqualsIgnoringAsciiCase(codeset, "GB2312") ||
        EqualsIgnoringAsciiCase(codeset, "CP936"))
        return TerminalCharset::Gbk;
    return TerminalCharset::Utf8;
}

std::string FromUtf8(std::string_view utf8, TerminalCharset charset) {
    if (charset == TerminalCharset::Utf8)
        return std::string(utf8);
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const long point = NextCodePoint(utf8, i);
        if (point >= 0 && point < 0x80) {
            out += static_cast<char>(point);
            continue;
        }
        const auto p = static_cast<std::uint32_t>(point);
        const bool written =
            point >= 0 && (AppendGb18030TwoByte(out, p) ||
                           (charset == TerminalCharset::Gb18030 && AppendGb18030FourByte(out, p)));
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

} // namespace tavrilo
