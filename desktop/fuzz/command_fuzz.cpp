// The window's command path end to end, against the recording stand-in for
// the controls: any box texts, any arrangement, any failing operation. The
// user must see exactly one outcome (a correct total or a known message),
// and what was typed must never change.
#include "calc/number.h"
#include "desktop/commands.h"
#include "desktop/tests/recording_ui.h"
#include "fuzz/fuzz_check.h"
#include "text/messages.h"

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

namespace {

using namespace tavrilo;

// Takes the input apart: a byte of choices, then the three box texts
// separated by 0xFF bytes.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size)
        : bytes_(reinterpret_cast<const char*>(data), size) {}

    std::uint8_t Byte() {
        if (bytes_.empty())
            return 0;
        const auto b = static_cast<std::uint8_t>(bytes_.front());
        bytes_.remove_prefix(1);
        return b;
    }
    std::string Text() {
        const std::size_t end = bytes_.find('\xFF');
        std::string text(bytes_.substr(0, end));
        bytes_.remove_prefix(end == std::string_view::npos ? bytes_.size() : end + 1);
        return text;
    }

private:
    std::string_view bytes_;
};

const SupportLinks kLinks{"http://tavrilo.example.com/", "support@tavrilo.example.com",
                          "123456789"};

bool IsKnownCalculateMessage(const std::string& prompt) {
    static const std::set<std::string> known{
        std::string(kNonPositiveMessage), std::string(kNoArrangementMessage),
        std::string(kNegativeTotalMessage),
        std::string(CalcErrorMessage(CalcErrorKind::IntegerOverflow)),
        std::string(CalcErrorMessage(CalcErrorKind::FloatingPointFault))};
    return known.count(prompt) == 1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    testing_support::RecordingUi ui;
    const std::uint8_t choices = in.Byte();
    const std::uint8_t failure = in.Byte();
    ui.option1 = (choices & 1) != 0;
    ui.option2 = !ui.option1 && (choices & 2) != 0; // the buttons are exclusive
    ui.decimalSeparator = (choices & 4) != 0 ? "," : ".";
    const bool clearFirst = (choices & 8) != 0;
    const bool failSomething = (failure & 0x80) != 0;
    const std::size_t failAt = failure & 0x0F;
    for (std::string& text : ui.text)
        text = in.Text();
    const std::string typed[3] = {ui.text[0], ui.text[1], ui.text[2]};

    if (clearFirst) {
        RunCommand(Command::Clear, ui, kLinks);
        TAVRILO_FUZZ_CHECK(ui.text[0].empty() && ui.text[1].empty() && ui.text[2].empty(),
                           "Clear left text in a box");
        TAVRILO_FUZZ_CHECK(ui.resultLines.empty() && ui.messages.empty(), "Clear showed something");
        ui.calls.clear();
    }
    if (failSomething)
        ui.failCall = failAt;

    RunCommand(Command::Calculate, ui, kLinks);

    // What was typed is never touched by Calculate.
    for (int i = 0; i < 3; ++i)
        TAVRILO_FUZZ_CHECK(ui.text[i] == (clearFirst ? std::string() : typed[i]), "a box changed");
    TAVRILO_FUZZ_CHECK(!ui.calls.empty() && ui.calls[0] == "ClearResult",
                       "the result was not cleared first");

    const bool printed = !ui.resultLines.empty();
    TAVRILO_FUZZ_CHECK(ui.resultLines.size() <= 1, "more than one result line");
    TAVRILO_FUZZ_CHECK(ui.messages.size() <= 1, "more than one message");

    if (ui.failCall && *ui.failCall < ui.calls.size()) {
        // The failing operation abandons the command; the user is told in a
        // message titled 错误, unless showing a message is what failed last.
        const bool reportFailed = *ui.failCall + 1 == ui.calls.size();
        TAVRILO_FUZZ_CHECK(ui.calls.back() == "ShowMessage 错误",
                           "a failure was not followed by a report");
        TAVRILO_FUZZ_CHECK(ui.calls.size() == *ui.failCall + (reportFailed ? 1 : 2),
                           "the command went on after a failure");
        TAVRILO_FUZZ_CHECK(!printed || ui.calls[*ui.failCall] == "ShowMessage 错误",
                           "a total was printed despite a failure");
        return 0;
    }
    TAVRILO_FUZZ_CHECK(printed != !ui.messages.empty(), "not exactly one outcome");

    TAVRILO_FUZZ_CHECK(ui.calls.size() >= 4 && ui.calls[1] == "ReadText Text1" &&
                           ui.calls[2] == "ReadText Text2" && ui.calls[3] == "ReadText Text3",
                       "the boxes were not read in order");

    // The outcome, worked out independently.
    const MeshInputs inputs{ParseLeadingNumber(ui.text[0]), ParseLeadingNumber(ui.text[1]),
                            ParseLeadingNumber(ui.text[2])};
    if (printed) {
        TAVRILO_FUZZ_CHECK(ui.option1 || ui.option2, "a total without an arrangement");
        const MeshLengthOutcome outcome =
            ComputeMeshLength(inputs, ui.option2 ? Arrangement::TwoWay : Arrangement::OneWay);
        TAVRILO_FUZZ_CHECK(std::holds_alternative<MeshLength>(outcome),
                           "a total for a failed calculation");
        const double total = std::get<MeshLength>(outcome).Total;
        TAVRILO_FUZZ_CHECK(!(total < 0.0), "a negative total was printed");
        TAVRILO_FUZZ_CHECK(ui.resultLines[0] == ResultText(total, ui.decimalSeparator),
                           "the printed text is not the total");
        if (ui.decimalSeparator == ".")
            TAVRILO_FUZZ_CHECK(FormatNumber(ParseLeadingNumber(ui.resultLines[0])) ==
                                   FormatNumber(total),
                               "the printed total does not read back");
    } else {
        TAVRILO_FUZZ_CHECK(ui.messages[0].title == "错误", "a message with the wrong title");
        TAVRILO_FUZZ_CHECK(IsKnownCalculateMessage(ui.messages[0].prompt), "an unknown message");
        const bool allPositive =
            inputs.MeshDiameter > 0 && inputs.BarDiameter > 0 && inputs.BarSpacing > 0;
        if (!allPositive)
            TAVRILO_FUZZ_CHECK(ui.messages[0].prompt == kNonPositiveMessage,
                               "invalid measurements gave another message");
        else if (!ui.option1 && !ui.option2)
            TAVRILO_FUZZ_CHECK(ui.messages[0].prompt == kNoArrangementMessage,
                               "no arrangement gave another message");
    }
    return 0;
}
