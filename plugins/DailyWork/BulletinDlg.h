#pragma once

#include "framework/RecordFormDlg.h"

class IniFile;
class QLineEdit;
class QPlainTextEdit;

// 发布公告 / 修改公告: a bulletin's title, text and validity (ValidFrom ..
// ValidTo, days as yyyy-MM-dd, today .. today + 30 for a new one). Without a
// KeyId in the bag (section ".") a new bulletin is published by `userName`
// now; with one that bulletin is changed (its publisher stays). 确定 leaves
// KeyId and the list's cells in the bag.
class CBulletinDlg final : public CRecordFormDlg {
    Q_OBJECT

public:
    CBulletinDlg(Prompt& prompt, DbConnection& connection, const QString& userName, IniFile& bag,
                 QWidget* parent = nullptr);

    // Boxes by column: Title, ValidFrom, ValidTo.
    QLineEdit* Field(const QString& column) const;
    QPlainTextEdit* ContentEdit() const { return content_; }

private:
    bool CheckInput() override;
    bool Save() override;

    QString userName_;
    IniFile& bag_;
    int key_ = 0;
    QLineEdit* title_ = nullptr;
    QLineEdit* validFrom_ = nullptr;
    QLineEdit* validTo_ = nullptr;
    QPlainTextEdit* content_ = nullptr;
};

// Runs the form through prompt.RunModal; true when the bulletin was saved.
bool RunBulletinForm(Prompt& prompt, DbConnection& connection, const QString& userName,
                     IniFile& bag, QWidget* parent);
