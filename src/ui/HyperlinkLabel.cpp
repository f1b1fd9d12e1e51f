#include "ui/HyperlinkLabel.h"

#include "ui/Prompt.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

namespace {

constexpr int kMargin = 1;

} // namespace

QString HyperlinkErrorText(int code) {
    switch (code) {
    case 0:
        return QStringLiteral("The operating system is out\nof memory or resources.");
    case 2:
        return QStringLiteral("The specified file was not found.");
    case 3:
        return QStringLiteral("The specified path was not found.");
    case 5:
        return QStringLiteral("The operating system denied\naccess to the specified file.");
    case 8:
        return QStringLiteral("There was not enough memory to complete the operation.");
    case 11:
        return QStringLiteral("The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
    case 26:
        return QStringLiteral("A sharing violation occurred. ");
    case 27:
        return QStringLiteral("The filename association is\nincomplete or invalid.");
    case 28:
        return QStringLiteral(
            "The DDE transaction could not\nbe completed because the request timed out.");
    case 29:
        return QStringLiteral("The DDE transaction failed.");
    case 30:
        return QStringLiteral("The DDE transaction could not\nbe completed because other DDE "
                              "transactions\nwere being processed.");
    case 31:
        return QStringLiteral(
            "There is no application associated\nwith the given filename extension.");
    case 32:
        return QStringLiteral("The specified dynamic-link library was not found.");
    default:
        return QStringLiteral("Unknown Error (%1) occurred.").arg(code);
    }
}

QString HyperlinkFailureMessage(const QString& target) {
    return QStringLiteral("Unable to open hyperlink:\n\n") +
           HyperlinkErrorText(HyperlinkFailureCode(target));
}

int HyperlinkFailureCode(const QString& target) {
    const QUrl url(target);
    QString path;
    if (url.isLocalFile())
        path = url.toLocalFile();
    else if (url.scheme().isEmpty() || QDir::isAbsolutePath(target))
        path = target;
    if (path.isEmpty())
        return 31;
    const QFileInfo file(path);
    if (file.exists())
        return 31;
    return file.absoluteDir().exists() ? 2 : 3;
}

HyperlinkLabel::HyperlinkLabel(Prompt& prompt, const QString& text, const QString& target,
                               QWidget* parent)
    : QWidget(parent), prompt_(prompt), text_(text), target_(target), linkColor_(0, 0, 238),
      visitedColor_(85, 26, 139) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(text);
    setToolTip(Target());
}

void HyperlinkLabel::SetTarget(const QString& target) {
    target_ = target;
    setToolTip(Target());
}

void HyperlinkLabel::SetText(const QString& text) {
    text_ = text;
    setAccessibleName(text);
    setToolTip(Target());
    updateGeometry();
    update();
}

QString HyperlinkLabel::Target() const {
    return target_.isEmpty() ? text_ : target_;
}

void HyperlinkLabel::SetLinkColor(const QColor& color) {
    linkColor_ = color;
    update();
}

void HyperlinkLabel::SetVisitedColor(const QColor& color) {
    visitedColor_ = color;
    update();
}

bool HyperlinkLabel::Open() {
    const QString target = Target();
    if (!prompt_.OpenUrl(target)) {
        prompt_.Message(HyperlinkFailureMessage(target), Prompt::AppTitle(), Prompt::Icon::Warning);
        return false;
    }
    visited_ = true;
    update();
    return true;
}

void HyperlinkLabel::Activate() {
    if (notify_)
        emit command(controlId_);
    else
        Open();
}

QSize HyperlinkLabel::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    return QSize(metrics.horizontalAdvance(text_) + 2 * kMargin, metrics.height() + 2 * kMargin);
}

void HyperlinkLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QFont font = this->font();
    font.setUnderline(true);
    painter.setFont(font);
    painter.setPen(visited_ ? visitedColor_ : linkColor_);
    const QRect area = rect().adjusted(kMargin, 0, -kMargin, 0);
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, text_);
    if (hasFocus()) {
        painter.setPen(QPen(painter.pen().color(), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void HyperlinkLabel::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
}

void HyperlinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click)
        Activate();
}

void HyperlinkLabel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        Activate();
        return;
    }
    QWidget::keyPressEvent(event);
}
