#include "PendingView.h"

#include "shell/PluginArgs.h"

#include <QLabel>
#include <QVBoxLayout>

PendingView::PendingView(const QString& functionName, QWidget* parent) : QWidget(parent) {
    setObjectName(functionName);
    auto* notice = new QLabel(QStringLiteral("该功能尚未提供"), this);
    notice->setObjectName(QStringLiteral("notice"));
    notice->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(notice);
}

bool UsableArgs(const PluginArgs* args) {
    return args && args->size >= sizeof(PluginArgs);
}

QWidget* NewPendingView(const PluginArgs* args, const char* entry) {
    if (!UsableArgs(args))
        return nullptr;
    return new PendingView(QString::fromLatin1(entry));
}
