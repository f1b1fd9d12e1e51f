#pragma once

#include "framework/RecordFormDlg.h"

class IniFile;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;

// 写请假条: a new leave request of `userName`: the kind, from and to (a day,
// or a day and a time: yyyy-MM-dd or yyyy-MM-dd hh:mm; the end not before
// the start) and the reason, which may not be empty. It is stored as 待批;
// 确定 leaves KeyId and the list's cells in the bag (section ".").
class CHolidayDlg final : public CRecordFormDlg {
    Q_OBJECT

public:
    CHolidayDlg(Prompt& prompt, DbConnection& connection, const QString& userName, IniFile& bag,
                QWidget* parent = nullptr);

    QComboBox* KindBox() const { return kind_; }
    // Boxes by column: FromDate, ToDate.
    QLineEdit* Field(const QString& column) const;
    QPlainTextEdit* ReasonEdit() const { return reason_; }

private:
    bool CheckInput() override;
    bool Save() override;

    QString userName_;
    IniFile& bag_;
    QComboBox* kind_ = nullptr;
    QLineEdit* from_ = nullptr;
    QLineEdit* to_ = nullptr;
    QPlainTextEdit* reason_ = nullptr;
};

// Runs the form through prompt.RunModal; true when the request was stored.
bool RunHolidayForm(Prompt& prompt, DbConnection& connection, const QString& userName, IniFile& bag,
                    QWidget* parent);
