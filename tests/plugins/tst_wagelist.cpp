#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "WageDlg.h"
#include "WageMonthDlg.h"
#include "WageSearchView.h"
#include "WageSheet.h"
#include "WageView.h"

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/DbTransaction.h"
#include "db/QueryBinder.h"
#include "framework/CommandIds.h"
#include "shell/PluginArgs.h"
#include "ui/GridCtrl.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

#include <memory>
#include <thread>

TORVEL_PLUGIN_ENTRY QWidget* listWage(const PluginArgs* args);
TORVEL_PLUGIN_ENTRY QWidget* searchWage(const PluginArgs* args);

class tst_WageList : public QObject {
    Q_OBJECT

private slots:
    void sheetCopiesLastMonthAndIsMadeOnce_data() { TestDatabase::AddEngineRows(); }
    void sheetCopiesLastMonthAndIsMadeOnce();
    void editRefusesNonNumberAndComputesNetPay_data() { TestDatabase::AddEngineRows(); }
    void editRefusesNonNumberAndComputesNetPay();
    void exportWritesTheSheetAndDeleteRemovesIt_data() { TestDatabase::AddEngineRows(); }
    void exportWritesTheSheetAndDeleteRemovesIt();
    void slipsAreOwnUnlessHoldingTheRight_data() { TestDatabase::AddEngineRows(); }
    void slipsAreOwnUnlessHoldingTheRight();
    void twoDesksMakingOneMonthMakeOneSheet();
};

namespace {

// Staff: zhang and li working, wang left; April's sheet has zhang only.
const QString kStaff = QStringLiteral(
    "insert into UserData (UserName,FullName,Dimission) values ('zhang','张三',0);"
    "insert into UserData (UserName,FullName,Dimission) values ('li','李四',0);"
    "insert into UserData (UserName,FullName,Dimission) values ('wang','王五',1);"
    "insert into WageData (WageMonth,UserName,BasePay,Bonus,Allowance,Deduction,Insurance,Tax,"
    "NetPay,Remarks) values ('2026-04','zhang',3000,500,200.5,100,300,50,3250.5,'四月');"
    "insert into WageData (WageMonth,UserName,BasePay,NetPay) values ('2026-03','li',9,9)");

QString Scalar(DbConnection& db, const QString& sql) {
    DbRecordset rs(db);
    if (!rs.Open(sql) || rs.IsEOF())
        return QStringLiteral("<none>");
    return rs.GetString(0);
}

QStringList Column(const CRecordListView& view, const QString& column) {
    QStringList texts;
    for (int row = 1; row < view.Grid()->GetRowCount(); ++row)
        texts << view.Binder().GetCellText(row, column);
    return texts;
}

struct Args {
    QByteArray user;
    QByteArray privilege;
    PluginArgs record{};
};

std::unique_ptr<Args> MakeArgs(DbConnection& db, Prompt& prompt, const QString& user,
                               const QString& privilege) {
    auto args = std::make_unique<Args>();
    args->user = user.toUtf8();
    args->privilege = privilege.toUtf8();
    args->record.size = sizeof(PluginArgs);
    args->record.version = PluginArgsVersion;
    args->record.parameter = "";
    args->record.connection = &db;
    args->record.prompt = &prompt;
    args->record.userName = args->user.constData();
    args->record.privilege = args->privilege.constData();
    return args;
}

std::unique_ptr<WageView> OpenSheets(DbConnection& db, Prompt& prompt) {
    auto args = MakeArgs(db, prompt, QStringLiteral("admin"), QString());
    return std::unique_ptr<WageView>(qobject_cast<WageView*>(listWage(&args->record)));
}

void QueueMonth(ScriptedPrompt& prompt, const QString& month, QString* proposed = nullptr) {
    prompt.QueueModal([=](QDialog& dialog) {
        auto& form = static_cast<WageMonthDlg&>(dialog);
        if (proposed)
            *proposed = form.Month();
        form.MonthBox()->setText(month);
        return form.OnOK() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
}

} // namespace

void tst_WageList::sheetCopiesLastMonthAndIsMadeOnce() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(database.RunScript(kStaff));
    ScriptedPrompt prompt;
    auto view = OpenSheets(db, prompt);
    QVERIFY(view);
    QCOMPARE(view->Month(), QStringLiteral("2026-04"));
    QCOMPARE(Column(*view, QStringLiteral("姓名")), QStringList{QStringLiteral("张三")});

    QueueMonth(prompt, QStringLiteral("2026-13"));
    view->OnCommand(WageView::kNewSheet);
    QVERIFY(prompt.LastMessage().startsWith(QStringLiteral("月份格式不正确")));

    // The next month is proposed; working staff get rows, zhang's copied
    // from April, admin and li (nothing in April) at zero, wang (left) none.
    QString proposed;
    QueueMonth(prompt, QStringLiteral("2026-05"), &proposed);
    view->OnCommand(WageView::kNewSheet);
    QCOMPARE(proposed, QStringLiteral("2026-05"));
    QCOMPARE(view->Month(), QStringLiteral("2026-05"));
    QCOMPARE(Column(*view, QStringLiteral("UserName")),
             QString(QStringLiteral("admin li zhang")).split(u' '));
    QCOMPARE(Column(*view, QStringLiteral("Allowance")),
             QString(QStringLiteral("0 0 200.5")).split(u' '));
    QCOMPARE(Column(*view, QStringLiteral("NetPay")),
             QString(QStringLiteral("0 0 3250.5")).split(u' '));
    QCOMPARE(Column(*view, QStringLiteral("Remarks")), QStringList(3, QString()));
    QCOMPARE(view->TotalsText(),
             QStringLiteral("合计 3 人  基本工资: 3000.00  奖金: 500.00  津贴: 200.50  扣款: 100.00"
                            "  社保: 300.00  个税: 50.00  实发工资: 3250.50"));
    QCOMPARE(view->MonthPicker()->count(), 3);

    // A month made twice is refused and changes nothing.
    QueueMonth(prompt, QStringLiteral("2026-05"));
    view->OnCommand(WageView::kNewSheet);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("2026-05 的工资表已经存在"));
    QCOMPARE(Scalar(db, QStringLiteral("select count(*) from WageData where WageMonth='2026-05'")),
             QStringLiteral("3"));
    // A month before every sheet starts from zeros.
    QVERIFY(WageSheet::Create(db, QStringLiteral("2026-01")).copiedFrom.isEmpty());
    QCOMPARE(Scalar(db, QStringLiteral("select sum(NetPay) from WageData where "
                                       "WageMonth='2026-01'"))
                 .toDouble(),
             0.0);
}

void tst_WageList::editRefusesNonNumberAndComputesNetPay() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(database.RunScript(kStaff));
    ScriptedPrompt prompt;
    auto view = OpenSheets(db, prompt);
    QVERIFY(view);
    view->Grid()->SetSelectedRange(1, 1, 1, 1);
    QString netShown;
    prompt.QueueModal([&](QDialog& dialog) {
        auto& form = static_cast<WageDlg&>(dialog);
        form.Field(QStringLiteral("Bonus"))->setText(QStringLiteral("五百"));
        form.Field(QStringLiteral("Tax"))->setText(QStringLiteral("60"));
        if (form.OnOK())
            return int(QDialog::Accepted);
        // Refused, naming the box; nothing typed is lost.
        if (prompt.LastMessage() != QStringLiteral("奖金必须是数字") ||
            form.Field(QStringLiteral("Bonus"))->text() != QStringLiteral("五百") ||
            form.Field(QStringLiteral("Tax"))->text() != QStringLiteral("60"))
            return int(QDialog::Rejected);
        form.Field(QStringLiteral("Bonus"))->setText(QStringLiteral("1000.25"));
        form.Field(QStringLiteral("Remarks"))->setText(QStringLiteral("加班'%_"));
        netShown = form.NetPayText();
        return form.OnOK() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
    view->OnCommand(Command::Edit);
    // 3000 + 1000.25 + 200.5 - 100 - 300 - 60
    QCOMPARE(netShown, QStringLiteral("3740.75"));
    QCOMPARE(view->Binder().GetCellText(1, QStringLiteral("NetPay")), QStringLiteral("3740.75"));
    QCOMPARE(view->Binder().GetCellText(1, QStringLiteral("Remarks")), QStringLiteral("加班'%_"));
    QCOMPARE(
        Scalar(db, QStringLiteral("select NetPay from WageData where UserName='zhang'")).toDouble(),
        3740.75);
    QCOMPARE(Scalar(db, QStringLiteral("select Remarks from WageData where UserName='zhang'")),
             QStringLiteral("加班'%_"));
    QVERIFY(view->TotalsText().endsWith(QStringLiteral("实发工资: 3740.75")));
}

void tst_WageList::exportWritesTheSheetAndDeleteRemovesIt() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(database.RunScript(
        kStaff +
        QStringLiteral(";update WageData set Remarks='含,逗号\"' where UserName='zhang'")));
    ScriptedPrompt prompt;
    auto view = OpenSheets(db, prompt);
    QVERIFY(view);
    const QString path = folder.File(QStringLiteral("四月.csv"));
    prompt.QueueFileName(path);
    prompt.QueueAnswer(Prompt::Answer::No); // UTF-8
    view->OnCommand(WageView::kExport);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("共导出 1 条记录\r\n") + path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(
        file.readAll(),
        QByteArray("\xEF\xBB\xBF") +
            QStringLiteral("月份,用户名,姓名,基本工资,奖金,津贴,扣款,社保,个税,实发工资,备注\r\n"
                           "\"2026-04\",\"zhang\",\"张三\",3000.00,500.00,200.50,100.00,"
                           "300.00,50.00,3250.50,\"含,逗号\"\"\"\r\n")
                .toUtf8());
    file.close();

    // GBK, replacing the file after asking.
    prompt.QueueFileName(path);
    prompt.QueueAnswer(Prompt::Answer::Yes); // replace
    prompt.QueueAnswer(Prompt::Answer::Yes); // GBK
    view->OnCommand(WageView::kExport);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith(QByteArray("\xD4\xC2\xB7\xDD,")));
    file.close();

    prompt.QueueAnswer(Prompt::Answer::Cancel);
    view->OnCommand(WageView::kDeleteSheet);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("确定要删除 2026-04 的工资表吗?"));
    QCOMPARE(Scalar(db, QStringLiteral("select count(*) from WageData")), QStringLiteral("2"));
    prompt.QueueAnswer(Prompt::Answer::Ok);
    view->OnCommand(WageView::kDeleteSheet);
    QCOMPARE(Scalar(db, QStringLiteral("select count(*) from WageData")), QStringLiteral("1"));
    QCOMPARE(view->Month(), QStringLiteral("2026-03"));
}

void tst_WageList::slipsAreOwnUnlessHoldingTheRight() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(database.RunScript(kStaff));
    ScriptedPrompt prompt;

    // Without the right there is no wage sheet to open.
    auto zhangArgs = MakeArgs(db, prompt, QStringLiteral("zhang"), QStringLiteral("添加订单"));
    QVERIFY(!listWage(&zhangArgs->record));
    QCOMPARE(prompt.LastMessage(), QStringLiteral("权限不足"));

    std::unique_ptr<WageSearchView> own(
        qobject_cast<WageSearchView*>(searchWage(&zhangArgs->record)));
    QVERIFY(own);
    QVERIFY(!own->PersonPicker());
    QCOMPARE(Column(*own, QStringLiteral("UserName")), QStringList{QStringLiteral("zhang")});
    QCOMPARE(Column(*own, QStringLiteral("实发工资")), QStringList{QStringLiteral("3250.5")});

    // A name with a quote reads nobody else's slips.
    auto oddArgs = MakeArgs(db, prompt, QStringLiteral("x' or '1'='1"), QString());
    std::unique_ptr<WageSearchView> odd(
        qobject_cast<WageSearchView*>(searchWage(&oddArgs->record)));
    QCOMPARE(odd->Grid()->GetRowCount(), 1);

    auto liArgs = MakeArgs(db, prompt, QStringLiteral("li"), QStringLiteral("添加订单,发放工资"));
    std::unique_ptr<WageSearchView> all(qobject_cast<WageSearchView*>(searchWage(&liArgs->record)));
    QVERIFY(all->PersonPicker());
    QCOMPARE(Column(*all, QStringLiteral("月份")),
             QString(QStringLiteral("2026-04 2026-03")).split(u' '));
    all->PersonPicker()->setCurrentText(QStringLiteral("li"));
    QCOMPARE(Column(*all, QStringLiteral("UserName")), QStringList{QStringLiteral("li")});
    all->PickPerson(QString());
    QCOMPARE(Column(*all, QStringLiteral("UserName")).size(), 2);
}

void tst_WageList::twoDesksMakingOneMonthMakeOneSheet() {
    TORVEL_ENGINE_DATABASE(database, QStringLiteral("postgresql"), true);
    DbConnection first;
    QCOMPARE(first.Open(database.ConnectionString()), 1);
    QVERIFY(database.RunScript(kStaff));
    // The first desk's sheet is made but not yet committed when the second
    // desk makes the same month: its check sees nothing, its insert waits on
    // the unique index and is refused once the first commits.
    auto transaction = std::make_unique<DbTransaction>(first);
    QCOMPARE(int(WageSheet::Create(first, QStringLiteral("2026-05")).outcome),
             int(WageSheet::Outcome::Made));
    WageSheet::Made second;
    const QString connection = database.ConnectionString();
    std::thread desk([&] {
        DbConnection other;
        if (other.Open(connection) == 1)
            second = WageSheet::Create(other, QStringLiteral("2026-05"));
    });
    QTest::qWait(300);
    QVERIFY(transaction->Commit());
    desk.join();
    QCOMPARE(int(second.outcome), int(WageSheet::Outcome::Exists));
    QCOMPARE(Scalar(first, QStringLiteral("select count(*) from WageData where "
                                          "WageMonth='2026-05'")),
             QStringLiteral("3"));
}

QTEST_MAIN(tst_WageList)
#include "tst_wagelist.moc"
