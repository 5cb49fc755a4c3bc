#pragma once

// The four commands of the window: Calculate and Clear (the two buttons),
// Home page and Feedback (the two menu items). Each runs to completion
// against the user-interface operations; a failure abandons the command and
// is reported to the user by RunCommand.

#include "calc/mesh.h"
#include "desktop/ui_operations.h"

#include <optional>
#include <string>
#include <variant>

namespace tavrilo {

enum class Command { Calculate, Clear, HomePage, Feedback };

// Addresses compiled into the program.
struct SupportLinks {
    std::string HomePageUrl;
    std::string SupportEmail;
    std::string SupportQq;
};

// Why a command was abandoned: the calculation failed, or an operation on
// the window did (with the operation's own words).
struct OperationError {
    std::string What;
};
using CommandFault = std::variant<CalcError, OperationError>;
using CommandOutcome = std::optional<CommandFault>; // empty: completed

// The addresses this build was configured with.
SupportLinks ConfiguredSupportLinks();

CommandOutcome Calculate(UiOperations& ui);
CommandOutcome Clear(UiOperations& ui);
CommandOutcome OpenHomePage(UiOperations& ui, const SupportLinks& links);
CommandOutcome ShowFeedback(UiOperations& ui, const SupportLinks& links);

// The feedback message: e-mail address, QQ number and thanks, with carriage
// returns between the lines.
std::string FeedbackPrompt(const SupportLinks& links);

inline constexpr std::string_view kFeedbackTitle = "问题反馈";

// Runs `command` and, when it is abandoned, tells the user why in a message
// box titled "错误". The window stays usable either way.
void RunCommand(Command command, UiOperations& ui, const SupportLinks& links);

} // namespace tavrilo
