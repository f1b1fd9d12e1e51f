#include "AnswerDlg.h"

#include "ui/FormButtons.h"
#include "ui/Prompt.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

CAnswerDlg::CAnswerDlg(Prompt& prompt, const QString& title, const QString& subject,
                       const QString& text, const QString& emptyRefusal, QWidget* parent)
    : QDialog(parent), prompt_(prompt), emptyRefusal_(emptyRefusal) {
    setWindowTitle(title);
    setObjectName(QStringLiteral("AnswerDlg"));
    auto* about = new QLabel(subject, this);
    about->setWordWrap(true);
    about->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text_ = new QPlainTextEdit(text, this);
    text_->setObjectName(QStringLiteral("Answer"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(about);
    layout->addWidget(text_, 1);
    layout->addWidget(MakeFormButtons(this, [this] { OnOK(); }));
    resize(420, 260);
    text_->setFocus();
}

QString CAnswerDlg::Text() const {
    return text_->toPlainText().trimmed();
}

bool CAnswerDlg::OnOK() {
    if (!emptyRefusal_.isEmpty() && Text().isEmpty()) {
        prompt_.Message(emptyRefusal_);
        text_->setFocus();
        return false;
    }
    accept();
    return true;
}
