#include "NoteInputDlg.h"

#include "ui/Prompt.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

CNoteInputDlg::CNoteInputDlg(Prompt& prompt, const QString& title, const QString& label,
                             const QString& emptyMessage, QWidget* parent)
    : QDialog(parent), prompt_(prompt), emptyMessage_(emptyMessage) {
    setObjectName(QStringLiteral("CNoteInputDlg"));
    setWindowTitle(title);
    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("Text"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { OnOK(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(label, this));
    layout->addWidget(text_, 1);
    layout->addWidget(buttons);
    text_->setFocus();
}

QString CNoteInputDlg::Text() const {
    return text_->toPlainText().trimmed();
}

bool CNoteInputDlg::OnOK() {
    if (Text().isEmpty()) {
        prompt_.Message(emptyMessage_);
        text_->setFocus();
        return false;
    }
    accept();
    return true;
}

bool AskForNote(Prompt& prompt, QWidget* parent, const QString& title, const QString& label,
                const QString& emptyMessage, QString& text) {
    CNoteInputDlg dialog(prompt, title, label, emptyMessage, parent);
    if (prompt.RunModal(dialog) != QDialog::Accepted)
        return false;
    text = dialog.Text();
    return true;
}
