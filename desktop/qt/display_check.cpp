#include "desktop/qt/display_check.h"

#include "text/terminal_text.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <langinfo.h>
#include <string>
#include <xcb/xcb.h>

namespace tavrilo {
namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Whether the X server that DISPLAY names answers.
bool XServerAnswers() {
    int screen = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screen);
    const bool answers = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return answers;
}

} // namespace

bool CheckDisplayAvailable() {
    if (IsSet("QT_QPA_PLATFORM") || IsSet("WAYLAND_DISPLAY"))
        return true;
    std::string reason = "DISPLAY 与 WAYLAND_DISPLAY 均未设置";
    std::string reasonInEnglish = "neither DISPLAY nor WAYLAND_DISPLAY is set";
    if (IsSet("DISPLAY")) {
        // Qt would abort with a message of its own when the server is not there.
        if (XServerAnswers())
            return true;
        const std::string display = std::getenv("DISPLAY");
        reason = "无法连接 DISPLAY=" + display + " 所指的显示";
        reasonInEnglish = "cannot connect to DISPLAY=" + display;
    }
    const std::string message =
        "Tavrilo：未找到图形显示（" + reason +
        "），无法打开窗口。\n"
        "请在图形桌面中运行；通过 SSH 登录时请用 ssh -X "
        "连接；在没有显示器的机器上可用虚拟显示运行："
        "xvfb-run tavrilo（xvfb 软件包）。\n"
        "Tavrilo: no display found (" +
        reasonInEnglish +
        ").\n"
        "Run it on a desktop, over SSH with ssh -X, or under a virtual display: xvfb-run tavrilo "
        "(package xvfb).\n";
    // In the terminal's character set, as the help is written.
    std::setlocale(LC_CTYPE, "");
    std::fputs(FromUtf8(message, CharsetOfCodeset(nl_langinfo(CODESET))).c_str(), stderr);
    return false;
}

} // namespace tavrilo
