#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QComboBox;

// 移交客户: picks the working user who takes over a leaver's customers.
class CHandOverDlg final : public QDialog {
    Q_OBJECT

public:
    // `from` is the leaver, `users` the working staff to choose from.
    CHandOverDlg(const QString& from, const QStringList& users, QWidget* parent = nullptr);

    QComboBox* UserBox() const { return users_; }
    QString Chosen() const;

private:
    QComboBox* users_ = nullptr;
};
