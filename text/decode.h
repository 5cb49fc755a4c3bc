#pragma once

// Turns the bytes of a text file into UTF-8, whatever spreadsheet program
// saved it: UTF-8 with or without a byte-order mark, UTF-16 with one, or, on
// Chinese Windows, GB18030/GBK. The encoding is decided from the bytes
// themselves: a byte-order mark names it (and is dropped, once); otherwise
// ASCII passes through until the first other byte, and from there up to
// 64 KiB of text (or the rest of the file, if shorter) decide between UTF-8
// and GB18030. Text that is UTF-8 but for a few stray bytes is UTF-8. Bytes
// that do not decode become U+FFFD, and the lines where that happened are
// kept, so that a reader can be told. Text of any length streams through in
// constant memory. The decoding is the project's own (no system converter),
// so every platform gives the same text.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tavrilo {

enum class TextEncoding { Ascii, Utf8, Gb18030, Utf16Le, Utf16Be };

// The encoding's usual name: "ASCII", "UTF-8", "GB18030", "UTF-16LE", "UTF-16BE".
std::string_view EncodingName(TextEncoding encoding);

class TextDecoder {
public:
    static constexpr std::size_t kDecisionBytes = 64 * 1024;
    // How many of the lines with undecodable bytes are kept by number.
    static constexpr std::size_t kNamedLines = 10;

    TextDecoder() = default;
    TextDecoder(const TextDecoder&) = delete;
    TextDecoder& operator=(const TextDecoder&) = delete;

    // Appends the UTF-8 text of the next `bytes` to `out`, holding back what
    // cannot be decided or decoded yet. False when the text cannot be decoded
    // any further; Problem() then says why and where, and `out` has the text
    // that came before the fault.
    bool Feed(std::string_view bytes, std::string& out);
    // The end of the input: decodes whatever is held back.
    bool Finish(std::string& out);

    TextEncoding Encoding() const { return encoding_; }
    const std::string& Problem() const { return problem_; }
    // Lines (from 1, counted as the CSV reader counts them) where bytes were
    // replaced by U+FFFD: the first kNamedLines of them, and how many in all.
    const std::vector<std::size_t>& ReplacedLines() const { return replacedLines_; }
    std::size_t ReplacedLineCount() const { return replacedLineCount_; }

private:
    bool Decode(std::string& out, bool final);
    bool DecodeBeforeNul(std::string& out, std::size_t nul);
    void DecideFromBytes(bool final);
    void DecodeUtf8(std::string& out, bool final);
    void DecodeGb18030(std::string& out, bool final);
    bool DecodeUtf16(std::string& out, bool final);
    void Replace(std::string& out);
    void CountLines(const std::string& out);
    bool Fail(std::string problem);

    std::string pending_; // bytes not yet decoded
    bool markChecked_ = false;
    bool decided_ = false;
    std::size_t fed_ = 0;     // bytes fed so far
    std::size_t emitted_ = 0; // bytes of text given out so far
    TextEncoding encoding_ = TextEncoding::Ascii;
    std::string problem_;
    // Line counting over the text given out.
    std::size_t line_ = 1;
    bool afterCr_ = false;
    std::size_t counted_ = 0; // how much of the current `out` is counted
    std::vector<std::size_t> replacedLines_;
    std::size_t replacedLineCount_ = 0;
    std::size_t lastReplacedLine_ = 0;
};

} // namespace tavrilo
