#pragma once

#include <QWidget>

// A view that only says something, in the middle of the pane: what a user
// sees instead of a function they have no right to.
class CNoticeView final : public QWidget {
    Q_OBJECT

public:
    explicit CNoticeView(const QString& text, QWidget* parent = nullptr);

    QString Text() const;
};
