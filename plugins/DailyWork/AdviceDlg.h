#pragma once

#include "framework/RecordFormDlg.h"

class IniFile;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;

// 提建议 / 修改建议: one suggestion's title and text. Without a KeyId in the
// bag (section ".") a new suggestion is written by `userName`, or by nobody
// when 匿名提交 is checked: its author is then stored as '' and cannot be
// learned afterwards by anyone. With a KeyId the author edits their own
// signed suggestion, which only succeeds while it has no reply. 确定 leaves
// KeyId and the list's cells in the bag.
class CAdviceDlg final : public CRecordFormDlg {
    Q_OBJECT

public:
    CAdviceDlg(Prompt& prompt, DbConnection& connection, const QString& userName, IniFile& bag,
               QWidget* parent = nullptr);

    QLineEdit* TitleEdit() const { return title_; }
    QPlainTextEdit* ContentEdit() const { return content_; }
    // Null when editing: a suggestion stays as signed or anonymous as it was.
    QCheckBox* AnonymousBox() const { return anonymous_; }

private:
    bool CheckInput() override;
    bool Save() override;
    bool Insert();
    bool Update();

    QString userName_;
    IniFile& bag_;
    int key_ = 0;
    QLineEdit* title_ = nullptr;
    QPlainTextEdit* content_ = nullptr;
    QCheckBox* anonymous_ = nullptr;
};

// Runs the form through prompt.RunModal; true when the suggestion was saved.
bool RunAdviceForm(Prompt& prompt, DbConnection& connection, const QString& userName, IniFile& bag,
                   QWidget* parent);
