#include "cli/cli.h"

#include <iostream>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <optional>
#include <string>
#include <windows.h>

namespace {

// The length of the part of `utf8` that ends on a whole character: an
// incomplete sequence at the end waits for the rest of it.
std::size_t CompletePrefix(std::string_view utf8) {
    const std::size_t size = utf8.size();
    for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
        const auto c = static_cast<unsigned char>(utf8[size - back]);
        if ((c & 0xC0) == 0x80)
            continue; // a continuation byte: look further back
        const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return length > back ? size - back : size;
    }
    return size;
}

// Writes UTF-8 text to a console as UTF-16 with WriteConsoleW, so that
// Chinese reads correctly in cmd.exe and PowerShell whatever the console's
// code page. Redirected streams never come here: they get the bytes.
class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE console) : console_(console) {}
    ConsoleBuffer(const ConsoleBuffer&) = delete;
    ConsoleBuffer& operator=(const ConsoleBuffer&) = delete;
    ~ConsoleBuffer() override { Flush(true); }

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
        const std::size_t end = all ? pending_.size() : CompletePrefix(pending_);
        if (end == 0)
            return true;
        std::wstring wide(end, L'\0');
        const int length = MultiByteToWideChar(CP_UTF8, 0, pending_.data(), static_cast<int>(end),
                                               wide.data(), static_cast<int>(end));
        pending_.erase(0, end);
        for (int done = 0; done < length;) {
            DWORD written = 0;
            if (!WriteConsoleW(console_, wide.data() + done, static_cast<DWORD>(length - done),
                               &written, nullptr) ||
                written == 0)
                return false;
            done += static_cast<int>(written);
        }
        return true;
    }

    HANDLE console_;
    std::string pending_;
};

// The stream to write to in place of `standard`: through the console when
// the handle is one.
class OutputStream {
public:
    OutputStream(DWORD handle, std::ostream& standard) : stream_(&standard) {
        const HANDLE h = GetStdHandle(handle);
        DWORD mode = 0;
        if (h != INVALID_HANDLE_VALUE && h != nullptr && GetConsoleMode(h, &mode)) {
            buffer_.emplace(h);
            console_.emplace(&*buffer_);
            stream_ = &*console_;
        }
    }
    std::ostream& Stream() { return *stream_; }

private:
    std::optional<ConsoleBuffer> buffer_;
    std::optional<std::ostream> console_;
    std::ostream* stream_;
};

std::string Utf8(const wchar_t* wide) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), size, nullptr, nullptr);
    text.pop_back(); // the terminating NUL
    return text;
}

} // namespace

// The arguments as UTF-16, whatever the system's code page, passed on as
// UTF-8; the standard streams in binary mode, so that redirected output has
// the same bytes as on Linux (LF line ends, UTF-8).
int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::string> texts;
    for (int i = 1; i < argc; ++i)
        texts.push_back(Utf8(argv[i]));
    const std::vector<std::string_view> args(texts.begin(), texts.end());
    OutputStream out(STD_OUTPUT_HANDLE, std::cout);
    OutputStream err(STD_ERROR_HANDLE, std::cerr);
    const int status = tavrilo::cli::Run(args, std::cin, out.Stream(), err.Stream());
    out.Stream().flush();
    err.Stream().flush();
    return status;
}

#else

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    return tavrilo::cli::Run(args, std::cin, std::cout, std::cerr);
}

#endif
