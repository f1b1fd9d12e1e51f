#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "PlanCalendarView.h"

#include "base/IniFile.h"
#include "business/TraceDlg.h"
#include "business/TraceRowColours.h"
#include "business/TraceSearchDlg.h"
#include "business/TraceSearchView.h"
#include "business/TrackPlanSearchView.h"
#include "business/TrackPlanView.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/QueryBinder.h"
#include "framework/CommandIds.h"
#include "ui/GridCtrl.h"

#include <QDate>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QtTest>

namespace {

QString Day(int offset, const char* time = " 09:00:00") {
    return QDate::currentDate().addDays(offset).toString(QStringLiteral("yyyy-MM-dd")) +
           QString::fromLatin1(time);
}

QString Lit(const QString& text) {
    QString quoted = text;
    return QLatin1Char('\'') + quoted.replace(QLatin1Char('\''), QStringLiteral("''")) +
           QLatin1Char('\'');
}

int AddCustomer(DbConnection& db, const QString& name, const QString& handler) {
    const int key = db.GetMaxId(QStringLiteral("CustomerData")) + 1;
    db.Execute(QStringLiteral("insert into CustomerData (KeyId, CustomerName, Handler, Contact) "
                              "values (%1, %2, %3, '王经理')")
                   .arg(key)
                   .arg(Lit(name), Lit(handler)));
    return key;
}

void AddPlan(DbConnection& db, int customer, const QString& handler, const QString& title,
             const QString& time) {
    QCOMPARE(db.Execute(QStringLiteral("insert into TrackPlan (CustomerId, CustomerName, Handler, "
                                       "Contact, Title, PlanTime, Comment) values "
                                       "(%1, 'c', %2, '王', %3, %4, '备注')")
                            .arg(customer)
                            .arg(Lit(handler), Lit(title), Lit(time))),
             1);
}

qint64 Count(DbConnection& db, const QString& sql) {
    DbRecordset rs(db);
    if (!rs.Open(sql) || rs.IsEOF())
        return -1;
    return rs.GetString(0).toLongLong();
}

// The grid's texts of one column, top to bottom.
QStringList Column(CGridCtrl& grid, int column) {
    QStringList texts;
    for (int row = grid.GetFixedRowCount(); row < grid.GetRowCount(); ++row)
        texts << grid.GetItemText(row, column);
    return texts;
}

int RowOf(CGridCtrl& grid, int column, const QString& text) {
    for (int row = grid.GetFixedRowCount(); row < grid.GetRowCount(); ++row) {
        if (grid.GetItemText(row, column) == text)
            return row;
    }
    return -1;
}

void Select(CGridCtrl& grid, int top, int bottom) {
    grid.SetSelectedRange(top, 1, bottom, grid.GetColumnCount() - 1);
}

// Fills the form and presses 确定; the dialog's result.
std::function<int(QDialog&)> FillForm(const QString& title, const QString& time,
                                      const QString& text) {
    return [=](QDialog& dialog) {
        auto& form = static_cast<CTraceDlg&>(dialog);
        form.Field(QStringLiteral("Title"))->setText(title);
        if (!time.isNull())
            form.Field(form.objectName() == QLatin1String("CTraceDlg") ? QStringLiteral("FDTime")
                                                                       : QStringLiteral("PlanTime"))
                ->setText(time);
        form.TextEdit()->setPlainText(text);
        form.OnOK();
        return form.result();
    };
}

} // namespace

class TestTraceLists : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(folder_.IsValid()); }

    void formsReadKeysBackAndRefuseBadTimes_data() { TestDatabase::AddEngineRows(); }
    // A new plan comes from the customer's row, keeps every typed character
    // and gets the key its insert returned; a time that is not a time saves
    // nothing; an edit of a row another desk deleted says so.
    void formsReadKeysBackAndRefuseBadTimes() {
        TORVEL_TEST_CONNECTION(database);
        const int customer = AddCustomer(db, QStringLiteral("星河贸易"), QStringLiteral("li"));
        AddPlan(db, customer, QStringLiteral("li"), QStringLiteral("old"), Day(0));

        ScriptedPrompt prompt;
        const QString typed = QStringLiteral("它's 50% -- done;\n第二行");
        prompt.QueueModal([&](QDialog& dialog) {
            auto& form = static_cast<CTraceDlg&>(dialog);
            if (form.Field(QStringLiteral("CustomerName"))->text() != QStringLiteral("星河贸易") ||
                form.Field(QStringLiteral("Handler"))->text() != QStringLiteral("li") ||
                form.Field(QStringLiteral("Contact"))->text() != QStringLiteral("王经理"))
                return int(QDialog::Rejected);
            return FillForm(QStringLiteral("下周再联系"), QStringLiteral("明天"), typed)(dialog);
        });
        IniFile bag;
        QVERIFY(!RunTraceForm(prompt, db, nullptr, TraceKind::Plan, customer, bag));
        QVERIFY(prompt.LastMessage().startsWith(QStringLiteral("计划时间格式不正确")));
        QCOMPARE(Count(db, QStringLiteral("select count(*) from TrackPlan")), 1);

        prompt.Reset();
        prompt.QueueModal(FillForm(typed, Day(7), typed));
        QVERIFY(RunTraceForm(prompt, db, nullptr, TraceKind::Plan, customer, bag));
        const int key = bag.GetInt(QStringLiteral("."), QStringLiteral("KeyId"));
        QVERIFY(key > 0);
        QCOMPARE(bag.GetString(QStringLiteral("."), QStringLiteral("Comment")), typed);
        DbRecordset rs(db);
        QVERIFY(rs.Open(QStringLiteral("select * from TrackPlan where KeyId=%1").arg(key)));
        QVERIFY(!rs.IsEOF());
        QCOMPARE(rs.GetString(QStringLiteral("Title")), typed);
        QCOMPARE(rs.GetString(QStringLiteral("Comment")), typed);
        QCOMPARE(rs.GetLong(QStringLiteral("CustomerId")), customer);
        rs.Close();

        // Edit a record that another desk deletes while the form is open.
        QCOMPARE(db.Execute(QStringLiteral("insert into TraceData (CustomerId, Title, FDTime) "
                                           "values (1, 'a', '2024-01-01 10:00:00')")),
                 1);
        const int record = db.GetMaxId(QStringLiteral("TraceData"));
        IniFile edit;
        edit.SetInt(QStringLiteral("."), QStringLiteral("KeyId"), record);
        prompt.Reset();
        prompt.QueueModal([&](QDialog& dialog) {
            db.Execute(QStringLiteral("delete from TraceData"));
            return FillForm(QStringLiteral("b"), QString(), QStringLiteral("x"))(dialog);
        });
        QVERIFY(!RunTraceForm(prompt, db, nullptr, TraceKind::Record, 0, edit));
        QCOMPARE(prompt.Messages(), QStringList{QStringLiteral("指定的数据不存在!")});
    }

    void planListColoursSearchesAndStaysWithinHandler_data() { TestDatabase::AddEngineRows(); }
    // The plan list of an ordinary user: only his rows, overdue red, today
    // green, later white; nothing typed into the search reaches other rows;
    // a new search starts from the first page.
    void planListColoursSearchesAndStaysWithinHandler() {
        TORVEL_TEST_CONNECTION(database);
        const int customer = AddCustomer(db, QStringLiteral("c"), QStringLiteral("li"));
        AddPlan(db, customer, QStringLiteral("li"), QStringLiteral("yesterday"), Day(-1));
        AddPlan(db, customer, QStringLiteral("li"), QStringLiteral("today"), Day(0));
        AddPlan(db, customer, QStringLiteral("li"), QStringLiteral("tomorrow"), Day(1));
        AddPlan(db, customer, QStringLiteral("zhang"), QStringLiteral("other"), Day(0));

        ScriptedPrompt prompt;
        CTrackPlanSearchView view(db, prompt, QStringLiteral(" Handler='li' "));
        CGridCtrl& grid = *view.Grid();
        QCOMPARE(Column(grid, 3), (QStringList{QStringLiteral("yesterday"), QStringLiteral("today"),
                                               QStringLiteral("tomorrow")}));
        QCOMPARE(grid.GetItemBkColour(1, 1), TraceRowColours::Overdue());
        QCOMPARE(grid.GetItemBkColour(1, 6), TraceRowColours::Overdue());
        QCOMPARE(grid.GetItemBkColour(2, 3), TraceRowColours::Today());
        QCOMPARE(grid.GetItemBkColour(3, 3), grid.GetTextBkColor());

        TraceCriteria criteria;
        criteria.handler = QStringLiteral("zhang");
        view.Search(criteria);
        QCOMPARE(grid.GetRowCount(), 1);
        criteria.handler = QStringLiteral("zhang' or Handler<>'");
        view.Search(criteria);
        QCOMPARE(grid.GetRowCount(), 1);
        criteria = TraceCriteria();
        criteria.title = QStringLiteral("%') or ('1'='1");
        view.Search(criteria);
        QCOMPARE(grid.GetRowCount(), 1);
        QVERIFY(prompt.Messages().isEmpty());

        view.Binder().SetPageIndex(3);
        criteria = TraceCriteria();
        criteria.time = Day(0).left(7);
        criteria.title = QStringLiteral("to");
        view.Search(criteria);
        QCOMPARE(view.Binder().GetPageIndex(), 0);
        QCOMPARE(Column(grid, 3).size(), Day(1).left(7) == Day(0).left(7) ? 2 : 1);

        // A user name with a quote still only shows that user's rows.
        CTrackPlanSearchView odd(db, prompt, QStringLiteral(" Handler='o''neil' "));
        QCOMPARE(odd.Grid()->GetRowCount(), 1);
    }

    void completingPlanIsAllOrNothing_data() { TestDatabase::AddEngineRows(); }
    // 完成 turns the plan into a record dated now and removes it, and the
    // calendar follows on its next load; when the database refuses the
    // delete, neither the plan nor the records change.
    void completingPlanIsAllOrNothing() {
        TORVEL_TEST_CONNECTION(database);
        const int customer = AddCustomer(db, QStringLiteral("c"), QStringLiteral("li"));
        AddPlan(db, customer, QStringLiteral("li"), QStringLiteral("回访"), Day(0, " 10:30:00"));
        AddPlan(db, customer, QStringLiteral("li"), QStringLiteral("报价"), Day(0, " 15:00:00"));
        auto calendarRows = [&] {
            PlanCalendarView calendar(&db, QStringLiteral("li"));
            return calendar.findChild<QTableWidget*>(QStringLiteral("plans"))->rowCount();
        };
        QCOMPARE(calendarRows(), 2);

        ScriptedPrompt prompt;
        CTrackPlanSearchView view(db, prompt, QString());
        CGridCtrl& grid = *view.Grid();
        QCOMPARE(grid.GetRowCount(), 3);

        view.OnCommand(Command::CompletePlan);
        QCOMPARE(prompt.Messages(), QStringList{QStringLiteral("请选择要编辑的信息!")});

        prompt.Reset();
        Select(grid, 1, 1);
        const QString before = TraceStatements::Now();
        view.OnCommand(Command::CompletePlan);
        QVERIFY(prompt.Messages().isEmpty());
        QCOMPARE(Column(grid, 3), QStringList{QStringLiteral("报价")});
        DbRecordset rs(db);
        QVERIFY(rs.Open(QStringLiteral("select * from TraceData")));
        QVERIFY(!rs.IsEOF());
        QCOMPARE(rs.GetString(QStringLiteral("Title")), QStringLiteral("回访"));
        QCOMPARE(rs.GetString(QStringLiteral("FDText")), QStringLiteral("备注"));
        QCOMPARE(rs.GetString(QStringLiteral("Handler")), QStringLiteral("li"));
        QCOMPARE(rs.GetLong(QStringLiteral("CustomerId")), customer);
        QVERIFY(rs.GetString(QStringLiteral("FDTime")) >= before);
        rs.MoveNext();
        QVERIFY(rs.IsEOF());
        rs.Close();
        QCOMPARE(calendarRows(), 1);

        // The database refuses to delete the remaining plan.
        if (database.IsPostgres()) {
            QCOMPARE(db.Execute(QStringLiteral("create table PlanLock (PlanId integer "
                                               "references TrackPlan (KeyId))")),
                     1);
            QCOMPARE(db.Execute(QStringLiteral("insert into PlanLock select KeyId from TrackPlan")),
                     1);
        } else {
            QCOMPARE(db.Execute(QStringLiteral("create trigger PlanLock before delete on TrackPlan "
                                               "begin select raise(abort, 'plan locked'); end")),
                     1);
        }
        prompt.Reset();
        Select(grid, 1, 1);
        view.OnCommand(Command::CompletePlan);
        QCOMPARE(prompt.Messages().size(), 1);
        QVERIFY2(prompt.LastMessage().startsWith(QStringLiteral("delete from TrackPlan where "
                                                                "KeyId=")),
                 qPrintable(prompt.LastMessage()));
        QCOMPARE(Count(db, QStringLiteral("select count(*) from TraceData")), 1);
        QCOMPARE(Count(db, QStringLiteral("select count(*) from TrackPlan")), 1);
        QCOMPARE(grid.GetRowCount(), 2);
        QCOMPARE(calendarRows(), 1);
    }

    void deletingSelectedRowsIsOneTransaction_data() { TestDatabase::AddEngineRows(); }
    // The selected records go together after one question; a refused row
    // asks whether to go on, and No keeps what was deleted before it.
    void deletingSelectedRowsIsOneTransaction() {
        TORVEL_TEST_CONNECTION(database);
        for (int i = 1; i <= 4; ++i)
            QCOMPARE(db.Execute(QStringLiteral("insert into TraceData (CustomerId, Title, FDTime, "
                                               "Handler) values (1, 't%1', %2, 'li')")
                                    .arg(i)
                                    .arg(Lit(Day(i == 1 ? 0 : -i)))),
                     1);
        ScriptedPrompt prompt;
        CTraceSearchView view(db, prompt, QString());
        CGridCtrl& grid = *view.Grid();
        QCOMPARE(Column(grid, 4), (QStringList{QStringLiteral("t4"), QStringLiteral("t3"),
                                               QStringLiteral("t2"), QStringLiteral("t1")}));
        QCOMPARE(grid.GetItemBkColour(4, 2), TraceRowColours::Today());
        QCOMPARE(grid.GetItemBkColour(3, 2), grid.GetTextBkColor());

        view.OnCommand(Command::Delete);
        QCOMPARE(prompt.Messages(), QStringList{QStringLiteral("请选择要删除的信息")});

        prompt.Reset();
        Select(grid, 1, 2);
        view.OnCommand(Command::Delete); // no answer queued: Cancel
        QCOMPARE(grid.GetRowCount(), 5);

        prompt.Reset();
        prompt.QueueAnswer(Prompt::Answer::Ok);
        Select(grid, 1, 2);
        view.OnCommand(Command::Delete);
        QCOMPARE(prompt.Messages(), QStringList{QStringLiteral("确定要删除选择的信息吗?")});
        QCOMPARE(Column(grid, 4), (QStringList{QStringLiteral("t2"), QStringLiteral("t1")}));
        QCOMPARE(Count(db, QStringLiteral("select count(*) from TraceData")), 2);

        // The key cell of the top row is not a key: that row fails, the user
        // stops, and the row below it (done first) stays deleted.
        grid.SetItemText(1, 0, QStringLiteral("1 or 1=1"));
        prompt.Reset();
        prompt.QueueAnswer(Prompt::Answer::Ok);
        prompt.QueueAnswer(Prompt::Answer::No);
        Select(grid, 1, 2);
        view.OnCommand(Command::Delete);
        QCOMPARE(prompt.Messages().size(), 2);
        QCOMPARE(prompt.LastMessage(), QStringLiteral("编号无效: 1 or 1=1\r\n\r\n是否继续?"));
        QCOMPARE(Count(db, QStringLiteral("select count(*) from TraceData")), 1);
        QCOMPARE(Column(grid, 4), QStringList{QStringLiteral("t2")});
    }

    void customerPlanTab_data() { TestDatabase::AddEngineRows(); }
    // The tab shows one customer's plans; without a customer 添加 does
    // nothing; a new plan appears at the top and in the calendar.
    void customerPlanTab() {
        TORVEL_TEST_CONNECTION(database);
        const int first = AddCustomer(db, QStringLiteral("a"), QStringLiteral("li"));
        const int second = AddCustomer(db, QStringLiteral("b"), QStringLiteral("li"));
        AddPlan(db, first, QStringLiteral("li"), QStringLiteral("a1"), Day(3));
        AddPlan(db, second, QStringLiteral("li"), QStringLiteral("b1"), Day(3));

        ScriptedPrompt prompt;
        CTrackPlanView tab(db, prompt);
        tab.OnCommand(Command::Add);
        QVERIFY(prompt.shown.isEmpty());

        tab.SetCustomer(first);
        CGridCtrl& grid = *tab.Grid();
        QCOMPARE(Column(grid, 2), QStringList{QStringLiteral("a1")});
        prompt.QueueModal(FillForm(QStringLiteral("today's call"), Day(0), QString()));
        tab.OnCommand(Command::Add);
        QCOMPARE(Column(grid, 2),
                 (QStringList{QStringLiteral("today's call"), QStringLiteral("a1")}));
        QCOMPARE(grid.GetItemText(1, 3), Day(0));
        QVERIFY(RowOf(grid, 0, grid.GetItemText(1, 0)) == 1 && grid.GetItemText(1, 0).toInt() > 0);

        PlanCalendarView calendar(&db, QStringLiteral("li"));
        auto* plans = calendar.findChild<QTableWidget*>(QStringLiteral("plans"));
        QCOMPARE(plans->rowCount(), 1);
        QCOMPARE(plans->item(0, 4)->text(), QStringLiteral("today's call"));
    }

private:
    TempProgramFolder folder_{false};
};

QTEST_MAIN(TestTraceLists)
#include "tst_tracelists.moc"
