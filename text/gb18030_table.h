#pragma once

// The GB18030 code table, generated at build time by text/gb18030_table.py.

#include <cstddef>
#include <cstdint>

namespace tavrilo::gb18030 {

// Two-byte codes: index (lead - 0x81) * 190 + trail position, where trails
// 0x40-0x7E are 0-62 and 0x80-0xFE are 63-189. 0: no character.
extern const std::uint16_t kTwoByte[126 * 190];

// Four-byte codes of the Basic Multilingual Plane, numbered from 81 30 81 30:
// `length` codes from `first` map to the code points from `point`.
struct FourByteRun {
    std::uint32_t first;
    std::uint32_t length;
    std::uint32_t point;
};
extern const FourByteRun kFourByteRuns[];
extern const std::size_t kFourByteRunCount;

} // namespace tavrilo::gb18030
