#include "ui/GridTitleTip.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

GridTitleTip::GridTitleTip(QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                         Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void GridTitleTip::ShowTip(const QPoint& globalTopLeft, int height, const QString& text,
                           const QFont& font, const QColor& fore, const QColor& back, int margin) {
    text_ = text;
    fore_ = fore;
    back_ = back;
    margin_ = margin;
    setFont(font);
    const int width =
        static_cast<int>(std::ceil(QFontMetricsF(font).horizontalAdvance(text))) + 2 * margin + 2;
    setGeometry(QRect(globalTopLeft, QSize(width, height)));
    show();
    update();
}

void GridTitleTip::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), back_);
    painter.setPen(fore_);
    painter.drawText(rect().adjusted(margin_, 0, -margin_, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     text_);
}
