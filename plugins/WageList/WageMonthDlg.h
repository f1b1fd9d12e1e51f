#pragma once

#include <QDialog>

class Prompt;
class QLineEdit;

// 新建工资表: asks for the month (yyyy-MM) of a new sheet; 确定 accepts only
// a real month.
class WageMonthDlg final : public QDialog {
    Q_OBJECT

public:
    WageMonthDlg(Prompt& prompt, const QString& proposed, QWidget* parent = nullptr);

    QLineEdit* MonthBox() const { return month_; }
    QString Month() const;

    // What 确定 does.
    bool OnOK();

private:
    Prompt& prompt_;
    QLineEdit* month_ = nullptr;
};
