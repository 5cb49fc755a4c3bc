// Starts Tavrilo's window, a bare Qt window of the same size (--bare), or
// that bare window holding one Chinese label (--label), and
// as soon as the first frame has been painted prints the wall-clock time in
// nanoseconds and the peak resident memory in KiB, then quits. The startup
// benchmark script runs it and subtracts the time it started the process.
#include "desktop/qt/form1.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/resource.h>

namespace {

class FirstFrame : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            // Report once the paint has been handed to the window system.
            QTimer::singleShot(0, [] {
                const auto now = std::chrono::system_clock::now().time_since_epoch();
                rusage usage{};
                getrusage(RUSAGE_SELF, &usage);
                std::printf("%lld %ld\n",
                            static_cast<long long>(
                                std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()),
                            usage.ru_maxrss);
                std::fflush(stdout);
                QApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool seen_ = false;
};

} // namespace

int main(int argc, char* argv[]) {
    const bool bare = argc > 1 && std::strcmp(argv[1], "--bare") == 0;
    const bool label = argc > 1 && std::strcmp(argv[1], "--label") == 0;
    QApplication app(argc, argv);
    std::unique_ptr<QWidget> window;
    if (bare || label) {
        window = std::make_unique<QWidget>();
        window->setFixedSize(447, 314);
        window->setWindowTitle(QStringLiteral("bare"));
        if (label)
            new QLabel(QStringLiteral("钢筋总长度："), window.get());
    } else {
        tavrilo::ConfigureApplication(app);
        window = std::make_unique<tavrilo::Form1>(tavrilo::ConfiguredSupportLinks());
    }
    FirstFrame probe;
    window->installEventFilter(&probe);
    window->show();
    return app.exec();
}
