// The text decoder of --csv: how bytes in each encoding become UTF-8.
#include "text/decode.h"

#include <gtest/gtest.h>
#include <string>

namespace tavrilo {
namespace {

struct Decoded {
    bool ok = true;
    std::string text;
    TextEncoding encoding = TextEncoding::Ascii;
};

Decoded DecodeInPieces(const std::string& bytes, std::size_t piece) {
    TextDecoder decoder;
    Decoded d;
    for (std::size_t i = 0; i < bytes.size() && d.ok; i += piece)
        d.ok = decoder.Feed(std::string_view(bytes).substr(i, piece), d.text);
    if (d.ok)
        d.ok = decoder.Finish(d.text);
    d.encoding = decoder.Encoding();
    return d;
}

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::string text;
    TextEncoding encoding;
};

void PrintTo(const DecodeCase& c, std::ostream* os) {
    *os << c.name;
}

class Decoding : public testing::TestWithParam<DecodeCase> {};

// However the bytes are split into reads, the text is the same.
TEST_P(Decoding, GivesUtf8WhateverTheReadSize) {
    const DecodeCase& c = GetParam();
    for (std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{5},
                              std::size_t{4096}, c.bytes.size() + 1}) {
        const Decoded d = DecodeInPieces(c.bytes, piece);
        EXPECT_TRUE(d.ok) << "pieces of " << piece;
        EXPECT_EQ(d.text, c.text) << "pieces of " << piece;
        EXPECT_EQ(d.encoding, c.encoding) << "pieces of " << piece;
    }
}

std::string Repeat(const std::string& part, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += part;
    return out;
}

const std::string kAsciiRun = Repeat("1.3,0.0065,0.1,2\n", 5000); // past the decision window
const std::string kUtf8Run = Repeat("双向布置\n", 6000);

INSTANTIATE_TEST_SUITE_P(
    Encodings, Decoding,
    testing::Values(
        DecodeCase{"Ascii", "1.3,0.0065,0.1,2\n", "1.3,0.0065,0.1,2\n", TextEncoding::Ascii},
        DecodeCase{"Short", "1", "1", TextEncoding::Ascii},
        DecodeCase{"Utf8", "双向,Φ\n", "双向,Φ\n", TextEncoding::Utf8},
        DecodeCase{"Utf8MarkIsDropped",
                   "\xEF\xBB\xBF"
                   "1,双向",
                   "1,双向", TextEncoding::Utf8},
        DecodeCase{"OnlyTheMark", "\xEF\xBB\xBF", "", TextEncoding::Utf8},
        DecodeCase{"Gbk", "1,\xcb\xab\xcf\xf2,\xa6\xb5\n", "1,双向,Φ\n", TextEncoding::Gb18030},
        DecodeCase{"Gb18030FourBytes", "\x95\x32\x82\x36", "𠀀", TextEncoding::Gb18030},
        // 81 30 81 30 is U+0080, 84 31 A4 39 is U+FFFF (the last of the table).
        DecodeCase{"Gb18030FourByteTableEnds", "\x81\x30\x81\x30\x84\x31\xa4\x39", "\u0080\uFFFF",
                   TextEncoding::Gb18030},
        // A code without a character is one U+FFFD; a broken one costs its
        // first byte, and the ASCII after it stays.
        DecodeCase{"Gb18030Faults", "\x84\x31\xa5\x30|\x81,|\xcb", "\uFFFD|\uFFFD,|\uFFFD",
                   TextEncoding::Gb18030},
        DecodeCase{"Utf16LoneSurrogate",
                   std::string("\xFF\xFE\x00\xD8"
                               "1\0\x3D\xD8\x00\xDE",
                               10),
                   "\uFFFD1\U0001F600", TextEncoding::Utf16Le},
        DecodeCase{"Utf16OddByteAtTheEnd", std::string("\xFE\xFF\0001\x53", 5), "1\uFFFD",
                   TextEncoding::Utf16Be},
        DecodeCase{"GbkAfterLongAscii", kAsciiRun + "\xcb\xab\xcf\xf2", kAsciiRun + "双向",
                   TextEncoding::Gb18030},
        DecodeCase{"Utf16Le",
                   std::string("\xFF\xFE"
                               "1\0,\0\xcc\x53\x11\x54",
                               10),
                   "1,双向", TextEncoding::Utf16Le},
        DecodeCase{"Utf16Be",
                   std::string("\xFE\xFF\0"
                               "1\0,\x53\xcc\x54\x11",
                               10),
                   "1,双向", TextEncoding::Utf16Be},
        // Once UTF-8 is decided, a stray byte costs one character, not the file.
        DecodeCase{"StrayByteInUtf8",
                   kUtf8Run + "a\xFF"
                              "b",
                   kUtf8Run + "a\uFFFDb", TextEncoding::Utf8},
        DecodeCase{"Utf8CutShortAtTheEnd", kUtf8Run + "\xE5\x8F", kUtf8Run + "\uFFFD",
                   TextEncoding::Utf8},
        DecodeCase{"Utf8SurrogateIsNoUtf8", kUtf8Run + "\xED\xA0\x80",
                   kUtf8Run + "\uFFFD\uFFFD\uFFFD", TextEncoding::Utf8}),
    [](const testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.name); });

struct RefusedCase {
    const char* name;
    std::string bytes;
    const char* problemContains;
};

// Files that are no text, or text that cannot be read reliably, are refused
// with the reason, however the bytes arrive.
TEST(Decoding, RefusesWhatIsNoReadableText) {
    const RefusedCase cases[] = {
        {"Workbook", std::string("PK\x03\x04\0\0", 6), "NUL"},
        // A U+0000 is refused in UTF-16 as a NUL byte is in UTF-8.
        {"NulInUtf16",
         std::string("\xFF\xFE"
                     "1\0\0\0,\0",
                     8),
         "NUL"},
        {"Utf16LeWithoutMark",
         std::string("1\0.\0"
                     "3\0,\0\xcc\x53\n\0",
                     12),
         "UTF-16"},
        // Chinese has no NUL high bytes in UTF-16, and few low ones (一 is U+4E00).
        {"Utf16LeWithoutMarkChinese", // 1.3,0.0065,0.1,双向,一区
         std::string(
             "\x31\x00\x2e\x00\x33\x00\x2c\x00\x30\x00\x2e\x00\x30\x00\x30\x00\x36\x00\x35\x00\x2c"
             "\x00\x30\x00\x2e\x00\x31\x00\x2c\x00\xcc\x53\x11\x54\x2c\x00\x00\x4e\x3a\x53\x0a\x00",
             42),
         "UTF-16"},
        {"Utf16BeWithoutMark",
         std::string("\0"
                     "1\0,\x53\xcc\0\n",
                     8),
         "UTF-16"},
    };
    for (const RefusedCase& c : cases) {
        for (std::size_t piece : {std::size_t{1}, std::size_t{3}, c.bytes.size()}) {
            TextDecoder decoder;
            std::string text;
            bool ok = true;
            for (std::size_t i = 0; i < c.bytes.size() && ok; i += piece)
                ok = decoder.Feed(std::string_view(c.bytes).substr(i, piece), text);
            if (ok)
                ok = decoder.Finish(text);
            EXPECT_FALSE(ok) << c.name << " in pieces of " << piece;
            EXPECT_NE(decoder.Problem().find(c.problemContains), std::string::npos)
                << c.name << " in pieces of " << piece << ": " << decoder.Problem();
        }
    }
}

} // namespace
} // namespace tavrilo
