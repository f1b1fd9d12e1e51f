#pragma once

#include "framework/RecordListView.h"

class QPlainTextEdit;

// 改进建议: everyone's suggestions, latest first (an anonymous one shows
// 匿名 as its author), and below the list the selected one's text with its
// reply. Everyone writes suggestions (提建议), signed or anonymous; an author
// changes their own signed suggestion until it is answered; managers (admin
// and holders of 管理中心) answer (答复) and delete.
class CAdviceView final : public CRecordListView {
    Q_OBJECT

public:
    static constexpr int kReply = 6201; // 答复

    CAdviceView(DbConnection& connection, Prompt& prompt, const QString& userName, bool manager,
                QWidget* parent = nullptr);

    Q_INVOKABLE bool OnCommand(int id) override;

    // The text of the selected suggestion and its reply.
    QPlainTextEdit* Reader() const { return reader_; }
    // Shows the top selected suggestion in the reader (empty without one).
    void ShowSelected();

protected:
    void AfterLoad() override { ShowSelected(); }
    bool RunForm(IniFile& bag) override;

private:
    void Edit();
    void Reply();
    bool MayManage(const QString& refusal);

    QString userName_;
    bool manager_;
    QPlainTextEdit* reader_ = nullptr;
};
