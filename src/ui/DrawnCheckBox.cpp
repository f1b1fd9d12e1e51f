#include "ui/DrawnCheckBox.h"

#include <QEnterEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kTextGap = 5;
constexpr int kPadding = 2;

QColor Blend(const QColor& a, const QColor& b, qreal weightOfA) {
    const qreal w = weightOfA;
    return QColor::fromRgbF(float(a.redF() * w + b.redF() * (1 - w)),
                            float(a.greenF() * w + b.greenF() * (1 - w)),
                            float(a.blueF() * w + b.blueF() * (1 - w)));
}

} // namespace

DrawnCheckBox::DrawnCheckBox(const QString& text, QWidget* parent)
    : QAbstractButton(parent), textColor_(palette().color(QPalette::WindowText)),
      backgroundColor_(palette().color(QPalette::Window)) {
    setText(text);
    setCheckable(true);
    setAttribute(Qt::WA_Hover);
    connect(this, &QAbstractButton::clicked, this, [this] {
        update();
        emit command(controlId_);
    });
}

void DrawnCheckBox::SetTextColor(const QColor& color) {
    textColor_ = color;
    update();
}

void DrawnCheckBox::SetBackgroundColor(const QColor& color) {
    backgroundColor_ = color;
    update();
}

int DrawnCheckBox::BoxSize() const {
    return qMax(13, fontMetrics().height() - 2);
}

QSize DrawnCheckBox::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    const int width =
        kPadding + BoxSize() + kTextGap + metrics.horizontalAdvance(text()) + kPadding;
    return QSize(width, qMax(BoxSize(), metrics.height()) + 2 * kPadding);
}

QSize DrawnCheckBox::minimumSizeHint() const {
    return QSize(BoxSize() + 2 * kPadding, BoxSize() + 2 * kPadding);
}

bool DrawnCheckBox::hitButton(const QPoint& pos) const {
    // The caption is part of the control, as with any check box.
    return rect().contains(pos);
}

void DrawnCheckBox::enterEvent(QEnterEvent* event) {
    hot_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void DrawnCheckBox::leaveEvent(QEvent* event) {
    hot_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void DrawnCheckBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), backgroundColor_);

    const int box = BoxSize();
    const QRectF boxRect(kPadding + 0.5, (height() - box) / 2 + 0.5, box - 1, box - 1);
    const QColor accent = palette().color(QPalette::Highlight);

    QColor fill = isEnabled() ? QColor(Qt::white) : palette().color(QPalette::Button);
    if (hot_ && isEnabled())
        fill = Blend(accent, Qt::white, 0.25);
    painter.setPen(QPen(hot_ ? accent : Blend(textColor_, backgroundColor_, 0.55), 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(boxRect, 3, 3);

    if (isChecked()) {
        QPainterPath tick;
        tick.moveTo(boxRect.left() + box * 0.22, boxRect.top() + box * 0.52);
        tick.lineTo(boxRect.left() + box * 0.42, boxRect.top() + box * 0.72);
        tick.lineTo(boxRect.left() + box * 0.78, boxRect.top() + box * 0.28);
        painter.setPen(QPen(isEnabled() ? textColor_ : palette().color(QPalette::Mid),
                            qMax(1.5, box / 7.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(tick);
    }

    const QRect textRect(kPadding + box + kTextGap, 0, width() - (kPadding + box + kTextGap),
                         height());
    painter.setPen(isEnabled() ? textColor_
                               : palette().color(QPalette::Disabled, QPalette::WindowText));
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextShowMnemonic, text());

    if (hasFocus()) {
        const QRect focus = painter.fontMetrics()
                                .boundingRect(textRect, Qt::AlignVCenter | Qt::AlignLeft, text())
                                .adjusted(-1, 0, 1, 0);
        painter.setPen(QPen(textColor_, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.drawRect(focus);
    }
}
