#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "DailyWorkCommands.h"
#include "NoteInputDlg.h"
#include "PlanCalendarView.h"
#include "WorkLogView.h"
#include "WorkerTaskDlg.h"
#include "WorkerTaskStore.h"
#include "WorkerTaskView.h"

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/QueryBinder.h"
#include "framework/CommandIds.h"
#include "framework/PrivilegeNames.h"
#include "framework/RowValues.h"
#include "ui/GridCtrl.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_WorkTasks : public QObject {
    Q_OBJECT

private slots:
    void taskLifeFromGivingToDone_data() { TestDatabase::AddEngineRows(); }
    void taskLifeFromGivingToDone();
    void eachUserSeesTheirTasksAndOverdueOnesStandOut_data() { TestDatabase::AddEngineRows(); }
    void eachUserSeesTheirTasksAndOverdueOnesStandOut();
    void aStateChangeLostToAnotherDeskWritesNothing_data() { TestDatabase::AddEngineRows(); }
    void aStateChangeLostToAnotherDeskWritesNothing();
    void logsByDayAndTheManagersReadOnlyView_data() { TestDatabase::AddEngineRows(); }
    void logsByDayAndTheManagersReadOnlyView();
    void calendarShowsPlansTasksAndLeaveOnTheirDays_data() { TestDatabase::AddEngineRows(); }
    void calendarShowsPlansTasksAndLeaveOnTheirDays();

private:
    TempProgramFolder folder_{false};
};

namespace {

const QString kManager = QString::fromUtf8(PrivilegeNames::ManageTeam);

ModuleContext Context(DbConnection& db, Prompt& prompt, const QString& user,
                      const QString& privilege = QString()) {
    return {&db, &prompt, user, privilege};
}

void AddUser(DbConnection& db, const QString& name, const QString& department,
             const QString& privilege = QString()) {
    QCOMPARE(db.Execute(u"insert into UserData (UserName, FullName, Department, Privilege, "
                        "Dimission) values ('%1', '%1', '%2', '%3', 0)"_s.arg(name, department,
                                                                              privilege)),
             1);
}

QString Day(int offset) {
    return QDate::currentDate().addDays(offset).toString(u"yyyy-MM-dd"_s);
}

int AddTask(DbConnection& db, const QString& title, const QString& from, const QString& to,
            const QString& state, const QString& due) {
    if (db.Execute(u"insert into WorkerTask (Title, Assigner, Assignee, Priority, State, Created, "
                   "DueDate) values ('%1', '%2', '%3', 2, '%4', '2026-01-01 08:00:00', '%5')"_s.arg(
                       title, from, to, state, due)) != 1)
        return 0;
    DbRecordset rs(db);
    rs.Open(u"select KeyId from WorkerTask where Title='"_s + title + u"'"_s);
    return rs.GetLong(u"KeyId"_s);
}

// Every column of every row, joined by ",".
QString Values(DbConnection& db, const QString& sql) {
    DbRecordset rs(db);
    if (!rs.Open(sql))
        return rs.GetLastError();
    QStringList texts;
    for (; !rs.IsEOF(); rs.MoveNext()) {
        for (int i = 0; i < rs.GetFieldCount(); ++i)
            texts << rs.GetString(i);
    }
    return texts.join(u',');
}

QStringList Column(const CRecordListView& view, const QString& column) {
    QStringList texts;
    CGridCtrl* grid = view.Grid();
    const int index = view.Binder().FindColumn(column);
    for (int row = grid->GetFixedRowCount(); row < grid->GetRowCount(); ++row)
        texts << grid->GetItemText(row, index);
    return texts;
}

bool Select(CRecordListView& view, const QString& title, const QString& column = u"Title"_s) {
    CGridCtrl* grid = view.Grid();
    const int index = view.Binder().FindColumn(column);
    for (int row = grid->GetFixedRowCount(); row < grid->GetRowCount(); ++row) {
        if (grid->GetItemText(row, index) == title) {
            grid->SetSelectedRange(row, 1, row, grid->GetColumnCount() - 1);
            return true;
        }
    }
    return false;
}

void ChooseScope(CWorkerTaskView& view, int scope) {
    view.ScopeBox()->setCurrentIndex(view.ScopeBox()->findData(scope));
}

// Answers the next note dialog with `text`.
void QueueNote(ScriptedPrompt& prompt, const QString& text) {
    prompt.QueueModal([text](QDialog& dialog) {
        auto& form = static_cast<CNoteInputDlg&>(dialog);
        form.TextEdit()->setPlainText(text);
        return form.OnOK() ? QDialog::Accepted : QDialog::Rejected;
    });
}

QStringList Rows(QTableWidget* table, int column) {
    QStringList cells;
    for (int row = 0; row < table->rowCount(); ++row)
        cells << table->item(row, column)->text();
    return cells;
}

} // namespace

void tst_WorkTasks::taskLifeFromGivingToDone() {
    TORVEL_TEST_CONNECTION(database);
    AddUser(db, u"wang"_s, u"销售"_s);
    AddUser(db, u"li"_s, u"销售"_s);
    AddUser(db, u"zhao"_s, u"销售"_s);
    QVERIFY(db.Execute(u"update UserData set Dimission=1 where UserName='zhao'"_s));
    AddUser(db, u"zhou"_s, u"销售"_s);

    // wang gives li a task; the form refuses what is missing or past.
    ScriptedPrompt wangPrompt;
    CWorkerTaskView wang(Context(db, wangPrompt, u"wang"_s));
    QStringList offered;
    wangPrompt.QueueModal([&](QDialog& dialog) {
        auto& form = static_cast<CWorkerTaskDlg&>(dialog);
        for (int i = 0; i < form.AssigneeBox()->count(); ++i)
            offered << form.AssigneeBox()->itemData(i).toString();
        form.OnOK();
        form.TitleEdit()->setText(u"报价单"_s);
        form.OnOK();
        form.SelectAssignee(u"li"_s);
        form.DueDateEdit()->setDate(QDate::currentDate().addDays(-1));
        form.OnOK();
        form.DueDateEdit()->setDate(QDate::currentDate().addDays(3));
        form.PriorityBox()->setCurrentIndex(0);
        form.ContentEdit()->setPlainText(u"给 O'Neil 的报价"_s);
        return form.OnOK() ? QDialog::Accepted : QDialog::Rejected;
    });
    wang.OnCommand(Command::Add);
    // Working staff other than the assigner, after an empty first choice.
    QCOMPARE(offered, (QStringList{QString(), u"admin"_s, u"li"_s, u"zhou"_s}));
    QCOMPARE(wangPrompt.Messages(),
             (QStringList{u"请输入任务标题!"_s, u"请选择接收人!"_s, u"完成期限不能早于今天!"_s}));
    QCOMPARE(Values(db, u"select Assigner, Assignee, Priority, State, DueDate, Content, Finished "
                        "from WorkerTask"_s),
             u"wang,li,1,新建,%1,给 O'Neil 的报价,"_s.arg(Day(3)));
    // The new task shows among those given, with its priority in words.
    QCOMPARE(wang.ScopeBox()->currentData().toInt(), int(CWorkerTaskView::Given));
    QCOMPARE(Column(wang, u"优先级"_s), QStringList{u"高"_s});

    // li accepts and comments; wang comments; the notes read oldest first.
    ScriptedPrompt liPrompt;
    CWorkerTaskView li(Context(db, liPrompt, u"li"_s));
    QVERIFY(Select(li, u"报价单"_s));
    li.OnCommand(Command::Edit);
    QCOMPARE(liPrompt.LastMessage(), u"只有交办人才能修改任务!"_s);
    QVERIFY(Select(li, u"报价单"_s));
    li.OnCommand(DailyWorkCommand::AcceptTask);
    QCOMPARE(Column(li, u"State"_s), QStringList{u"已接受"_s});
    liPrompt.Reset();
    liPrompt.QueueModal([](QDialog& dialog) {
        auto& form = static_cast<CNoteInputDlg&>(dialog);
        form.OnOK();
        form.TextEdit()->setPlainText(u"  已开始  "_s);
        return form.OnOK() ? QDialog::Accepted : QDialog::Rejected;
    });
    QVERIFY(Select(li, u"报价单"_s));
    li.OnCommand(DailyWorkCommand::AddTaskNote);
    QCOMPARE(liPrompt.Messages(), QStringList{u"请输入备注内容!"_s});
    wang.Search();
    QVERIFY(Select(wang, u"报价单"_s));
    QueueNote(wangPrompt, u"周五前"_s);
    wang.OnCommand(DailyWorkCommand::AddTaskNote);
    const QString details = wang.Details()->toPlainText();
    QVERIFY2(details.startsWith(u"报价单\n给 O'Neil 的报价\n"_s), qPrintable(details));
    QVERIFY2(details.indexOf(u" li: 已开始\n"_s) < details.indexOf(u" wang: 周五前\n"_s) &&
                 details.indexOf(u" li: 已开始\n"_s) > 0,
             qPrintable(details));

    // An accepted task is no longer changed by its assigner; li finishes it
    // and it leaves the open tasks.
    wangPrompt.Reset();
    wang.OnCommand(Command::Edit);
    QCOMPARE(wangPrompt.Messages(), QStringList{u"任务已被处理, 不能再修改!"_s});
    QVERIFY(Select(li, u"报价单"_s));
    li.OnCommand(DailyWorkCommand::FinishTask);
    QCOMPARE(li.Grid()->GetRowCount(), li.Grid()->GetFixedRowCount());
    li.StateBox()->setCurrentText(u"全部"_s);
    QCOMPARE(Column(li, u"State"_s), QStringList{u"已完成"_s});
    QVERIFY(Column(li, u"Finished"_s).value(0).startsWith(Day(0)));
    QVERIFY(Select(li, u"报价单"_s));
    li.OnCommand(DailyWorkCommand::RejectTask);
    QCOMPARE(liPrompt.LastMessage(), u"任务已结束(已完成), 不能再处理!"_s);

    // A second task is refused with a reason and given to zhou instead.
    const int second = AddTask(db, u"盘点"_s, u"wang"_s, u"li"_s, u"新建"_s, Day(1));
    li.Search();
    QVERIFY(Select(li, u"盘点"_s));
    QueueNote(liPrompt, u"人在外地"_s);
    li.OnCommand(DailyWorkCommand::RejectTask);
    QCOMPARE(Values(db, u"select State from WorkerTask where KeyId="_s + QString::number(second)),
             u"已拒绝"_s);
    wang.StateBox()->setCurrentText(u"全部"_s);
    QVERIFY(Select(wang, u"盘点"_s));
    wangPrompt.QueueModal([](QDialog& dialog) {
        auto& form = static_cast<CWorkerTaskDlg&>(dialog);
        form.SelectAssignee(u"zhou"_s);
        form.DueDateEdit()->setDate(QDate::currentDate().addDays(2));
        return form.OnOK() ? QDialog::Accepted : QDialog::Rejected;
    });
    wang.OnCommand(DailyWorkCommand::ReassignTask);
    QCOMPARE(Values(db, u"select Assignee, State, DueDate from WorkerTask where KeyId="_s +
                            QString::number(second)),
             u"zhou,新建,%1"_s.arg(Day(2)));
    QCOMPARE(Values(db, u"select Author, Text from WorkerTaskNote where TaskId="_s +
                            QString::number(second) + u" order by KeyId"_s),
             u"li,拒绝: 人在外地,wang,重新交办给 zhou"_s);

    // Only the assigner deletes, and the notes go with the task.
    QVERIFY(Select(li, u"报价单"_s));
    li.OnCommand(Command::Delete);
    QCOMPARE(liPrompt.LastMessage(), u"只能删除自己交办的任务!"_s);
    QVERIFY(Select(wang, u"报价单"_s));
    wangPrompt.QueueAnswer(Prompt::Answer::Ok);
    wang.OnCommand(Command::Delete);
    QCOMPARE(wangPrompt.LastMessage(), u"确定要删除选择的任务及其备注吗?"_s);
    QCOMPARE(Values(db, u"select Title from WorkerTask"_s), u"盘点"_s);
    QCOMPARE(Values(db, u"select count(*) from WorkerTaskNote"_s), u"2"_s);
}

void tst_WorkTasks::eachUserSeesTheirTasksAndOverdueOnesStandOut() {
    TORVEL_TEST_CONNECTION(database);
    AddUser(db, u"boss"_s, u"销售"_s, u"客户管理,"_s + kManager);
    AddUser(db, u"wang"_s, u"销售"_s);
    AddUser(db, u"li"_s, u"销售"_s);
    AddUser(db, u"qian"_s, u"财务"_s);
    AddUser(db, u"sun"_s, u"财务"_s);
    AddTask(db, u"late"_s, u"wang"_s, u"li"_s, u"新建"_s, Day(-1));
    AddTask(db, u"soon"_s, u"li"_s, u"wang"_s, u"已接受"_s, Day(1));
    AddTask(db, u"books"_s, u"qian"_s, u"sun"_s, u"已接受"_s, Day(-2));
    AddTask(db, u"old"_s, u"wang"_s, u"li"_s, u"已完成"_s, Day(-5));

    ScriptedPrompt prompt;
    auto titles = [&](const QString& user, const QString& privilege, int scope,
                      const QString& state) {
        CWorkerTaskView view(Context(db, prompt, user, privilege));
        ChooseScope(view, scope);
        view.StateBox()->setCurrentText(state);
        return Column(view, u"Title"_s).join(u',') + u" | "_s + view.Summary()->text();
    };
    using Scope = CWorkerTaskView::Scope;
    QCOMPARE(titles(u"li"_s, {}, Scope::Received, u"未完成"_s),
             u"late | 共 1 项任务, 其中逾期 1 项"_s);
    QCOMPARE(titles(u"li"_s, {}, Scope::Received, u"全部"_s),
             u"old,late | 共 2 项任务, 其中逾期 1 项"_s);
    QCOMPARE(titles(u"li"_s, {}, Scope::Given, u"未完成"_s),
             u"soon | 共 1 项任务, 其中逾期 0 项"_s);
    QCOMPARE(titles(u"wang"_s, {}, Scope::Given, u"已完成"_s),
             u"old | 共 1 项任务, 其中逾期 0 项"_s);
    // The manager reads the department's tasks, admin everyone's; a
    // stranger sees nothing of them and has no team to choose.
    QCOMPARE(titles(u"boss"_s, kManager, Scope::Team, u"未完成"_s),
             u"late,soon | 共 2 项任务, 其中逾期 1 项"_s);
    QCOMPARE(titles(u"admin"_s, {}, Scope::Team, u"未完成"_s),
             u"books,late,soon | 共 3 项任务, 其中逾期 2 项"_s);
    QCOMPARE(titles(u"sun"_s, {}, Scope::Received, u"全部"_s),
             u"books | 共 1 项任务, 其中逾期 1 项"_s);
    CWorkerTaskView stranger(Context(db, prompt, u"qian"_s));
    QCOMPARE(stranger.ScopeBox()->count(), 2);
    QVERIFY(Column(stranger, u"Title"_s).isEmpty());

    // Only the open task past its date is coloured.
    CWorkerTaskView li(Context(db, prompt, u"li"_s));
    li.StateBox()->setCurrentText(u"全部"_s);
    CGridCtrl* grid = li.Grid();
    QCOMPARE(grid->GetItemBkColour(2, 1), QColor(0xFF, 0xD8, 0xD8));
    QCOMPARE(grid->GetItemText(2, 1), u"late"_s);
    QVERIFY(grid->GetItemBkColour(1, 1) != QColor(0xFF, 0xD8, 0xD8));
    QVERIFY(prompt.shown.isEmpty());
}

void tst_WorkTasks::aStateChangeLostToAnotherDeskWritesNothing() {
    TORVEL_TEST_CONNECTION(database);
    AddUser(db, u"wang"_s, u"销售"_s);
    AddUser(db, u"li"_s, u"销售"_s);
    const int task = AddTask(db, u"送样"_s, u"wang"_s, u"li"_s, u"新建"_s, Day(1));
    const QString key = QString::number(task);

    // Two desks move the same task: the second finds it moved on.
    WorkerTaskStore store(db);
    QCOMPARE(int(store.Move(task, u"新建"_s, u"已接受"_s, u"li"_s, {})),
             int(WorkerTaskStore::Outcome::Done));
    QCOMPARE(int(store.Move(task, u"新建"_s, u"已拒绝"_s, u"li"_s, u"x"_s)),
             int(WorkerTaskStore::Outcome::Lost));
    QCOMPARE(Values(db, u"select State from WorkerTask"_s), u"已接受"_s);
    QCOMPARE(Values(db, u"select count(*) from WorkerTaskNote"_s), u"0"_s);
    QVERIFY(db.Execute(u"update WorkerTask set State='新建' where KeyId="_s + key));

    // li writes a reason while wang's desk deletes the task: li is told, no
    // note is left behind and the list is read again.
    ScriptedPrompt prompt;
    CWorkerTaskView li(Context(db, prompt, u"li"_s));
    QVERIFY(Select(li, u"送样"_s));
    prompt.QueueModal([&](QDialog& dialog) {
        auto& form = static_cast<CNoteInputDlg&>(dialog);
        form.TextEdit()->setPlainText(u"太忙"_s);
        db.Execute(u"update WorkerTask set State='已接受' where KeyId="_s + key);
        return form.OnOK() ? QDialog::Accepted : QDialog::Rejected;
    });
    li.OnCommand(DailyWorkCommand::RejectTask);
    QCOMPARE(prompt.Messages(), QStringList{LostRaceMessage()});
    QCOMPARE(LostRaceMessage(), u"该任务已被他人处理或已删除, 操作没有完成, 列表已刷新!"_s);
    QCOMPARE(Values(db, u"select State from WorkerTask"_s), u"已接受"_s);
    QCOMPARE(Values(db, u"select count(*) from WorkerTaskNote"_s), u"0"_s);
    QCOMPARE(Column(li, u"State"_s), QStringList{u"已接受"_s});

    // wang's open form loses to li accepting: nothing of it is saved.
    QVERIFY(db.Execute(u"update WorkerTask set State='新建' where KeyId="_s + key));
    ScriptedPrompt wangPrompt;
    CWorkerTaskView wang(Context(db, wangPrompt, u"wang"_s));
    ChooseScope(wang, CWorkerTaskView::Given);
    QVERIFY(Select(wang, u"送样"_s));
    wangPrompt.QueueModal([&](QDialog& dialog) {
        auto& form = static_cast<CWorkerTaskDlg&>(dialog);
        form.TitleEdit()->setText(u"送样品"_s);
        db.Execute(u"update WorkerTask set State='已接受' where KeyId="_s + key);
        return form.OnOK() ? QDialog::Accepted : QDialog::Rejected;
    });
    wang.OnCommand(Command::Edit);
    QCOMPARE(wangPrompt.Messages(), QStringList{LostRaceMessage()});
    QCOMPARE(Values(db, u"select Title from WorkerTask"_s), u"送样"_s);

    // A task deleted under a selection is reported the same way.
    QVERIFY(db.Execute(u"delete from WorkerTask"_s));
    prompt.Reset();
    QVERIFY(Select(li, u"送样"_s));
    li.OnCommand(DailyWorkCommand::FinishTask);
    QCOMPARE(prompt.Messages(), QStringList{LostRaceMessage()});
}

void tst_WorkTasks::logsByDayAndTheManagersReadOnlyView() {
    TORVEL_TEST_CONNECTION(database);
    AddUser(db, u"boss"_s, u"销售"_s, kManager);
    AddUser(db, u"wang"_s, u"销售"_s);
    AddUser(db, u"qian"_s, u"财务"_s);
    QVERIFY(db.Execute(
        u"insert into WorkLog (Kind, UserName, WorkDate, Title) values "
        "('日志', 'qian', '%1', '对账'), ('计划', 'wang', '%1', '明天拜访')"_s.arg(Day(0))));

    // wang writes today's log; a log for tomorrow is refused, a plan is not.
    ScriptedPrompt prompt;
    CWorkLogView logs(Context(db, prompt, u"wang"_s), WorkLogKind::Log);
    QVERIFY(!logs.PersonBox()->isEnabled());
    QCOMPARE(logs.DayEdit()->date(), QDate::currentDate());
    QDate offeredDay;
    prompt.QueueModal([&](QDialog& dialog) {
        auto& form = static_cast<CWorkLogDlg&>(dialog);
        offeredDay = form.DateEdit()->date();
        form.OnOK();
        form.TitleEdit()->setText(u"拜访客户"_s);
        form.DateEdit()->setDate(QDate::currentDate().addDays(1));
        form.OnOK();
        form.DateEdit()->setDate(QDate::currentDate());
        return form.OnOK() ? QDialog::Accepted : QDialog::Rejected;
    });
    logs.OnCommand(Command::Add);
    QCOMPARE(offeredDay, QDate::currentDate());
    QCOMPARE(prompt.Messages(), (QStringList{u"请输入标题!"_s, u"不能为以后的日期写工作日志!"_s}));
    QCOMPARE(Column(logs, u"Title"_s), QStringList{u"拜访客户"_s});

    CWorkLogView plans(Context(db, prompt, u"wang"_s), WorkLogKind::Plan);
    plans.OnCommand(DailyWorkCommand::NextDay);
    prompt.QueueModal([&](QDialog& dialog) {
        auto& form = static_cast<CWorkLogDlg&>(dialog);
        form.TitleEdit()->setText(u"送样"_s);
        return form.OnOK() ? QDialog::Accepted : QDialog::Rejected;
    });
    plans.OnCommand(Command::Add);
    QCOMPARE(
        Values(db, u"select Kind, UserName, WorkDate, Title from WorkLog where Title='送样'"_s),
        u"计划,wang,%1,送样"_s.arg(Day(1)));
    plans.OnCommand(DailyWorkCommand::PreviousDay);
    QCOMPARE(Column(plans, u"Title"_s), QStringList{u"明天拜访"_s});
    plans.RangeEndEdit()->setDate(QDate::currentDate().addDays(1));
    plans.RangeCheck()->setChecked(true);
    QCOMPARE(Column(plans, u"Title"_s), (QStringList{u"明天拜访"_s, u"送样"_s}));

    // The manager picks from the team and reads their logs without changing
    // them; the other department stays out.
    ScriptedPrompt bossPrompt;
    CWorkLogView team(Context(db, bossPrompt, u"boss"_s, kManager), WorkLogKind::Log);
    QStringList people;
    for (int i = 0; i < team.PersonBox()->count(); ++i)
        people << team.PersonBox()->itemText(i);
    QCOMPARE(people, (QStringList{u"全部"_s, u"boss"_s, u"wang"_s}));
    QCOMPARE(Column(team, u"UserName"_s), QStringList{u"wang"_s});
    QVERIFY(Select(team, u"拜访客户"_s));
    bool readOnly = false;
    bossPrompt.QueueModal([&](QDialog& dialog) {
        auto& form = static_cast<CWorkLogDlg&>(dialog);
        readOnly = form.IsReadOnly() && form.TitleEdit()->isReadOnly();
        form.TitleEdit()->setText(u"改写"_s);
        return form.OnOK() ? QDialog::Accepted : QDialog::Rejected;
    });
    team.OnCommand(Command::Edit);
    QVERIFY(readOnly);
    QCOMPARE(bossPrompt.Messages(), QStringList{u"只能修改自己的日志!"_s});
    team.OnCommand(Command::Delete);
    QCOMPARE(bossPrompt.LastMessage(), u"只能删除自己的日志!"_s);
    QCOMPARE(Values(db, u"select Title from WorkLog where UserName='wang' and Kind='日志'"_s),
             u"拜访客户"_s);
    team.PersonBox()->setCurrentText(u"boss"_s);
    QVERIFY(Column(team, u"Title"_s).isEmpty());

    // The listed range goes to CSV.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"logs.csv"_s);
    team.PersonBox()->setCurrentIndex(0);
    bossPrompt.Reset();
    bossPrompt.QueueFileName(path);
    team.OnCommand(DailyWorkCommand::ExportLogs);
    QCOMPARE(bossPrompt.LastMessage(), u"共导出 1 条记录\r\n"_s + path);
    QVERIFY(QFile::exists(path));
}

void tst_WorkTasks::calendarShowsPlansTasksAndLeaveOnTheirDays() {
    TORVEL_TEST_CONNECTION(database);
    const QDate first(QDate::currentDate().year(), QDate::currentDate().month(), 1);
    auto day = [&](int n) { return first.addDays(n - 1).toString(u"yyyy-MM-dd"_s); };
    QVERIFY(db.Execute(u"insert into TrackPlan (CustomerName, Handler, Title, PlanTime) values "
                       "('客户', 'li', '回访', '%1 09:30:00'), ('客户', 'wang', '别人的', "
                       "'%1 10:00:00')"_s.arg(day(10))));
    AddTask(db, u"报价"_s, u"wang"_s, u"li"_s, u"已接受"_s, day(12));
    AddTask(db, u"done"_s, u"wang"_s, u"li"_s, u"已完成"_s, day(12));
    AddTask(db, u"theirs"_s, u"li"_s, u"wang"_s, u"新建"_s, day(12));
    AddTask(db, u"next month"_s, u"wang"_s, u"li"_s, u"新建"_s,
            first.addMonths(1).toString(u"yyyy-MM-dd"_s));
    QVERIFY(
        db.Execute(u"insert into Holiday (UserName, Kind, FromDate, ToDate, State) values "
                   "('li', '事假', '%1 09:00', '%2 18:00', '批准'), "
                   "('li', '年假', '%3', '%4', '批准'), "
                   "('li', '病假', '%5', '%5', '待批'), ('wang', '婚假', '%6', '%6', '批准')"_s.arg(
                       day(14), day(15), first.addDays(-2).toString(u"yyyy-MM-dd"_s), day(2),
                       day(20), day(21))));

    PlanCalendarView calendar(&db, u"li"_s);
    auto* widget = calendar.findChild<QCalendarWidget*>(u"calendar"_s);
    auto* table = calendar.findChild<QTableWidget*>(u"plans"_s);
    auto show = [&](int n) {
        widget->setSelectedDate(first.addDays(n - 1));
        return Rows(table, 0).join(u',') + u" "_s + Rows(table, 1).join(u',') + u" "_s +
               Rows(table, 4).join(u',');
    };
    QCOMPARE(show(10), u"计划 09:30 回访"_s);
    QCOMPARE(show(12), u"任务  报价"_s);
    QCOMPARE(table->item(0, 6)->text(), u"交办人: wang, 优先级: 中, 状态: 已接受"_s);
    QCOMPARE(show(14), u"请假 09:00 事假"_s);
    QCOMPARE(show(15), u"请假 -18:00 事假"_s);
    QCOMPARE(show(1), u"请假  年假"_s);
    QCOMPARE(show(2), u"请假  年假"_s);
    QCOMPARE(show(3), u"  "_s);
    QCOMPARE(show(20), u"  "_s);
    QCOMPARE(show(21), u"  "_s);
    QVERIFY2(
        calendar.findChild<QLabel*>(u"summary"_s)
            ->text()
            .startsWith(first.toString(u"yyyy-MM"_s) + u" 共有计划 1 项、任务 1 项、请假 4 天"_s),
        qPrintable(calendar.findChild<QLabel*>(u"summary"_s)->text()));
    // Marked days: the task's and the leave's stand out like the plan's.
    for (int n : {10, 12, 14, 15, 1, 2})
        QCOMPARE(widget->dateTextFormat(first.addDays(n - 1)).fontWeight(), int(QFont::Bold));
    QVERIFY(widget->dateTextFormat(first.addDays(19)).fontWeight() != int(QFont::Bold));
    QCOMPARE(widget->dateTextFormat(first.addDays(11)).toolTip(), u"1 项任务"_s);
}

QTEST_MAIN(tst_WorkTasks)
#include "tst_worktasks.moc"
