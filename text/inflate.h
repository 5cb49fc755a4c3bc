#pragma once

// Raw DEFLATE data (RFC 1951) expanded, as the entries of a ZIP file hold
// it. The data may be hostile: every read is bounds checked, and the output
// stops at a limit the caller sets.

#include <cstddef>
#include <string>
#include <string_view>

namespace tavrilo {

enum class InflateResult {
    Ok,
    Damaged,  // not valid DEFLATE data, or it ends early
    TooLarge, // it expands past the limit
};

// Appends the expansion of `data` to `out`, at most `limit` bytes of it.
InflateResult Inflate(std::string_view data, std::size_t limit, std::string& out);

} // namespace tavrilo
