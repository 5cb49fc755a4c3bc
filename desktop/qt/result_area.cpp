#include "desktop/qt/result_area.h"

#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QFontMetricsF>
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

QRect ResultArea::textRect() const {
    return contentsRect().adjusted(1, 0, -1, 0);
}

ResultArea::LineFit ResultArea::fit(const QString& line) const {
    LineFit fit{font()};
    const qreal room = textRect().width();
    if (fit.font.pixelSize() < 0)
        fit.font.setPixelSize(QFontInfo(fit.font).pixelSize());
    qreal width = QFontMetricsF(fit.font).horizontalAdvance(line);
    while (width > room && fit.font.pixelSize() > kSmallestPixelSize) {
        fit.font.setPixelSize(fit.font.pixelSize() - 1);
        width = QFontMetricsF(fit.font).horizontalAdvance(line);
    }
    if (width > room)
        fit.squeeze = room / width;
    return fit;
}

void ResultArea::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    const QRect area = contentsRect();
    const QRect room = textRect();
    const int lineHeight = fontMetrics().height();
    // The area is one line high: the first line is centred in it, the
    // others follow below (and are clipped, as on a picture box).
    int top = area.top() + (area.height() - lineHeight) / 2;
    painter.setClipRect(area);
    for (const QString& line : lines_) {
        const LineFit fit = this->fit(line);
        painter.save();
        painter.setFont(fit.font);
        painter.translate(room.left(), top);
        painter.scale(fit.squeeze, 1);
        painter.drawText(QRectF(0, 0, room.width() / fit.squeeze, lineHeight),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, line);
        painter.restore();
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
