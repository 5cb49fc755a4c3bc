#pragma once

#include <QFont>
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
    // No line is drawn smaller than this, in pixels.
    static constexpr int kSmallestPixelSize = 9;

    explicit ResultArea(QWidget* parent = nullptr);

    void clear();
    void print(const QString& text);

    // Everything printed since the last clear, one entry per print.
    const QStringList& lines() const { return lines_; }

    // How a line is drawn so that the whole of it shows: in the area's font;
    // when that is too wide, in a smaller one, down to kSmallestPixelSize; and
    // when even that is too wide, narrowed horizontally by `squeeze`. A number
    // cut off would be a wrong number.
    struct LineFit {
        QFont font;
        qreal squeeze = 1;
    };
    LineFit fit(const QString& line) const;

    // Where the lines are drawn: inside the frame, a pixel in from either side.
    QRect textRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QStringList lines_;
};

} // namespace tavrilo
