// The master's basis arithmetic: a dense inverse of the basis, the basic
// solution and the duals, updated by each pivot and made again from the basis
// every so often. The simplex that chooses the pivots is in master.cpp.

#include "cutting/detail.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace tavrilo::cutting::detail {
namespace {

// Tolerances, relative to costs of at most 1: an entry of the pivot column
// below kPivotEps does not pivot; ratios within kTieEps are equal, and a step
// no longer than that moves nothing; a basis with a pivot below kTieEps is
// singular.
constexpr double kPivotEps = 1e-9;
constexpr double kTieEps = 1e-12;

} // namespace

void Basis::Start(std::size_t rows) {
    m_ = rows;
    basic_.assign(m_, 0);
    inverse_.assign(m_ * m_, 0.0);
    values_.assign(m_, 0.0);
}

void Basis::Set(std::size_t row, std::size_t column, double entry, double demand) {
    basic_[row] = column;
    inverse_[row * m_ + row] = 1.0 / entry;
    values_[row] = demand / entry;
}

void Basis::ComputeDuals(const std::vector<MasterColumn>& columns) {
    duals_.assign(m_, 0.0);
    for (std::size_t k = 0; k < m_; ++k) {
        const double c = columns[basic_[k]].Cost;
        if (c == 0)
            continue;
        const double* row = &inverse_[k * m_];
        for (std::size_t i = 0; i < m_; ++i)
            duals_[i] += c * row[i];
    }
}

// The row whose basic column reaches zero first as the entering one grows:
// on a tie the largest entry (the steadiest pivot), until the pivots stall.
std::optional<std::size_t> Basis::Leaving(const std::vector<double>& alpha) const {
    std::size_t leave = m_;
    double bestRatio = 0;
    for (std::size_t k = 0; k < m_; ++k) {
        if (alpha[k] <= kPivotEps)
            continue;
        const double ratio = std::max(values_[k], 0.0) / alpha[k];
        if (leave == m_ || ratio < bestRatio - kTieEps ||
            (ratio <= bestRatio + kTieEps && degenerate_ <= kDegenerateStreak &&
             alpha[k] > alpha[leave])) {
            leave = k;
            bestRatio = ratio;
        }
    }
    if (leave == m_)
        return std::nullopt;
    return leave;
}

// The entering column has few entries, so the inverse times it is summed over
// those alone, and only the rows of the inverse it moves are updated; the
// duals follow from the new pivot row.
bool Basis::Pivot(std::vector<MasterColumn>& columns, std::size_t entering) {
    const std::vector<double>& column = columns[entering].Entries;
    std::vector<std::size_t> entries;
    for (std::size_t i = 0; i < m_; ++i)
        if (column[i] != 0)
            entries.push_back(i);
    std::vector<double> alpha(m_, 0.0);
    for (std::size_t k = 0; k < m_; ++k) {
        const double* row = &inverse_[k * m_];
        double sum = 0;
        for (const std::size_t i : entries)
            sum += row[i] * column[i];
        alpha[k] = sum;
    }
    work_ += m_ * (entries.size() + 1);
    const auto leaving = Leaving(alpha);
    if (!leaving)
        return false;
    const std::size_t leave = *leaving;
    double reduced = columns[entering].Cost;
    for (const std::size_t i : entries)
        reduced -= column[i] * duals_[i];
    const double theta = std::max(values_[leave], 0.0) / alpha[leave];
    degenerate_ = theta > kTieEps ? 0 : degenerate_ + 1;
    for (std::size_t k = 0; k < m_; ++k)
        if (k != leave)
            values_[k] -= theta * alpha[k];
    values_[leave] = theta;
    double* pivotRow = &inverse_[leave * m_];
    const double pivot = alpha[leave];
    for (std::size_t i = 0; i < m_; ++i)
        pivotRow[i] /= pivot;
    for (std::size_t k = 0; k < m_; ++k) {
        if (k == leave || alpha[k] == 0)
            continue;
        double* row = &inverse_[k * m_];
        const double f = alpha[k];
        for (std::size_t i = 0; i < m_; ++i)
            row[i] -= f * pivotRow[i];
        work_ += m_;
    }
    for (std::size_t i = 0; i < m_; ++i)
        duals_[i] += reduced * pivotRow[i];
    work_ += 2 * m_;
    columns[basic_[leave]].Basic = false;
    basic_[leave] = entering;
    columns[entering].Basic = true;
    return true;
}

// Gauss-Jordan on the basis with partial pivoting: the basis becomes I, the
// identity its inverse. The work is counted as it is done: the basis is
// sparse, and most rows need no elimination.
std::optional<std::vector<double>> Basis::Inverted(const std::vector<MasterColumn>& columns,
                                                   std::int64_t& work) const {
    std::vector<double> b(m_ * m_, 0.0);
    for (std::size_t k = 0; k < m_; ++k)
        for (std::size_t r = 0; r < m_; ++r)
            b[r * m_ + k] = columns[basic_[k]].Entries[r];
    std::vector<double> inv(m_ * m_, 0.0);
    for (std::size_t r = 0; r < m_; ++r)
        inv[r * m_ + r] = 1.0;
    for (std::size_t col = 0; col < m_; ++col) {
        std::size_t p = col;
        for (std::size_t r = col + 1; r < m_; ++r)
            if (std::abs(b[r * m_ + col]) > std::abs(b[p * m_ + col]))
                p = r;
        if (std::abs(b[p * m_ + col]) < kTieEps)
            return std::nullopt;
        if (p != col)
            for (std::size_t i = 0; i < m_; ++i) {
                std::swap(b[p * m_ + i], b[col * m_ + i]);
                std::swap(inv[p * m_ + i], inv[col * m_ + i]);
            }
        const double d = b[col * m_ + col];
        for (std::size_t i = 0; i < m_; ++i) {
            b[col * m_ + i] /= d;
            inv[col * m_ + i] /= d;
        }
        for (std::size_t r = 0; r < m_; ++r) {
            const double f = b[r * m_ + col];
            if (r == col || f == 0)
                continue;
            for (std::size_t i = col; i < m_; ++i)
                b[r * m_ + i] -= f * b[col * m_ + i];
            for (std::size_t i = 0; i < m_; ++i)
                inv[r * m_ + i] -= f * inv[col * m_ + i];
            work += static_cast<std::int64_t>(2 * m_ - col);
        }
    }
    return inv;
}

bool Basis::Reinvert(const std::vector<MasterColumn>& columns,
                     const std::vector<std::int64_t>& demand, Budget& budget) {
    std::int64_t work = static_cast<std::int64_t>(m_ * m_);
    auto inverse = Inverted(columns, work);
    if (!inverse)
        return false;
    if (!budget.Spend(work))
        return false;
    inverse_ = std::move(*inverse);
    for (std::size_t k = 0; k < m_; ++k) {
        double sum = 0;
        for (std::size_t i = 0; i < m_; ++i)
            sum += inverse_[k * m_ + i] * static_cast<double>(demand[i]);
        values_[k] = std::max(sum, 0.0);
    }
    ComputeDuals(columns);
    return true;
}

} // namespace tavrilo::cutting::detail
