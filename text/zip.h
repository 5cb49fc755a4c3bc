#pragma once

// ZIP files (PKWARE's APPNOTE), as far as a workbook needs: written with
// every entry stored and a fixed time, so the same entries give the same
// bytes on every platform; read from the central directory, entries stored
// or deflated, the sizes and CRC-32 checked and the expansion limited. No
// ZIP64, no encryption, no archives over several files.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrilo {

// The CRC-32 of ZIP and PNG (polynomial 0xEDB88320).
std::uint32_t Crc32(std::string_view bytes);

// Entries added in order, then the archive.
class ZipWriter {
public:
    void Add(std::string_view name, std::string_view content);
    std::string Finish();

private:
    struct Entry {
        std::string Name;
        std::uint32_t Crc = 0;
        std::uint32_t Size = 0;
        std::uint32_t Offset = 0;
    };
    std::string bytes_;
    std::vector<Entry> entries_;
};

enum class ZipProblem {
    None,
    Damaged,   // not a ZIP file, or its structure or an entry is damaged
    Encrypted, // an entry is encrypted
    TooLarge,  // too many entries, or they expand beyond the limit
    Missing,   // no entry of that name
};

// The entries of a ZIP file held in memory (`bytes` must outlive it).
class ZipReader {
public:
    static constexpr std::size_t kMaxEntries = 10000;

    // Reads the central directory; Problem() says whether it could.
    explicit ZipReader(std::string_view bytes);
    ZipProblem Problem() const { return problem_; }
    // Whether there is an entry of that name.
    bool Has(std::string_view name) const;
    // The content of the entry `name` into `out`; the expansions read so far
    // together stay within `budget`, which is lessened by what this one takes.
    ZipProblem Read(std::string_view name, std::size_t& budget, std::string& out) const;

private:
    struct Entry {
        std::string_view Name;
        std::uint16_t Flags = 0, Method = 0;
        std::uint32_t Crc = 0, Packed = 0, Size = 0, Offset = 0;
    };
    const Entry* Find(std::string_view name) const;

    std::string_view bytes_;
    std::vector<Entry> entries_;
    ZipProblem problem_ = ZipProblem::None;
};

} // namespace tavrilo
