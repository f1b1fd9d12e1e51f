#pragma once

#include "framework/RecordFormDlg.h"

#include <QDate>
#include <QString>

class IniFile;
class QDateEdit;
class QLineEdit;
class QPlainTextEdit;

// The two kinds of WorkLog rows: what was done on a day, and what is meant
// to be done.
enum class WorkLogKind { Log, Plan };

// "日志" or "计划", as WorkLog.Kind holds it.
QString WorkLogKindText(WorkLogKind kind);

// 工作日志 / 工作计划: one entry of the logged-in user. Without a KeyId in the
// bag (section ".") a new entry is written for `day`; with one the entry is
// read, and changed only when it is the user's own (anyone else's opens
// read-only, with 关闭 only). A log may not be dated after today; a plan
// may look ahead.
class CWorkLogDlg final : public CRecordFormDlg {
    Q_OBJECT

public:
    CWorkLogDlg(Prompt& prompt, DbConnection& connection, WorkLogKind kind, const QString& userName,
                const QDate& day, IniFile& bag, QWidget* parent = nullptr);

    QDateEdit* DateEdit() const { return date_; }
    QLineEdit* TitleEdit() const { return title_; }
    QPlainTextEdit* ContentEdit() const { return content_; }
    bool IsReadOnly() const { return readOnly_; }

protected:
    bool CheckInput() override;
    bool Save() override;

private:
    void LoadRecord();

    WorkLogKind kind_;
    QString userName_;
    IniFile& bag_;
    int key_ = 0;
    bool readOnly_ = false;

    QDateEdit* date_;
    QLineEdit* title_;
    QPlainTextEdit* content_;
};

// Runs the form through the prompt; true when an entry was written.
bool RunWorkLogForm(Prompt& prompt, DbConnection& connection, QWidget* parent, WorkLogKind kind,
                    const QString& userName, const QDate& day, IniFile& bag);
