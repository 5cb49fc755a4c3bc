#include "platform/result_area.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QKeySequence>
#include <QPainter>

namespace tavrilo {

ResultArea::ResultArea(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
}

void ResultArea::clear() {
    lines_.clear();
    update();
}

void ResultArea::print(const QString& text) {
    lines_.append(text);
    update();
}

void ResultArea::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    const QRect area = contentsRect();
    const int lineHeight = fontMetrics().height();
    // The area is one line high: the first line is centred in it, the
    // others follow below (and are clipped, as on a picture box).
    int top = area.top() + (area.height() - lineHeight) / 2;
    painter.setClipRect(area);
    for (const QString& line : lines_) {
        painter.drawText(QRect(area.left() + 1, top, area.width() - 1, lineHeight),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, line);
        top += lineHeight;
    }
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(area.adjusted(0, 0, -1, -1));
    }
}

// The total can be copied into a spreadsheet or an order with the usual keys.
void ResultArea::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy) && !lines_.isEmpty()) {
        QApplication::clipboard()->setText(lines_.join(QLatin1Char('\n')));
        return;
    }
    QFrame::keyPressEvent(event);
}

} // namespace tavrilo
