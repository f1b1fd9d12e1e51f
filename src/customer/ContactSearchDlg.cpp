#include "customer/ContactSearchDlg.h"

#include "customer/ContactDlg.h"
#include "db/SqlConditions.h"
#include "db/SqlLiteral.h"
#include "ui/Prompt.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

QStringList ContactCriteria::Conditions() const {
    using SqlConditions::Contains;
    QStringList conditions;
    if (!name.isEmpty())
        conditions << Contains(QStringLiteral("Name"), name);
    if (!customerName.isEmpty())
        conditions << Contains(QStringLiteral("CustomerName"), customerName);
    if (!phone.isEmpty())
        conditions << QStringLiteral("(") + Contains(QStringLiteral("Mobile"), phone) +
                          QStringLiteral(" or ") + Contains(QStringLiteral("Phone"), phone) +
                          QStringLiteral(")");
    if (!email.isEmpty())
        conditions << Contains(QStringLiteral("Email"), email);
    // Users look contacts up by QQ number as by any other number.
    if (!qq.isEmpty())
        conditions << Contains(QStringLiteral("ICQ"), qq);
    if (!method.isEmpty())
        conditions << QStringLiteral("(NetCodeClass = ") + SqlLiteral::Text(method) +
                          QStringLiteral(")");
    if (!account.isEmpty())
        conditions << Contains(QStringLiteral("NetCode"), account);
    return conditions;
}

CContactSearchDlg::CContactSearchDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("查询联系人"));
    setObjectName(QStringLiteral("CContactSearchDlg"));
    auto* form = new QFormLayout;
    const QList<QPair<QString, QString>> boxes = {
        {QStringLiteral("Name"), QStringLiteral("联系人")},
        {QStringLiteral("CustomerName"), QStringLiteral("客户名称")},
        {QStringLiteral("Phone"), QStringLiteral("电话")},
        {QStringLiteral("Email"), QStringLiteral("电子邮件")},
        {QStringLiteral("ICQ"), QStringLiteral("QQ")},
        {QStringLiteral("NetCode"), QStringLiteral("在线沟通号码")}};
    for (const auto& [key, caption] : boxes) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(key);
        edits_ << edit;
        if (key == u"NetCode") {
            method_ = new QComboBox(this);
            method_->setObjectName(QStringLiteral("NetCodeClass"));
            method_->setEditable(true);
            method_->addItems(CContactDlg::Methods());
            method_->setCurrentIndex(-1);
            method_->setInsertPolicy(QComboBox::NoInsert);
            form->addRow(QStringLiteral("在线沟通方式"), method_);
        }
        form->addRow(caption, edit);
    }
    edits_.first()->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 25);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form, 1);
    layout->addWidget(buttons);
}

QLineEdit* CContactSearchDlg::Field(const QString& key) const {
    for (QLineEdit* edit : edits_) {
        if (edit->objectName().compare(key, Qt::CaseInsensitive) == 0)
            return edit;
    }
    return nullptr;
}

ContactCriteria CContactSearchDlg::Criteria() const {
    const auto text = [this](const char16_t* key) {
        return Field(QString::fromUtf16(key))->text().trimmed();
    };
    ContactCriteria criteria;
    criteria.name = text(u"Name");
    criteria.customerName = text(u"CustomerName");
    criteria.phone = text(u"Phone");
    criteria.email = text(u"Email");
    criteria.qq = text(u"ICQ");
    criteria.method = method_->currentText().trimmed();
    criteria.account = text(u"NetCode");
    return criteria;
}

bool AskContactCriteria(Prompt& prompt, QWidget* parent, ContactCriteria& criteria) {
    CContactSearchDlg dialog(parent);
    if (prompt.RunModal(dialog) != QDialog::Accepted)
        return false;
    criteria = dialog.Criteria();
    return true;
}
