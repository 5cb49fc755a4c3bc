#pragma once

#include <QFrame>
#include <QStringList>

namespace tavrilo {

// The one-line result area: a sunken panel that can be cleared and printed
// into, like a picture box. Printed lines start at the top-left corner and
// each print moves the drawing position one line down. What is printed is
// kept, so it survives being covered and uncovered.
class ResultArea : public QFrame {
    Q_OBJECT

public:
    explicit ResultArea(QWidget* parent = nullptr);

    void clear();
    void print(const QString& text);

    // Everything printed since the last clear, one entry per print.
    const QStringList& lines() const { return lines_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QStringList lines_;
};

} // namespace tavrilo
