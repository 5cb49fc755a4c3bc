#pragma once

// Turns the bytes of a text file into UTF-8, whatever spreadsheet program
// saved it: UTF-8 with or without a byte-order mark, UTF-16 with one, or, on
// Chinese Windows, GB18030/GBK. The encoding is decided from the bytes
// themselves: a byte-order mark names it; otherwise ASCII passes through
// until the first other byte, and from there up to 64 KiB of text (or the
// rest of the file, if shorter) decide between UTF-8 (if they are valid
// UTF-8) and GB18030. Bytes that do not decode become U+FFFD. Text of any
// length streams through in constant memory. The decoding is the project's
// own (no system converter), so every platform gives the same text.

#include <string>
#include <string_view>

namespace tavrilo::cli {

enum class TextEncoding { Ascii, Utf8, Gb18030, Utf16Le, Utf16Be };

class TextDecoder {
public:
    static constexpr std::size_t kDecisionBytes = 64 * 1024;

    TextDecoder() = default;
    TextDecoder(const TextDecoder&) = delete;
    TextDecoder& operator=(const TextDecoder&) = delete;

    // Appends the UTF-8 text of the next `bytes` to `out`, holding back what
    // cannot be decided or decoded yet. False when the text cannot be decoded
    // at all; Problem() then says why.
    bool Feed(std::string_view bytes, std::string& out);
    // The end of the input: decodes whatever is held back.
    bool Finish(std::string& out);

    TextEncoding Encoding() const { return encoding_; }
    const std::string& Problem() const { return problem_; }

private:
    bool Decode(std::string& out, bool final);
    bool DecideFromBytes(bool final);
    void DecodeUtf8(std::string& out, bool final);
    void DecodeGb18030(std::string& out, bool final);
    bool DecodeUtf16(std::string& out, bool final);
    bool Fail(std::string problem);

    std::string pending_; // bytes not yet decoded
    bool markChecked_ = false;
    bool decided_ = false;
    bool sawNul_ = false; // text in any encoding but UTF-16 has no NUL bytes
    std::size_t fed_ = 0; // bytes fed so far
    TextEncoding encoding_ = TextEncoding::Ascii;
    std::string problem_;
};

} // namespace tavrilo::cli
