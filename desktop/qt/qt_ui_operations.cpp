#include "desktop/qt/qt_ui_operations.h"

#include "desktop/qt/result_area.h"

#include <QDesktopServices>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>

namespace tavrilo {
namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Prompt text as a message box shows it: each carriage return is a line break.
QString MessageBoxText(std::string_view prompt) {
    QString text = FromUtf8(prompt);
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace

QtUiOperations::QtUiOperations(FormControls controls, UrlOpener openUrl)
    : controls_(controls), openUrl_(std::move(openUrl)) {
    if (!openUrl_)
        openUrl_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

QLineEdit* QtUiOperations::Box(TextBoxId box) const {
    switch (box) {
    case TextBoxId::Text1:
        return controls_.Text1;
    case TextBoxId::Text2:
        return controls_.Text2;
    case TextBoxId::Text3:
        return controls_.Text3;
    }
    return nullptr;
}

Status QtUiOperations::ReadText(TextBoxId box, std::string& text) {
    QLineEdit* edit = Box(box);
    if (!edit)
        return Status::Failed("读取输入框失败：控件不存在");
    text = edit->text().toStdString();
    return Status::Ok();
}

Status QtUiOperations::SetText(TextBoxId box, std::string_view text) {
    QLineEdit* edit = Box(box);
    if (!edit)
        return Status::Failed("设置输入框失败：控件不存在");
    edit->setText(FromUtf8(text));
    return Status::Ok();
}

Status QtUiOperations::ReadOption(OptionId option, bool& selected) {
    QRadioButton* button = option == OptionId::Option1 ? controls_.Option1 : controls_.Option2;
    if (!button)
        return Status::Failed("读取布置形式失败：控件不存在");
    selected = button->isChecked();
    return Status::Ok();
}

Status QtUiOperations::ClearResult() {
    if (!controls_.Picture1)
        return Status::Failed("清除结果失败：控件不存在");
    controls_.Picture1->clear();
    return Status::Ok();
}

Status QtUiOperations::PrintResult(std::string_view text) {
    if (!controls_.Picture1)
        return Status::Failed("显示结果失败：控件不存在");
    controls_.Picture1->print(FromUtf8(text));
    return Status::Ok();
}

Status QtUiOperations::ShowMessage(std::string_view prompt, std::string_view title) {
    QMessageBox box(controls_.Window);
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowTitle(FromUtf8(title));
    box.setTextFormat(Qt::PlainText);
    box.setText(MessageBoxText(prompt));
    box.setStandardButtons(QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
    return Status::Ok();
}

Status QtUiOperations::OpenHomePage(std::string_view url) {
    const QUrl address(FromUtf8(url), QUrl::StrictMode);
    if (!address.isValid())
        return Status::Failed("主页地址无效：" + std::string(url));
    if (!openUrl_(address))
        return Status::Failed("无法在浏览器中打开主页 " + std::string(url));
    return Status::Ok();
}

std::string QtUiOperations::DecimalSeparator() {
    return QLocale::system().decimalPoint().toStdString();
}

} // namespace tavrilo
