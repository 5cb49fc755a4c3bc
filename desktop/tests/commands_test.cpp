#include "calc/tests/initial_values.h"
#include "desktop/commands.h"
#include "desktop/tests/form_texts.h"
#include "desktop/tests/recording_ui.h"
#include "text/messages.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tavrilo {
namespace {

using testing_support::RecordingUi;
using Calls = std::vector<std::string>;
namespace form_texts = test::form_texts;

const SupportLinks kLinks{"http://tavrilo.example.com/", "support@tavrilo.example.com",
                          "123456789"};

const std::string kNonPositive(form_texts::kNonPositive);
const std::string kNoArrangement(form_texts::kNoArrangement);

const Calls kReadBoxes = {"ClearResult", "ReadText Text1", "ReadText Text2", "ReadText Text3"};

Calls Then(Calls calls, const Calls& more) {
    calls.insert(calls.end(), more.begin(), more.end());
    return calls;
}

// What is read of the arrangement after the boxes: both buttons, then the
// one that decides (Option2 again, and Option1 when it is not Option2).
const Calls kNoOptionRead = {};
const Calls kOptionsRead = {"ReadOption Option1", "ReadOption Option2"};
const Calls kOption2Reread = Then(kOptionsRead, {"ReadOption Option2"});
const Calls kOption1Reread = Then(kOption2Reread, {"ReadOption Option1"});

struct CalculateCase {
    const char* name;
    std::string text1, text2, text3;
    bool option1, option2;
    std::string separator;
    Calls optionReads;   // after the boxes, before the result or the message
    std::string printed; // the one result line
    std::string message; // empty: none, and the result printed
};

void PrintTo(const CalculateCase& c, std::ostream* os) {
    *os << c.name;
}

class CalculatingFromTheBoxes : public testing::TestWithParam<CalculateCase> {};

TEST_P(CalculatingFromTheBoxes, ReadsInOrderAndShowsTheResultOrTheMessage) {
    const CalculateCase& c = GetParam();
    RecordingUi ui;
    ui.text[0] = c.text1;
    ui.text[1] = c.text2;
    ui.text[2] = c.text3;
    ui.option1 = c.option1;
    ui.option2 = c.option2;
    ui.decimalSeparator = c.separator;
    ui.resultLines = {"stale result"};

    RunCommand(Command::Calculate, ui, kLinks);

    const bool printed = c.message.empty();
    EXPECT_EQ(ui.calls, Then(Then(kReadBoxes, c.optionReads),
                             {printed ? "PrintResult " + c.printed : "ShowMessage 错误"}));
    EXPECT_EQ(ui.resultLines, printed ? Calls{c.printed} : Calls{});
    if (printed) {
        EXPECT_TRUE(ui.messages.empty()) << ui.messages.front().prompt;
    } else {
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].prompt, c.message);
        EXPECT_EQ(ui.messages[0].title, form_texts::kErrorTitle);
    }
}

const std::string kNegativeTotal(kNegativeTotalMessage);
const std::string kOverflow(CalcErrorMessage(CalcErrorKind::IntegerOverflow));
const std::string kFault(CalcErrorMessage(CalcErrorKind::FloatingPointFault));

// name, the boxes, Option1 and Option2 checked, the decimal separator, what
// is read of the options, the result line or the message
const CalculateCase kResults[] = {
    {"TwoWay", "1.3", "0.0065", "0.1", false, true, ".", kOption2Reread, TAVRILO_TWO_WAY_TOTAL " m",
     ""},
    {"OneWayReadsOption1Again", "1.3", "0.0065", "0.1", true, false, ".", kOption1Reread,
     TAVRILO_ONE_WAY_TOTAL " m", ""},
    {"LocaleSeparator", "2", "0.012", "0.15", false, true, ",", kOption2Reread, "44,513 m", ""},
    {"CommaAndUnitInTheBoxes", "1,3", "0.01", "0.1m", false, true, ".", kOption2Reread, "17.36 m",
     ""},
    {"NegativeZeroIsZero", "0.04", "0.004", "0.1", false, true, ".", kOption2Reread, "0 m", ""},
};

const CalculateCase kRefusals[] = {
    {"EmptyBoxes", "", "", "", false, true, ".", kNoOptionRead, "", kNonPositive},
    {"MeasurementMessageWinsOverNoArrangement", "-1.3", "0.0065", "0.1", false, false, ".",
     kNoOptionRead, "", kNonPositive},
    {"TextReadsAsZero", "1.3", "abc", "0.1", false, true, ".", kNoOptionRead, "", kNonPositive},
    {"ZeroSpacing", "1.3", "0.0065", "0", true, false, ".", kNoOptionRead, "", kNonPositive},
    {"NoArrangement", "1.3", "0.0065", "0.1", false, false, ".", kOptionsRead, "", kNoArrangement},
    {"NegativeTotalIsNotPrinted", "0.04", "0.001", "0.1", false, true, ".", kOption2Reread, "",
     kNegativeTotal},
    {"OverflowIsReportedAndNothingPrinted", "4000", "0.01", "0.1", false, true, ".", kOption2Reread,
     "", kOverflow},
    {"FloatingPointFaultIsReported", "1e308", "0.01", "1e-308", false, true, ".", kOption2Reread,
     "", kFault},
};

INSTANTIATE_TEST_SUITE_P(Results, CalculatingFromTheBoxes, testing::ValuesIn(kResults));
INSTANTIATE_TEST_SUITE_P(Refusals, CalculatingFromTheBoxes, testing::ValuesIn(kRefusals));

TEST(CalculatingFromTheBoxes, TwiceInARowShowsOneLine) {
    RecordingUi ui;
    ui.option2 = true;
    RunCommand(Command::Calculate, ui, kLinks);
    RunCommand(Command::Calculate, ui, kLinks);
    EXPECT_EQ(ui.resultLines, std::vector<std::string>{TAVRILO_TWO_WAY_TOTAL " m"});
}

TEST(CalculatingFromTheBoxes, ReportsAFailureAsAnErrorAndTheNextCalculationWorks) {
    RecordingUi ui;
    ui.option2 = true;
    ui.text[0] = "40000";
    ui.text[2] = "1";
    RunCommand(Command::Calculate, ui, kLinks);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].prompt.find("溢出"), std::string::npos);

    ui.text[0] = "1.3";
    ui.text[2] = "0.1";
    RunCommand(Command::Calculate, ui, kLinks);
    EXPECT_EQ(ui.resultLines, std::vector<std::string>{TAVRILO_TWO_WAY_TOTAL " m"});
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST(ClearingTheWindow, EmptiesTheBoxesThenTheResultAndKeepsTheArrangement) {
    RecordingUi ui;
    ui.option1 = true;
    ui.resultLines = {TAVRILO_ONE_WAY_TOTAL " m"};
    RunCommand(Command::Clear, ui, kLinks);
    EXPECT_EQ(ui.calls, (Calls{"SetText Text1 \"\"", "SetText Text2 \"\"", "SetText Text3 \"\"",
                               "ClearResult"}));
    EXPECT_TRUE(ui.resultLines.empty());
    EXPECT_TRUE(ui.option1);
    EXPECT_TRUE(ui.messages.empty());

    // Empty boxes read as 0.
    RunCommand(Command::Calculate, ui, kLinks);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].prompt, kNonPositive);
    EXPECT_TRUE(ui.option1);
}

// Each operation can fail; the command must stop right there and say so.
struct FailureCase {
    const char* name;
    Command command;
    Calls callsUpToFailure; // the last one fails
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class AFailingOperation : public testing::TestWithParam<FailureCase> {};

TEST_P(AFailingOperation, AbandonsTheCommandWithAnErrorMessage) {
    const FailureCase& c = GetParam();
    RecordingUi ui;
    ui.option2 = true;
    ui.failCall = c.callsUpToFailure.size() - 1;
    RunCommand(c.command, ui, kLinks);

    Calls expected = c.callsUpToFailure;
    expected.push_back("ShowMessage 错误");
    EXPECT_EQ(ui.calls, expected);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].prompt.find("模拟的控件故障"), std::string::npos)
        << ui.messages[0].prompt;
    EXPECT_TRUE(ui.resultLines.empty());
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, AFailingOperation,
    testing::Values(
        FailureCase{"ClearingTheResult", Command::Calculate, {"ClearResult"}},
        FailureCase{"ReadingText1", Command::Calculate, {"ClearResult", "ReadText Text1"}},
        FailureCase{"ReadingText3", Command::Calculate, kReadBoxes},
        FailureCase{"ReadingOption1", Command::Calculate, Then(kReadBoxes, {"ReadOption Option1"})},
        FailureCase{
            "RereadingOption2", Command::Calculate,
            Then(kReadBoxes, {"ReadOption Option1", "ReadOption Option2", "ReadOption Option2"})},
        FailureCase{
            "Printing", Command::Calculate,
            Then(kReadBoxes, {"ReadOption Option1", "ReadOption Option2", "ReadOption Option2",
                              "PrintResult " TAVRILO_TWO_WAY_TOTAL " m"})},
        FailureCase{"SettingText2", Command::Clear, {"SetText Text1 \"\"", "SetText Text2 \"\""}},
        FailureCase{
            "OpeningTheBrowser", Command::HomePage, {"OpenHomePage http://tavrilo.example.com/"}}));

TEST(AFailingOperation, ThatIsTheMessageItselfEndsQuietly) {
    RecordingUi ui;
    ui.failCall = 0;
    RunCommand(Command::Feedback, ui, kLinks);
    EXPECT_EQ(ui.calls, (Calls{"ShowMessage 问题反馈", "ShowMessage 错误"}));
    EXPECT_TRUE(ui.messages.size() == 1 && ui.messages[0].title == "错误");
}

TEST(TheHomePage, OpensTheConfiguredAddressEachTime) {
    RecordingUi ui;
    RunCommand(Command::HomePage, ui, kLinks);
    RunCommand(Command::HomePage, ui, kLinks);
    EXPECT_EQ(ui.openedUrls, (std::vector<std::string>{kLinks.HomePageUrl, kLinks.HomePageUrl}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST(TheHomePage, WithoutABrowserSaysSo) {
    RecordingUi ui;
    ui.homePageOpens = false;
    RunCommand(Command::HomePage, ui, kLinks);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "错误");
    EXPECT_NE(ui.messages[0].prompt.find("没有可用的浏览器"), std::string::npos);
}

TEST(TheFeedbackMessage, NamesTheAddressesWithCarriageReturnsBetweenLines) {
    RecordingUi ui;
    ui.option1 = true;
    RunCommand(Command::Feedback, ui, kLinks);
    RunCommand(Command::Feedback, ui, kLinks);
    ASSERT_EQ(ui.messages.size(), 2u);
    const std::string expected =
        form_texts::FeedbackText(kLinks.SupportEmail, kLinks.SupportQq, "\r");
    EXPECT_EQ(ui.messages[0].prompt, expected);
    EXPECT_EQ(ui.messages[0].title, "问题反馈");
    EXPECT_EQ(ui.messages[1].prompt, expected);
    EXPECT_EQ(ui.messages[0].prompt.find('\n'), std::string::npos);
    // Only the message: no control is touched.
    EXPECT_EQ(ui.calls, (Calls{"ShowMessage 问题反馈", "ShowMessage 问题反馈"}));
}

} // namespace
} // namespace tavrilo
