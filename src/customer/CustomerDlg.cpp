#include "customer/CustomerDlg.h"

#include "base/IniFile.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/InsertBuilder.h"
#include "db/NewKeyInsert.h"
#include "db/SqlLiteral.h"
#include "db/UpdateBuilder.h"
#include "framework/FormRecord.h"
#include "ui/Prompt.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace {

const QString kBag = QStringLiteral(".");
const QString kTable = QStringLiteral("CustomerData");

// The text columns of the form, in the order they are written.
const QStringList& TextColumns() {
    static const QStringList columns = {
        QStringLiteral("CustomerName"), QStringLiteral("Address"),  QStringLiteral("ZIPCode"),
        QStringLiteral("Contact"),      QStringLiteral("Phone"),    QStringLiteral("Mobile"),
        QStringLiteral("Fax"),          QStringLiteral("Province"), QStringLiteral("City"),
        QStringLiteral("Homepage"),     QStringLiteral("Email"),    QStringLiteral("Handler"),
        QStringLiteral("FDSource"),     QStringLiteral("FDLevel")};
    return columns;
}

MobileRegionLookup& RegionLookup() {
    static MobileRegionLookup lookup;
    return lookup;
}

QString Now() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// A key from the bag: digits only, as keys always reach SQL.
int ParseKey(const QString& text) {
    const QString digits = text.trimmed();
    if (digits.isEmpty() || digits.size() > 9)
        return 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return 0;
    }
    return digits.toInt();
}

} // namespace

void SetMobileRegionLookup(MobileRegionLookup lookup) {
    RegionLookup() = std::move(lookup);
}

CCustomerDlg::CCustomerDlg(Prompt& prompt, DbConnection& connection, const CustomerFormArgs& args,
                           IniFile& bag, QWidget* parent)
    : CRecordFormDlg(prompt, connection, parent), bag_(bag), classKey_(args.classKey),
      classPath_(args.classPath), category_(args.category) {
    setWindowTitle(QStringLiteral("客户资料"));
    setObjectName(QStringLiteral("CCustomerDlg"));
    BuildForm();
    fields_.value(QStringLiteral("Handler"))->setText(args.userName);

    if (const auto key = bag_.Find(kBag, QStringLiteral("KeyId"))) {
        editMode_ = true;
        key_ = ParseKey(*key);
        LoadRecord();
    } else {
        // A new row of the supplier or reseller category is marked as one,
        // which is what the supplier and reseller lists select.
        provider_->setChecked(category_ == QStringLiteral("供应商"));
        reseller_->setChecked(category_ == QStringLiteral("代理商"));
    }
    fields_.value(QStringLiteral("CustomerName"))->setFocus();
}

void CCustomerDlg::BuildForm() {
    auto makeEdit = [this](const QString& column) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(column);
        fields_.insert(column, edit);
        return edit;
    };
    for (const QString& column : TextColumns())
        makeEdit(column);
    keyEdit_ = new QLineEdit(this);
    keyEdit_->setObjectName(QStringLiteral("KeyId"));
    keyEdit_->setReadOnly(true);
    keyEdit_->setFocusPolicy(Qt::NoFocus);
    comment_ = new QPlainTextEdit(this);
    comment_->setObjectName(QStringLiteral("Comment"));
    comment_->setTabChangesFocus(true);
    reseller_ = new QCheckBox(QStringLiteral("代理商"), this);
    reseller_->setObjectName(QStringLiteral("IsReseller"));
    provider_ = new QCheckBox(QStringLiteral("供应商"), this);
    provider_->setObjectName(QStringLiteral("IsProvider"));
    lookup_ = new QPushButton(QStringLiteral("Q"), this);
    lookup_->setObjectName(QStringLiteral("MobileLookup"));
    lookup_->setToolTip(QStringLiteral("按手机号码查询省份和城市"));
    lookup_->setAutoDefault(false);
    lookup_->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("QQ")) + 16);

    // Two columns of label and box; the long texts take the whole width.
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    int row = 0;
    auto label = [this](const QString& text) { return new QLabel(text, this); };
    auto pair = [&](const QString& left, QWidget* leftBox, const QString& right,
                    QWidget* rightBox) {
        grid->addWidget(label(left), row, 0);
        grid->addWidget(leftBox, row, 1);
        if (rightBox) {
            grid->addWidget(label(right), row, 2);
            grid->addWidget(rightBox, row, 3);
        }
        ++row;
    };
    auto wide = [&](const QString& text, QWidget* box) {
        grid->addWidget(label(text), row, 0);
        grid->addWidget(box, row, 1, 1, 3);
        ++row;
    };
    auto* mobileRow = new QHBoxLayout;
    mobileRow->setContentsMargins(0, 0, 0, 0);
    mobileRow->setSpacing(4);
    mobileRow->addWidget(fields_.value(QStringLiteral("Mobile")), 1);
    mobileRow->addWidget(lookup_);
    auto* mobileBox = new QWidget(this);
    mobileBox->setLayout(mobileRow);

    pair(QStringLiteral("编号"), keyEdit_, QString(), nullptr);
    wide(QStringLiteral("客户名称"), fields_.value(QStringLiteral("CustomerName")));
    wide(QStringLiteral("通讯地址"), fields_.value(QStringLiteral("Address")));
    pair(QStringLiteral("网址"), fields_.value(QStringLiteral("Homepage")),
         QStringLiteral("电子邮件"), fields_.value(QStringLiteral("Email")));
    pair(QStringLiteral("联系人"), fields_.value(QStringLiteral("Contact")), QStringLiteral("邮编"),
         fields_.value(QStringLiteral("ZIPCode")));
    pair(QStringLiteral("联系电话"), fields_.value(QStringLiteral("Phone")), QStringLiteral("传真"),
         fields_.value(QStringLiteral("Fax")));
    pair(QStringLiteral("手机"), mobileBox, QStringLiteral("等级"),
         fields_.value(QStringLiteral("FDLevel")));
    pair(QStringLiteral("省份"), fields_.value(QStringLiteral("Province")), QStringLiteral("城市"),
         fields_.value(QStringLiteral("City")));
    pair(QStringLiteral("经理人"), fields_.value(QStringLiteral("Handler")),
         QStringLiteral("客户来源"), fields_.value(QStringLiteral("FDSource")));
    auto* flags = new QHBoxLayout;
    flags->addWidget(reseller_);
    flags->addSpacing(24);
    flags->addWidget(provider_);
    flags->addStretch(1);
    grid->addLayout(flags, row++, 1, 1, 3);
    auto* commentLabel = label(QStringLiteral("用户备注"));
    grid->addWidget(commentLabel, row, 0, Qt::AlignTop);
    grid->addWidget(comment_, row, 1, 1, 3);
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    const int boxWidth = fontMetrics().horizontalAdvance(QLatin1Char('M')) * 16;
    grid->setColumnMinimumWidth(1, boxWidth);
    grid->setColumnMinimumWidth(3, boxWidth);
    comment_->setMinimumHeight(fontMetrics().lineSpacing() * 5);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { OnOK(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(lookup_, &QPushButton::clicked, this, [this] { LookupRegion(); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addWidget(buttons);

    // Opens as small as the fields allow; the note box takes what the user adds.
    resize(sizeHint().width(), minimumSizeHint().height());

    fields_.value(QStringLiteral("Phone"))->installEventFilter(this);
    fields_.value(QStringLiteral("Mobile"))->installEventFilter(this);
}

QLineEdit* CCustomerDlg::Field(const QString& column) const {
    for (auto it = fields_.cbegin(); it != fields_.cend(); ++it) {
        if (it.key().compare(column, Qt::CaseInsensitive) == 0)
            return it.value();
    }
    return nullptr;
}

void CCustomerDlg::LoadRecord() {
    loaded_ = false;
    DbRecordset rs(connection_);
    if (!FormRecord::Open(rs, prompt_, QStringLiteral("CustomerData"), key_))
        return;
    keyEdit_->setText(SqlLiteral::Long(key_));
    for (const QString& column : TextColumns())
        fields_.value(column)->setText(rs.GetString(column));
    comment_->setPlainText(rs.GetString(QStringLiteral("Comment")));
    reseller_->setChecked(rs.GetLong(QStringLiteral("IsReseller")) == 1);
    provider_->setChecked(rs.GetLong(QStringLiteral("IsProvider")) == 1);
    classKey_ = rs.GetLong(QStringLiteral("CustomerClass"));
    classPath_ = rs.GetString(QStringLiteral("ClassPath"));
    category_ = rs.GetString(QStringLiteral("Category"));
    regTime_ = rs.GetString(QStringLiteral("RegTime"));
    loaded_ = true;
}

bool CCustomerDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        // Leaving the window (for the warning box itself, another program or a
        // menu) is not leaving the field.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == fields_.value(QStringLiteral("Phone")))
                CheckPhone();
            else if (watched == fields_.value(QStringLiteral("Mobile")))
                CheckMobile();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CCustomerDlg::CheckPhone() {
    CheckDuplicate(QStringLiteral("Phone"), QStringLiteral("电话:"),
                   fields_.value(QStringLiteral("Phone")), checkedPhone_);
}

void CCustomerDlg::CheckMobile() {
    CheckDuplicate(QStringLiteral("Mobile"), QStringLiteral("手机:"),
                   fields_.value(QStringLiteral("Mobile")), checkedMobile_);
}

void CCustomerDlg::CheckDuplicate(const QString& column, const QString& label, QLineEdit* edit,
                                  QString& lastChecked) {
    // Only a new record is compared: an edited one is already in the table,
    // and so is a new one once saved (the focus leaves the box as the form
    // closes, and the record would be reported as its own duplicate).
    if (editMode_ || key_ > 0)
        return;
    QString text = edit->text();
    text.remove(QLatin1Char('\''));
    if (text.isEmpty() || text == lastChecked)
        return;
    lastChecked = text;
    // Indexed, and one row is all the warning needs.
    const QString sql = QStringLiteral("select CustomerName from CustomerData where ") + column +
                        QLatin1Char('=') + SqlLiteral::Text(text) + QStringLiteral(" limit 1");
    DbRecordset rs(connection_);
    if (!rs.Open(sql)) {
        prompt_.Message(sql + QStringLiteral("\r\n") + rs.GetLastError());
        lastChecked.clear();
        return;
    }
    if (rs.IsEOF())
        return;
    prompt_.Message(QStringLiteral("此客户资料已经存在:\r\n") +
                    rs.GetString(QStringLiteral("CustomerName")) + QStringLiteral("\r\n") + label +
                    text);
}

void CCustomerDlg::LookupRegion() {
    const QString mobile = fields_.value(QStringLiteral("Mobile"))->text();
    if (mobile.size() < 7)
        return;
    QString province;
    QString city;
    bool found = false;
    if (RegionLookup()) {
        WaitCursor wait(prompt_);
        found = RegionLookup()(mobile, province, city);
    }
    if (!found) {
        prompt_.Message(QStringLiteral("查询失败"));
        return;
    }
    fields_.value(QStringLiteral("Province"))->setText(province);
    fields_.value(QStringLiteral("City"))->setText(city);
}

bool CCustomerDlg::CheckInput() {
    QLineEdit* name = fields_.value(QStringLiteral("CustomerName"));
    if (name->text().trimmed().isEmpty()) {
        prompt_.Message(QStringLiteral("客户名称不能为空"));
        name->setFocus();
        return false;
    }
    return true;
}

bool CCustomerDlg::Save() {
    const QString now = Now();
    const int reseller = reseller_->isChecked() ? 1 : 0;
    const int provider = provider_->isChecked() ? 1 : 0;
    const QString comment = comment_->toPlainText();
    // The columns both statements write, in the form's order.
    auto fill = [&](auto& builder) {
        builder.SetTable(kTable);
        for (const QString& column : TextColumns())
            builder.SetText(column, fields_.value(column)->text());
        builder.SetLong(QStringLiteral("IsReseller"), reseller);
        builder.SetLong(QStringLiteral("IsProvider"), provider);
        builder.SetText(QStringLiteral("Comment"), comment);
        builder.SetLong(QStringLiteral("CustomerClass"), classKey_);
        builder.SetText(QStringLiteral("ClassPath"), classPath_);
        builder.SetText(QStringLiteral("Category"), category_);
        builder.SetText(QStringLiteral("LastTime"), now);
    };

    int key = key_;
    if (!editMode_) {
        QString statement;
        key = NewKeyInsert(
            connection_, kTable,
            [&](int newKey) {
                InsertBuilder insert;
                insert.SetLong(QStringLiteral("KeyId"), newKey);
                fill(insert);
                insert.SetText(QStringLiteral("RegTime"), now);
                return insert.Build();
            },
            statement);
        if (key == 0) {
            prompt_.Message(statement + QStringLiteral("\r\n") + connection_.GetLastError());
            return false;
        }
    } else {
        UpdateBuilder update;
        fill(update);
        update.AddCondition(QStringLiteral("KeyId=") + SqlLiteral::Long(key_));
        const QString sql = update.Build();
        long affected = 0;
        if (connection_.Execute(sql, &affected) != 1) {
            prompt_.Message(sql + QStringLiteral("\r\n") + connection_.GetLastError());
            return false;
        }
        if (affected == 0) {
            // Another desk deleted the record while it was open here.
            prompt_.Message(QStringLiteral("指定的数据不存在!"));
            return false;
        }
    }

    for (const QString& column : TextColumns())
        bag_.SetString(kBag, column, fields_.value(column)->text());
    bag_.SetInt(kBag, QStringLiteral("IsReseller"), reseller);
    bag_.SetInt(kBag, QStringLiteral("IsProvider"), provider);
    bag_.SetString(kBag, QStringLiteral("Comment"), comment);
    bag_.SetInt(kBag, QStringLiteral("CustomerClass"), classKey_);
    bag_.SetString(kBag, QStringLiteral("ClassPath"), classPath_);
    bag_.SetString(kBag, QStringLiteral("Category"), category_);
    bag_.SetString(kBag, QStringLiteral("LastTime"), now);
    if (!editMode_) {
        bag_.SetInt(kBag, QStringLiteral("KeyId"), key);
        bag_.SetString(kBag, QStringLiteral("RegTime"), now);
        key_ = key;
    }
    return true;
}

bool RunCustomerForm(Prompt& prompt, DbConnection& connection, QWidget* parent,
                     const CustomerFormArgs& args, IniFile& bag) {
    CCustomerDlg dialog(prompt, connection, args, bag, parent);
    return prompt.RunModal(dialog) == QDialog::Accepted;
}
