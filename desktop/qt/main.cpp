#include "desktop/qt/command_line.h"
#include "desktop/qt/display_check.h"
#include "desktop/qt/form1.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    if (const auto answered = tavrilo::AnswerInformationOptions(argc, argv))
        return *answered;
    if (!tavrilo::CheckDisplayAvailable())
        return 1;
    QApplication app(argc, argv);
    tavrilo::ConfigureApplication(app);
    tavrilo::Form1 window(tavrilo::ConfiguredSupportLinks());
    window.show();
    return app.exec();
}
