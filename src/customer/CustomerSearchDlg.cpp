#include "customer/CustomerSearchDlg.h"

#include "base/IniFile.h"
#include "base/ProgramFolder.h"
#include "db/SqlLiteral.h"
#include "ui/Prompt.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

const QString kBag = QStringLiteral(".");

QString Like(const QString& column, const QString& pattern) {
    return QStringLiteral("(") + column + QStringLiteral(" like ") + SqlLiteral::Text(pattern) +
           QStringLiteral(")");
}

QString Percent() {
    return QStringLiteral("%");
}

} // namespace

const QStringList& CustomerCriteria::Keys() {
    static const QStringList keys = {QStringLiteral("RegTime"), QStringLiteral("CustomerName"),
                                     QStringLiteral("Contact"), QStringLiteral("Handler"),
                                     QStringLiteral("City"),    QStringLiteral("Phone")};
    return keys;
}

std::array<QString*, 6> CustomerCriteria::Fields() {
    return {&regTime, &customerName, &contact, &handler, &city, &phone};
}

std::array<const QString*, 6> CustomerCriteria::Fields() const {
    return {&regTime, &customerName, &contact, &handler, &city, &phone};
}

void CustomerCriteria::Load(const IniFile& file) {
    const auto fields = Fields();
    for (size_t i = 0; i < fields.size(); ++i)
        *fields[i] = file.GetString(kBag, Keys()[int(i)]);
}

void CustomerCriteria::Save(IniFile& file) const {
    const auto fields = Fields();
    for (size_t i = 0; i < fields.size(); ++i)
        file.SetString(kBag, Keys()[int(i)], *fields[i]);
}

QStringList CustomerCriteria::Conditions() const {
    QStringList conditions;
    if (!regTime.isEmpty())
        conditions << Like(QStringLiteral("RegTime"), regTime + Percent());
    if (!customerName.isEmpty())
        conditions << Like(QStringLiteral("CustomerName"), Percent() + customerName + Percent());
    if (!contact.isEmpty())
        conditions << Like(QStringLiteral("Contact"), Percent() + contact + Percent());
    if (!handler.isEmpty())
        conditions << QStringLiteral("(Handler = ") + SqlLiteral::Text(handler) +
                          QStringLiteral(")");
    if (!city.isEmpty())
        conditions << Like(QStringLiteral("City"), city + Percent());
    if (!phone.isEmpty()) {
        const QString pattern = SqlLiteral::Text(Percent() + phone + Percent());
        conditions << QStringLiteral("(Phone like ") + pattern +
                          QStringLiteral(" or Mobile like ") + pattern + QStringLiteral(")");
    }
    return conditions;
}

CCustomerSearchDlg::CCustomerSearchDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("客户查询"));
    setObjectName(QStringLiteral("CustomerSearchDlg"));
    auto* form = new QFormLayout;
    const QStringList captions = {QStringLiteral("开发时间"), QStringLiteral("客户名称"),
                                  QStringLiteral("联系人"),   QStringLiteral("经理人"),
                                  QStringLiteral("城市"),     QStringLiteral("电话/手机")};
    for (int i = 0; i < captions.size(); ++i) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(CustomerCriteria::Keys()[i]);
        edit->setMinimumWidth(200);
        form->addRow(captions[i], edit);
        edits_.append(edit);
    }
    edits_[0]->setPlaceholderText(QStringLiteral("年-月，如 2024-03"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CCustomerSearchDlg::OnOK);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    IniFile file;
    file.Load(CriteriaFilePath());
    CustomerCriteria last;
    last.Load(file);
    SetCriteria(last);
}

QString CCustomerSearchDlg::CriteriaFilePath() {
    return ProgramPath(QStringLiteral("data/customer_search.ini"));
}

QLineEdit* CCustomerSearchDlg::Field(const QString& key) const {
    const int index = CustomerCriteria::Keys().indexOf(key);
    return index < 0 ? nullptr : edits_[index];
}

CustomerCriteria CCustomerSearchDlg::Criteria() const {
    CustomerCriteria criteria;
    const auto fields = criteria.Fields();
    for (size_t i = 0; i < fields.size(); ++i)
        *fields[i] = edits_[int(i)]->text();
    return criteria;
}

void CCustomerSearchDlg::SetCriteria(const CustomerCriteria& criteria) {
    const auto fields = criteria.Fields();
    for (size_t i = 0; i < fields.size(); ++i)
        edits_[int(i)]->setText(*fields[i]);
}

void CCustomerSearchDlg::OnOK() {
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

bool AskCustomerCriteria(Prompt& prompt, QWidget* parent, CustomerCriteria& criteria) {
    CCustomerSearchDlg dialog(parent);
    if (prompt.RunModal(dialog) != QDialog::Accepted)
        return false;
    criteria = dialog.Criteria();
    return true;
}
