// The window's command path end to end, against the recording stand-in for
// the controls: any box texts, any arrangement, any failing operation. The
// user must see exactly one outcome (a correct total or a known message),
// and what was typed must never change.
#include "commands.h"
#include "messages.h"
#include "number.h"
#include "recording_ui.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>
#include <set>
#include <string>

namespace {

using namespace tavrilo;

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "command fuzz: %s\n", what);
        std::abort();
    }
}

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
    FuzzedDataProvider in(data, size);
    testing_support::RecordingUi ui;
    ui.option1 = in.ConsumeBool();
    ui.option2 = !ui.option1 && in.ConsumeBool(); // the buttons are exclusive
    ui.decimalSeparator = in.ConsumeBool() ? "." : ",";
    const bool failSomething = in.ConsumeIntegralInRange<int>(0, 7) == 0;
    const auto failAt = in.ConsumeIntegralInRange<std::size_t>(0, 10);
    const bool clearFirst = in.ConsumeIntegralInRange<int>(0, 15) == 0;
    for (std::string& text : ui.text)
        text = in.ConsumeRandomLengthString(64);
    const std::string typed[3] = {ui.text[0], ui.text[1], ui.text[2]};

    if (clearFirst) {
        RunCommand(Command::Clear, ui, kLinks);
        Require(ui.text[0].empty() && ui.text[1].empty() && ui.text[2].empty(),
                "Clear left text in a box");
        Require(ui.resultLines.empty() && ui.messages.empty(), "Clear showed something");
        ui.calls.clear();
    }
    if (failSomething)
        ui.failCall = failAt;

    RunCommand(Command::Calculate, ui, kLinks);

    // What was typed is never touched by Calculate.
    for (int i = 0; i < 3; ++i)
        Require(ui.text[i] == (clearFirst ? std::string() : typed[i]), "a box changed");
    Require(!ui.calls.empty() && ui.calls[0] == "ClearResult", "the result was not cleared first");

    const bool printed = !ui.resultLines.empty();
    Require(ui.resultLines.size() <= 1, "more than one result line");
    Require(ui.messages.size() <= 1, "more than one message");

    if (ui.failCall && *ui.failCall < ui.calls.size()) {
        // The failing operation abandons the command; the user is told in a
        // message titled 错误, unless showing a message is what failed last.
        const bool reportFailed = *ui.failCall + 1 == ui.calls.size();
        Require(ui.calls.back() == "ShowMessage 错误", "a failure was not followed by a report");
        Require(ui.calls.size() == *ui.failCall + (reportFailed ? 1 : 2),
                "the command went on after a failure");
        Require(!printed || ui.calls[*ui.failCall] == "ShowMessage 错误",
                "a total was printed despite a failure");
        return 0;
    }
    Require(printed != !ui.messages.empty(), "not exactly one outcome");

    Require(ui.calls.size() >= 4 && ui.calls[1] == "ReadText Text1" &&
                ui.calls[2] == "ReadText Text2" && ui.calls[3] == "ReadText Text3",
            "the boxes were not read in order");

    // The outcome, worked out independently.
    const MeshInputs inputs{ParseLeadingNumber(ui.text[0]), ParseLeadingNumber(ui.text[1]),
                            ParseLeadingNumber(ui.text[2])};
    if (printed) {
        Require(ui.option1 || ui.option2, "a total without an arrangement");
        const MeshLengthOutcome outcome =
            ComputeMeshLength(inputs, ui.option2 ? Arrangement::TwoWay : Arrangement::OneWay);
        Require(std::holds_alternative<MeshLength>(outcome), "a total for a failed calculation");
        const double total = std::get<MeshLength>(outcome).Total;
        Require(!IsNegativeTotal(total), "a negative total was printed");
        Require(ui.resultLines[0] == ResultText(total, ui.decimalSeparator),
                "the printed text is not the total");
        if (ui.decimalSeparator == ".")
            Require(FormatNumber(ParseLeadingNumber(ui.resultLines[0])) == FormatNumber(total),
                    "the printed total does not read back");
    } else {
        Require(ui.messages[0].title == "错误", "a message with the wrong title");
        Require(IsKnownCalculateMessage(ui.messages[0].prompt), "an unknown message");
        const bool allPositive =
            inputs.MeshDiameter > 0 && inputs.BarDiameter > 0 && inputs.BarSpacing > 0;
        if (!allPositive)
            Require(ui.messages[0].prompt == kNonPositiveMessage,
                    "invalid measurements gave another message");
        else if (!ui.option1 && !ui.option2)
            Require(ui.messages[0].prompt == kNoArrangementMessage,
                    "no arrangement gave another message");
    }
    return 0;
}
