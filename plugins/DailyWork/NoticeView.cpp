#include "NoticeView.h"

#include <QLabel>
#include <QVBoxLayout>

CNoticeView::CNoticeView(const QString& text, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("NoticeView"));
    auto* label = new QLabel(text, this);
    label->setObjectName(QStringLiteral("notice"));
    label->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
}

QString CNoticeView::Text() const {
    return findChild<QLabel*>(QStringLiteral("notice"))->text();
}
