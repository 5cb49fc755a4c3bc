#include "desktop/qt/command_line.h"

#include "text/messages.h"
#include "text/terminal_text.h"
#include "version.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <langinfo.h>
#include <string>
#include <string_view>

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

// Prints `utf8` as tavrilo-calc prints its help: in the terminal's character
// set (a zh_CN.GB18030 terminal gets GB18030). Output that does not arrive (a
// full disk, standard output closed, a reader gone) is exit status 2 with the
// reason on standard error, never a silent success.
int Answer(std::string_view utf8) {
    std::setlocale(LC_CTYPE, "");
    const TerminalCharset charset = CharsetOfCodeset(nl_langinfo(CODESET));
    // A reader that has gone is a failed write, not the end of the program.
    std::signal(SIGPIPE, SIG_IGN);
    const std::string text = FromUtf8(utf8, charset);
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0)
        return 0;
    std::string message(kStandardOutputWriteFailed);
    if (const std::string reason = ReasonOfErrno(errno); !reason.empty())
        message += "：" + reason;
    message += '\n';
    std::fputs(FromUtf8(message, charset).c_str(), stderr);
    return 2;
}

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

    if (parser.isSet(help))
        return Answer(kUsageText);
    if (parser.isSet(version))
        return Answer(kVersionText);
    return std::nullopt;
}

} // namespace tavrilo
