#pragma once

// GB18030, the character set of Chinese Windows (a superset of GBK and
// GB2312), both ways, from the code table generated at build time.

#include <cstdint>
#include <string>

namespace tavrilo {

// The character of a two-byte code (lead 0x81-0xFE), 0 when it has none.
std::uint32_t Gb18030TwoByte(unsigned char lead, unsigned char trail);
// The character of the four-byte code at `p` (bytes 81-FE 30-39 81-FE 30-39),
// 0 when it has none.
std::uint32_t Gb18030FourByte(const unsigned char* p);

// Append the code of `point`, when it has one of that length.
bool AppendGb18030TwoByte(std::string& out, std::uint32_t point);
bool AppendGb18030FourByte(std::string& out, std::uint32_t point);

} // namespace tavrilo
