#pragma once

// Answers every modal dialog that appears during a window test, noting its
// title and text, so tests can check that exactly the expected messages were
// shown (and an unexpected one fails the test instead of hanging it).

#include <QApplication>
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPushButton>
#include <QTimer>

namespace tavrilo::testing_support {

struct SeenDialog {
    QString title;
    QString text;
    bool hasIcon = false;
    QStringList buttons;
};

class DialogWatcher : public QObject {
public:
    DialogWatcher() {
        timer_.setInterval(20);
        connect(&timer_, &QTimer::timeout, this, &DialogWatcher::Poll);
        timer_.start();
    }

    // Every dialog seen since the last call, then forgets them.
    QList<SeenDialog> take() {
        Poll();
        return std::exchange(seen_, {});
    }

private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        SeenDialog dialog;
        dialog.title = modal->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            dialog.text = box->text();
            dialog.hasIcon = box->icon() != QMessageBox::NoIcon;
            for (QAbstractButton* button : box->buttons())
                dialog.buttons << button->text();
        }
        seen_ << dialog;
        modal->close();
    }

    QTimer timer_;
    QList<SeenDialog> seen_;
};

} // namespace tavrilo::testing_support
