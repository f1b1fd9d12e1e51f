#include "business/PurchaseDlg.h"

#include "base/IniFile.h"
#include "business/OrderInput.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/DbTransaction.h"
#include "db/InsertBuilder.h"
#include "db/SqlLiteral.h"
#include "db/UpdateBuilder.h"
#include "framework/FormRecord.h"
#include "framework/RowValues.h"
#include "framework/SelectedRows.h"
#include "ui/FormButtons.h"
#include "ui/Prompt.h"

#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kBag = QStringLiteral(".");
const QString kTable = QStringLiteral("PurchaseData");

QString Now() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// The columns the form shows in boxes of its own, with the stored text.
const QStringList& BoxColumns() {
    static const QStringList columns = {
        QStringLiteral("CustomerName"), QStringLiteral("SerialCode"), QStringLiteral("Price"),
        QStringLiteral("Quantity"),     QStringLiteral("Carriage"),   QStringLiteral("FDTotal"),
        QStringLiteral("FDTime")};
    return columns;
}

// Everything one save writes, read and checked before anything is written.
struct PurchaseValues {
    QList<QPair<QString, QString>> texts;
    QList<QPair<QString, double>> doubles;
    qint32 quantity = 0;

    template <typename Writer> void WriteTo(Writer& writer) const {
        for (const auto& [column, text] : texts)
            writer.SetText(column, text);
        for (const auto& [column, value] : doubles)
            writer.SetDouble(column, value);
        writer.SetLong(QStringLiteral("Quantity"), quantity);
    }
};

// A number box of the purchase form: empty counts as nothing, anything else
// must be a number.
bool ReadMoney(const QString& label, const QLineEdit* box, double& value, QString& error) {
    const double zero = 0;
    return OrderInput::ParseMoney(label, box->text(), value, error, &zero);
}

bool ReadQuantity(const QLineEdit* box, qint32& value, QString& error) {
    if (box->text().trimmed().isEmpty()) {
        value = 0;
        return true;
    }
    return OrderInput::ParseQuantity(QStringLiteral("数量"), box->text(), value, error);
}

} // namespace

QString CPurchaseDlg::SupplierGone() {
    return QStringLiteral("该供应商已被删除，采购资料没有保存!");
}

CPurchaseDlg::CPurchaseDlg(Prompt& prompt, DbConnection& connection, int customerKey, IniFile& bag,
                           QWidget* parent)
    : CRecordFormDlg(prompt, connection, parent), bag_(bag), customerKey_(customerKey) {
    setWindowTitle(QStringLiteral("采购资料"));
    setObjectName(QStringLiteral("CPurchaseDlg"));
    BuildForm();
    FillStockNames();
    fields_.value(QStringLiteral("FDTime"))->setText(Now());
    fields_.value(QStringLiteral("Carriage"))->setText(QStringLiteral("0"));

    if (const auto key = bag_.Find(kBag, QStringLiteral("KeyId")); key && !key->isEmpty()) {
        editMode_ = true;
        int parsed = 0;
        SelectedRows::ParseKey(key->trimmed(), parsed);
        LoadPurchase(parsed);
    } else {
        LoadSupplier();
    }
}

void CPurchaseDlg::BuildForm() {
    auto makeEdit = [this](const QString& column, int id) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(column);
        edit->setProperty("controlId", id);
        edit->setMinimumWidth(100);
        fields_.insert(column, edit);
        return edit;
    };
    QLineEdit* key = makeEdit(QStringLiteral("KeyId"), 1005);
    key->setReadOnly(true);
    key->setFocusPolicy(Qt::NoFocus);
    makeEdit(QStringLiteral("CustomerName"), 1002);
    makeEdit(QStringLiteral("SerialCode"), 1017);
    makeEdit(QStringLiteral("Price"), 1008);
    makeEdit(QStringLiteral("Quantity"), 1018);
    makeEdit(QStringLiteral("Carriage"), 1009);
    makeEdit(QStringLiteral("FDTotal"), 1019);
    makeEdit(QStringLiteral("FDTime"), 1020)
        ->setPlaceholderText(QStringLiteral("年-月-日 时:分:秒"));
    // The item bought is typed freely; the products the company sells are
    // offered in the list, since it often buys what it sells.
    stock_ = new QComboBox(this);
    stock_->setObjectName(QStringLiteral("StockName"));
    stock_->setProperty("controlId", 1022);
    stock_->setEditable(true);
    stock_->setInsertPolicy(QComboBox::NoInsert);
    stock_->setMinimumWidth(100);
    stock_->setMaxVisibleItems(10);
    fields_.insert(QStringLiteral("StockName"), stock_->lineEdit());
    comment_ = new QPlainTextEdit(this);
    comment_->setObjectName(QStringLiteral("Comment"));
    comment_->setProperty("controlId", 1007);
    comment_->setTabChangesFocus(true);
    comment_->setFixedHeight(80);
    amountButton_ = new QPushButton(QStringLiteral("算"), this);
    amountButton_->setObjectName(QStringLiteral("AmountButton"));
    amountButton_->setProperty("controlId", 1036);
    amountButton_->setToolTip(QStringLiteral("合计 = 运费 + 数量 × 价格"));
    amountButton_->setAutoDefault(false);
    amountButton_->setFixedWidth(40);
    connect(amountButton_, &QPushButton::clicked, this, [this] { OnAmount(); });

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    int row = 0;
    auto label = [this](const QString& text) { return new QLabel(text, this); };
    auto pair = [&](const QString& left, QWidget* leftBox, const QString& right,
                    QWidget* rightBox) {
        grid->addWidget(label(left), row, 0);
        grid->addWidget(leftBox, row, 1);
        grid->addWidget(label(right), row, 2);
        grid->addWidget(rightBox, row, 3);
        ++row;
    };
    auto wide = [&](const QString& text, QWidget* box) {
        grid->addWidget(label(text), row, 0);
        grid->addWidget(box, row, 1, 1, 3);
        ++row;
    };
    auto* amountBox = new QWidget(this);
    auto* amountRow = new QHBoxLayout(amountBox);
    amountRow->setContentsMargins(0, 0, 0, 0);
    amountRow->setSpacing(4);
    amountRow->addWidget(fields_.value(QStringLiteral("FDTotal")), 1);
    amountRow->addWidget(amountButton_);

    wide(QStringLiteral("编号"), key);
    wide(QStringLiteral("客户名称"), fields_.value(QStringLiteral("CustomerName")));
    wide(QStringLiteral("产品名称"), stock_);
    wide(QStringLiteral("序列号"), fields_.value(QStringLiteral("SerialCode")));
    pair(QStringLiteral("价格"), fields_.value(QStringLiteral("Price")), QStringLiteral("数量"),
         fields_.value(QStringLiteral("Quantity")));
    pair(QStringLiteral("运费"), fields_.value(QStringLiteral("Carriage")), QStringLiteral("合计"),
         amountBox);
    wide(QStringLiteral("付款时间"), fields_.value(QStringLiteral("FDTime")));
    grid->addWidget(label(QStringLiteral("备注")), row, 0, Qt::AlignTop);
    grid->addWidget(comment_, row, 1, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    QDialogButtonBox* buttons = MakeFormButtons(this, [this] { OnOK(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->addLayout(grid);
    layout->addSpacing(16);
    layout->addWidget(buttons);
}

QLineEdit* CPurchaseDlg::Field(const QString& column) const {
    for (auto it = fields_.cbegin(); it != fields_.cend(); ++it) {
        if (it.key().compare(column, Qt::CaseInsensitive) == 0)
            return it.value();
    }
    return nullptr;
}

void CPurchaseDlg::FillStockNames() {
    // Row by row, so that a name holding ';' stays one entry. A missing list
    // only costs the suggestions, never the form.
    DbRecordset rs(connection_);
    if (!rs.Open(QStringLiteral("select Name from ProductData order by Name")))
        return;
    QStringList names;
    for (; !rs.IsEOF(); rs.MoveNext())
        names << rs.GetString(0);
    stock_->addItems(names);
    stock_->setCurrentIndex(-1);
    stock_->setEditText(QString());
}

void CPurchaseDlg::LoadPurchase(int key) {
    loaded_ = false;
    key_ = key;
    DbRecordset rs(connection_);
    if (!FormRecord::Open(rs, prompt_, kTable, key))
        return;
    fields_.value(QStringLiteral("KeyId"))->setText(SqlLiteral::Long(key));
    for (const QString& column : BoxColumns())
        fields_.value(column)->setText(rs.GetString(column));
    stock_->setEditText(rs.GetString(QStringLiteral("StockName")));
    comment_->setPlainText(rs.GetString(QStringLiteral("Comment")));
    customerKey_ = rs.GetLong(QStringLiteral("CustomerId"));
    loaded_ = true;
}

void CPurchaseDlg::LoadSupplier() {
    if (customerKey_ < 1)
        return;
    const QString sql =
        QStringLiteral("select * from CustomerData where KeyId=") + SqlLiteral::Long(customerKey_);
    DbRecordset rs(connection_);
    if (!rs.Open(sql)) {
        prompt_.Message(sql + QStringLiteral("\r\n") + rs.GetLastError());
        return;
    }
    if (!rs.IsEOF())
        fields_.value(QStringLiteral("CustomerName"))
            ->setText(rs.GetString(QStringLiteral("CustomerName")));
}

bool CPurchaseDlg::OnAmount() {
    double price = 0;
    double freight = 0;
    qint32 quantity = 0;
    QString error;
    QLineEdit* bad = nullptr;
    if (!ReadMoney(QStringLiteral("价格"), fields_.value(QStringLiteral("Price")), price, error))
        bad = fields_.value(QStringLiteral("Price"));
    else if (!ReadQuantity(fields_.value(QStringLiteral("Quantity")), quantity, error))
        bad = fields_.value(QStringLiteral("Quantity"));
    else if (!ReadMoney(QStringLiteral("运费"), fields_.value(QStringLiteral("Carriage")), freight,
                        error))
        bad = fields_.value(QStringLiteral("Carriage"));
    if (bad) {
        prompt_.Message(error);
        bad->setFocus();
        return false;
    }
    fields_.value(QStringLiteral("FDTotal"))
        ->setText(OrderInput::AmountText(price, quantity, freight));
    return true;
}

bool CPurchaseDlg::SupplierExists(QString& error) {
    // A write to the supplier's row: it reports whether the row is there and
    // holds the row against a delete from another desk until the purchase is
    // committed (SQLite holds the whole file). Nothing in the row changes, and
    // the column is in no index, so no index entry is written either.
    const QString sql =
        QStringLiteral("update CustomerData set IsReseller=IsReseller where KeyId=") +
        SqlLiteral::Long(customerKey_);
    long affected = 0;
    if (connection_.Execute(sql, &affected) != 1) {
        error = sql + QStringLiteral("\r\n") + connection_.GetLastError();
        return false;
    }
    return affected > 0;
}

bool CPurchaseDlg::Save() {
    // Everything typed is checked before anything is written.
    PurchaseValues values;
    QString error;
    double price = 0;
    double freight = 0;
    double amount = 0;
    auto refuse = [&](const QString& column, const QString& text) {
        prompt_.Message(text);
        fields_.value(column)->setFocus();
        fields_.value(column)->selectAll();
        return false;
    };
    if (!ReadMoney(QStringLiteral("价格"), fields_.value(QStringLiteral("Price")), price, error))
        return refuse(QStringLiteral("Price"), error);
    if (!ReadQuantity(fields_.value(QStringLiteral("Quantity")), values.quantity, error))
        return refuse(QStringLiteral("Quantity"), error);
    if (!ReadMoney(QStringLiteral("运费"), fields_.value(QStringLiteral("Carriage")), freight,
                   error))
        return refuse(QStringLiteral("Carriage"), error);
    // The amount is what the box shows (算 fills it).
    if (!ReadMoney(QStringLiteral("合计"), fields_.value(QStringLiteral("FDTotal")), amount, error))
        return refuse(QStringLiteral("FDTotal"), error);
    const QString time = fields_.value(QStringLiteral("FDTime"))->text().trimmed();
    if (!OrderInput::IsValidTime(time))
        return refuse(QStringLiteral("FDTime"),
                      OrderInput::TimeError(QStringLiteral("付款时间"), time));

    values.texts = {
        {QStringLiteral("StockName"), stock_->currentText()},
        {QStringLiteral("CustomerName"), fields_.value(QStringLiteral("CustomerName"))->text()},
        {QStringLiteral("SerialCode"), fields_.value(QStringLiteral("SerialCode"))->text()},
        {QStringLiteral("FDTime"), time},
        {QStringLiteral("Comment"), comment_->toPlainText()}};
    values.doubles = {{QStringLiteral("Price"), price},
                      {QStringLiteral("Carriage"), freight},
                      {QStringLiteral("FDTotal"), amount}};

    DbTransaction all(connection_);
    if (!all.IsActive()) {
        prompt_.Message(all.GetLastError());
        return false;
    }
    int key = key_;
    if (!editMode_) {
        if (!SupplierExists(error)) {
            prompt_.Message(error.isEmpty() ? SupplierGone() : error);
            return false;
        }
        // One insert with every column; the key comes back from it.
        RowValues row;
        row.SetLong(QStringLiteral("CustomerId"), customerKey_);
        values.WriteTo(row);
        if (!FormRecord::Insert(connection_, prompt_, kTable, row, key))
            return false;
    } else {
        RowValues row;
        values.WriteTo(row);
        if (!FormRecord::Update(connection_, prompt_, kTable, row, key_))
            return false;
    }
    if (!all.Commit()) {
        prompt_.Message(all.GetLastError());
        return false;
    }

    key_ = key;
    fields_.value(QStringLiteral("KeyId"))->setText(SqlLiteral::Long(key));
    bag_.SetInt(kBag, QStringLiteral("KeyId"), key);
    if (!editMode_)
        bag_.SetInt(kBag, QStringLiteral("CustomerId"), customerKey_);
    for (const auto& [column, text] : values.texts)
        bag_.SetString(kBag, column, text);
    for (const auto& [column, value] : values.doubles)
        bag_.SetString(kBag, column, OrderInput::NumberText(value));
    bag_.SetInt(kBag, QStringLiteral("Quantity"), values.quantity);
    return true;
}

bool RunPurchaseForm(Prompt& prompt, DbConnection& connection, QWidget* parent, int customerKey,
                     IniFile& bag) {
    CPurchaseDlg dialog(prompt, connection, customerKey, bag, parent);
    return prompt.RunModal(dialog) == QDialog::Accepted;
}
