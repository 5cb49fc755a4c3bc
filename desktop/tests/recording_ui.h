#pragma once

// A stand-in for the window that records every operation a command performs,
// in order, and plays the part of the controls: three texts, two option
// buttons and the lines of the result area.

#include "desktop/ui_operations.h"

#include <optional>
#include <string>
#include <vector>

namespace tavrilo::testing_support {

class RecordingUi : public UiOperations {
public:
    std::string text[3] = {"1.3", "0.0065", "0.1"};
    bool option1 = false;
    bool option2 = false;
    std::vector<std::string> resultLines;
    std::string decimalSeparator = ".";
    bool homePageOpens = true;

    // Every call, as "Operation argument...".
    std::vector<std::string> calls;
    // Messages shown, as prompt and title.
    struct Message {
        std::string prompt;
        std::string title;
    };
    std::vector<Message> messages;
    std::vector<std::string> openedUrls;

    // Makes the call with this index (0-based, counting every call) fail.
    std::optional<std::size_t> failCall;

    Status ReadText(TextBoxId box, std::string& out) override {
        if (auto failure = Record("ReadText " + Name(box)))
            return *failure;
        out = text[static_cast<int>(box)];
        return Status::Ok();
    }
    Status SetText(TextBoxId box, std::string_view value) override {
        if (auto failure = Record("SetText " + Name(box) + " \"" + std::string(value) + "\""))
            return *failure;
        text[static_cast<int>(box)] = std::string(value);
        return Status::Ok();
    }
    Status ReadOption(OptionId option, bool& selected) override {
        const bool first = option == OptionId::Option1;
        if (auto failure = Record(first ? "ReadOption Option1" : "ReadOption Option2"))
            return *failure;
        selected = first ? option1 : option2;
        return Status::Ok();
    }
    Status ClearResult() override {
        if (auto failure = Record("ClearResult"))
            return *failure;
        resultLines.clear();
        return Status::Ok();
    }
    Status PrintResult(std::string_view line) override {
        if (auto failure = Record("PrintResult " + std::string(line)))
            return *failure;
        resultLines.emplace_back(line);
        return Status::Ok();
    }
    Status ShowMessage(std::string_view prompt, std::string_view title) override {
        if (auto failure = Record("ShowMessage " + std::string(title)))
            return *failure;
        messages.push_back({std::string(prompt), std::string(title)});
        return Status::Ok();
    }
    Status OpenHomePage(std::string_view url) override {
        if (auto failure = Record("OpenHomePage " + std::string(url)))
            return *failure;
        if (!homePageOpens)
            return Status::Failed("没有可用的浏览器");
        openedUrls.emplace_back(url);
        return Status::Ok();
    }
    std::string DecimalSeparator() override { return decimalSeparator; }

private:
    static std::string Name(TextBoxId box) {
        return "Text" + std::to_string(static_cast<int>(box) + 1);
    }
    std::optional<Status> Record(std::string call) {
        calls.push_back(std::move(call));
        if (failCall && *failCall == calls.size() - 1)
            return Status::Failed("模拟的控件故障");
        return std::nullopt;
    }
};

} // namespace tavrilo::testing_support
