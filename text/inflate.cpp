#include "text/inflate.h"

#include <array>
#include <cstdint>

namespace tavrilo {
namespace {

constexpr int kMaxBits = 15;
constexpr int kLiteralCodes = 288;
constexpr int kDistanceCodes = 30;

// The bits of the data, least significant first; reading past its end
// gives zeros and sets Over.
struct BitReader {
    std::string_view Data;
    std::size_t Pos = 0;
    std::uint32_t Buffer = 0;
    int Count = 0;
    bool Over = false;

    std::uint32_t Take(int n) { // n <= 16
        while (Count < n) {
            if (Pos >= Data.size()) {
                Over = true;
                return 0;
            }
            Buffer |= static_cast<std::uint32_t>(static_cast<unsigned char>(Data[Pos++])) << Count;
            Count += 8;
        }
        const std::uint32_t value = Buffer & ((1u << n) - 1);
        Buffer >>= n;
        Count -= n;
        return value;
    }
};

// A canonical Huffman code: how many codes of each length, and the symbols
// in code order.
struct Huffman {
    std::array<std::int16_t, kMaxBits + 1> Counts{};
    std::array<std::int16_t, kLiteralCodes> Symbols{};
};

// Builds `code` from the code lengths of `n` symbols: negative when the
// lengths over-subscribe the code, positive when they leave codes unused,
// 0 when the code is complete.
int Build(Huffman& code, const std::int16_t* lengths, int n) {
    code.Counts.fill(0);
    for (int symbol = 0; symbol < n; ++symbol)
        ++code.Counts[lengths[symbol]];
    if (code.Counts[0] == n)
        return 0;
    int left = 1;
    for (int length = 1; length <= kMaxBits; ++length) {
        left = left * 2 - code.Counts[length];
        if (left < 0)
            return left;
    }
    std::array<std::int16_t, kMaxBits + 1> offsets{};
    for (int length = 1; length < kMaxBits; ++length)
        offsets[length + 1] = static_cast<std::int16_t>(offsets[length] + code.Counts[length]);
    for (int symbol = 0; symbol < n; ++symbol)
        if (lengths[symbol] != 0)
            code.Symbols[offsets[lengths[symbol]]++] = static_cast<std::int16_t>(symbol);
    return left;
}

// The next symbol, or -1 when the bits are no code.
int Decode(BitReader& bits, const Huffman& code) {
    int value = 0, first = 0, index = 0;
    for (int length = 1; length <= kMaxBits; ++length) {
        value |= static_cast<int>(bits.Take(1));
        const int count = code.Counts[length];
        if (value - count < first)
            return code.Symbols[index + (value - first)];
        index += count;
        first = (first + count) << 1;
        value <<= 1;
    }
    return -1;
}

constexpr std::array<std::uint16_t, 29> kLengthBase{3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                    15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                    67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<std::uint8_t, 29> kLengthExtra{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                    2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::uint16_t, 30> kDistanceBase{
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<std::uint8_t, 30> kDistanceExtra{0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                      4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                      9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

struct Inflater {
    BitReader Bits;
    std::size_t Limit;
    std::string Out;

    InflateResult Stored() {
        Bits.Buffer = 0; // a stored block starts at a byte
        Bits.Count = 0;
        if (Bits.Data.size() - Bits.Pos < 4)
            return InflateResult::Damaged;
        const auto byte = [&](std::size_t i) {
            return static_cast<unsigned>(static_cast<unsigned char>(Bits.Data[Bits.Pos + i]));
        };
        const unsigned length = byte(0) | byte(1) << 8;
        const unsigned complement = byte(2) | byte(3) << 8;
        Bits.Pos += 4;
        if (length != (~complement & 0xffffu) || Bits.Data.size() - Bits.Pos < length)
            return InflateResult::Damaged;
        if (Limit - Out.size() < length)
            return InflateResult::TooLarge;
        Out.append(Bits.Data.substr(Bits.Pos, length));
        Bits.Pos += length;
        return InflateResult::Ok;
    }

    InflateResult Codes(const Huffman& literals, const Huffman& distances) {
        for (;;) {
            int symbol = Decode(Bits, literals);
            if (symbol < 0 || Bits.Over)
                return InflateResult::Damaged;
            if (symbol < 256) {
                if (Out.size() >= Limit)
                    return InflateResult::TooLarge;
                Out.push_back(static_cast<char>(symbol));
                continue;
            }
            if (symbol == 256)
                return InflateResult::Ok;
            symbol -= 257;
            if (symbol >= static_cast<int>(kLengthBase.size()))
                return InflateResult::Damaged;
            const std::size_t length = kLengthBase[symbol] + Bits.Take(kLengthExtra[symbol]);
            const int code = Decode(Bits, distances);
            if (code < 0 || code >= kDistanceCodes)
                return InflateResult::Damaged;
            const std::size_t distance = kDistanceBase[code] + Bits.Take(kDistanceExtra[code]);
            if (Bits.Over || distance > Out.size())
                return InflateResult::Damaged;
            if (Limit - Out.size() < length)
                return InflateResult::TooLarge;
            for (std::size_t i = 0; i < length; ++i)
                Out.push_back(Out[Out.size() - distance]);
        }
    }

    InflateResult Fixed() {
        std::array<std::int16_t, kLiteralCodes + kDistanceCodes> lengths{};
        for (int symbol = 0; symbol < kLiteralCodes; ++symbol)
            lengths[symbol] = symbol < 144 ? 8 : symbol < 256 ? 9 : symbol < 280 ? 7 : 8;
        for (int symbol = 0; symbol < kDistanceCodes; ++symbol)
            lengths[kLiteralCodes + symbol] = 5;
        Huffman literals, distances;
        Build(literals, lengths.data(), kLiteralCodes);
        Build(distances, lengths.data() + kLiteralCodes, kDistanceCodes);
        return Codes(literals, distances);
    }

    // The code lengths of a dynamic block's two codes, read with the code
    // lengths' own code; false when they are damaged.
    bool CodeLengths(std::int16_t* lengths, int count) {
        static constexpr std::array<std::uint8_t, 19> kOrder{16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                             11, 4,  12, 3, 13, 2, 14, 1, 15};
        const int codes = static_cast<int>(Bits.Take(4)) + 4;
        std::array<std::int16_t, 19> own{};
        for (int i = 0; i < codes; ++i)
            own[kOrder[i]] = static_cast<std::int16_t>(Bits.Take(3));
        Huffman code;
        if (Build(code, own.data(), 19) != 0)
            return false;
        for (int index = 0; index < count;) {
            const int symbol = Decode(Bits, code);
            if (symbol < 0 || Bits.Over)
                return false;
            if (symbol < 16) {
                lengths[index++] = static_cast<std::int16_t>(symbol);
                continue;
            }
            if (symbol == 16 && index == 0)
                return false;
            const std::int16_t repeated = symbol == 16 ? lengths[index - 1] : 0;
            const int times = symbol == 16   ? 3 + static_cast<int>(Bits.Take(2))
                              : symbol == 17 ? 3 + static_cast<int>(Bits.Take(3))
                                             : 11 + static_cast<int>(Bits.Take(7));
            if (index + times > count)
                return false;
            for (int i = 0; i < times; ++i)
                lengths[index++] = repeated;
        }
        return !Bits.Over;
    }

    InflateResult Dynamic() {
        const int literalCount = static_cast<int>(Bits.Take(5)) + 257;
        const int distanceCount = static_cast<int>(Bits.Take(5)) + 1;
        if (literalCount > 286 || distanceCount > kDistanceCodes)
            return InflateResult::Damaged;
        std::array<std::int16_t, kLiteralCodes + kDistanceCodes> lengths{};
        if (!CodeLengths(lengths.data(), literalCount + distanceCount) || lengths[256] == 0)
            return InflateResult::Damaged;
        Huffman literals, distances;
        // An incomplete code is allowed only when it has a single code.
        const int literalLeft = Build(literals, lengths.data(), literalCount);
        if (literalLeft < 0 || (literalLeft > 0 && literalCount - literals.Counts[0] != 1))
            return InflateResult::Damaged;
        const int distanceLeft = Build(distances, lengths.data() + literalCount, distanceCount);
        if (distanceLeft < 0 || (distanceLeft > 0 && distanceCount - distances.Counts[0] != 1))
            return InflateResult::Damaged;
        return Codes(literals, distances);
    }
};

} // namespace

InflateResult Inflate(std::string_view data, std::size_t limit, std::string& out) {
    Inflater inflater{{data}, limit, {}};
    bool last = false;
    while (!last) {
        last = inflater.Bits.Take(1) == 1;
        const std::uint32_t type = inflater.Bits.Take(2);
        if (inflater.Bits.Over)
            return InflateResult::Damaged;
        const InflateResult result = type == 0   ? inflater.Stored()
                                     : type == 1 ? inflater.Fixed()
                                     : type == 2 ? inflater.Dynamic()
                                                 : InflateResult::Damaged;
        if (result != InflateResult::Ok)
            return result;
    }
    out += inflater.Out;
    return InflateResult::Ok;
}

} // namespace tavrilo
