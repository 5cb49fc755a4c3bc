// What the window says, written out once for the tests of both windows (the
// Qt window and the Win32 window): every control's text and tooltip, the
// menu, and the titles and texts of its message boxes. UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace tavrilo::test::form_texts {

struct ControlText {
    const char* name;    // the control's name in form1.ui
    const char* text;    // a group box's title
    const char* toolTip; // empty for none
};

// Full-width colons after the labels, and a Greek capital phi.
inline constexpr ControlText kControls[] = {
    {"Command2", "清除所有", "单击鼠标左键清除所有参数"},
    {"Command1", "计算结果", "单击鼠标左键计算结果"},
    {"Frame1", "钢筋布置形式", ""},
    {"Option2", "双向布置", "双向布置即为交叉井字形布置"},
    {"Option1", "单向布置", "单向布置即为钢筋平行布置"},
    {"Frame2", "参数输入", ""},
    {"Text3", "0.1", "输入钢筋网片钢筋间距以米为单位"},
    {"Text2", "0.0065", "输入钢筋网片使用的钢筋直径以米为单位"},
    {"Text1", "1.3", "输入钢筋网片直径以米为单位"},
    {"Label4_1", "m", ""},
    {"Label4_0", "m", ""},
    {"Label1", "m", ""},
    {"Label3", "钢筋间距d\uFF1A", ""},
    {"Label2", "钢筋直径\u03A6\uFF1A", ""},
    {"Label", "网片直径D\uFF1A", ""},
    {"Label5", "钢筋总长度\uFF1A", ""},
};

inline constexpr std::string_view kTitle = "Tavrilo";
inline constexpr std::string_view kHomePageItem = "主页";
inline constexpr std::string_view kFeedbackItem = "问题反馈";

inline constexpr std::string_view kErrorTitle = "错误";
inline constexpr std::string_view kFeedbackTitle = "问题反馈";
inline constexpr std::string_view kOkButton = "确定";
inline constexpr std::string_view kNonPositive = "参数不能为\u201C0\u201D或\u201C负值\u201D\uFF01";
inline constexpr std::string_view kNoArrangement = "请选择\u201C钢筋布置形式\u201D后进行计算\uFF01";

// The feedback message, its lines broken as the window breaks them.
inline std::string FeedbackText(std::string_view email, std::string_view qq,
                                std::string_view lineBreak) {
    std::string text = "请将您发现的问题发送到 " + std::string(email) + " 或联系";
    text += std::string(lineBreak) + "QQ:" + std::string(qq);
    for (int i = 0; i < 3; ++i)
        text += lineBreak;
    return text + "感谢您的使用\uFF01";
}

} // namespace tavrilo::test::form_texts
