#pragma once

#include "net/MimeMessage.h"

#include <QDialog>

class Prompt;
class QLabel;
class QListWidget;
class QPushButton;
class QTextBrowser;

// One received message: its header (from, to, copy, date, subject), its
// text body (plain, or HTML shown as rich text: nothing is loaded from
// anywhere, links open only through the prompt and only as http, https or
// mailto) and its attachments with 另存为 and 打开.
class CRecvReadDlg final : public QDialog {
    Q_OBJECT

public:
    CRecvReadDlg(Prompt& prompt, const QByteArray& raw, QWidget* parent = nullptr);
    ~CRecvReadDlg() override;

    QTextBrowser* Body() const { return body_; }
    QListWidget* AttachmentList() const { return attachments_; }
    QString HeaderText() const;
    const MimeMessage& Message() const { return message_; }

    // The attachment of the list's current row; false (after saying why)
    // without one or when the file could not be written.
    bool SaveAttachment();
    bool OpenAttachment();

private:
    const MimePart* CurrentAttachment();
    // A name to write the attachment under: its own, or 附件n.
    QString AttachmentName(int index) const;

    Prompt& prompt_;
    MimeMessage message_;
    QLabel* header_ = nullptr;
    QTextBrowser* body_ = nullptr;
    QListWidget* attachments_ = nullptr;
};
