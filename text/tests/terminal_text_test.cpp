// Messages in the terminal's character set.
#include "text/terminal_text.h"

#include <gtest/gtest.h>
#include <string>

namespace tavrilo {
namespace {

TEST(TerminalText, Utf8InTheLocalesCharset) {
    struct Case {
        const char* codeset;
        std::string utf8;
        std::string text;
    };
    const Case cases[] = {
        {"UTF-8", "双向Φ𠀀", "双向Φ𠀀"},
        {"ANSI_X3.4-1968", "双向", "双向"}, // the C locale: left as it is
        // Two-byte codes, a four-byte one of the BMP, one beyond it, ASCII.
        {"GB18030", "双向Φ\u0080𠀀 m",
         "\xcb\xab\xcf\xf2\xa6\xb5\x81\x30\x81\x30\x95\x32\x82\x36 m"},
        {"gbk", "双向Φ𠀀", "\xcb\xab\xcf\xf2\xa6\xb5?"},
        {"GB2312", "“0”",
         "\xa1\xb0"
         "0\xa1\xb1"},
        // A malformed sequence is one '?', and what follows stays.
        {"GB18030",
         "a\xff\xe5\x8f"
         "b",
         "a??b"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FromUtf8(c.utf8, CharsetOfCodeset(c.codeset)), c.text)
            << c.codeset << " " << c.utf8;
}

} // namespace
} // namespace tavrilo
