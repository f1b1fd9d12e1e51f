#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "AdviceDlg.h"
#include "AdviceView.h"
#include "AnswerDlg.h"
#include "BulletinDlg.h"
#include "BulletinReads.h"
#include "BulletinView.h"
#include "HolidayDlg.h"
#include "HolidayView.h"
#include "ManagerCenterView.h"
#include "NoticeView.h"
#include "OfficeDates.h"

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/QueryBinder.h"
#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"
#include "shell/PluginArgs.h"
#include "ui/GridCtrl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QtTest>

#include <memory>

TORVEL_PLUGIN_ENTRY QWidget* listAdvice(const PluginArgs* args);
TORVEL_PLUGIN_ENTRY QWidget* listBulletin(const PluginArgs* args);
TORVEL_PLUGIN_ENTRY QWidget* applyHoliday(const PluginArgs* args);
TORVEL_PLUGIN_ENTRY QWidget* managerCenter(const PluginArgs* args);

class tst_OfficeWork : public QObject {
    Q_OBJECT

private slots:
    void anonymousAdviceKeepsNoAuthorAndManagersReply_data() { TestDatabase::AddEngineRows(); }
    void anonymousAdviceKeepsNoAuthorAndManagersReply();
    void bulletinsByValidityRightAndReader_data() { TestDatabase::AddEngineRows(); }
    void bulletinsByValidityRightAndReader();
    void leaveAppliedWithdrawnAndAnswered_data() { TestDatabase::AddEngineRows(); }
    void leaveAppliedWithdrawnAndAnswered();
    void secondDeskLosesTheRaceForOneRequest_data() { TestDatabase::AddEngineRows(); }
    void secondDeskLosesTheRaceForOneRequest();
    void managerCenterCountsTheTeamsWork_data() { TestDatabase::AddEngineRows(); }
    void managerCenterCountsTheTeamsWork();
};

namespace {

using Entry = QWidget* (*)(const PluginArgs*);

QString Scalar(DbConnection& db, const QString& sql) {
    DbRecordset rs(db);
    if (!rs.Open(sql) || rs.IsEOF())
        return QStringLiteral("<none>");
    return rs.GetString(0);
}

// Through the connection, which keeps PostgreSQL's key numbering ahead of
// the keys given here.
bool Run(DbConnection& db, const QString& script) {
    for (const QString& statement : script.split(u';')) {
        if (db.Execute(statement) != 1) {
            qWarning() << db.GetLastError();
            return false;
        }
    }
    return true;
}

QString Day(int fromToday) {
    return OfficeDates::DayText(QDate::currentDate().addDays(fromToday));
}

// Calls an entry point as the program's launcher does, for `user` holding
// `privilege`; the view is of the type the entry is expected to make.
template <typename View>
std::unique_ptr<View> Open(Entry entry, DbConnection& db, Prompt& prompt, const char* user,
                           const char* privilege = "") {
    PluginArgs args{};
    args.size = sizeof(PluginArgs);
    args.version = PluginArgsVersion;
    args.parameter = "";
    args.connection = &db;
    args.prompt = &prompt;
    args.userName = user;
    args.privilege = privilege;
    args.programFolder = "";
    QWidget* view = entry(&args);
    auto* typed = qobject_cast<View*>(view);
    if (!typed)
        delete view;
    return std::unique_ptr<View>(typed);
}

// Selects the data row whose column `column` reads `text`; its row or -1.
int Select(CRecordListView& view, int column, const QString& text) {
    CGridCtrl* grid = view.Grid();
    for (int row = grid->GetFixedRowCount(); row < grid->GetRowCount(); ++row) {
        if (grid->GetItemText(row, column) == text) {
            grid->SetSelectedRange(row, 1, row, grid->GetColumnCount() - 1);
            return row;
        }
    }
    return -1;
}

int DataRows(const CRecordListView& view) {
    return view.Grid()->GetRowCount() - view.Grid()->GetFixedRowCount();
}

void QueueAdvice(ScriptedPrompt& prompt, const QString& title, const QString& content,
                 bool anonymous, const std::function<void()>& beforeOk = {}) {
    prompt.QueueModal([=](QDialog& dialog) {
        auto& form = static_cast<CAdviceDlg&>(dialog);
        form.TitleEdit()->setText(title);
        form.ContentEdit()->setPlainText(content);
        if (form.AnonymousBox())
            form.AnonymousBox()->setChecked(anonymous);
        if (beforeOk)
            beforeOk();
        return form.OnOK() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
}

void QueueAnswer(ScriptedPrompt& prompt, const QString& text) {
    prompt.QueueModal([=](QDialog& dialog) {
        auto& form = static_cast<CAnswerDlg&>(dialog);
        form.TextEdit()->setPlainText(text);
        return form.OnOK() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
}

void QueueLeave(ScriptedPrompt& prompt, const QString& kind, const QString& from, const QString& to,
                const QString& reason) {
    prompt.QueueModal([=](QDialog& dialog) {
        auto& form = static_cast<CHolidayDlg&>(dialog);
        form.KindBox()->setCurrentText(kind);
        form.Field(QStringLiteral("FromDate"))->setText(from);
        form.Field(QStringLiteral("ToDate"))->setText(to);
        form.ReasonEdit()->setPlainText(reason);
        return form.OnOK() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
}

// Selects the pending request of `applicant` in 管理中心; false when absent.
bool SelectRequest(CManagerCenterView& view, const QString& applicant) {
    QTableWidget* table = view.Table(ManagerAgenda::PendingLeave);
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, ManagerAgenda::kLeaveApplicant)->text() == applicant) {
            table->selectRow(row);
            return true;
        }
    }
    return false;
}

QStringList Captions(const CManagerCenterView& view) {
    QStringList titles;
    for (int id = 0; id < ManagerAgenda::PartCount; ++id)
        titles << view.Box(ManagerAgenda::PartId(id))->title();
    return titles;
}

} // namespace

void tst_OfficeWork::anonymousAdviceKeepsNoAuthorAndManagersReply() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    ScriptedPrompt prompt;
    auto mine = Open<CAdviceView>(listAdvice, db, prompt, "zhang");
    QVERIFY(mine);
    QVERIFY(!mine->Toolbar()->Button(QStringLiteral("答复")));
    QVERIFY(!mine->Toolbar()->Button(QStringLiteral("删除")));

    QueueAdvice(prompt, QStringLiteral(" "), QStringLiteral("x"), false);
    mine->OnCommand(Command::Add);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("请输入建议的标题"));
    QueueAdvice(prompt, QStringLiteral("食堂'菜价"), QStringLiteral("太贵了"), true);
    mine->OnCommand(Command::Add);
    QueueAdvice(prompt, QStringLiteral("打印机"), QStringLiteral("换一台"), false);
    mine->OnCommand(Command::Add);
    QCOMPARE(Scalar(db, QStringLiteral("select count(*) from Advice")), QStringLiteral("2"));
    // Nothing of the anonymous author is stored, so nobody can find it.
    QCOMPARE(Scalar(db, QStringLiteral("select Author || '|' || Anonymous from Advice where "
                                       "Title='食堂''菜价'")),
             QStringLiteral("|1"));
    const int anonymous = Select(*mine, 1, QStringLiteral("食堂'菜价"));
    QCOMPARE(mine->Binder().GetCellText(anonymous, QStringLiteral("提出人")),
             QStringLiteral("匿名"));

    // Even its author cannot change it afterwards; a signed one they can.
    mine->OnCommand(Command::Edit);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("只能修改自己署名提出的建议"));
    mine->OnCommand(CAdviceView::kReply);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("只有管理员和管理中心的用户才能答复建议"));
    Select(*mine, 1, QStringLiteral("打印机"));
    QueueAdvice(prompt, QStringLiteral("打印机"), QStringLiteral("换一台激光的"), false);
    mine->OnCommand(Command::Edit);
    QCOMPARE(Scalar(db, QStringLiteral("select Content from Advice where Title='打印机'")),
             QStringLiteral("换一台激光的"));

    // A manager answers; the answer refuses an empty text.
    ScriptedPrompt managerPrompt;
    auto manager = Open<CAdviceView>(listAdvice, db, managerPrompt, "li", "管理中心");
    QVERIFY(manager);
    const int row = Select(*manager, 1, QStringLiteral("打印机"));
    QueueAnswer(managerPrompt, QString());
    manager->OnCommand(CAdviceView::kReply);
    QCOMPARE(managerPrompt.Messages(), QStringList{QStringLiteral("请输入答复的内容")});
    QCOMPARE(Scalar(db, QStringLiteral("select Reply || '|' || Replier from Advice where "
                                       "Title='打印机'")),
             QStringLiteral("|"));
    QueueAnswer(managerPrompt, QStringLiteral("下月更换"));
    manager->OnCommand(CAdviceView::kReply);
    QCOMPARE(Scalar(db, QStringLiteral("select Reply || '|' || Replier from Advice where "
                                       "Title='打印机'")),
             QStringLiteral("下月更换|li"));
    QCOMPARE(manager->Binder().GetCellText(row, QStringLiteral("答复")), QStringLiteral("已答复"));
    QVERIFY(manager->Reader()->toPlainText().contains(QStringLiteral("换一台激光的")));
    QVERIFY(manager->Reader()->toPlainText().contains(QStringLiteral("下月更换")));

    // Answered, it is no longer the author's to change; nor when the answer
    // comes while the author's form is open.
    mine->Reload();
    Select(*mine, 1, QStringLiteral("打印机"));
    mine->OnCommand(Command::Edit);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("建议已答复, 不能再修改"));
    QueueAdvice(prompt, QStringLiteral("空调"), QStringLiteral("太冷"), false);
    mine->OnCommand(Command::Add);
    Select(*mine, 1, QStringLiteral("空调"));
    QueueAdvice(prompt, QStringLiteral("空调"), QStringLiteral("太热"), false, [&db] {
        db.Execute(QStringLiteral("update Advice set Reply='已调' where Title='空调'"));
    });
    mine->OnCommand(Command::Edit);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("该建议已答复或已删除, 不能再修改"));
    QCOMPARE(Scalar(db, QStringLiteral("select Content from Advice where Title='空调'")),
             QStringLiteral("太冷"));

    // Only managers delete.
    mine->OnCommand(Command::Delete);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("只有管理员和管理中心的用户才能删除建议"));
    manager->Reload();
    Select(*manager, 1, QStringLiteral("食堂'菜价"));
    managerPrompt.QueueAnswer(Prompt::Answer::Ok);
    manager->OnCommand(Command::Delete);
    QCOMPARE(managerPrompt.LastMessage(), QStringLiteral("确定要删除选择的信息吗?"));
    QCOMPARE(Scalar(db, QStringLiteral("select count(*) from Advice")), QStringLiteral("2"));
}

void tst_OfficeWork::bulletinsByValidityRightAndReader() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(Run(db, QStringLiteral("insert into Bulletin (Title,Content,Publisher,Published,"
                                   "ValidFrom,ValidTo) values ('放假','五一放假','chen',"
                                   "'2026-01-01 08:00:00','%1','%2');"
                                   "insert into Bulletin (Title,Content,Publisher,Published,"
                                   "ValidFrom,ValidTo) values ('旧闻','过期','chen',"
                                   "'2026-01-02 08:00:00','%3','%1');"
                                   "insert into Bulletin (Title,Content,Publisher,Published,"
                                   "ValidFrom,ValidTo) values ('预告','未来','chen',"
                                   "'2026-01-03 08:00:00','%2','%2');"
                                   "insert into Bulletin (Title,Content,Publisher,Published,"
                                   "ValidFrom,ValidTo) values ('守则','长期有效','chen',"
                                   "'2026-01-04 08:00:00','%3','')")
                        .arg(Day(-1), Day(1), Day(-30))));

    // Everyone reads what is valid today; the unread ones are bold.
    ScriptedPrompt prompt;
    auto wang = Open<CBulletinView>(listBulletin, db, prompt, "wang");
    QVERIFY(wang);
    QCOMPARE(DataRows(*wang), 2);
    QCOMPARE(wang->Counts()->text(), QStringLiteral("共 2 条, 未读 2 条"));
    QVERIFY(!wang->ShowAllBox());
    QVERIFY(!wang->Toolbar()->Button(QStringLiteral("发布")));
    wang->OnCommand(Command::Add);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("您没有发布公告的权限"));
    const int row = Select(*wang, 1, QStringLiteral("放假"));
    QVERIFY(row > 0);
    QVERIFY(wang->Grid()->GetItemFont(row, 1).bold());

    // Opening one marks it read for this user only, once.
    wang->ShowSelected();
    QVERIFY(wang->Reader()->toPlainText().contains(QStringLiteral("五一放假")));
    QCOMPARE(wang->Binder().GetCellText(row, QStringLiteral("未读")), QString());
    QVERIFY(!wang->Grid()->GetItemFont(row, 1).bold());
    QCOMPARE(wang->Counts()->text(), QStringLiteral("共 2 条, 未读 1 条"));
    wang->Reload();
    Select(*wang, 1, QStringLiteral("放假"));
    wang->ShowSelected();
    QString error;
    QVERIFY(BulletinReads::MarkRead(db, 1, QStringLiteral("wang"), error));
    QCOMPARE(Scalar(db, QStringLiteral("select count(*) from BulletinRead")), QStringLiteral("1"));
    QCOMPARE(wang->Counts()->text(), QStringLiteral("共 2 条, 未读 1 条"));

    ScriptedPrompt zhaoPrompt;
    auto zhao = Open<CBulletinView>(listBulletin, db, zhaoPrompt, "zhao");
    QCOMPARE(zhao->Counts()->text(), QStringLiteral("共 2 条, 未读 2 条"));
    zhao->OnCommand(CBulletinView::kMarkAllRead);
    QCOMPARE(zhao->Counts()->text(), QStringLiteral("共 2 条, 未读 0 条"));
    QCOMPARE(Scalar(db, QStringLiteral("select count(*) from BulletinRead where UserName='zhao'")),
             QStringLiteral("2"));

    // A publisher may see every bulletin and publishes new ones, dated
    // today .. today + 30 unless changed; the dates are checked.
    ScriptedPrompt chenPrompt;
    auto chen = Open<CBulletinView>(listBulletin, db, chenPrompt, "chen", "发布公告");
    QVERIFY(chen && chen->ShowAllBox());
    chen->ShowAllBox()->setChecked(true);
    QCOMPARE(DataRows(*chen), 4);
    QCOMPARE(chen->Counts()->text(), QStringLiteral("共 4 条, 未读 4 条"));
    chenPrompt.QueueModal([](QDialog& dialog) {
        auto& form = static_cast<CBulletinDlg&>(dialog);
        if (form.Field(QStringLiteral("ValidFrom"))->text() != Day(0) ||
            form.Field(QStringLiteral("ValidTo"))->text() != Day(30))
            return int(QDialog::Rejected);
        form.Field(QStringLiteral("Title"))->setText(QStringLiteral("停电"));
        form.ContentEdit()->setPlainText(QStringLiteral("周六停电"));
        form.Field(QStringLiteral("ValidTo"))->setText(QStringLiteral("2026-2-1"));
        if (form.OnOK())
            return int(QDialog::Accepted);
        form.Field(QStringLiteral("ValidTo"))->setText(Day(-1));
        if (form.OnOK())
            return int(QDialog::Accepted);
        form.Field(QStringLiteral("ValidTo"))->setText(Day(0));
        return form.OnOK() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
    chen->OnCommand(Command::Add);
    QCOMPARE(
        chenPrompt.Messages(),
        (QStringList{QStringLiteral("有效期的日期格式不正确，请按“年-月-日”输入，例如 ") + Day(0),
                     QStringLiteral("有效期的结束日期不能早于开始日期")}));
    QCOMPARE(Scalar(db, QStringLiteral("select Publisher || ValidFrom || ValidTo from Bulletin "
                                       "where Title='停电'")),
             QStringLiteral("chen") + Day(0) + Day(0));
    // The publisher has read their own; the others find it unread.
    QCOMPARE(chen->Counts()->text(), QStringLiteral("共 5 条, 未读 4 条"));
    zhao->Refresh();
    QCOMPARE(zhao->Counts()->text(), QStringLiteral("共 3 条, 未读 1 条"));

    // Deleting a bulletin takes its read marks with it.
    Select(*chen, 1, QStringLiteral("放假"));
    chenPrompt.QueueAnswer(Prompt::Answer::Ok);
    chen->OnCommand(Command::Delete);
    QCOMPARE(Scalar(db, QStringLiteral("select count(*) from Bulletin")), QStringLiteral("4"));
    QCOMPARE(Scalar(db, QStringLiteral("select count(*) from BulletinRead where BulletinId=1")),
             QStringLiteral("0"));
}

void tst_OfficeWork::leaveAppliedWithdrawnAndAnswered() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(Run(db, QStringLiteral("insert into UserData (UserName,Department) values "
                                   "('zhang','销售');"
                                   "insert into UserData (UserName,Department,Privilege) values "
                                   "('li','销售','管理中心');"
                                   "insert into UserData (UserName,Department) values "
                                   "('wu','财务');"
                                   "insert into Holiday (UserName,Kind,FromDate,ToDate,Reason,"
                                   "State) values ('li','年假','2026-08-01','2026-08-05','旅行',"
                                   "'待批');"
                                   "insert into Holiday (UserName,Kind,FromDate,ToDate,Reason,"
                                   "State) values ('wu','病假','2026-08-01','2026-08-01','发烧',"
                                   "'待批')")));
    ScriptedPrompt prompt;
    auto zhang = Open<CHolidayView>(applyHoliday, db, prompt, "zhang");
    QVERIFY(zhang);
    QCOMPARE(DataRows(*zhang), 0);

    // Each check keeps the form open; a day alone as the end means the
    // whole day, so an afternoon start on that day is in order.
    const QString help = QStringLiteral("请按“年-月-日”或“年-月-日 时:分”输入，例如 ") + Day(0) +
                         QStringLiteral(" 或 ") + Day(0) + QStringLiteral(" 09:00");
    QueueLeave(prompt, QStringLiteral("事假"), QStringLiteral("2026-9-1"),
               QStringLiteral("2026-09-01"), QStringLiteral("搬家"));
    QueueLeave(prompt, QStringLiteral("事假"), QStringLiteral("2026-09-01 14:00"),
               QStringLiteral("2026-09-01 25:00"), QStringLiteral("搬家"));
    QueueLeave(prompt, QStringLiteral("事假"), QStringLiteral("2026-09-02"),
               QStringLiteral("2026-09-01 18:00"), QStringLiteral("搬家"));
    QueueLeave(prompt, QStringLiteral("事假"), QStringLiteral("2026-09-01 14:00"),
               QStringLiteral("2026-09-01"), QStringLiteral("  "));
    for (int i = 0; i < 4; ++i)
        zhang->OnCommand(Command::Add);
    QCOMPARE(prompt.Messages(), (QStringList{QStringLiteral("开始时间的格式不正确，") + help,
                                             QStringLiteral("结束时间的格式不正确，") + help,
                                             QStringLiteral("结束时间不能早于开始时间"),
                                             QStringLiteral("请输入请假事由")}));
    QueueLeave(prompt, QStringLiteral("事假"), QStringLiteral("2026-09-01 14:00"),
               QStringLiteral("2026-09-01"), QStringLiteral("搬家"));
    zhang->OnCommand(Command::Add);
    QCOMPARE(Scalar(db, QStringLiteral("select Kind || FromDate || '|' || ToDate || State from "
                                       "Holiday where UserName='zhang'")),
             QStringLiteral("事假2026-09-01 14:00|2026-09-01待批"));
    QCOMPARE(DataRows(*zhang), 1);

    // 撤回 asks first and takes back a waiting request.
    prompt.Reset();
    zhang->Grid()->ResetSelectedRange();
    zhang->OnCommand(CHolidayView::kWithdraw);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("请选择要撤回的请假条"));
    Select(*zhang, 1, QStringLiteral("事假"));
    zhang->OnCommand(CHolidayView::kWithdraw); // answered No
    QCOMPARE(prompt.LastMessage(), QStringLiteral("确定要撤回选择的请假条吗?"));
    QCOMPARE(DataRows(*zhang), 1);
    prompt.QueueAnswer(Prompt::Answer::Yes);
    zhang->OnCommand(CHolidayView::kWithdraw);
    QCOMPARE(DataRows(*zhang), 0);
    QCOMPARE(Scalar(db, QStringLiteral("select count(*) from Holiday where UserName='zhang'")),
             QStringLiteral("0"));
    QueueLeave(prompt, QStringLiteral("病假"), QStringLiteral("2026-09-03"),
               QStringLiteral("2026-09-04"), QStringLiteral("看病"));
    zhang->OnCommand(Command::Add);
    QueueLeave(prompt, QStringLiteral("调休"), QStringLiteral("2026-09-10"),
               QStringLiteral("2026-09-10"), QStringLiteral("加班调休"));
    zhang->OnCommand(Command::Add);

    // The manager of 销售 sees the department's requests, not 财务's, and
    // does not answer their own.
    ScriptedPrompt liPrompt;
    auto li = Open<CManagerCenterView>(managerCenter, db, liPrompt, "li", "管理中心");
    QVERIFY(li);
    QCOMPARE(li->Box(ManagerAgenda::PendingLeave)->title(), QStringLiteral("待批请假 (3)"));
    QVERIFY(!SelectRequest(*li, QStringLiteral("wu")));
    li->OnCommand(CManagerCenterView::kApprove);
    QCOMPARE(liPrompt.LastMessage(), QStringLiteral("请选择要审批的请假条"));
    QVERIFY(SelectRequest(*li, QStringLiteral("li")));
    li->OnCommand(CManagerCenterView::kApprove);
    QCOMPARE(liPrompt.LastMessage(), QStringLiteral("不能审批自己的请假条"));

    li->Table(ManagerAgenda::PendingLeave)->selectRow(1); // zhang's 病假 (by start)
    QueueAnswer(liPrompt, QStringLiteral("同意, 早日康复"));
    li->OnCommand(CManagerCenterView::kApprove);
    QCOMPARE(li->Box(ManagerAgenda::PendingLeave)->title(), QStringLiteral("待批请假 (2)"));
    QVERIFY(SelectRequest(*li, QStringLiteral("zhang")));
    QueueAnswer(liPrompt, QString());
    li->OnCommand(CManagerCenterView::kReject);
    QCOMPARE(liPrompt.LastMessage(), QStringLiteral("请输入驳回的理由"));
    QCOMPARE(li->Box(ManagerAgenda::PendingLeave)->title(), QStringLiteral("待批请假 (2)"));
    QueueAnswer(liPrompt, QStringLiteral("月中人手不够"));
    li->OnCommand(CManagerCenterView::kReject);
    QCOMPARE(li->Box(ManagerAgenda::PendingLeave)->title(), QStringLiteral("待批请假 (1)"));

    // The applicant sees each answer: state, who, when and the text.
    zhang->OnCommand(Command::Reload);
    QueryBinder& binder = zhang->Binder();
    QCOMPARE(binder.GetCellText(1, QStringLiteral("Kind")), QStringLiteral("调休"));
    QCOMPARE(binder.GetCellText(1, QStringLiteral("State")), QStringLiteral("驳回"));
    QCOMPARE(binder.GetCellText(1, QStringLiteral("Answer")), QStringLiteral("月中人手不够"));
    QCOMPARE(binder.GetCellText(2, QStringLiteral("State")), QStringLiteral("批准"));
    QCOMPARE(binder.GetCellText(2, QStringLiteral("Approver")), QStringLiteral("li"));
    QCOMPARE(binder.GetCellText(2, QStringLiteral("Answer")), QStringLiteral("同意, 早日康复"));
    QCOMPARE(binder.GetCellText(2, QStringLiteral("AnswerTime")).left(10), Day(0));
    QCOMPARE(zhang->Grid()->GetItemFgColour(1, 6),
             CHolidayView::StateColour(QStringLiteral("驳回")));
    QVERIFY(CHolidayView::StateColour(QStringLiteral("驳回")) !=
            CHolidayView::StateColour(QStringLiteral("批准")));
    Select(*zhang, 1, QStringLiteral("调休"));
    zhang->OnCommand(CHolidayView::kWithdraw);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("只有待批的请假条才能撤回"));

    // admin answers anyone's request, a manager's own included.
    ScriptedPrompt adminPrompt;
    auto admin = Open<CManagerCenterView>(managerCenter, db, adminPrompt, "admin");
    QCOMPARE(admin->Box(ManagerAgenda::PendingLeave)->title(), QStringLiteral("待批请假 (2)"));
    QVERIFY(SelectRequest(*admin, QStringLiteral("li")));
    QueueAnswer(adminPrompt, QString());
    admin->OnCommand(CManagerCenterView::kApprove);
    QCOMPARE(Scalar(db, QStringLiteral("select State || Approver from Holiday where "
                                       "UserName='li'")),
             QStringLiteral("批准admin"));
}

void tst_OfficeWork::secondDeskLosesTheRaceForOneRequest() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(Run(db, QStringLiteral("insert into UserData (UserName,Department) values "
                                   "('zhang','销售');"
                                   "insert into UserData (UserName,Department,Privilege) values "
                                   "('li','销售','管理中心');"
                                   "insert into Holiday (UserName,Kind,FromDate,ToDate,Reason,"
                                   "State) values ('zhang','事假','2026-08-01','2026-08-01','办证',"
                                   "'待批');"
                                   "insert into Holiday (UserName,Kind,FromDate,ToDate,Reason,"
                                   "State) values ('zhang','事假','2026-08-03','2026-08-03','复诊',"
                                   "'待批')")));
    // Two managers have the same request on screen; the first answer holds.
    ScriptedPrompt firstPrompt;
    ScriptedPrompt secondPrompt;
    auto first = Open<CManagerCenterView>(managerCenter, db, firstPrompt, "li", "管理中心");
    auto second = Open<CManagerCenterView>(managerCenter, db, secondPrompt, "admin");
    QVERIFY(first && second);
    first->Table(ManagerAgenda::PendingLeave)->selectRow(0);
    second->Table(ManagerAgenda::PendingLeave)->selectRow(0);
    QueueAnswer(firstPrompt, QStringLiteral("同意"));
    first->OnCommand(CManagerCenterView::kApprove);
    QueueAnswer(secondPrompt, QStringLiteral("不同意"));
    second->OnCommand(CManagerCenterView::kReject);
    QCOMPARE(secondPrompt.LastMessage(), QStringLiteral("该请假条已由其他人审批或已撤回"));
    QCOMPARE(second->Box(ManagerAgenda::PendingLeave)->title(), QStringLiteral("待批请假 (1)"));
    QCOMPARE(Scalar(db, QStringLiteral("select State || Approver || Answer from Holiday where "
                                       "FromDate='2026-08-01'")),
             QStringLiteral("批准li同意"));

    // The applicant's list still shows the other request waiting when a
    // manager answers it: the withdrawal is refused and the list reloaded.
    ScriptedPrompt prompt;
    auto zhang = Open<CHolidayView>(applyHoliday, db, prompt, "zhang");
    Select(*zhang, 2, QStringLiteral("2026-08-03"));
    QVERIFY(SelectRequest(*first, QStringLiteral("zhang")));
    QueueAnswer(firstPrompt, QStringLiteral("同意"));
    first->OnCommand(CManagerCenterView::kApprove);
    prompt.QueueAnswer(Prompt::Answer::Yes);
    zhang->OnCommand(CHolidayView::kWithdraw);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("该请假条已经审批, 不能撤回"));
    QCOMPARE(zhang->Binder().GetCellText(1, QStringLiteral("State")), QStringLiteral("批准"));
    QCOMPARE(Scalar(db, QStringLiteral("select count(*) from Holiday")), QStringLiteral("2"));
}

void tst_OfficeWork::managerCenterCountsTheTeamsWork() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    const QString today = Day(0);
    const QString yesterday = Day(-1);
    QVERIFY(Run(
        db,
        QStringLiteral(
            "insert into UserData (UserName,Department,Privilege) values ('li','销售','管理中心');"
            "insert into UserData (UserName,Department) values ('zhang','销售');"
            "insert into UserData (UserName,Department,Dimission) values ('zhou','销售',1);"
            "insert into UserData (UserName,Department) values ('wu','财务');"
            "insert into UserData (UserName,Department,Privilege) values ('boss','','管理中心');"
            // Overdue for 销售: given to zhang, given to zhang by wu, given by li.
            "insert into WorkerTask (Title,Assigner,Assignee,Priority,State,DueDate) values "
            "('报价','li','zhang',1,'新建','%2');"
            "insert into WorkerTask (Title,Assigner,Assignee,Priority,State,DueDate) values "
            "('对账','wu','zhang',2,'已接受','%2');"
            "insert into WorkerTask (Title,Assigner,Assignee,Priority,State,DueDate) values "
            "('发票','li','wu',3,'已接受','2020-01-01');"
            // Not overdue, or not the team's.
            "insert into WorkerTask (Title,Assigner,Assignee,State,DueDate) values "
            "('完成的','li','zhang','已完成','%2');"
            "insert into WorkerTask (Title,Assigner,Assignee,State,DueDate) values "
            "('今天到期','li','zhang','新建','%1');"
            "insert into WorkerTask (Title,Assigner,Assignee,State,DueDate) values "
            "('无期限','li','zhang','新建','');"
            "insert into WorkerTask (Title,Assigner,Assignee,State,DueDate) values "
            "('财务的','wu','wu','新建','%2');"
            "insert into WorkLog (Kind,UserName,WorkDate,Title) values "
            "('计划','zhang','%1','拜访');"
            "insert into WorkLog (Kind,UserName,WorkDate,Title) values ('计划','wu','%1','报税');"
            "insert into WorkLog (Kind,UserName,WorkDate,Title) values ('计划','zhang','%2','旧');"
            "insert into WorkLog (Kind,UserName,WorkDate,Title) values ('日志','li','%2','例会');"
            "insert into WorkLog (Kind,UserName,WorkDate,Title) values ('日志','zhang','%1','今')")
            .arg(today, yesterday)));

    ScriptedPrompt prompt;
    auto li = Open<CManagerCenterView>(managerCenter, db, prompt, "li", "管理中心");
    QVERIFY(li);
    QCOMPARE(Captions(*li),
             (QStringList{QStringLiteral("待批请假 (0)"), QStringLiteral("逾期任务 (3)"),
                          QStringLiteral("今日计划 (1)"), QStringLiteral("昨日日志 (1)")}));
    QTableWidget* tasks = li->Table(ManagerAgenda::OverdueTasks);
    QCOMPARE(tasks->item(0, 1)->text(), QStringLiteral("发票"));
    QCOMPARE(tasks->item(0, 4)->text(), QStringLiteral("低"));
    QCOMPARE(li->Table(ManagerAgenda::TodayPlans)->item(0, 2)->text(), QStringLiteral("拜访"));
    // Of 销售's working staff only zhang wrote no log yesterday.
    QCOMPARE(li->MissingLogs()->text(), QStringLiteral("未写日志: zhang"));

    // 刷新 reads again; a manager without a department sees everyone.
    QVERIFY(Run(db, QStringLiteral("insert into WorkLog (Kind,UserName,WorkDate,Title) values "
                                   "('日志','zhang','%1','补写')")
                        .arg(yesterday)));
    li->OnCommand(Command::Reload);
    QCOMPARE(li->Box(ManagerAgenda::YesterdayLogs)->title(), QStringLiteral("昨日日志 (2)"));
    QCOMPARE(li->MissingLogs()->text(), QString());
    auto boss = Open<CManagerCenterView>(managerCenter, db, prompt, "boss", "管理中心");
    QCOMPARE(Captions(*boss),
             (QStringList{QStringLiteral("待批请假 (0)"), QStringLiteral("逾期任务 (4)"),
                          QStringLiteral("今日计划 (2)"), QStringLiteral("昨日日志 (2)")}));
    QCOMPARE(boss->MissingLogs()->text(), QStringLiteral("未写日志: boss、wu"));

    // Anyone else is told so instead of getting the view.
    PluginArgs args{};
    args.size = sizeof(PluginArgs);
    args.version = PluginArgsVersion;
    args.parameter = "";
    args.connection = &db;
    args.prompt = &prompt;
    args.userName = "zhang";
    args.privilege = "发布公告";
    args.programFolder = "";
    std::unique_ptr<QWidget> refused(managerCenter(&args));
    auto* notice = qobject_cast<CNoticeView*>(refused.get());
    QVERIFY(notice);
    QCOMPARE(notice->Text(), QStringLiteral("您没有管理中心的权限"));
}

QTEST_MAIN(tst_OfficeWork)
#include "tst_officework.moc"
