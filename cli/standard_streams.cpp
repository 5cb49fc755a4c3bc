#include "cli/standard_streams.h"

#include "cli/output.h"
#include "cli/system_error.h"
#include "text/terminal_text.h"
#include "text/utf8.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <optional>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <clocale>
#include <csignal>
#include <langinfo.h>
#endif

namespace tavrilo::cli {
namespace {

// A stream buffer that hands whole UTF-8 characters to `write`, which puts
// them on a console or a terminal in its own form.
class TextBuffer : public std::streambuf {
public:
    using Writer = std::function<bool(std::string_view)>; // false when the text was not written
    explicit TextBuffer(Writer write) : write_(std::move(write)) {}
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;
    ~TextBuffer() override { Flush(true); }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        pending_ += traits_type::to_char_type(c);
        return pending_.size() < kFlushBytes || Flush(false) ? c : traits_type::eof();
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        pending_.append(s, static_cast<std::size_t>(n));
        return pending_.size() < kFlushBytes || Flush(false) ? n : 0;
    }
    int sync() override { return Flush(false) ? 0 : -1; }

private:
    static constexpr std::size_t kFlushBytes = 4096;

    bool Flush(bool all) {
        const std::size_t end = all ? pending_.size() : CompleteUtf8Prefix(pending_);
        if (end == 0)
            return true;
        const bool written = write_(std::string_view(pending_).substr(0, end));
        pending_.erase(0, end);
        return written;
    }

    Writer write_;
    std::string pending_;
};

// Writes text to the system; the fault when it cannot.
using SystemWriter = std::function<std::optional<SystemError>(std::string_view)>;

// The stream the program writes to in place of a standard one.
class OutputStream {
public:
    explicit OutputStream(std::ostream& standard) : stream_(&standard) {}
    void Through(SystemWriter write) {
        buffer_.emplace([this, write = std::move(write)](std::string_view text) {
            const std::optional<SystemError> fault = write(text);
            if (fault)
                NoteWriteFault(*converted_, *fault);
            return !fault;
        });
        converted_.emplace(&*buffer_);
        stream_ = &*converted_;
    }
    std::ostream& Stream() { return *stream_; }

private:
    // Declared before the buffer, which outlives it: the buffer's last flush
    // may still note a fault on it.
    std::optional<std::ostream> converted_;
    std::optional<TextBuffer> buffer_;
    std::ostream* stream_;
};

#ifdef _WIN32

// Text for a console goes as UTF-16 through WriteConsoleW, so that Chinese
// reads correctly in cmd.exe and PowerShell whatever the console's code page.
// Redirected streams get the UTF-8 bytes as they are, through WriteFile,
// whose error codes tell why a write failed.
void ThroughSystem(OutputStream& stream, DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode)) {
        stream.Through([handle](std::string_view utf8) -> std::optional<SystemError> {
            const std::u16string utf16 = Utf16FromUtf8(utf8);
            const std::wstring wide(utf16.begin(), utf16.end());
            const int length = static_cast<int>(wide.size());
            for (int done = 0; done < length;) {
                DWORD written = 0;
                if (!WriteConsoleW(handle, wide.data() + done, static_cast<DWORD>(length - done),
                                   &written, nullptr))
                    return LastWindowsError();
                if (written == 0)
                    return SystemError{SystemError::Source::Windows, ERROR_WRITE_FAULT};
                done += static_cast<int>(written);
            }
            return std::nullopt;
        });
        return;
    }
    stream.Through([handle](std::string_view bytes) -> std::optional<SystemError> {
        return WriteAllToHandle(handle, bytes);
    });
}

#else

// Whether standard output carries a machine format (CSV, JSON), which is
// UTF-8 whatever the terminal.
bool WritesMachineFormat(std::span<const std::string_view> args) {
    for (std::string_view arg : args) {
        if (arg == "--")
            break;
        if (arg == "--json" || arg == "--csv" || arg.starts_with("--csv="))
            return true;
    }
    return false;
}

// Through C stdio, which keeps why a write failed in errno.
void InCharset(OutputStream& stream, std::FILE* file, TerminalCharset charset) {
    stream.Through([file, charset](std::string_view utf8) -> std::optional<SystemError> {
        const std::string text = FromUtf8(utf8, charset);
        errno = 0;
        if (std::fwrite(text.data(), 1, text.size(), file) == text.size() && std::fflush(file) == 0)
            return std::nullopt;
        return LastErrno();
    });
}

#endif

} // namespace

class StandardStreams::Channel : public OutputStream {
public:
    using OutputStream::OutputStream;
};

StandardStreams::StandardStreams([[maybe_unused]] std::span<const std::string_view> args)
    : out_(std::make_unique<Channel>(std::cout)), err_(std::make_unique<Channel>(std::cerr)) {
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    ThroughSystem(*out_, STD_OUTPUT_HANDLE);
    ThroughSystem(*err_, STD_ERROR_HANDLE);
#else
    // A reader that has gone (`tavrilo-calc --csv big.csv | head -1`) makes a
    // write fail with EPIPE, reported with exit status 2 as on Windows, rather
    // than end the program without a word.
    std::signal(SIGPIPE, SIG_IGN);
    std::setlocale(LC_CTYPE, "");
    const TerminalCharset charset = CharsetOfCodeset(nl_langinfo(CODESET));
    if (charset != TerminalCharset::Utf8)
        InCharset(*err_, stderr, charset);
    InCharset(*out_, stdout, WritesMachineFormat(args) ? TerminalCharset::Utf8 : charset);
#endif
}

StandardStreams::~StandardStreams() {
    out_->Stream().flush();
    err_->Stream().flush();
}

std::ostream& StandardStreams::Out() {
    return out_->Stream();
}

std::ostream& StandardStreams::Err() {
    return err_->Stream();
}

#ifdef _WIN32
std::string Utf8Argument(const wchar_t* wide) {
    const std::wstring_view text(wide);
    return Utf8FromUtf16(std::u16string(text.begin(), text.end()));
}
#endif

} // namespace tavrilo::cli
