#include "desktop/commands.h"
#include "desktop/tests/recording_ui.h"
#include "text/messages.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tavrilo {
namespace {

using testing_support::RecordingUi;
using Calls = std::vector<std::string>;

const SupportLinks kLinks{"http://tavrilo.example.com/", "support@tavrilo.example.com",
                          "123456789"};

const std::string kNonPositive = "参数不能为“0”或“负值”！";
const std::string kNoArrangement = "请选择“钢筋布置形式”后进行计算！";

struct CalculateCase {
    const char* name;
    std::string text1, text2, text3;
    bool option1, option2;
    std::string separator;
    Calls expectedCalls;
    std::vector<std::string> expectedLines;
    std::string expectedMessage; // empty: none
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

    EXPECT_EQ(ui.calls, c.expectedCalls);
    EXPECT_EQ(ui.resultLines, c.expectedLines);
    if (c.expectedMessage.empty()) {
        EXPECT_TRUE(ui.messages.empty()) << ui.messages.front().prompt;
    } else {
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].prompt, c.expectedMessage);
        EXPECT_EQ(ui.messages[0].title, "错误");
    }
}

const Calls kReadBoxes = {"ClearResult", "ReadText Text1", "ReadText Text2", "ReadText Text3"};

Calls Then(Calls calls, std::initializer_list<std::string> more) {
    calls.insert(calls.end(), more);
    return calls;
}

INSTANTIATE_TEST_SUITE_P(
    Results, CalculatingFromTheBoxes,
    testing::Values(CalculateCase{"TwoWay",
                                  "1.3",
                                  "0.0065",
                                  "0.1",
                                  false,
                                  true,
                                  ".",
                                  Then(kReadBoxes, {"ReadOption Option1", "ReadOption Option2",
                                                    "ReadOption Option2", "PrintResult 27.533 m"}),
                                  {"27.533 m"},
                                  ""},
                    CalculateCase{"OneWayReadsOption1Again",
                                  "1.3",
                                  "0.0065",
                                  "0.1",
                                  true,
                                  false,
                                  ".",
                                  Then(kReadBoxes, {"ReadOption Option1", "ReadOption Option2",
                                                    "ReadOption Option2", "ReadOption Option1",
                                                    "PrintResult 13.766 m"}),
                                  {"13.766 m"},
                                  ""},
                    CalculateCase{"LocaleSeparator",
                                  "2",
                                  "0.012",
                                  "0.15",
                                  false,
                                  true,
                                  ",",
                                  Then(kReadBoxes, {"ReadOption Option1", "ReadOption Option2",
                                                    "ReadOption Option2", "PrintResult 44,513 m"}),
                                  {"44,513 m"},
                                  ""},
                    CalculateCase{"CommaAndUnitInTheBoxes",
                                  "1,3",
                                  "0.01",
                                  "0.1m",
                                  false,
                                  true,
                                  ".",
                                  Then(kReadBoxes, {"ReadOption Option1", "ReadOption Option2",
                                                    "ReadOption Option2", "PrintResult 17.36 m"}),
                                  {"17.36 m"},
                                  ""},
                    CalculateCase{"NegativeZeroIsZero",
                                  "0.04",
                                  "0.004",
                                  "0.1",
                                  false,
                                  true,
                                  ".",
                                  Then(kReadBoxes, {"ReadOption Option1", "ReadOption Option2",
                                                    "ReadOption Option2", "PrintResult 0 m"}),
                                  {"0 m"},
                                  ""}));

INSTANTIATE_TEST_SUITE_P(
    Refusals, CalculatingFromTheBoxes,
    testing::Values(CalculateCase{"EmptyBoxes",
                                  "",
                                  "",
                                  "",
                                  false,
                                  true,
                                  ".",
                                  Then(kReadBoxes, {"ShowMessage 错误"}),
                                  {},
                                  kNonPositive},
                    CalculateCase{"MeasurementMessageWinsOverNoArrangement",
                                  "-1.3",
                                  "0.0065",
                                  "0.1",
                                  false,
                                  false,
                                  ".",
                                  Then(kReadBoxes, {"ShowMessage 错误"}),
                                  {},
                                  kNonPositive},
                    CalculateCase{"TextReadsAsZero",
                                  "1.3",
                                  "abc",
                                  "0.1",
                                  false,
                                  true,
                                  ".",
                                  Then(kReadBoxes, {"ShowMessage 错误"}),
                                  {},
                                  kNonPositive},
                    CalculateCase{"ZeroSpacing",
                                  "1.3",
                                  "0.0065",
                                  "0",
                                  true,
                                  false,
                                  ".",
                                  Then(kReadBoxes, {"ShowMessage 错误"}),
                                  {},
                                  kNonPositive},
                    CalculateCase{"NoArrangement",
                                  "1.3",
                                  "0.0065",
                                  "0.1",
                                  false,
                                  false,
                                  ".",
                                  Then(kReadBoxes, {"ReadOption Option1", "ReadOption Option2",
                                                    "ShowMessage 错误"}),
                                  {},
                                  kNoArrangement},
                    CalculateCase{"NegativeTotalIsNotPrinted",
                                  "0.04",
                                  "0.001",
                                  "0.1",
                                  false,
                                  true,
                                  ".",
                                  Then(kReadBoxes, {"ReadOption Option1", "ReadOption Option2",
                                                    "ReadOption Option2", "ShowMessage 错误"}),
                                  {},
                                  std::string(kNegativeTotalMessage)},
                    CalculateCase{"OverflowIsReportedAndNothingPrinted",
                                  "4000",
                                  "0.01",
                                  "0.1",
                                  false,
                                  true,
                                  ".",
                                  Then(kReadBoxes, {"ReadOption Option1", "ReadOption Option2",
                                                    "ReadOption Option2", "ShowMessage 错误"}),
                                  {},
                                  std::string(CalcErrorMessage(CalcErrorKind::IntegerOverflow))},
                    CalculateCase{
                        "FloatingPointFaultIsReported",
                        "1e308",
                        "0.01",
                        "1e-308",
                        false,
                        true,
                        ".",
                        Then(kReadBoxes, {"ReadOption Option1", "ReadOption Option2",
                                          "ReadOption Option2", "ShowMessage 错误"}),
                        {},
                        std::string(CalcErrorMessage(CalcErrorKind::FloatingPointFault))}));

TEST(CalculatingFromTheBoxes, TwiceInARowShowsOneLine) {
    RecordingUi ui;
    ui.option2 = true;
    RunCommand(Command::Calculate, ui, kLinks);
    RunCommand(Command::Calculate, ui, kLinks);
    EXPECT_EQ(ui.resultLines, std::vector<std::string>{"27.533 m"});
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
    EXPECT_EQ(ui.resultLines, std::vector<std::string>{"27.533 m"});
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST(ClearingTheWindow, EmptiesTheBoxesThenTheResultAndKeepsTheArrangement) {
    RecordingUi ui;
    ui.option1 = true;
    ui.resultLines = {"13.766 m"};
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
        FailureCase{"Printing", Command::Calculate,
                    Then(kReadBoxes, {"ReadOption Option1", "ReadOption Option2",
                                      "ReadOption Option2", "PrintResult 27.533 m"})},
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
    const std::string expected = "请将您发现的问题发送到 support@tavrilo.example.com 或联系\r"
                                 "QQ:123456789\r\r\r"
                                 "感谢您的使用\xEF\xBC\x81";
    EXPECT_EQ(ui.messages[0].prompt, expected);
    EXPECT_EQ(ui.messages[0].title, "问题反馈");
    EXPECT_EQ(ui.messages[1].prompt, expected);
    EXPECT_EQ(ui.messages[0].prompt.find('\n'), std::string::npos);
    // Only the message: no control is touched.
    EXPECT_EQ(ui.calls, (Calls{"ShowMessage 问题反馈", "ShowMessage 问题反馈"}));
}

} // namespace
} // namespace tavrilo
