#pragma once

// Messages for a terminal: the program writes UTF-8, and a terminal set to
// a Chinese legacy character set (a locale such as zh_CN.GB18030) gets them
// in its own. Machine formats (CSV, JSON) stay UTF-8 whatever the terminal.

#include <cstddef>
#include <string>
#include <string_view>

namespace tavrilo {

enum class TerminalCharset {
    Utf8,    // and every character set that is not one of the two below
    Gbk,     // GBK and GB2312: characters beyond GBK become '?'
    Gb18030, // all of Unicode
};

// The character set named by a locale's codeset (nl_langinfo(CODESET)).
TerminalCharset CharsetOfCodeset(std::string_view codeset);

// `utf8` in `charset`; a malformed UTF-8 sequence becomes '?'.
std::string FromUtf8(std::string_view utf8, TerminalCharset charset);

// The length of the part of `utf8` that ends on a whole character: an
// incomplete sequence at its end waits for the rest of it.
std::size_t CompleteUtf8Prefix(std::string_view utf8);

} // namespace tavrilo
