#include "WageMonthDlg.h"

#include "WageSheet.h"

#include "ui/FormButtons.h"
#include "ui/Prompt.h"

#include <QDate>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

WageMonthDlg::WageMonthDlg(Prompt& prompt, const QString& proposed, QWidget* parent)
    : QDialog(parent), prompt_(prompt) {
    setWindowTitle(QStringLiteral("新建工资表"));
    setObjectName(QStringLiteral("WageMonthDlg"));
    month_ = new QLineEdit(proposed, this);
    month_->setObjectName(QStringLiteral("WageMonth"));
    month_->setPlaceholderText(QStringLiteral("年-月"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("月份"), month_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form, 1);
    layout->addWidget(MakeFormButtons(this, [this] { OnOK(); }));
}

QString WageMonthDlg::Month() const {
    return month_->text().trimmed();
}

bool WageMonthDlg::OnOK() {
    if (!WageSheet::IsMonth(Month())) {
        prompt_.Message(QStringLiteral("月份格式不正确，请按“年-月”输入，例如 ") +
                        QDate::currentDate().toString(QStringLiteral("yyyy-MM")));
        month_->setFocus();
        return false;
    }
    accept();
    return true;
}
