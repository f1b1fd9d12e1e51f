#include "SmsTaskDlg.h"

#include "MessageTemplate.h"
#include "RecipientFilterBox.h"

#include "ui/Prompt.h"

#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

QString FormTitle(const QString& kind) {
    if (kind == SmsKind::Timed())
        return QStringLiteral("新建定时短信");
    if (kind == SmsKind::Excel())
        return QStringLiteral("新建Excel短信");
    if (kind == SmsKind::Super())
        return QStringLiteral("新建超级群发");
    return QStringLiteral("新建群发短信");
}

} // namespace

CSmsTaskDlg::CSmsTaskDlg(Prompt& prompt, DbConnection& connection, SmsTaskForm& form,
                         QWidget* parent)
    : QDialog(parent), prompt_(prompt), connection_(connection), form_(form) {
    setWindowTitle(FormTitle(form.kind));
    setObjectName(QStringLiteral("CSmsTaskDlg"));
    title_ = new QLineEdit(form.title, this);
    title_->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 32);
    body_ = new QPlainTextEdit(form.body, this);
    body_->setTabChangesFocus(true);
    body_->setMinimumHeight(fontMetrics().lineSpacing() * 6);
    counter_ = new QLabel(this);
    auto* insert = new QComboBox(this);
    insert->setObjectName(QStringLiteral("InsertField"));
    insert->addItem(QStringLiteral("插入字段..."));
    const QStringList fields =
        form.kind == SmsKind::Excel() ? form.fileColumns : MessageTemplate::CustomerFields();
    for (const QString& field : fields)
        insert->addItem(QLatin1Char('{') + field + QLatin1Char('}'));
    connect(insert, &QComboBox::activated, this, [this, insert](int index) {
        if (index > 0)
            body_->insertPlainText(insert->itemText(index));
        insert->setCurrentIndex(0);
        body_->setFocus();
    });
    connect(body_, &QPlainTextEdit::textChanged, this, [this] {
        counter_->setText(QStringLiteral("字数: %1").arg(body_->toPlainText().toUcs4().size()));
    });
    counter_->setText(QStringLiteral("字数: %1").arg(body_->toPlainText().toUcs4().size()));

    auto* layout = new QVBoxLayout(this);
    auto* top = new QFormLayout;
    top->addRow(QStringLiteral("任务标题"), title_);
    auto* bodyRow = new QHBoxLayout;
    bodyRow->addWidget(counter_, 1);
    bodyRow->addWidget(insert);
    if (form.kind == SmsKind::Excel() && form.textMapped) {
        body_->setEnabled(false);
        body_->setPlaceholderText(QStringLiteral("短信内容取自文件的短信内容列"));
        insert->setEnabled(false);
    }
    top->addRow(QStringLiteral("短信内容"), body_);
    top->addRow(QString(), bodyRow);
    if (form.kind == SmsKind::Timed()) {
        sendAt_ = new QLineEdit(this);
        sendAt_->setPlaceholderText(QStringLiteral("年-月-日 时:分:秒"));
        sendAt_->setText(form.sendAt.isEmpty()
                             ? QDateTime::currentDateTime().addSecs(3600).toString(kTimeFormat)
                             : form.sendAt);
        top->addRow(QStringLiteral("发送时间"), sendAt_);
    }
    layout->addLayout(top);

    if (HasRecipients()) {
        recipients_ = new CRecipientFilterBox(prompt, connection, form.filter, this);
        layout->addWidget(recipients_);
    }

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { OnOK(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

bool CSmsTaskDlg::HasRecipients() const {
    return form_.kind != SmsKind::Excel();
}

QComboBox* CSmsTaskDlg::SourceBox() const {
    return recipients_ ? recipients_->SourceBox() : nullptr;
}

QLineEdit* CSmsTaskDlg::CityEdit() const {
    return recipients_ ? recipients_->CityEdit() : nullptr;
}

bool CSmsTaskDlg::OnOK() {
    const QString title = title_->text().trimmed();
    if (title.isEmpty()) {
        prompt_.Message(QStringLiteral("请输入任务标题"));
        return false;
    }
    const QString body = body_->toPlainText();
    const bool bodyNeeded = !(form_.kind == SmsKind::Excel() && form_.textMapped);
    if (bodyNeeded && body.trimmed().isEmpty()) {
        prompt_.Message(QStringLiteral("请输入短信内容"));
        return false;
    }
    QString sendAt;
    if (sendAt_) {
        const QDateTime time = QDateTime::fromString(sendAt_->text().trimmed(), kTimeFormat);
        if (!time.isValid()) {
            prompt_.Message(
                QStringLiteral("发送时间应写作年-月-日 时:分:秒, 例如2026-01-31 09:30:00"));
            return false;
        }
        if (time <= QDateTime::currentDateTime()) {
            prompt_.Message(QStringLiteral("发送时间已过, 请重新填写"));
            return false;
        }
        sendAt = time.toString(kTimeFormat);
    }
    form_.title = title;
    form_.body = bodyNeeded ? body : QString();
    form_.sendAt = sendAt;
    if (recipients_)
        recipients_->Read(form_.filter);
    accept();
    return true;
}

bool RunSmsTaskForm(Prompt& prompt, DbConnection& connection, QWidget* parent, SmsTaskForm& form) {
    CSmsTaskDlg dialog(prompt, connection, form, parent);
    return prompt.RunModal(dialog) == QDialog::Accepted;
}
