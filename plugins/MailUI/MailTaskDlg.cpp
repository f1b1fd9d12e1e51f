#include "MailTaskDlg.h"

#include "CsvRecipientFile.h"
#include "MailService.h"
#include "MessageTemplate.h"
#include "RecipientFilterBox.h"

#include "ui/Prompt.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

CMailTaskDlg::CMailTaskDlg(Prompt& prompt, DbConnection& connection, MailTaskForm& form,
                           QWidget* parent)
    : QDialog(parent), prompt_(prompt), form_(form) {
    setWindowTitle(QStringLiteral("新建邮件任务"));
    setObjectName(QStringLiteral("CMailTaskDlg"));
    title_ = new QLineEdit(form.title, this);
    title_->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 40);
    subject_ = new QLineEdit(form.subject, this);
    body_ = new QPlainTextEdit(form.body, this);
    body_->setTabChangesFocus(true);
    body_->setMinimumHeight(fontMetrics().lineSpacing() * 8);
    insert_ = new QComboBox(this);
    insert_->setObjectName(QStringLiteral("InsertField"));
    connect(insert_, &QComboBox::activated, this, [this](int index) {
        if (index > 0)
            body_->insertPlainText(insert_->itemText(index));
        insert_->setCurrentIndex(0);
        body_->setFocus();
    });
    attachments_ = new QListWidget(this);
    attachments_->addItems(form.attachments);
    attachments_->setMaximumHeight(fontMetrics().lineSpacing() * 4);
    auto* addAttachment = new QPushButton(QStringLiteral("添加附件"), this);
    auto* removeAttachment = new QPushButton(QStringLiteral("移除附件"), this);
    connect(addAttachment, &QPushButton::clicked, this, [this] { AddAttachment(); });
    connect(removeAttachment, &QPushButton::clicked, this,
            [this] { delete attachments_->currentItem(); });

    source_ = new QComboBox(this);
    source_->addItems({QStringLiteral("客户和联系人"), QStringLiteral("CSV名单文件")});
    source_->setCurrentIndex(form.fromFile ? 1 : 0);
    recipients_ = new CRecipientFilterBox(prompt, connection, form.filter, this);
    fileRow_ = new QWidget(this);
    file_ = new QLineEdit(form.filePath, fileRow_);
    file_->setReadOnly(true);
    auto* choose = new QPushButton(QStringLiteral("选择文件"), fileRow_);
    connect(choose, &QPushButton::clicked, this, [this] { ChooseFile(); });
    auto* fileLayout = new QHBoxLayout(fileRow_);
    fileLayout->setContentsMargins(0, 0, 0, 0);
    fileLayout->addWidget(file_, 1);
    fileLayout->addWidget(choose);
    connect(source_, &QComboBox::currentIndexChanged, this, [this] { ShowSource(); });

    auto* layout = new QVBoxLayout(this);
    auto* top = new QFormLayout;
    top->addRow(QStringLiteral("任务标题"), title_);
    top->addRow(QStringLiteral("邮件主题"), subject_);
    top->addRow(QStringLiteral("邮件内容"), body_);
    top->addRow(QString(), insert_);
    auto* attachmentButtons = new QHBoxLayout;
    attachmentButtons->addWidget(addAttachment);
    attachmentButtons->addWidget(removeAttachment);
    attachmentButtons->addStretch(1);
    top->addRow(QStringLiteral("附件"), attachments_);
    top->addRow(QString(), attachmentButtons);
    top->addRow(QStringLiteral("收件人"), source_);
    layout->addLayout(top);
    layout->addWidget(recipients_);
    layout->addWidget(fileRow_);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { OnOK(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    fileColumns_ = form.fileColumns;
    ShowSource();
}

void CMailTaskDlg::OfferFields(const QStringList& fields) {
    insert_->clear();
    insert_->addItem(QStringLiteral("插入字段..."));
    for (const QString& field : fields)
        insert_->addItem(QLatin1Char('{') + field + QLatin1Char('}'));
}

void CMailTaskDlg::ShowSource() {
    const bool fromFile = source_->currentIndex() == 1;
    recipients_->setVisible(!fromFile);
    fileRow_->setVisible(fromFile);
    OfferFields(fromFile ? fileColumns_ : MessageTemplate::CustomerFields());
}

void CMailTaskDlg::AddAttachment() {
    const QString path =
        prompt_.OpenFileName(QStringLiteral("添加附件"), QString(), QStringLiteral("所有文件 (*)"));
    if (!path.isEmpty() && attachments_->findItems(path, Qt::MatchExactly).isEmpty())
        attachments_->addItem(path);
}

void CMailTaskDlg::ChooseFile() {
    const QString path =
        prompt_.OpenFileName(QStringLiteral("打开"), QString(),
                             QStringLiteral("CSV文本文件 (*.csv *.CSV);;所有文件 (*)"));
    if (path.isEmpty())
        return;
    QStringList header;
    TextEncoding encoding = TextEncoding::Gbk;
    QString error;
    if (!CsvRecipientFile::ReadHeader(path, header, encoding, error)) {
        prompt_.Message(error);
        return;
    }
    file_->setText(path);
    fileColumns_ = header;
    OfferFields(fileColumns_);
}

bool CMailTaskDlg::OnOK() {
    const QString title = title_->text().trimmed();
    if (title.isEmpty()) {
        prompt_.Message(QStringLiteral("请输入任务标题"));
        return false;
    }
    const QString subject = subject_->text().trimmed();
    if (subject.isEmpty()) {
        prompt_.Message(QStringLiteral("请输入邮件主题"));
        return false;
    }
    if (body_->toPlainText().trimmed().isEmpty()) {
        prompt_.Message(QStringLiteral("请输入邮件内容"));
        return false;
    }
    QStringList attachments;
    for (int i = 0; i < attachments_->count(); ++i)
        attachments << attachments_->item(i)->text();
    // Read now so that a missing file is found while the user can still
    // change the list, not half-way through a run.
    QList<MailAttachment> read;
    QString error;
    if (!MailService::ReadAttachments(attachments, read, error)) {
        prompt_.Message(error);
        return false;
    }
    const bool fromFile = source_->currentIndex() == 1;
    if (fromFile && file_->text().isEmpty()) {
        prompt_.Message(QStringLiteral("请选择收件人名单文件"));
        return false;
    }
    form_.title = title;
    form_.subject = subject;
    form_.body = body_->toPlainText();
    form_.attachments = attachments;
    form_.fromFile = fromFile;
    form_.filePath = fromFile ? file_->text() : QString();
    form_.fileColumns = fileColumns_;
    recipients_->Read(form_.filter);
    accept();
    return true;
}

bool RunMailTaskForm(Prompt& prompt, DbConnection& connection, QWidget* parent,
                     MailTaskForm& form) {
    CMailTaskDlg dialog(prompt, connection, form, parent);
    return prompt.RunModal(dialog) == QDialog::Accepted;
}
