#include "business/OrderSearchDlg.h"

#include "base/IniFile.h"
#include "base/ProgramFolder.h"
#include "business/OrderInput.h"
#include "db/SqlLiteral.h"
#include "ui/Prompt.h"

#include <QDate>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

const QString kBag = QStringLiteral(".");

QString Enclose(const QString& condition) {
    return QStringLiteral("(") + condition + QStringLiteral(")");
}

QString Contains(const QString& column, const QString& text) {
    return Enclose(column + QStringLiteral(" like ") +
                   SqlLiteral::Text(QStringLiteral("%") + text + QStringLiteral("%")));
}

QString Equals(const QString& column, const QString& text) {
    return Enclose(column + QStringLiteral(" = ") + SqlLiteral::Text(text));
}

} // namespace

QString MonthCondition(const QString& month) {
    const QString like =
        QStringLiteral("FDTime like ") + SqlLiteral::Text(month + QStringLiteral("%"));
    QString next;
    if (!OrderInput::ParseMonth(month, next))
        return Enclose(like);
    return Enclose(QStringLiteral("FDTime >= ") + SqlLiteral::Text(month) +
                   QStringLiteral(" and FDTime < ") + SqlLiteral::Text(next) +
                   QStringLiteral(" and ") + like);
}

const QStringList& OrderCriteria::Keys() {
    static const QStringList keys = {QStringLiteral("Term"),       QStringLiteral("Handler"),
                                     QStringLiteral("Customer"),   QStringLiteral("Product"),
                                     QStringLiteral("SerialCode"), QStringLiteral("Bank")};
    return keys;
}

void OrderCriteria::Load(const IniFile& file) {
    QString* fields[] = {&term, &handler, &customer, &product, &serialCode, &bank};
    for (int i = 0; i < Keys().size(); ++i)
        *fields[i] = file.GetString(kBag, Keys()[i]);
}

void OrderCriteria::Save(IniFile& file) const {
    const QString* fields[] = {&term, &handler, &customer, &product, &serialCode, &bank};
    for (int i = 0; i < Keys().size(); ++i)
        file.SetString(kBag, Keys()[i], *fields[i]);
}

QStringList OrderCriteria::Conditions() const {
    QStringList conditions;
    if (!term.isEmpty())
        conditions << MonthCondition(term);
    if (!handler.isEmpty())
        conditions << Equals(QStringLiteral("Handler"), handler);
    if (!customer.isEmpty())
        conditions << Contains(QStringLiteral("CustomerName"), customer);
    if (!product.isEmpty())
        conditions << Contains(QStringLiteral("ProductName"), product);
    if (!serialCode.isEmpty())
        conditions << Contains(QStringLiteral("SerialCode"), serialCode);
    if (!bank.isEmpty())
        conditions << Equals(QStringLiteral("Bank"), bank);
    return conditions;
}

COrderSearchDlg::COrderSearchDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("订单查询"));
    setObjectName(QStringLiteral("OrderSearchDlg"));
    auto* form = new QFormLayout;
    const QStringList captions = {QStringLiteral("月份"),     QStringLiteral("经理人"),
                                  QStringLiteral("客户名称"), QStringLiteral("产品名称"),
                                  QStringLiteral("序列号"),   QStringLiteral("付款方式")};
    for (int i = 0; i < captions.size(); ++i) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(OrderCriteria::Keys()[i]);
        edit->setMinimumWidth(200);
        form->addRow(captions[i], edit);
        edits_.append(edit);
    }
    edits_[0]->setPlaceholderText(QStringLiteral("年-月，如 2008-03"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &COrderSearchDlg::OnOK);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    IniFile file;
    file.Load(CriteriaFilePath());
    OrderCriteria last;
    last.Load(file);
    if (last.term.isEmpty())
        last.term = QDate::currentDate().toString(QStringLiteral("yyyy-MM"));
    SetCriteria(last);
}

QString COrderSearchDlg::CriteriaFilePath() {
    return ProgramPath(QStringLiteral("data/order_search.ini"));
}

QLineEdit* COrderSearchDlg::Field(const QString& key) const {
    const int index = OrderCriteria::Keys().indexOf(key);
    return index < 0 ? nullptr : edits_[index];
}

OrderCriteria COrderSearchDlg::Criteria() const {
    OrderCriteria criteria;
    QString* fields[] = {&criteria.term,    &criteria.handler,    &criteria.customer,
                         &criteria.product, &criteria.serialCode, &criteria.bank};
    for (int i = 0; i < edits_.size(); ++i)
        *fields[i] = edits_[i]->text();
    return criteria;
}

void COrderSearchDlg::SetCriteria(const OrderCriteria& criteria) {
    const QString* fields[] = {&criteria.term,    &criteria.handler,    &criteria.customer,
                               &criteria.product, &criteria.serialCode, &criteria.bank};
    for (int i = 0; i < edits_.size(); ++i)
        edits_[i]->setText(*fields[i]);
}

void COrderSearchDlg::OnOK() {
    const QString path = CriteriaFilePath();
    QDir().mkpath(ProgramPath(QStringLiteral("data")));
    IniFile file;
    file.Load(path);
    Criteria().Save(file);
    // A file that cannot be written only loses the remembered criteria; the
    // search itself goes on.
    file.Save(path);
    accept();
}

bool AskOrderCriteria(Prompt& prompt, QWidget* parent, OrderCriteria& criteria) {
    COrderSearchDlg dialog(parent);
    if (prompt.RunModal(dialog) != QDialog::Accepted)
        return false;
    criteria = dialog.Criteria();
    return true;
}
