#include "desktop/qt/command_line.h"

#include "version.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>
#include <cstdio>

namespace tavrilo {
namespace {

constexpr char kUsageText[] =
    "用法：tavrilo\n"
    "      tavrilo --help | --version\n"
    "打开计算圆形钢筋网片钢筋总长度的窗口。\n"
    "\n"
    "  -h, --help     显示本帮助\n"
    "  -v, --version  显示版本\n"
    "\n"
    "窗口需要图形显示（X11 或 Wayland）。在命令行上计算请用 tavrilo-calc。\n";

constexpr char kVersionText[] = "tavrilo " TAVRILO_VERSION_STRING "\n";

} // namespace

std::optional<int> AnswerInformationOptions(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));

    QCommandLineParser parser;
    // Qt's own single-dash options stay whole: -reverse is not -r -e -v ...
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOption(help);
    parser.addOption(version);
    // Options unknown here are Qt's; parse() reports them, and they are left to QApplication.
    parser.parse(args);

    if (parser.isSet(help)) {
        std::fputs(kUsageText, stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::fputs(kVersionText, stdout);
        return 0;
    }
    return std::nullopt;
}

} // namespace tavrilo
