#pragma once

#include <QWidget>

// The view of an office-work function that this module does not provide yet:
// a plain notice instead of an error, so the command still shows something.
class PendingView final : public QWidget {
    Q_OBJECT

public:
    explicit PendingView(const QString& functionName, QWidget* parent = nullptr);
};
