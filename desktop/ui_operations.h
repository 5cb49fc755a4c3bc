#pragma once

// The user-interface operations the window's commands call: reading and
// setting the boxes, reading the arrangement choice, the result area, message
// boxes and the home page. Texts are UTF-8. Every operation reports whether it
// succeeded; the caller tests that right after the call.

#include <string>
#include <string_view>
#include <utility>

namespace tavrilo {

enum class TextBoxId { Text1, Text2, Text3 };
enum class OptionId { Option1, Option2 };

class [[nodiscard]] Status {
public:
    static Status Ok() { return Status(); }
    static Status Failed(std::string what) { return Status(std::move(what)); }

    bool ok() const { return failed_.empty(); }
    // What failed, in words for the user; empty on success.
    const std::string& what() const { return failed_; }

private:
    Status() = default;
    explicit Status(std::string what) : failed_(what.empty() ? "未知错误" : std::move(what)) {}
    std::string failed_;
};

class UiOperations {
public:
    virtual ~UiOperations() = default;

    virtual Status ReadText(TextBoxId box, std::string& text) = 0;
    virtual Status SetText(TextBoxId box, std::string_view text) = 0;
    // `selected` is the option button's state.
    virtual Status ReadOption(OptionId option, bool& selected) = 0;
    // Erases the result area and moves its drawing position to the top-left corner.
    virtual Status ClearResult() = 0;
    // Draws `text` at the drawing position; the next print goes on the line below.
    virtual Status PrintResult(std::string_view text) = 0;
    // A modal message with an OK button only and no icon. Carriage returns in
    // `prompt` are line breaks. Returns when the user has closed it.
    virtual Status ShowMessage(std::string_view prompt, std::string_view title) = 0;
    // Shows `url` in a browser window that lives on independently.
    virtual Status OpenHomePage(std::string_view url) = 0;
    // The decimal separator of the user's locale, for presenting numbers.
    virtual std::string DecimalSeparator() = 0;
};

} // namespace tavrilo
