#pragma once

// Answers every message box that appears during a window test, noting its
// title, text, icon and buttons, so tests can check that exactly the expected
// messages were shown: an unexpected one fails the test instead of hanging it.

#include <QApplication>
#include <QEvent>
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <utility>

namespace tavrilo::testing_support {

struct SeenDialog {
    QString title;
    QString text;
    bool hasIcon = false;
    QStringList buttons;
};

class DialogWatcher : public QObject {
public:
    DialogWatcher() { qApp->installEventFilter(this); }
    ~DialogWatcher() override { qApp->removeEventFilter(this); }

    // Every dialog seen since the last call, then forgets them.
    QList<SeenDialog> take() { return std::exchange(seen_, {}); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            if (auto* box = qobject_cast<QMessageBox*>(watched)) {
                SeenDialog dialog;
                dialog.title = box->windowTitle();
                dialog.text = box->text();
                dialog.hasIcon = box->icon() != QMessageBox::NoIcon;
                for (QAbstractButton* button : box->buttons())
                    dialog.buttons << button->text();
                seen_ << dialog;
                // Press OK once the dialog's own event loop runs.
                QPointer<QMessageBox> guard(box);
                QTimer::singleShot(0, box, [guard] {
                    if (!guard)
                        return;
                    if (QAbstractButton* ok = guard->button(QMessageBox::Ok))
                        ok->click();
                    else
                        guard->close();
                });
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QList<SeenDialog> seen_;
};

} // namespace tavrilo::testing_support
