#include "customer/SelectCustomerDlg.h"

#include "db/QueryBinder.h"
#include "db/SqlLiteral.h"
#include "framework/ListGridBinding.h"
#include "framework/SelectedRows.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kSettingsKey = QStringLiteral("CSelectCustomerDlg");

} // namespace

QString CSelectCustomerDlg::CategoryCondition(const QString& category) {
    if (category.isEmpty())
        return QString();
    const QString byName = QStringLiteral("Category=") + SqlLiteral::Text(category);
    if (category == QStringLiteral("供应商"))
        return QStringLiteral("(IsProvider=1 or ") + byName + QStringLiteral(")");
    if (category == QStringLiteral("代理商"))
        return QStringLiteral("(IsReseller=1 or ") + byName + QStringLiteral(")");
    return QStringLiteral("(") + byName + QStringLiteral(")");
}

QString CSelectCustomerDlg::SearchCondition(const QString& text) {
    if (text.isEmpty())
        return QString();
    const QString pattern = SqlLiteral::Text(QStringLiteral("%") + text + QStringLiteral("%"));
    return QStringLiteral("(CustomerName like ") + pattern + QStringLiteral(" or Contact like ") +
           pattern + QStringLiteral(")");
}

CSelectCustomerDlg::CSelectCustomerDlg(Prompt& prompt, DbConnection& connection,
                                       const QString& category, QWidget* parent)
    : QDialog(parent), prompt_(prompt), connection_(connection), category_(category) {
    setWindowTitle(QStringLiteral("选择客户"));
    setObjectName(QStringLiteral("CSelectCustomerDlg"));
    resize(640, 420);

    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("SearchBox"));
    search_->setProperty("controlId", 1013);
    search_->setPlaceholderText(QStringLiteral("客户名称或联系人"));
    auto button = [this](const QString& text, int id) {
        auto* b = new QPushButton(text, this);
        b->setProperty("controlId", id);
        b->setAutoDefault(false);
        return b;
    };
    QPushButton* find = button(QStringLiteral("查询"), 1012);
    QPushButton* prev = button(QStringLiteral("上页"), 1014);
    QPushButton* next = button(QStringLiteral("下页"), 1015);
    QPushButton* ok = button(QStringLiteral("确定"), 1);
    QPushButton* cancel = button(QStringLiteral("取消"), 2);
    // Enter in the search box searches.
    find->setDefault(true);
    connect(find, &QPushButton::clicked, this, [this] { OnSearch(); });
    connect(prev, &QPushButton::clicked, this, [this] { OnPrevPage(); });
    connect(next, &QPushButton::clicked, this, [this] { OnNextPage(); });
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    grid_ = new CGridCtrl(0, 0, 0, 0, this);
    grid_->setObjectName(QStringLiteral("CSelectCustomerDlgGrid"));
    binding_ = std::make_unique<ListGridBinding>(*grid_, kSettingsKey);
    QueryBinder& binder = binding_->Binder();
    binder.SetTable(QStringLiteral("CustomerData"));
    binder.AddColumn(QStringLiteral("KeyId"), QStringLiteral("编号"));
    binder.AddColumn(QStringLiteral("CustomerName"), QStringLiteral("客户名称"));
    binder.AddColumn(QStringLiteral("Contact"), QStringLiteral("联系人"));
    binder.AddColumn(QStringLiteral("Province"), QStringLiteral("省份"));
    binder.AddColumn(QStringLiteral("City"), QStringLiteral("城市"));
    binder.SetOrderClause(QStringLiteral(" order by LastTime desc "));
    binding_->Setup(kGridControl);
    connect(grid_, &CGridCtrl::DoubleClick, this, [this](int row, int) {
        if (row >= grid_->GetFixedRowCount())
            OnOK();
    });

    auto* strip = new QHBoxLayout;
    strip->setContentsMargins(6, 4, 6, 4);
    strip->addWidget(search_, 1);
    for (QPushButton* b : {find, prev, next, ok, cancel})
        strip->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(strip);
    layout->addWidget(grid_, 1);

    OnSearch();
    search_->setFocus();
}

CSelectCustomerDlg::~CSelectCustomerDlg() = default;

QueryBinder& CSelectCustomerDlg::Binder() const {
    return binding_->Binder();
}

void CSelectCustomerDlg::OnSearch() {
    QueryBinder& binder = Binder();
    binder.ClearConditions();
    for (const QString& condition :
         {CategoryCondition(category_), SearchCondition(search_->text())}) {
        if (!condition.isEmpty())
            binder.AddCondition(condition);
    }
    binder.SetPageIndex(0);
    Load();
}

void CSelectCustomerDlg::OnPrevPage() {
    if (Binder().GetPageIndex() == 0)
        return;
    Binder().SetPageIndex(Binder().GetPageIndex() - 1);
    Load();
}

void CSelectCustomerDlg::OnNextPage() {
    // A page past the end would show an empty grid; the last full page stays.
    if (Binder().GetLoadedRowCount() < Binder().GetPageSize())
        return;
    Binder().SetPageIndex(Binder().GetPageIndex() + 1);
    Load();
}

void CSelectCustomerDlg::Load() {
    {
        WaitCursor wait(prompt_);
        Binder().Load(&connection_);
    }
    if (!Binder().GetLastError().isEmpty())
        prompt_.Message(Binder().GetSelectText() + QStringLiteral("\r\n") +
                        Binder().GetLastError());
    binding_->FitColumnsOnce();
}

bool CSelectCustomerDlg::OnOK() {
    const int row = SelectedRows::TopRow(*grid_);
    const int key = SelectedRows::KeyOfRow(*grid_, row);
    if (key < 1) {
        prompt_.Message(QStringLiteral("请选择客户资料!"));
        return false;
    }
    key_ = key;
    name_ = grid_->GetItemText(row, 1);
    accept();
    return true;
}

bool PickCustomer(Prompt& prompt, DbConnection& connection, QWidget* parent,
                  const QString& category, int& key, QString& name) {
    CSelectCustomerDlg dialog(prompt, connection, category, parent);
    if (prompt.RunModal(dialog) != QDialog::Accepted)
        return false;
    key = dialog.Key();
    name = dialog.Name();
    return true;
}
