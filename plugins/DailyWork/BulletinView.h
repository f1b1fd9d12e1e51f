#pragma once

#include "framework/RecordListView.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;

// 公告栏: the bulletins valid today, latest first, with the selected one's
// text below. A bulletin the user has not read yet is bold and marked 未读;
// selecting it marks it read for that user, and 全部标为已读 marks every
// listed one. The strip under the list counts them ("共 n 条, 未读 m 条").
// Publishers (admin and holders of 发布公告) publish, change and delete
// bulletins, and may list the expired and future ones too.
class CBulletinView final : public CRecordListView {
    Q_OBJECT

public:
    static constexpr int kMarkAllRead = 6211; // 全部标为已读

    CBulletinView(DbConnection& connection, Prompt& prompt, const QString& userName, bool publisher,
                  QWidget* parent = nullptr);

    Q_INVOKABLE bool OnCommand(int id) override;

    QPlainTextEdit* Reader() const { return reader_; }
    QLabel* Counts() const { return counts_; }
    // 显示全部 (publishers only; null for others).
    QCheckBox* ShowAllBox() const { return showAll_; }

    // The conditions of the current choice, reloaded from the first page.
    void Refresh();
    // Shows the top selected bulletin and marks it read.
    void ShowSelected();

protected:
    void AfterLoad() override;
    bool RunForm(IniFile& bag) override;
    bool DeleteRowRecord(int row, QString& error) override;

private:
    bool MayPublish();
    void MarkAllRead();
    void ShowCounts();
    // Bold for an unread row, plain for a read one.
    void MarkRowFont(int row);

    QString userName_;
    bool publisher_;
    QPlainTextEdit* reader_ = nullptr;
    QLabel* counts_ = nullptr;
    QCheckBox* showAll_ = nullptr;
};
