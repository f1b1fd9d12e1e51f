#include "WorkerTaskView.h"

#include "DailyWorkCommands.h"
#include "NoteInputDlg.h"
#include "WorkerTaskDlg.h"
#include "WorkerTaskStore.h"

#include "base/IniFile.h"
#include "db/DbRecordset.h"
#include "db/QueryBinder.h"
#include "db/SqlLiteral.h"
#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"
#include "framework/SelectedRows.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

#include <QComboBox>
#include <QDate>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

const QString kOpenStates = QStringLiteral("未完成");
const QString kAllStates = QStringLiteral("全部");

QString Today() {
    return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
}

} // namespace

CWorkerTaskView::CWorkerTaskView(const ModuleContext& context, QWidget* parent)
    : CRecordListView(*context.connection, *context.prompt, QStringLiteral("WorkerTask"), QString(),
                      QStringLiteral("CWorkerTaskView"), parent),
      context_(context), team_(*context.connection, context) {
    setObjectName(QStringLiteral("CWorkerTaskView"));
    CreateParts({{QStringLiteral("KeyId"), QStringLiteral("编号")},
                 {QStringLiteral("Title"), QStringLiteral("标题")},
                 {QStringLiteral("Assigner"), QStringLiteral("交办人")},
                 {QStringLiteral("Assignee"), QStringLiteral("接收人")},
                 {TaskState::PriorityColumn(), QStringLiteral("优先级")},
                 {QStringLiteral("State"), QStringLiteral("状态")},
                 {QStringLiteral("DueDate"), QStringLiteral("完成期限")},
                 {QStringLiteral("Created"), QStringLiteral("交办时间")},
                 {QStringLiteral("Finished"), QStringLiteral("完成时间")}},
                QStringLiteral(" order by DueDate, KeyId "));
    toolbar_->AddButton(QStringLiteral("新建"), Command::Add, 50);
    toolbar_->AddButton(QStringLiteral("修改"), Command::Edit, 50);
    toolbar_->AddButton(QStringLiteral("删除"), Command::Delete, 50);
    toolbar_->AddButton(QStringLiteral("重新交办"), DailyWorkCommand::ReassignTask, 70);
    toolbar_->AddButton(QStringLiteral("接受"), DailyWorkCommand::AcceptTask, 50);
    toolbar_->AddButton(QStringLiteral("拒绝"), DailyWorkCommand::RejectTask, 50);
    toolbar_->AddButton(QStringLiteral("完成"), DailyWorkCommand::FinishTask, 50);
    toolbar_->AddButton(QStringLiteral("备注"), DailyWorkCommand::AddTaskNote, 50);
    toolbar_->AddButton(QStringLiteral("上页"), Command::PrevPage, 50);
    toolbar_->AddButton(QStringLiteral("下页"), Command::NextPage, 50);

    scope_ = new QComboBox;
    scope_->setObjectName(QStringLiteral("scope"));
    scope_->addItem(QStringLiteral("我收到的"), Received);
    scope_->addItem(QStringLiteral("我交办的"), Given);
    if (team_.IsManager())
        scope_->addItem(QStringLiteral("团队的"), Team);
    state_ = new QComboBox;
    state_->setObjectName(QStringLiteral("state"));
    state_->addItems(QStringList{kOpenStates, kAllStates} + TaskState::All());
    summary_ = new QLabel;
    summary_->setObjectName(QStringLiteral("summary"));

    auto* strip = new QHBoxLayout;
    strip->setContentsMargins(4, 2, 4, 2);
    strip->addWidget(scope_);
    strip->addWidget(new QLabel(QStringLiteral("状态")));
    strip->addWidget(state_);
    strip->addWidget(summary_, 1);

    details_ = new QPlainTextEdit;
    details_->setObjectName(QStringLiteral("details"));
    details_->setReadOnly(true);
    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->addWidget(grid_);
    splitter->addWidget(details_);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);

    auto* holder = new QWidget;
    auto* holderLayout = new QVBoxLayout(holder);
    holderLayout->setContentsMargins(0, 0, 0, 0);
    holderLayout->setSpacing(0);
    holderLayout->addLayout(strip);
    holderLayout->addWidget(splitter, 1);
    PlaceGrid(holder, nullptr);

    connect(scope_, &QComboBox::currentIndexChanged, this, [this] { Search(); });
    connect(state_, &QComboBox::currentIndexChanged, this, [this] { Search(); });
    connect(grid_, &CGridCtrl::SelectionChanged, this, [this] { ShowDetails(); });
    Search();
}

void CWorkerTaskView::Search() {
    QStringList conditions;
    const QString user = SqlLiteral::Text(context_.userName);
    switch (scope_->currentData().toInt()) {
    case Received:
        conditions << QStringLiteral("(Assignee=") + user + QStringLiteral(")");
        break;
    case Given:
        conditions << QStringLiteral("(Assigner=") + user + QStringLiteral(")");
        break;
    default:
        conditions << QStringLiteral("(") + team_.Condition(QStringLiteral("Assignee")) +
                          QStringLiteral(" or ") + team_.Condition(QStringLiteral("Assigner")) +
                          QStringLiteral(")");
        break;
    }
    const QString state = state_->currentText();
    if (state == kOpenStates)
        conditions << TaskState::OpenCondition();
    else if (state != kAllStates)
        conditions << QStringLiteral("(State=") + SqlLiteral::Text(state) + QStringLiteral(")");
    SetConditions(conditions);
    Reload();
    UpdateSummary();
}

bool CWorkerTaskView::OnCommand(int id) {
    switch (id) {
    case Command::Add:
        Give();
        return true;
    case Command::Edit:
        Change(false);
        return true;
    case DailyWorkCommand::ReassignTask:
        Change(true);
        return true;
    case Command::Delete:
        Delete();
        return true;
    case DailyWorkCommand::AcceptTask:
    case DailyWorkCommand::RejectTask:
    case DailyWorkCommand::FinishTask:
        MoveState(id);
        return true;
    case DailyWorkCommand::AddTaskNote:
        AddNote();
        return true;
    default:
        return CRecordListView::OnCommand(id);
    }
}

bool CWorkerTaskView::RunForm(IniFile& bag) {
    return RunWorkerTaskForm(prompt_, connection_, this, context_.userName, reassign_, bag);
}

void CWorkerTaskView::AfterLoad() {
    // Open tasks due before today stand out in light red.
    const QString today = Today();
    const int stateColumn = Binder().FindColumn(QStringLiteral("State"));
    const int dueColumn = Binder().FindColumn(QStringLiteral("DueDate"));
    const int columns = grid_->GetColumnCount();
    for (int row = grid_->GetFixedRowCount(); row < grid_->GetRowCount(); ++row) {
        const QString due = grid_->GetItemText(row, dueColumn);
        const bool late = TaskState::IsOpen(grid_->GetItemText(row, stateColumn)) &&
                          !due.isEmpty() && due < today;
        for (int column = 1; column < columns; ++column)
            grid_->SetItemBkColour(row, column, late ? QColor(0xFF, 0xD8, 0xD8) : QColor());
    }
    grid_->Refresh();
    ShowDetails();
}

void CWorkerTaskView::UpdateSummary() {
    const QString sql = QStringLiteral("select count(*) as Total, sum(case when ") +
                        TaskState::OverdueCondition(Today()) +
                        QStringLiteral(" then 1 else 0 end) as Late from WorkerTask") +
                        Binder().BuildWhere();
    DbRecordset rs(connection_);
    if (!rs.Open(sql) || rs.IsEOF()) {
        summary_->setText(rs.GetLastError());
        return;
    }
    summary_->setText(QStringLiteral("共 %1 项任务, 其中逾期 %2 项")
                          .arg(rs.GetLong(QStringLiteral("Total")))
                          .arg(rs.GetLong(QStringLiteral("Late"))));
}

void CWorkerTaskView::ShowDetails() {
    const int key = SelectedRows::KeyOfRow(*grid_, SelectedRows::TopRow(*grid_));
    if (key < 1) {
        details_->clear();
        return;
    }
    QString text;
    {
        DbRecordset task(connection_);
        if (!task.Open(QStringLiteral("select Title, Content from WorkerTask where KeyId=") +
                       SqlLiteral::Long(key))) {
            details_->setPlainText(task.GetLastError());
            return;
        }
        if (task.IsEOF()) {
            details_->clear();
            return;
        }
        text = task.GetString(QStringLiteral("Title")) + QStringLiteral("\n") +
               task.GetString(QStringLiteral("Content")) + QStringLiteral("\n\n备注:\n");
    }
    DbRecordset notes(connection_);
    if (!notes.Open(QStringLiteral("select Author, Written, Text from WorkerTaskNote where "
                                   "TaskId=") +
                    SqlLiteral::Long(key) + QStringLiteral(" order by KeyId"))) {
        details_->setPlainText(notes.GetLastError());
        return;
    }
    for (; !notes.IsEOF(); notes.MoveNext())
        text += notes.GetString(QStringLiteral("Written")) + QLatin1Char(' ') +
                notes.GetString(QStringLiteral("Author")) + QStringLiteral(": ") +
                notes.GetString(QStringLiteral("Text")) + QLatin1Char('\n');
    details_->setPlainText(text);
}

bool CWorkerTaskView::SelectedTask(WorkerTaskRow& task) {
    const int key = SelectedRows::KeyOfRow(*grid_, SelectedRows::TopRow(*grid_));
    if (key < 1) {
        prompt_.Message(QStringLiteral("请选择一项任务!"));
        return false;
    }
    WorkerTaskStore store(connection_);
    if (!store.Read(key, task)) {
        prompt_.Message(store.LastError());
        return false;
    }
    if (task.key == 0) {
        prompt_.Message(LostRaceMessage());
        Search();
        return false;
    }
    return true;
}

void CWorkerTaskView::Give() {
    IniFile bag;
    reassign_ = false;
    if (!RunForm(bag))
        return;
    // The new task shows where the user looks for it.
    if (scope_->currentData().toInt() == Received)
        scope_->setCurrentIndex(scope_->findData(Given));
    else
        Search();
    Note(QStringLiteral("任务已交办给 ") +
         bag.GetString(QStringLiteral("."), QStringLiteral("Assignee")));
}

void CWorkerTaskView::Change(bool reassign) {
    WorkerTaskRow task;
    if (!SelectedTask(task))
        return;
    if (task.assigner != context_.userName) {
        prompt_.Message(reassign ? QStringLiteral("只有交办人才能重新交办任务!")
                                 : QStringLiteral("只有交办人才能修改任务!"));
        return;
    }
    if (reassign && task.state != TaskState::Rejected) {
        prompt_.Message(QStringLiteral("只有被拒绝的任务才能重新交办!"));
        return;
    }
    if (!reassign && task.state != TaskState::New) {
        prompt_.Message(QStringLiteral("任务已被处理, 不能再修改!"));
        return;
    }
    IniFile bag;
    bag.SetInt(QStringLiteral("."), QStringLiteral("KeyId"), task.key);
    reassign_ = reassign;
    RunForm(bag);
    reassign_ = false;
    // Saved, refused or lost to another desk: the list shows the task as it
    // is now.
    Search();
}

void CWorkerTaskView::Delete() {
    const int assignerColumn = Binder().FindColumn(QStringLiteral("Assigner"));
    for (int row : SelectedRows::BottomUp(*grid_)) {
        if (grid_->GetItemText(row, assignerColumn) != context_.userName) {
            prompt_.Message(QStringLiteral("只能删除自己交办的任务!"));
            return;
        }
    }
    DeleteSelectedRows(QStringLiteral("确定要删除选择的任务及其备注吗?"));
    UpdateSummary();
}

bool CWorkerTaskView::DeleteRowRecord(int row, QString& error) {
    int key = 0;
    if (!SelectedRows::ParseKey(grid_->GetItemText(row, 0).trimmed(), key)) {
        error = QStringLiteral("编号无效: ") + grid_->GetItemText(row, 0);
        return false;
    }
    WorkerTaskStore store(connection_);
    if (!store.Delete(key)) {
        error = store.LastError();
        return false;
    }
    return true;
}

void CWorkerTaskView::MoveState(int command) {
    WorkerTaskRow task;
    if (!SelectedTask(task))
        return;
    QString refusal;
    QString target;
    if (task.assignee != context_.userName) {
        refusal = QStringLiteral("只有接收人才能处理这项任务!");
    } else if (command == DailyWorkCommand::AcceptTask) {
        target = TaskState::Accepted;
        if (task.state != TaskState::New)
            refusal = QStringLiteral("只能接受新建的任务!");
    } else {
        target = command == DailyWorkCommand::RejectTask ? TaskState::Rejected : TaskState::Done;
        if (!TaskState::IsOpen(task.state))
            refusal = QStringLiteral("任务已结束(") + task.state + QStringLiteral("), 不能再处理!");
    }
    if (!refusal.isEmpty()) {
        prompt_.Message(refusal);
        return;
    }
    QString note;
    if (command == DailyWorkCommand::RejectTask) {
        QString reason;
        if (!AskForNote(prompt_, this, QStringLiteral("拒绝任务"), QStringLiteral("拒绝的理由:"),
                        QStringLiteral("请输入拒绝的理由!"), reason))
            return;
        note = QStringLiteral("拒绝: ") + reason;
    }
    WorkerTaskStore store(connection_);
    switch (store.Move(task.key, task.state, target, context_.userName, note)) {
    case WorkerTaskStore::Outcome::Done:
        Note(task.title + QStringLiteral(": ") + target);
        break;
    case WorkerTaskStore::Outcome::Lost:
        prompt_.Message(LostRaceMessage());
        break;
    case WorkerTaskStore::Outcome::Failed:
        prompt_.Message(store.LastError());
        break;
    }
    Search();
}

void CWorkerTaskView::AddNote() {
    // Whoever sees the task in this list may comment on it: its two sides,
    // and managers over their team.
    WorkerTaskRow task;
    if (!SelectedTask(task))
        return;
    QString text;
    if (!AskForNote(prompt_, this, QStringLiteral("添加备注"), QStringLiteral("备注内容:"),
                    QStringLiteral("请输入备注内容!"), text))
        return;
    WorkerTaskStore store(connection_);
    if (!store.AddNote(task.key, context_.userName, text)) {
        prompt_.Message(store.LastError());
        return;
    }
    ShowDetails();
}
