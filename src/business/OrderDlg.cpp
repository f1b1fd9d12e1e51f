#include "business/OrderDlg.h"

#include "base/IniFile.h"
#include "business/OrderInput.h"
#include "db/AdoType.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/DbTransaction.h"
#include "db/InsertBuilder.h"
#include "db/SqlLiteral.h"
#include "db/UpdateBuilder.h"
#include "framework/CommandIds.h"
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

#include <utility>

namespace {

const QString kBag = QStringLiteral(".");
const QString kTable = QStringLiteral("OrderData");

OrderCustomFieldsFactory& CustomFieldsFactory() {
    static OrderCustomFieldsFactory factory;
    return factory;
}

QString Now() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// Everything one save writes, read and checked before anything is written.
struct OrderValues {
    QList<QPair<QString, QString>> texts;
    QList<QPair<QString, double>> doubles;
    qint32 quantity = 0;
    QList<OrderCustomValue> custom;

    // Hands every column to a builder or recordset writer.
    template <typename Writer> void WriteTo(Writer& writer) const {
        for (const auto& [column, text] : texts)
            writer.SetText(column, text);
        for (const auto& [column, value] : doubles)
            writer.SetDouble(column, value);
        writer.SetLong(QStringLiteral("Quantity"), quantity);
        for (const OrderCustomValue& value : custom) {
            // An empty number box clears the column rather than writing 0.
            if (!AdoType::IsText(value.adoType) && value.text.trimmed().isEmpty())
                writer.SetNull(value.column);
            else if (value.adoType == AdoType::Integer)
                writer.SetLong(value.column, value.text.trimmed().toInt());
            else if (value.adoType == AdoType::Single || value.adoType == AdoType::Double)
                writer.SetDouble(value.column, value.text.trimmed().toDouble());
            else
                writer.SetText(value.column, value.text);
        }
    }
};

// Selects the entry equal to the stored text (case ignored), else the first
// that begins with it, else none.
void SelectStored(QComboBox* box, const QString& stored) {
    int index = -1;
    if (!stored.isEmpty()) {
        index = box->findText(stored, Qt::MatchFixedString);
        if (index < 0)
            index = box->findText(stored, Qt::MatchStartsWith);
    }
    box->setCurrentIndex(index);
}

} // namespace

void SetOrderCustomFields(OrderCustomFieldsFactory factory) {
    CustomFieldsFactory() = std::move(factory);
}

COrderDlg::COrderDlg(Prompt& prompt, DbConnection& connection, const OrderFormArgs& args,
                     IniFile& bag, QWidget* parent)
    : CRecordFormDlg(prompt, connection, parent), bag_(bag), customerKey_(args.customerKey) {
    setWindowTitle(QStringLiteral("订单"));
    setObjectName(QStringLiteral("COrderDlg"));
    if (CustomFieldsFactory())
        custom_ = CustomFieldsFactory()(connection_);
    BuildForm();
    FillList(product_, QStringLiteral("select Name from ProductData order by Name"));
    FillList(bank_, QStringLiteral("select Name from PayMode order by Name"));

    fields_.value(QStringLiteral("Carriage"))->setText(QStringLiteral("0"));
    fields_.value(QStringLiteral("Quantity"))->setText(QStringLiteral("1"));
    fields_.value(QStringLiteral("FDTime"))->setText(Now());

    if (const auto key = bag_.Find(kBag, QStringLiteral("KeyId")); key && !key->isEmpty()) {
        editMode_ = true;
        int parsed = 0;
        SelectedRows::ParseKey(key->trimmed(), parsed);
        LoadOrder(parsed);
    } else {
        LoadCustomer();
    }
}

COrderDlg::~COrderDlg() = default;

void COrderDlg::BuildForm() {
    auto makeEdit = [this](const QString& column, int id) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(column);
        edit->setProperty("controlId", id);
        edit->setMinimumWidth(100);
        fields_.insert(column, edit);
        return edit;
    };
    QLineEdit* key = makeEdit(QStringLiteral("KeyId"), 6001);
    key->setEnabled(false);
    makeEdit(QStringLiteral("Handler"), 6002);
    makeEdit(QStringLiteral("CustomerName"), 6003);
    makeEdit(QStringLiteral("SerialCode"), 6005);
    makeEdit(QStringLiteral("Price"), 6006);
    makeEdit(QStringLiteral("Quantity"), 6007);
    makeEdit(QStringLiteral("Carriage"), 6008);
    makeEdit(QStringLiteral("FDTotal"), 6009);
    makeEdit(QStringLiteral("FDTime"), 6011)
        ->setPlaceholderText(QStringLiteral("年-月-日 时:分:秒"));
    auto makeList = [this](const QString& name, int id) {
        auto* box = new QComboBox(this);
        box->setObjectName(name);
        box->setProperty("controlId", id);
        box->setEditable(false); // a choice from the list only
        box->setMinimumWidth(100);
        box->setMaxVisibleItems(10);
        return box;
    };
    product_ = makeList(QStringLiteral("ProductName"), 6004);
    bank_ = makeList(QStringLiteral("Bank"), 6010);
    comment_ = new QPlainTextEdit(this);
    comment_->setObjectName(QStringLiteral("Comment"));
    comment_->setProperty("controlId", 6012);
    comment_->setTabChangesFocus(true);
    comment_->setFixedHeight(80);
    totalButton_ = new QPushButton(QStringLiteral("合计"), this);
    totalButton_->setObjectName(QStringLiteral("TotalButton"));
    totalButton_->setProperty("controlId", 6013);
    totalButton_->setAutoDefault(false);
    totalButton_->setFixedWidth(60);
    connect(totalButton_, &QPushButton::clicked, this, [this] { OnTotal(); });

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    grid->setColumnMinimumWidth(0, 60);
    grid->setColumnMinimumWidth(2, 60);
    int row = 0;
    auto label = [this](const QString& text) { return new QLabel(text, this); };
    auto pair = [&](const QString& left, QWidget* leftBox, const QString& right,
                    QWidget* rightBox) {
        grid->addWidget(label(left), row, 0);
        grid->addWidget(leftBox, row, 1);
        if (!right.isEmpty())
            grid->addWidget(label(right), row, 2);
        if (rightBox)
            grid->addWidget(rightBox, row, 3);
        ++row;
    };
    auto wide = [&](const QString& text, QWidget* box) {
        grid->addWidget(label(text), row, 0);
        grid->addWidget(box, row, 1, 1, 3);
        ++row;
    };
    pair(QStringLiteral("编号"), key, QStringLiteral("经理"),
         fields_.value(QStringLiteral("Handler")));
    wide(QStringLiteral("客户名称"), fields_.value(QStringLiteral("CustomerName")));
    pair(QStringLiteral("产品名称"), product_, QString(), nullptr);
    wide(QStringLiteral("序列号"), fields_.value(QStringLiteral("SerialCode")));
    pair(QStringLiteral("价格"), fields_.value(QStringLiteral("Price")), QStringLiteral("数量"),
         fields_.value(QStringLiteral("Quantity")));
    grid->addWidget(totalButton_, row, 2);
    pair(QStringLiteral("运费"), fields_.value(QStringLiteral("Carriage")), QString(),
         fields_.value(QStringLiteral("FDTotal")));
    pair(QStringLiteral("付款方式"), bank_, QStringLiteral("付款时间"),
         fields_.value(QStringLiteral("FDTime")));
    if (custom_)
        row = custom_->AddRows(*this, *grid, row);
    grid->addWidget(label(QStringLiteral("备注")), row, 0, Qt::AlignTop);
    grid->addWidget(comment_, row, 1, 1, 3);
    ++row;
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    QDialogButtonBox* buttons = MakeFormButtons(this, [this] { OnOK(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->addLayout(grid);
    layout->addSpacing(20);
    layout->addWidget(buttons);
}

QLineEdit* COrderDlg::Field(const QString& column) const {
    for (auto it = fields_.cbegin(); it != fields_.cend(); ++it) {
        if (it.key().compare(column, Qt::CaseInsensitive) == 0)
            return it.value();
    }
    return nullptr;
}

void COrderDlg::FillList(QComboBox* box, const QString& sql) {
    // Read row by row rather than as one ';'-joined text, so that a name
    // holding ';' stays one entry.
    DbRecordset rs(connection_);
    if (!rs.Open(sql)) {
        prompt_.Message(sql + QStringLiteral("\r\n") + rs.GetLastError());
        return;
    }
    QStringList names;
    for (; !rs.IsEOF(); rs.MoveNext())
        names << rs.GetString(0);
    box->addItems(names);
    box->setCurrentIndex(-1);
}

void COrderDlg::LoadOrder(int key) {
    loaded_ = false;
    key_ = key;
    DbRecordset rs(connection_);
    if (!FormRecord::Open(rs, prompt_, QStringLiteral("OrderData"), key))
        return;
    fields_.value(QStringLiteral("KeyId"))->setText(SqlLiteral::Long(key));
    for (const QString& column :
         {QStringLiteral("Handler"), QStringLiteral("CustomerName"), QStringLiteral("SerialCode"),
          QStringLiteral("Price"), QStringLiteral("Quantity"), QStringLiteral("Carriage"),
          QStringLiteral("FDTotal"), QStringLiteral("FDTime")})
        fields_.value(column)->setText(rs.GetString(column));
    SelectStored(product_, rs.GetString(QStringLiteral("ProductName")));
    SelectStored(bank_, rs.GetString(QStringLiteral("Bank")));
    comment_->setPlainText(rs.GetString(QStringLiteral("Comment")));
    customerKey_ = rs.GetLong(QStringLiteral("CustomerId"));
    if (custom_)
        custom_->Load(rs);
    loaded_ = true;
}

void COrderDlg::LoadCustomer() {
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
    fields_.value(QStringLiteral("CustomerName"))
        ->setText(rs.GetString(QStringLiteral("CustomerName")));
    fields_.value(QStringLiteral("Handler"))->setText(rs.GetString(QStringLiteral("Handler")));
}

bool COrderDlg::OnTotal() {
    QString error;
    double price = 0;
    double freight = 0;
    qint32 quantity = 0;
    const double zero = 0;
    // The amount can be worked out before every box is filled: an empty price
    // or freight counts as nothing, an empty quantity as none.
    QLineEdit* bad = nullptr;
    if (!OrderInput::ParseMoney(QStringLiteral("价格"),
                                fields_.value(QStringLiteral("Price"))->text(), price, error,
                                &zero))
        bad = fields_.value(QStringLiteral("Price"));
    else if (!fields_.value(QStringLiteral("Quantity"))->text().trimmed().isEmpty() &&
             !OrderInput::ParseQuantity(QStringLiteral("数量"),
                                        fields_.value(QStringLiteral("Quantity"))->text(), quantity,
                                        error))
        bad = fields_.value(QStringLiteral("Quantity"));
    else if (!OrderInput::ParseMoney(QStringLiteral("运费"),
                                     fields_.value(QStringLiteral("Carriage"))->text(), freight,
                                     error, &zero))
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

bool COrderDlg::Save() {
    // Everything typed is checked before anything is written.
    OrderValues values;
    QString error;
    const double zero = 0;
    double price = 0;
    double freight = 0;
    double amount = 0;
    auto refuse = [&](const QString& column, const QString& text) {
        prompt_.Message(text);
        fields_.value(column)->setFocus();
        fields_.value(column)->selectAll();
        return false;
    };
    if (!OrderInput::ParseMoney(QStringLiteral("价格"),
                                fields_.value(QStringLiteral("Price"))->text(), price, error))
        return refuse(QStringLiteral("Price"), error);
    if (!OrderInput::ParseQuantity(QStringLiteral("数量"),
                                   fields_.value(QStringLiteral("Quantity"))->text(),
                                   values.quantity, error))
        return refuse(QStringLiteral("Quantity"), error);
    if (!OrderInput::ParseMoney(QStringLiteral("运费"),
                                fields_.value(QStringLiteral("Carriage"))->text(), freight, error))
        return refuse(QStringLiteral("Carriage"), error);
    // The amount is what the box shows (合计 fills it); empty is nothing.
    if (!OrderInput::ParseMoney(QStringLiteral("金额"),
                                fields_.value(QStringLiteral("FDTotal"))->text(), amount, error,
                                &zero))
        return refuse(QStringLiteral("FDTotal"), error);
    const QString time = fields_.value(QStringLiteral("FDTime"))->text().trimmed();
    if (!OrderInput::IsValidTime(time))
        return refuse(QStringLiteral("FDTime"),
                      OrderInput::TimeError(QStringLiteral("付款时间"), time));
    if (custom_ && !custom_->Values(values.custom, error)) {
        prompt_.Message(error);
        return false;
    }

    const QString product = product_->currentIndex() < 0 ? QString() : product_->currentText();
    const QString bank = bank_->currentIndex() < 0 ? QString() : bank_->currentText();
    values.texts = {
        {QStringLiteral("ProductName"), product},
        {QStringLiteral("CustomerName"), fields_.value(QStringLiteral("CustomerName"))->text()},
        {QStringLiteral("Handler"), fields_.value(QStringLiteral("Handler"))->text()},
        {QStringLiteral("SerialCode"), fields_.value(QStringLiteral("SerialCode"))->text()},
        {QStringLiteral("Bank"), bank},
        {QStringLiteral("FDTime"), time},
        {QStringLiteral("Comment"), comment_->toPlainText()}};
    values.doubles = {{QStringLiteral("Price"), price},
                      {QStringLiteral("Carriage"), freight},
                      {QStringLiteral("FDTotal"), amount}};

    // The order and the customer's stamp are one transaction.
    DbTransaction all(connection_);
    if (!all.IsActive()) {
        prompt_.Message(all.GetLastError());
        return false;
    }
    int key = key_;
    if (!editMode_) {
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

    if (customerKey_ > 0) {
        // A failed stamp is reported but does not lose the order: it runs in
        // a savepoint of its own.
        const QString sql = QStringLiteral("update CustomerData set LastTime=") +
                            SqlLiteral::Text(time) + QStringLiteral(" where KeyId=") +
                            SqlLiteral::Long(customerKey_);
        DbTransaction stamp(connection_);
        QString why;
        if (!stamp.IsActive())
            why = stamp.GetLastError();
        else if (connection_.Execute(sql) != 1)
            why = connection_.GetLastError();
        else if (!stamp.Commit())
            why = stamp.GetLastError();
        if (!why.isEmpty()) {
            stamp.Rollback();
            prompt_.Message(sql + QStringLiteral("\r\n") + why);
        }
    }
    if (!all.Commit()) {
        prompt_.Message(all.GetLastError());
        return false;
    }

    key_ = key;
    fields_.value(QStringLiteral("KeyId"))->setText(SqlLiteral::Long(key));
    bag_.SetInt(kBag, QStringLiteral("KeyId"), key);
    bag_.SetInt(kBag, QStringLiteral("CustomerId"), customerKey_);
    for (const auto& [column, text] : values.texts)
        bag_.SetString(kBag, column, text);
    for (const auto& [column, value] : values.doubles)
        bag_.SetString(kBag, column, OrderInput::NumberText(value));
    bag_.SetInt(kBag, QStringLiteral("Quantity"), values.quantity);
    for (const OrderCustomValue& value : values.custom)
        bag_.SetString(kBag, value.column, value.text);
    return true;
}

bool RunOrderForm(Prompt& prompt, DbConnection& connection, QWidget* parent,
                  const OrderFormArgs& args, IniFile& bag) {
    COrderDlg dialog(prompt, connection, args, bag, parent);
    return prompt.RunModal(dialog) == QDialog::Accepted;
}
