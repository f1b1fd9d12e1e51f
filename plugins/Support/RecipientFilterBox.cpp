#include "RecipientFilterBox.h"

#include "framework/ClassPickerDlg.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

CRecipientFilterBox::CRecipientFilterBox(Prompt& prompt, DbConnection& connection,
                                         const RecipientFilter& filter, QWidget* parent)
    : QWidget(parent), prompt_(prompt), connection_(connection) {
    auto* who = new QFormLayout(this);
    who->setContentsMargins(0, 0, 0, 0);
    source_ = new QComboBox(this);
    source_->addItems(
        {QStringLiteral("客户"), QStringLiteral("联系人"), QStringLiteral("客户和联系人")});
    source_->setCurrentIndex(filter.customers && filter.contacts ? 2 : filter.contacts ? 1 : 0);
    class_ = new QLineEdit(filter.classPath, this);
    class_->setReadOnly(true);
    auto* pick = new QPushButton(QStringLiteral("选择分类"), this);
    auto* clear = new QPushButton(QStringLiteral("全部"), this);
    connect(pick, &QPushButton::clicked, this, [this] { PickCustomerClass(); });
    connect(clear, &QPushButton::clicked, this, [this] { class_->clear(); });
    auto* classRow = new QHBoxLayout;
    classRow->addWidget(class_, 1);
    classRow->addWidget(pick);
    classRow->addWidget(clear);
    name_ = new QLineEdit(filter.name, this);
    province_ = new QLineEdit(filter.province, this);
    city_ = new QLineEdit(filter.city, this);
    handler_ = new QLineEdit(filter.handler, this);
    who->addRow(QStringLiteral("发送对象"), source_);
    who->addRow(QStringLiteral("客户分类"), classRow);
    who->addRow(QStringLiteral("客户名称包含"), name_);
    who->addRow(QStringLiteral("省份"), province_);
    who->addRow(QStringLiteral("城市"), city_);
    who->addRow(QStringLiteral("经理人"), handler_);
}

void CRecipientFilterBox::PickCustomerClass() {
    int key = 0;
    QString path;
    if (PickClass(prompt_, connection_, this, QStringLiteral("CustomerClass"),
                  QStringLiteral("客户分类"), key, path))
        class_->setText(path);
}

void CRecipientFilterBox::Read(RecipientFilter& filter) const {
    filter.customers = source_->currentIndex() != 1;
    filter.contacts = source_->currentIndex() != 0;
    filter.classPath = class_->text();
    filter.name = name_->text().trimmed();
    filter.province = province_->text().trimmed();
    filter.city = city_->text().trimmed();
    filter.handler = handler_->text().trimmed();
}
