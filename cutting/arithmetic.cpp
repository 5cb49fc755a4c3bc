// Counted work and exact integer arithmetic: what every bound and plan is
// added up with.

#include "cutting/detail.h"

#include <cstdint>
#include <optional>

namespace tavrilo::cutting::detail {

bool Budget::Spend(std::int64_t steps) {
    if (steps < 0 || steps > Left) {
        Left = 0;
        return false;
    }
    Left -= steps;
    return true;
}

namespace {

// a * b / m for a, b >= 0 and m > 0 as a quotient and a remainder; false when
// the quotient does not fit in 63 bits.
bool Divide(std::int64_t a, std::int64_t b, std::int64_t m, std::uint64_t& quotient,
            std::uint64_t& remainder) {
    // a * b as 128 bits in two halves, from 32-bit parts.
    const std::uint64_t ua = static_cast<std::uint64_t>(a);
    const std::uint64_t ub = static_cast<std::uint64_t>(b);
    const std::uint64_t a0 = ua & 0xffffffffu, a1 = ua >> 32;
    const std::uint64_t b0 = ub & 0xffffffffu, b1 = ub >> 32;
    const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
    const std::uint64_t middle = (p00 >> 32) + (p01 & 0xffffffffu) + (p10 & 0xffffffffu);
    const std::uint64_t lo = (middle << 32) | (p00 & 0xffffffffu);
    const std::uint64_t hi = p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32);
    // Long division by m (< 2^63, so the remainder doubled never overflows).
    const std::uint64_t um = static_cast<std::uint64_t>(m);
    std::uint64_t rem = 0, qhi = 0, qlo = 0;
    for (int bit = 127; bit >= 0; --bit) {
        const std::uint64_t next = bit >= 64 ? (hi >> (bit - 64)) & 1u : (lo >> bit) & 1u;
        rem = (rem << 1) | next;
        if (rem >= um) {
            rem -= um;
            if (bit >= 64)
                qhi |= std::uint64_t{1} << (bit - 64);
            else
                qlo |= std::uint64_t{1} << bit;
        }
    }
    quotient = qlo;
    remainder = rem;
    return qhi == 0 && qlo <= static_cast<std::uint64_t>(INT64_MAX - 1);
}

} // namespace

std::optional<std::int64_t> MulDivCeil(std::int64_t a, std::int64_t b, std::int64_t m) {
    std::uint64_t q = 0, rem = 0;
    if (a < 0 || b < 0 || m <= 0 || !Divide(a, b, m, q, rem))
        return std::nullopt;
    return static_cast<std::int64_t>(q) + (rem != 0 ? 1 : 0);
}

std::optional<std::int64_t> MulDivFloor(std::int64_t a, std::int64_t b, std::int64_t m) {
    std::uint64_t q = 0, rem = 0;
    if (a < 0 || b < 0 || m <= 0 || !Divide(a, b, m, q, rem))
        return std::nullopt;
    return static_cast<std::int64_t>(q);
}

std::optional<std::int64_t> AddChecked(std::int64_t a, std::int64_t b) {
    std::int64_t r = 0;
    if (__builtin_add_overflow(a, b, &r))
        return std::nullopt;
    return r;
}

std::optional<std::int64_t> MulChecked(std::int64_t a, std::int64_t b) {
    std::int64_t r = 0;
    if (__builtin_mul_overflow(a, b, &r))
        return std::nullopt;
    return r;
}

} // namespace tavrilo::cutting::detail
