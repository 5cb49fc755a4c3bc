#include "text/zip.h"

#include "text/inflate.h"

#include <array>

namespace tavrilo {
namespace {

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

// 1980-01-01 00:00, the earliest time a ZIP entry holds: no clock is read.
constexpr std::uint16_t kDosTime = 0;
constexpr std::uint16_t kDosDate = (0 << 9) | (1 << 5) | 1;
// Version 2.0 needed; the names are UTF-8 (flag bit 11).
constexpr std::uint16_t kVersion = 20;
constexpr std::uint16_t kUtf8Names = 1 << 11;

void Put16(std::string& out, std::uint32_t value) {
    out.push_back(static_cast<char>(value & 0xff));
    out.push_back(static_cast<char>((value >> 8) & 0xff));
}
void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value & 0xffff);
    Put16(out, value >> 16);
}

std::uint32_t Get16(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
}
std::uint32_t Get32(std::string_view bytes, std::size_t at) {
    return Get16(bytes, at) | Get16(bytes, at + 2) << 16;
}

constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::size_t kLocalHeader = 30, kCentralHeader = 46, kEndRecord = 22;

// Where the end of central directory record starts, or npos: searched back
// from the end, past a comment of up to 65535 bytes.
std::size_t FindEnd(std::string_view bytes) {
    if (bytes.size() < kEndRecord)
        return std::string_view::npos;
    const std::size_t last = bytes.size() - kEndRecord;
    const std::size_t first = last > 0xffff ? last - 0xffff : 0;
    for (std::size_t at = last + 1; at-- > first;)
        if (Get32(bytes, at) == kEndSignature &&
            at + kEndRecord + Get16(bytes, at + 20) == bytes.size())
            return at;
    return std::string_view::npos;
}

} // namespace

std::uint32_t Crc32(std::string_view bytes) {
    std::uint32_t c = 0xffffffffu;
    for (const char byte : bytes)
        c = kCrcTable[(c ^ static_cast<unsigned char>(byte)) & 0xff] ^ (c >> 8);
    return c ^ 0xffffffffu;
}

void ZipWriter::Add(std::string_view name, std::string_view content) {
    Entry entry{std::string(name), Crc32(content), static_cast<std::uint32_t>(content.size()),
                static_cast<std::uint32_t>(bytes_.size())};
    Put32(bytes_, kLocalSignature);
    Put16(bytes_, kVersion);
    Put16(bytes_, kUtf8Names);
    Put16(bytes_, 0); // stored
    Put16(bytes_, kDosTime);
    Put16(bytes_, kDosDate);
    Put32(bytes_, entry.Crc);
    Put32(bytes_, entry.Size);
    Put32(bytes_, entry.Size);
    Put16(bytes_, static_cast<std::uint32_t>(name.size()));
    Put16(bytes_, 0);
    bytes_ += name;
    bytes_ += content;
    entries_.push_back(std::move(entry));
}

std::string ZipWriter::Finish() {
    const auto start = static_cast<std::uint32_t>(bytes_.size());
    for (const Entry& entry : entries_) {
        Put32(bytes_, kCentralSignature);
        Put16(bytes_, kVersion);
        Put16(bytes_, kVersion);
        Put16(bytes_, kUtf8Names);
        Put16(bytes_, 0);
        Put16(bytes_, kDosTime);
        Put16(bytes_, kDosDate);
        Put32(bytes_, entry.Crc);
        Put32(bytes_, entry.Size);
        Put32(bytes_, entry.Size);
        Put16(bytes_, static_cast<std::uint32_t>(entry.Name.size()));
        Put16(bytes_, 0); // extra field
        Put16(bytes_, 0); // comment
        Put16(bytes_, 0); // disk
        Put16(bytes_, 0); // internal attributes
        Put32(bytes_, 0); // external attributes
        Put32(bytes_, entry.Offset);
        bytes_ += entry.Name;
    }
    const auto size = static_cast<std::uint32_t>(bytes_.size()) - start;
    Put32(bytes_, kEndSignature);
    Put16(bytes_, 0);
    Put16(bytes_, 0);
    Put16(bytes_, static_cast<std::uint32_t>(entries_.size()));
    Put16(bytes_, static_cast<std::uint32_t>(entries_.size()));
    Put32(bytes_, size);
    Put32(bytes_, start);
    Put16(bytes_, 0);
    entries_.clear();
    return std::move(bytes_);
}

ZipReader::ZipReader(std::string_view bytes) : bytes_(bytes) {
    const std::size_t end = FindEnd(bytes);
    if (end == std::string_view::npos) {
        problem_ = ZipProblem::Damaged;
        return;
    }
    const std::size_t count = Get16(bytes, end + 10);
    const std::size_t size = Get32(bytes, end + 12), start = Get32(bytes, end + 16);
    if (count > kMaxEntries) {
        problem_ = ZipProblem::TooLarge;
        return;
    }
    if (start > end || size > end - start) {
        problem_ = ZipProblem::Damaged;
        return;
    }
    std::size_t at = start;
    for (std::size_t i = 0; i < count; ++i) {
        if (end - at < kCentralHeader || Get32(bytes, at) != kCentralSignature) {
            problem_ = ZipProblem::Damaged;
            return;
        }
        const std::size_t nameSize = Get16(bytes, at + 28);
        const std::size_t rest = nameSize + Get16(bytes, at + 30) + Get16(bytes, at + 32);
        if (end - at - kCentralHeader < rest) {
            problem_ = ZipProblem::Damaged;
            return;
        }
        entries_.push_back({bytes.substr(at + kCentralHeader, nameSize),
                            static_cast<std::uint16_t>(Get16(bytes, at + 8)),
                            static_cast<std::uint16_t>(Get16(bytes, at + 10)),
                            Get32(bytes, at + 16), Get32(bytes, at + 20), Get32(bytes, at + 24),
                            Get32(bytes, at + 42)});
        at += kCentralHeader + rest;
    }
}

const ZipReader::Entry* ZipReader::Find(std::string_view name) const {
    for (const Entry& entry : entries_)
        if (entry.Name == name)
            return &entry;
    return nullptr;
}

bool ZipReader::Has(std::string_view name) const {
    return Find(name) != nullptr;
}

ZipProblem ZipReader::Read(std::string_view name, std::size_t& budget, std::string& out) const {
    out.clear();
    if (problem_ != ZipProblem::None)
        return problem_;
    const Entry* entry = Find(name);
    if (!entry)
        return ZipProblem::Missing;
    if (entry->Flags & 1)
        return ZipProblem::Encrypted;
    if (entry->Size > budget)
        return ZipProblem::TooLarge;
    const std::size_t local = entry->Offset;
    if (local > bytes_.size() || bytes_.size() - local < kLocalHeader ||
        Get32(bytes_, local) != kLocalSignature)
        return ZipProblem::Damaged;
    const std::size_t data =
        local + kLocalHeader + Get16(bytes_, local + 26) + Get16(bytes_, local + 28);
    if (data > bytes_.size() || bytes_.size() - data < entry->Packed)
        return ZipProblem::Damaged;
    const std::string_view packed = bytes_.substr(data, entry->Packed);
    if (entry->Method == 0)
        out.assign(packed);
    else if (entry->Method == 8) {
        // The size the directory gives is the limit: more is damage, beyond
        // the budget it is never expanded.
        const InflateResult result = Inflate(packed, entry->Size, out);
        if (result != InflateResult::Ok)
            return ZipProblem::Damaged;
    } else
        return ZipProblem::Damaged;
    if (out.size() != entry->Size || Crc32(out) != entry->Crc) {
        out.clear();
        return ZipProblem::Damaged;
    }
    budget -= out.size();
    return ZipProblem::None;
}

} // namespace tavrilo
