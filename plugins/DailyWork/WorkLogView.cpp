#include "WorkLogView.h"

#include "DailyWorkCommands.h"

#include "base/IniFile.h"
#include "db/DbRecordset.h"
#include "db/QueryBinder.h"
#include "db/SqlLiteral.h"
#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"
#include "framework/SelectedRows.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

QDateEdit* NewDateEdit(const QString& name) {
    auto* edit = new QDateEdit(QDate::currentDate());
    edit->setObjectName(name);
    edit->setDisplayFormat(kDateFormat);
    edit->setCalendarPopup(true);
    return edit;
}

} // namespace

CWorkLogView::CWorkLogView(const ModuleContext& context, WorkLogKind kind, QWidget* parent)
    : CRecordListView(*context.connection, *context.prompt, QStringLiteral("WorkLog"),
                      QStringLiteral("Kind=") + SqlLiteral::Text(WorkLogKindText(kind)),
                      kind == WorkLogKind::Log ? QStringLiteral("CWorkLogView")
                                               : QStringLiteral("CWorkPlanView"),
                      parent),
      context_(context), kind_(kind), team_(*context.connection, context) {
    setObjectName(kind_ == WorkLogKind::Log ? QStringLiteral("CWorkLogView")
                                            : QStringLiteral("CWorkPlanView"));
    CreateParts({{QStringLiteral("KeyId"), QStringLiteral("编号")},
                 {QStringLiteral("WorkDate"), QStringLiteral("日期")},
                 {QStringLiteral("UserName"), QStringLiteral("用户名")},
                 {QStringLiteral("Title"), QStringLiteral("标题")},
                 {QStringLiteral("Content"), QStringLiteral("内容")},
                 {QStringLiteral("Written"), QStringLiteral("填写时间")}},
                QStringLiteral(" order by WorkDate, UserName, KeyId "));
    toolbar_->AddButton(QStringLiteral("添加"), Command::Add, 50);
    toolbar_->AddButton(QStringLiteral("编辑"), Command::Edit, 50);
    toolbar_->AddButton(QStringLiteral("删除"), Command::Delete, 50);
    toolbar_->AddButton(QStringLiteral("导出"), DailyWorkCommand::ExportLogs, 50);
    toolbar_->AddButton(QStringLiteral("上页"), Command::PrevPage, 50);
    toolbar_->AddButton(QStringLiteral("下页"), Command::NextPage, 50);

    person_ = new QComboBox;
    person_->setObjectName(QStringLiteral("person"));
    day_ = NewDateEdit(QStringLiteral("day"));
    range_ = new QCheckBox(QStringLiteral("至"));
    range_->setObjectName(QStringLiteral("range"));
    rangeEnd_ = NewDateEdit(QStringLiteral("rangeEnd"));
    rangeEnd_->setEnabled(false);
    auto* previous = new QPushButton(QStringLiteral("◀"));
    auto* next = new QPushButton(QStringLiteral("▶"));
    for (QPushButton* button : {previous, next})
        button->setFixedWidth(28);

    auto* strip = new QWidget;
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(4, 2, 4, 2);
    stripLayout->addWidget(new QLabel(QStringLiteral("人员")));
    stripLayout->addWidget(person_);
    stripLayout->addWidget(previous);
    stripLayout->addWidget(day_);
    stripLayout->addWidget(next);
    stripLayout->addWidget(range_);
    stripLayout->addWidget(rangeEnd_);
    stripLayout->addStretch(1);

    auto* holder = new QWidget;
    auto* holderLayout = new QVBoxLayout(holder);
    holderLayout->setContentsMargins(0, 0, 0, 0);
    holderLayout->setSpacing(0);
    holderLayout->addWidget(strip);
    holderLayout->addWidget(grid_, 1);
    PlaceGrid(holder, nullptr);

    LoadPeople();
    connect(previous, &QPushButton::clicked, this,
            [this] { OnCommand(DailyWorkCommand::PreviousDay); });
    connect(next, &QPushButton::clicked, this, [this] { OnCommand(DailyWorkCommand::NextDay); });
    connect(person_, &QComboBox::currentIndexChanged, this, [this] { Search(); });
    connect(day_, &QDateEdit::dateChanged, this, [this] { Search(); });
    connect(rangeEnd_, &QDateEdit::dateChanged, this, [this] { Search(); });
    connect(range_, &QCheckBox::toggled, this, [this](bool on) {
        rangeEnd_->setEnabled(on);
        Search();
    });
    Search();
}

void CWorkLogView::LoadPeople() {
    const QSignalBlocker blocker(person_);
    person_->clear();
    if (!team_.IsManager()) {
        person_->addItem(context_.userName, context_.userName);
        person_->setEnabled(false);
        return;
    }
    // Managers start at everyone they may read; an empty name stands for it.
    person_->addItem(QStringLiteral("全部"), QString());
    const QString sql = QStringLiteral("select UserName from UserData where Dimission=0 and ") +
                        team_.Condition(QStringLiteral("UserName")) +
                        QStringLiteral(" order by UserName");
    DbRecordset rs(connection_);
    if (!rs.Open(sql)) {
        prompt_.Message(sql + QStringLiteral("\r\n") + rs.GetLastError());
        return;
    }
    for (; !rs.IsEOF(); rs.MoveNext()) {
        const QString name = rs.GetString(QStringLiteral("UserName"));
        person_->addItem(name, name);
    }
}

void CWorkLogView::Search() {
    QStringList conditions;
    const QString person = person_->currentData().toString();
    if (person.isEmpty())
        conditions << QStringLiteral("(") + team_.Condition(QStringLiteral("UserName")) +
                          QStringLiteral(")");
    else
        conditions << QStringLiteral("(UserName=") + SqlLiteral::Text(person) + QStringLiteral(")");
    const QString from = day_->date().toString(kDateFormat);
    if (range_->isChecked())
        conditions << QStringLiteral("(WorkDate>=%1 and WorkDate<=%2)")
                          .arg(SqlLiteral::Text(from),
                               SqlLiteral::Text(rangeEnd_->date().toString(kDateFormat)));
    else
        conditions << QStringLiteral("(WorkDate=") + SqlLiteral::Text(from) + QStringLiteral(")");
    SetConditions(conditions);
    Reload();
}

bool CWorkLogView::OnCommand(int id) {
    switch (id) {
    case Command::Add:
        Add();
        return true;
    case Command::Edit:
        formDay_ = day_->date();
        EditTopRow(QStringLiteral("请选择要查看的") + KindText() + QStringLiteral("!"));
        return true;
    case Command::Delete:
        Delete();
        return true;
    case DailyWorkCommand::PreviousDay:
    case DailyWorkCommand::NextDay:
        // Stepping a day leaves a range: the list shows that one day.
        if (range_->isChecked()) {
            const QSignalBlocker blocker(range_);
            range_->setChecked(false);
            rangeEnd_->setEnabled(false);
        }
        day_->setDate(day_->date().addDays(id == DailyWorkCommand::NextDay ? 1 : -1));
        return true;
    case DailyWorkCommand::ExportLogs:
        ExportCsv();
        return true;
    default:
        return CRecordListView::OnCommand(id);
    }
}

bool CWorkLogView::RunForm(IniFile& bag) {
    return RunWorkLogForm(prompt_, connection_, this, kind_, context_.userName, formDay_, bag);
}

void CWorkLogView::Add() {
    IniFile bag;
    formDay_ = day_->date();
    if (!RunForm(bag))
        return;
    Search();
}

void CWorkLogView::Delete() {
    const int userColumn = Binder().FindColumn(QStringLiteral("UserName"));
    for (int row : SelectedRows::BottomUp(*grid_)) {
        if (grid_->GetItemText(row, userColumn).compare(context_.userName, Qt::CaseInsensitive) !=
            0) {
            prompt_.Message(QStringLiteral("只能删除自己的") + KindText() + QStringLiteral("!"));
            return;
        }
    }
    DeleteSelectedRows();
}
