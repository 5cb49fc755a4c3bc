#include "platform/display.h"

#include <cstdio>
#include <cstdlib>

namespace tavrilo {
namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

} // namespace

bool CheckDisplayAvailable() {
    if (IsSet("QT_QPA_PLATFORM") || IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY"))
        return true;
    std::fputs("Tavrilo：未找到图形显示（DISPLAY 与 WAYLAND_DISPLAY 均未设置），无法打开窗口。\n"
               "请在桌面环境中运行，或在没有显示器的机器上用虚拟显示运行：xvfb-run ./run.sh\n"
               "Tavrilo: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
               "Run it on a desktop, or under a virtual display: xvfb-run ./run.sh\n",
               stderr);
    return false;
}

} // namespace tavrilo
