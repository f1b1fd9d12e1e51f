#include "WageSearchView.h"

#include "WageSheet.h"

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/SqlLiteral.h"
#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

QList<QPair<QString, QString>> SlipColumns() {
    QList<QPair<QString, QString>> columns = {
        {QStringLiteral("WageMonth"), QStringLiteral("月份")},
        {QStringLiteral("UserName"), QStringLiteral("用户名")},
        {WageSheet::FullNameColumn(), QStringLiteral("姓名")}};
    for (const WageSheet::Column& column : WageSheet::FigureColumns())
        columns.append({column.name, column.caption});
    columns.append({QStringLiteral("NetPay"), QStringLiteral("实发工资")});
    columns.append({QStringLiteral("Remarks"), QStringLiteral("备注")});
    return columns;
}

QString OwnRows(const QString& userName, bool everyone) {
    return everyone ? QString() : QStringLiteral("UserName=") + SqlLiteral::Text(userName);
}

} // namespace

WageSearchView::WageSearchView(DbConnection& connection, Prompt& prompt, const QString& userName,
                               bool everyone, QWidget* parent)
    : CRecordListView(connection, prompt, QStringLiteral("WageData"), OwnRows(userName, everyone),
                      QStringLiteral("WageSearchView"), parent) {
    setObjectName(QStringLiteral("WageSearchView"));
    CreateParts(SlipColumns(), QStringLiteral(" order by WageMonth desc, UserName, KeyId "));
    toolbar_->AddButton(QStringLiteral("上一页"), Command::PrevPage, 60);
    toolbar_->AddButton(QStringLiteral("下一页"), Command::NextPage, 60);
    if (everyone) {
        auto* holder = new QWidget(this);
        auto* pickerRow = new QHBoxLayout;
        pickerRow->setContentsMargins(4, 2, 4, 2);
        pickerRow->addWidget(new QLabel(QStringLiteral("人员:"), holder));
        people_ = new QComboBox(holder);
        people_->setObjectName(QStringLiteral("UserName"));
        people_->setMinimumContentsLength(12);
        people_->addItem(QStringLiteral("全部"), QString());
        // Everyone who has a slip, leavers included: their slips stay.
        DbRecordset rs(connection_);
        const QString sql =
            QStringLiteral("select distinct UserName from WageData order by UserName");
        if (rs.Open(sql)) {
            for (; !rs.IsEOF(); rs.MoveNext())
                people_->addItem(rs.GetString(0), rs.GetString(0));
        } else {
            prompt_.Message(sql + QStringLiteral("\r\n") + rs.GetLastError());
        }
        pickerRow->addWidget(people_);
        pickerRow->addStretch(1);
        auto* column = new QVBoxLayout(holder);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(0);
        column->addLayout(pickerRow);
        column->addWidget(grid_, 1);
        PlaceGrid(holder, nullptr);
        connect(people_, &QComboBox::currentIndexChanged, this,
                [this] { PickPerson(people_->currentData().toString()); });
    }
    SetConditions({});
    Reload();
}

void WageSearchView::PickPerson(const QString& userName) {
    if (!people_)
        return;
    if (userName.isEmpty())
        SetConditions({});
    else
        SetConditions(
            {QStringLiteral("(UserName=") + SqlLiteral::Text(userName) + QStringLiteral(")")});
    Reload();
}
