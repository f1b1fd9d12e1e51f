#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include <functional>

class QHBoxLayout;
class QMenu;
class QPushButton;

// One entry of a command menu: a caption and the command it sends.
struct CommandMenuItem {
    QString text;
    int command;
};

// Makes a menu whose items send their commands to `run`. The menu is owned by
// `parent`; its object name lets tests and the toolbar find it.
QMenu* MakeCommandMenu(QWidget* parent, const QString& objectName,
                       const QList<CommandMenuItem>& items, const std::function<void(int)>& run);

// The row of buttons above a list: fixed-width buttons in the order added,
// each sending one command, and menu buttons that drop a command menu. The
// row is 24 pixels high; the space right of the last button stays empty.
class CListToolbar final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHeight = 24;

    // Commands go to `run` (the view's OnCommand).
    CListToolbar(std::function<void(int)> run, QWidget* parent = nullptr);

    QPushButton* AddButton(const QString& text, int command, int width);
    // A button that drops `menu` (made with MakeCommandMenu).
    QPushButton* AddMenuButton(const QString& text, int width, QMenu* menu);

    // The button with this caption, or null.
    QPushButton* Button(const QString& text) const;
    QList<QPushButton*> Buttons() const { return buttons_; }

private:
    QPushButton* Add(const QString& text, int width);

    std::function<void(int)> run_;
    QHBoxLayout* layout_;
    QList<QPushButton*> buttons_;
};
