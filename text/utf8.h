#pragma once

// UTF-8, the text of every layer: reading it a character at a time, writing
// code points, converting to and from UTF-16 (Windows' text) and comparing
// Latin letters without regard to case.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavrilo {

inline constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD"; // U+FFFD
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";        // U+FEFF

// The length of the UTF-8 sequence at `p`: > 0 for a valid one, 0 when the
// `available` bytes are a valid start that needs more, -1 when invalid.
// Overlong forms, surrogates and code points past U+10FFFF are invalid.
int Utf8SequenceLength(const unsigned char* p, std::size_t available);

// The code point at `i`, advancing `i` past it; -1 for a malformed or
// incomplete sequence, past which `i` then moves (its longest start that
// could have been valid, at least one byte).
long NextCodePoint(std::string_view utf8, std::size_t& i);

void AppendUtf8(std::string& out, std::uint32_t point);

// Malformed sequences and unpaired surrogates become U+FFFD.
std::u16string Utf16FromUtf8(std::string_view utf8);
std::string Utf8FromUtf16(std::u16string_view utf16);

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

} // namespace tavrilo
