#include "desktop/commands.h"

#include "calc/evaluate.h"
#include "calc/number.h"
#include "desktop/support_links.h"
#include "text/messages.h"

namespace tavrilo {

SupportLinks ConfiguredSupportLinks() {
    return {TAVRILO_HOME_PAGE_URL, TAVRILO_SUPPORT_EMAIL, TAVRILO_SUPPORT_QQ};
}
namespace {

// Lets a command leave at the first failed operation: TAVRILO_TRY(ui.X(...));
#define TAVRILO_TRY(operation)                                                                     \
    do {                                                                                           \
        if (Status status_ = (operation); !status_.ok())                                           \
            return OperationError{status_.what()};                                                 \
    } while (false)

CommandOutcome ReadMeasurement(UiOperations& ui, TextBoxId box, double& value) {
    std::string text;
    TAVRILO_TRY(ui.ReadText(box, text));
    value = ParseLeadingNumber(text);
    return std::nullopt;
}

CommandOutcome Show(UiOperations& ui, std::string_view prompt, std::string_view title) {
    TAVRILO_TRY(ui.ShowMessage(prompt, title));
    return std::nullopt;
}

// The user's input is answered with its message and the command ends; a
// calculation that could not be carried out abandons the command.
CommandOutcome Refuse(UiOperations& ui, const Refusal& refusal) {
    if (const auto* error = std::get_if<CalcError>(&refusal))
        return *error;
    return Show(ui, RefusalMessage(refusal), kErrorTitle);
}

// Reads the option buttons as the window always has: both, to see that one
// is chosen, and then again to pick the arrangement, Option2 first. The
// second reading stays so that every platform sees the same reads in the
// same order (and a choice that changes between them is taken as it then is).
// `vanished` is set when the choice was gone by the second reading: the
// command then ends without a message.
CommandOutcome ReadArrangement(UiOperations& ui, std::optional<Arrangement>& arrangement,
                               bool& vanished) {
    bool option1 = false;
    bool option2 = false;
    TAVRILO_TRY(ui.ReadOption(OptionId::Option1, option1));
    TAVRILO_TRY(ui.ReadOption(OptionId::Option2, option2));
    if (!option1 && !option2)
        return std::nullopt;

    TAVRILO_TRY(ui.ReadOption(OptionId::Option2, option2));
    if (option2) {
        arrangement = Arrangement::TwoWay;
        return std::nullopt;
    }
    TAVRILO_TRY(ui.ReadOption(OptionId::Option1, option1));
    if (option1)
        arrangement = Arrangement::OneWay;
    else
        vanished = true;
    return std::nullopt;
}

} // namespace

CommandOutcome Calculate(UiOperations& ui) {
    TAVRILO_TRY(ui.ClearResult());

    MeshInputs inputs;
    for (auto [box, value] : {std::pair{TextBoxId::Text1, &inputs.MeshDiameter},
                              std::pair{TextBoxId::Text2, &inputs.BarDiameter},
                              std::pair{TextBoxId::Text3, &inputs.BarSpacing}}) {
        if (auto fault = ReadMeasurement(ui, box, *value))
            return fault;
    }

    CommandOutcome readFault;
    bool vanished = false;
    const MeshDecision decision = DecideMesh(inputs, [&] {
        std::optional<Arrangement> arrangement;
        readFault = ReadArrangement(ui, arrangement, vanished);
        return arrangement;
    });
    if (const auto* refusal = std::get_if<Refusal>(&decision))
        return Refuse(ui, *refusal);
    if (readFault)
        return readFault;
    if (vanished)
        return std::nullopt; // the choice vanished between the reads: nothing to show
    if (std::holds_alternative<NoArrangement>(decision))
        return Show(ui, kNoArrangementMessage, kErrorTitle);

    const double total = std::get<MeshLength>(decision).Total;
    TAVRILO_TRY(ui.PrintResult(ResultText(total, ui.DecimalSeparator())));
    return std::nullopt;
}

CommandOutcome Clear(UiOperations& ui) {
    TAVRILO_TRY(ui.SetText(TextBoxId::Text1, ""));
    TAVRILO_TRY(ui.SetText(TextBoxId::Text2, ""));
    TAVRILO_TRY(ui.SetText(TextBoxId::Text3, ""));
    TAVRILO_TRY(ui.ClearResult());
    return std::nullopt;
}

CommandOutcome OpenHomePage(UiOperations& ui, const SupportLinks& links) {
    TAVRILO_TRY(ui.OpenHomePage(links.HomePageUrl));
    return std::nullopt;
}

std::string FeedbackPrompt(const SupportLinks& links) {
    std::string prompt = "请将您发现的问题发送到 ";
    prompt += links.SupportEmail;
    prompt += " 或联系";
    prompt += '\r';
    prompt += "QQ:";
    prompt += links.SupportQq;
    prompt += "\r\r\r";
    prompt += "感谢您的使用！";
    return prompt;
}

CommandOutcome ShowFeedback(UiOperations& ui, const SupportLinks& links) {
    return Show(ui, FeedbackPrompt(links), kFeedbackTitle);
}

#undef TAVRILO_TRY

namespace {

CommandOutcome Dispatch(Command command, UiOperations& ui, const SupportLinks& links) {
    switch (command) {
    case Command::Calculate:
        return Calculate(ui);
    case Command::Clear:
        return Clear(ui);
    case Command::HomePage:
        return OpenHomePage(ui, links);
    case Command::Feedback:
        return ShowFeedback(ui, links);
    }
    return std::nullopt;
}

std::string Describe(const CommandFault& fault) {
    if (const auto* error = std::get_if<CalcError>(&fault))
        return std::string(RefusalMessage(*error));
    return "操作失败：" + std::get<OperationError>(fault).What;
}

} // namespace

void RunCommand(Command command, UiOperations& ui, const SupportLinks& links) {
    if (const CommandOutcome fault = Dispatch(command, ui, links)) {
        // Nothing more can be done if even the report cannot be shown.
        (void)ui.ShowMessage(Describe(*fault), kErrorTitle);
    }
}

} // namespace tavrilo
