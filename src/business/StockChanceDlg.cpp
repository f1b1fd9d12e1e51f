#include "business/StockChanceDlg.h"

#include "base/IniFile.h"
#include "business/OrderInput.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/DbTransaction.h"
#include "db/InsertBuilder.h"
#include "db/NewKeyInsert.h"
#include "db/SqlLiteral.h"
#include "db/UpdateBuilder.h"
#include "framework/ClassPickerDlg.h"
#include "framework/FormRecord.h"
#include "framework/SelectedRows.h"
#include "ui/FormButtons.h"
#include "ui/Prompt.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kBag = QStringLiteral(".");
const QString kTable = QStringLiteral("StockChance");

} // namespace

CStockChanceDlg::CStockChanceDlg(Prompt& prompt, DbConnection& connection, IniFile& bag,
                                 QWidget* parent)
    : CRecordFormDlg(prompt, connection, parent), bag_(bag) {
    setWindowTitle(QStringLiteral("采购机会"));
    setObjectName(QStringLiteral("CStockChanceDlg"));
    BuildForm();
    priceEdit_->setText(QStringLiteral("0"));

    customerKey_ = bag_.GetInt(kBag, QStringLiteral("CustomerId"));
    customerEdit_->setText(bag_.GetString(kBag, QStringLiteral("CustomerName")));
    LoadSupplier();
    if (const auto key = bag_.Find(kBag, QStringLiteral("KeyId")); key && !key->isEmpty()) {
        editMode_ = true;
        int parsed = 0;
        SelectedRows::ParseKey(key->trimmed(), parsed);
        LoadRecord(parsed);
        choose_->setEnabled(false);
        choose_->setToolTip(QStringLiteral("分类请在采购机会列表中用“变更分类”修改"));
    }
}

void CStockChanceDlg::BuildForm() {
    auto makeEdit = [this](const QString& column, int id, bool readOnly) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(column);
        edit->setProperty("controlId", id);
        edit->setReadOnly(readOnly);
        edit->setMinimumWidth(120);
        return edit;
    };
    keyEdit_ = makeEdit(QStringLiteral("KeyId"), 1005, true);
    customerEdit_ = makeEdit(QStringLiteral("CustomerName"), 1002, true);
    nameEdit_ = makeEdit(QStringLiteral("Name"), 1012, false);
    priceEdit_ = makeEdit(QStringLiteral("Price"), 1008, false);
    pathEdit_ = makeEdit(QStringLiteral("ClassPath"), 1006, true);
    choose_ = new QPushButton(QStringLiteral("选择..."), this);
    choose_->setObjectName(QStringLiteral("ChooseClass"));
    choose_->setProperty("controlId", 1004);
    choose_->setAutoDefault(false);
    connect(choose_, &QPushButton::clicked, this, [this] { OnChooseClass(); });
    comment_ = new QPlainTextEdit(this);
    comment_->setObjectName(QStringLiteral("Comment"));
    comment_->setProperty("controlId", 1007);
    comment_->setTabChangesFocus(true);
    comment_->setMinimumHeight(100);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    int row = 0;
    auto line = [&](const QString& label, QWidget* box, QWidget* extra = nullptr) {
        grid->addWidget(new QLabel(label, this), row, 0);
        grid->addWidget(box, row, 1, 1, extra ? 1 : 2);
        if (extra)
            grid->addWidget(extra, row, 2);
        ++row;
    };
    line(QStringLiteral("编号"), keyEdit_);
    line(QStringLiteral("客户名称"), customerEdit_);
    line(QStringLiteral("产品名称"), nameEdit_);
    line(QStringLiteral("价格"), priceEdit_);
    line(QStringLiteral("分类"), pathEdit_, choose_);
    grid->addWidget(new QLabel(QStringLiteral("详细信息"), this), row, 0, Qt::AlignTop);
    grid->addWidget(comment_, row, 1, 1, 2);
    grid->setColumnStretch(1, 1);

    QDialogButtonBox* buttons = MakeFormButtons(this, [this] { OnOK(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->addLayout(grid);
    layout->addSpacing(12);
    layout->addWidget(buttons);
}

QLineEdit* CStockChanceDlg::Field(const QString& column) const {
    for (QLineEdit* edit : {keyEdit_, customerEdit_, nameEdit_, priceEdit_, pathEdit_}) {
        if (edit->objectName().compare(column, Qt::CaseInsensitive) == 0)
            return edit;
    }
    return nullptr;
}

void CStockChanceDlg::LoadSupplier() {
    if (customerKey_ < 1)
        return;
    const QString sql =
        QStringLiteral("select * from CustomerData where KeyId=") + SqlLiteral::Long(customerKey_);
    DbRecordset rs(connection_);
    if (!rs.Open(sql)) {
        prompt_.Message(sql + QStringLiteral("\r\n") + rs.GetLastError());
        return;
    }
    if (rs.IsEOF())
        return;
    const QString name = rs.GetString(QStringLiteral("CustomerName"));
    customerEdit_->setText(name);
    bag_.SetString(kBag, QStringLiteral("CustomerName"), name);
}

void CStockChanceDlg::LoadRecord(int key) {
    loaded_ = false;
    key_ = key;
    DbRecordset rs(connection_);
    if (!FormRecord::Open(rs, prompt_, kTable, key))
        return;
    keyEdit_->setText(SqlLiteral::Long(key));
    nameEdit_->setText(rs.GetString(QStringLiteral("Name")));
    customerEdit_->setText(rs.GetString(QStringLiteral("CustomerName")));
    pathEdit_->setText(rs.GetString(QStringLiteral("ClassPath")));
    priceEdit_->setText(rs.GetString(QStringLiteral("Price")));
    comment_->setPlainText(rs.GetString(QStringLiteral("Comment")));
    customerKey_ = rs.GetLong(QStringLiteral("CustomerId"));
    classKey_ = rs.GetLong(QStringLiteral("StockClass"));
    loaded_ = true;
}

bool CStockChanceDlg::OnChooseClass() {
    if (editMode_)
        return false;
    int key = 0;
    QString path;
    if (!PickClass(prompt_, connection_, this, QStringLiteral("StockClass"),
                   QStringLiteral("采购项目"), key, path))
        return false;
    classKey_ = key;
    pathEdit_->setText(path);
    return true;
}

bool CStockChanceDlg::SupplierExists() {
    const QString sql = QStringLiteral("select KeyId from CustomerData where KeyId=") +
                        SqlLiteral::Long(customerKey_);
    DbRecordset rs(connection_);
    if (!rs.Open(sql)) {
        prompt_.Message(sql + QStringLiteral("\r\n") + rs.GetLastError());
        return false;
    }
    if (rs.IsEOF()) {
        prompt_.Message(QStringLiteral("供应商资料已经不存在"));
        return false;
    }
    return true;
}

bool CStockChanceDlg::Save() {
    // The price is read before anything is written; a typo keeps the form
    // open with everything typed, an empty box is a price of 0.
    const double zero = 0;
    double price = 0;
    QString error;
    if (!OrderInput::ParseMoney(QStringLiteral("价格"), priceEdit_->text(), price, error, &zero)) {
        prompt_.Message(error);
        priceEdit_->setFocus();
        priceEdit_->selectAll();
        return false;
    }
    const QString name = nameEdit_->text();
    const QString comment = comment_->toPlainText();
    const QString customerName = customerEdit_->text();
    const QString classPath = pathEdit_->text();

    int key = key_;
    if (!editMode_) {
        // The supplier's row is checked in the same transaction as the insert:
        // another desk may have deleted it while the form was open.
        DbTransaction transaction(connection_);
        if (!transaction.IsActive()) {
            prompt_.Message(transaction.GetLastError());
            return false;
        }
        if (customerKey_ > 0 && !SupplierExists())
            return false;
        QString statement;
        key = NewKeyInsert(
            connection_, kTable,
            [&](int newKey) {
                InsertBuilder insert;
                insert.SetTable(kTable);
                insert.SetLong(QStringLiteral("KeyId"), newKey);
                insert.SetText(QStringLiteral("CustomerName"), customerName);
                insert.SetLong(QStringLiteral("CustomerId"), customerKey_);
                insert.SetLong(QStringLiteral("StockClass"), classKey_);
                insert.SetText(QStringLiteral("ClassPath"), classPath);
                insert.SetText(QStringLiteral("Name"), name);
                insert.SetDouble(QStringLiteral("Price"), price);
                insert.SetText(QStringLiteral("Comment"), comment);
                return insert.Build();
            },
            statement);
        if (key == 0) {
            prompt_.Message(statement + QStringLiteral("\r\n") + connection_.GetLastError());
            return false;
        }
        if (!transaction.Commit()) {
            prompt_.Message(transaction.GetLastError());
            return false;
        }
    } else {
        UpdateBuilder update;
        update.SetTable(kTable);
        update.SetText(QStringLiteral("Name"), name);
        update.SetDouble(QStringLiteral("Price"), price);
        update.SetText(QStringLiteral("Comment"), comment);
        update.AddCondition(QStringLiteral("KeyId=") + SqlLiteral::Long(key_));
        const QString sql = update.Build();
        long affected = 0;
        if (connection_.Execute(sql, &affected) != 1) {
            prompt_.Message(sql + QStringLiteral("\r\n") + connection_.GetLastError());
            return false;
        }
        if (affected == 0) {
            // Another desk deleted the row while it was open here.
            prompt_.Message(QStringLiteral("指定的数据不存在!"));
            return false;
        }
    }

    key_ = key;
    keyEdit_->setText(SqlLiteral::Long(key));
    bag_.SetInt(kBag, QStringLiteral("KeyId"), key);
    bag_.SetString(kBag, QStringLiteral("Name"), name);
    bag_.SetString(kBag, QStringLiteral("Price"), QString::asprintf("%0.5f", price));
    bag_.SetString(kBag, QStringLiteral("Comment"), comment);
    bag_.SetInt(kBag, QStringLiteral("CustomerId"), customerKey_);
    bag_.SetString(kBag, QStringLiteral("CustomerName"), customerName);
    if (!editMode_ && classKey_ > 0) {
        bag_.SetInt(kBag, QStringLiteral("StockClass"), classKey_);
        bag_.SetString(kBag, QStringLiteral("ClassPath"), classPath);
    }
    return true;
}

bool RunStockChanceForm(Prompt& prompt, DbConnection& connection, QWidget* parent, IniFile& bag) {
    CStockChanceDlg dialog(prompt, connection, bag, parent);
    return prompt.RunModal(dialog) == QDialog::Accepted;
}
