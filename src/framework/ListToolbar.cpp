#include "framework/ListToolbar.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>

QMenu* MakeCommandMenu(QWidget* parent, const QString& objectName,
                       const QList<CommandMenuItem>& items, const std::function<void(int)>& run) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(objectName);
    for (const CommandMenuItem& item : items) {
        QAction* action = menu->addAction(item.text);
        action->setData(item.command);
        const int command = item.command;
        QObject::connect(action, &QAction::triggered, menu, [run, command] { run(command); });
    }
    return menu;
}

CListToolbar::CListToolbar(std::function<void(int)> run, QWidget* parent)
    : QWidget(parent), run_(std::move(run)), layout_(new QHBoxLayout(this)) {
    setObjectName(QStringLiteral("ListToolbar"));
    setFixedHeight(kHeight);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    layout_->addStretch(1);
}

QPushButton* CListToolbar::Add(const QString& text, int width) {
    auto* button = new QPushButton(text, this);
    button->setFixedSize(width, kHeight);
    button->setFocusPolicy(Qt::NoFocus);
    // Before the stretch that keeps the buttons packed to the left.
    layout_->insertWidget(layout_->count() - 1, button);
    buttons_.append(button);
    return button;
}

QPushButton* CListToolbar::AddButton(const QString& text, int command, int width) {
    QPushButton* button = Add(text, width);
    button->setProperty("command", command);
    connect(button, &QPushButton::clicked, this, [this, command] { run_(command); });
    return button;
}

QPushButton* CListToolbar::AddMenuButton(const QString& text, int width, QMenu* menu) {
    QPushButton* button = Add(text, width);
    button->setMenu(menu);
    return button;
}

QPushButton* CListToolbar::Button(const QString& text) const {
    for (QPushButton* button : buttons_) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}
