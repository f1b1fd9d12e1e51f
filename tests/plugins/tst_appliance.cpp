#include "RefusingTrigger.h"
#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "ApplianceMoveDlg.h"
#include "ApplianceStock.h"
#include "ApplianceView.h"

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/DbTransaction.h"
#include "db/QueryBinder.h"
#include "framework/CommandIds.h"
#include "framework/DataRecordDlg.h"
#include "framework/ListToolbar.h"
#include "shell/PluginArgs.h"
#include "ui/GridCtrl.h"

#include <QLineEdit>
#include <QtTest>

#include <memory>
#include <thread>

TORVEL_PLUGIN_ENTRY QWidget* listAppliance(const PluginArgs* args);

class tst_Appliance : public QObject {
    Q_OBJECT

private slots:
    void movementsChangeStockNeverBelowZero_data() { TestDatabase::AddEngineRows(); }
    void movementsChangeStockNeverBelowZero();
    void adminAddsAndDeletesItemsWithTheirMovements_data() { TestDatabase::AddEngineRows(); }
    void adminAddsAndDeletesItemsWithTheirMovements();
    void twoDesksIssuingAtOnceNeverGoBelowZero();
};

namespace {

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
        if (db.Execute(statement) != 1)
            return false;
    }
    return true;
}

std::unique_ptr<ApplianceView> OpenView(DbConnection& db, Prompt& prompt, const char* user) {
    PluginArgs args{};
    args.size = sizeof(PluginArgs);
    args.version = PluginArgsVersion;
    args.parameter = "";
    args.connection = &db;
    args.prompt = &prompt;
    args.userName = user;
    args.privilege = "";
    return std::unique_ptr<ApplianceView>(qobject_cast<ApplianceView*>(listAppliance(&args)));
}

void SelectRow(ApplianceView& view, int row) {
    view.Grid()->SetSelectedRange(row, 1, row, view.Grid()->GetColumnCount() - 1);
    view.ShowMoves();
}

// Queues a movement form filled with `quantity` and `person`; the form's
// answer is returned (a refused form is then cancelled, as a user would).
void QueueMove(ScriptedPrompt& prompt, const QString& quantity, const QString& person) {
    prompt.QueueModal([=](QDialog& dialog) {
        auto& form = static_cast<ApplianceMoveDlg&>(dialog);
        form.Field(QStringLiteral("Quantity"))->setText(quantity);
        if (QLineEdit* box = form.Field(QStringLiteral("Person")))
            box->setText(person);
        return form.OnOK() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
}

} // namespace

void tst_Appliance::movementsChangeStockNeverBelowZero() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(database.RunScript(QStringLiteral(
        "insert into Appliance (KeyId,Name,Unit,Stock,MinStock) values (1,'签字笔','支',0,2);"
        "insert into Appliance (KeyId,Name,Unit,Stock,MinStock) values (2,'订书机','个',3,1)")));
    ScriptedPrompt prompt;
    auto view = OpenView(db, prompt, "zhang");
    QVERIFY(view);
    // Only admin keeps the items; everyone records movements.
    QVERIFY(!view->Toolbar()->Button(QStringLiteral("添加")));
    QVERIFY(view->Toolbar()->Button(QStringLiteral("领用")));
    view->OnCommand(Command::Delete);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("权限不足"));

    // Ordered by name: 签字笔 (row 1), below its minimum, then 订书机 (row 2).
    CGridCtrl* grid = view->Grid();
    QCOMPARE(view->Binder().GetCellText(1, QStringLiteral("Name")), QStringLiteral("签字笔"));
    QCOMPARE(grid->GetItemBkColour(1, 1), ApplianceView::LowStock());
    QVERIFY(grid->GetItemBkColour(2, 1) != ApplianceView::LowStock());

    SelectRow(*view, 1);
    QueueMove(prompt, QStringLiteral("abc"), QString());
    view->OnCommand(ApplianceView::kReceive);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("数量必须是大于0的整数"));
    QueueMove(prompt, QStringLiteral("5"), QString());
    view->OnCommand(ApplianceView::kReceive);
    QCOMPARE(view->Binder().GetCellText(1, QStringLiteral("Stock")), QStringLiteral("5"));
    QVERIFY(grid->GetItemBkColour(1, 1) != ApplianceView::LowStock());

    // An issue needs the person and may not take more than is there.
    QueueMove(prompt, QStringLiteral("2"), QString());
    view->OnCommand(ApplianceView::kIssue);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("请输入领用人"));
    QueueMove(prompt, QStringLiteral("7"), QStringLiteral("李四"));
    view->OnCommand(ApplianceView::kIssue);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("库存不足: 签字笔 现有库存 5, 不能领用 7"));
    QCOMPARE(Scalar(db, QStringLiteral("select Stock from Appliance where KeyId=1")),
             QStringLiteral("5"));
    QueueMove(prompt, QStringLiteral("4"), QStringLiteral("O'Brien %"));
    view->OnCommand(ApplianceView::kIssue);
    QCOMPARE(view->Binder().GetCellText(1, QStringLiteral("Stock")), QStringLiteral("1"));
    QCOMPARE(grid->GetItemBkColour(1, 1), ApplianceView::LowStock());
    QCOMPARE(Scalar(db, QStringLiteral("select Stock from Appliance where KeyId=1")),
             QStringLiteral("1"));

    // The selected item's movements, latest first, with who did what.
    CGridCtrl* moves = view->MovesGrid();
    QCOMPARE(moves->GetRowCount() - moves->GetFixedRowCount(), 2);
    QCOMPARE(moves->GetItemText(1, 2), QStringLiteral("领用"));
    QCOMPARE(moves->GetItemText(1, 3), QStringLiteral("4"));
    QCOMPARE(moves->GetItemText(1, 4), QStringLiteral("O'Brien %"));
    QCOMPARE(moves->GetItemText(1, 5), QStringLiteral("zhang"));
    QCOMPARE(moves->GetItemText(2, 2), QStringLiteral("入库"));
    SelectRow(*view, 2);
    QCOMPARE(moves->GetRowCount() - moves->GetFixedRowCount(), 0);

    // An item deleted by another desk meanwhile is said to be gone.
    QVERIFY(db.Execute(QStringLiteral("delete from Appliance where KeyId=2")) == 1);
    QueueMove(prompt, QStringLiteral("1"), QString());
    view->OnCommand(ApplianceView::kReceive);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("指定的数据不存在!"));
    QCOMPARE(Scalar(db, QStringLiteral("select count(*) from ApplianceMove")), QStringLiteral("2"));
}

void tst_Appliance::adminAddsAndDeletesItemsWithTheirMovements() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(
        Run(db, QStringLiteral(
                    "insert into Appliance (KeyId,Name,Stock) values (1,'A4纸',10);"
                    "insert into Appliance (KeyId,Name,Stock) values (2,'胶水',0);"
                    "insert into ApplianceMove (ApplianceId,Kind,Quantity) values (1,'入库',12);"
                    "insert into ApplianceMove (ApplianceId,Kind,Quantity) values (1,'领用',2)")));
    ScriptedPrompt prompt;
    auto view = OpenView(db, prompt, "admin");
    QVERIFY(view);

    // The form has no stock box: a new item starts at 0.
    prompt.QueueModal([](QDialog& dialog) {
        auto& form = static_cast<CDataRecordDlg&>(dialog);
        if (form.Box(QStringLiteral("Stock")))
            return int(QDialog::Rejected);
        form.Box(QStringLiteral("Name"))->setText(QStringLiteral("墨盒'%"));
        form.Box(QStringLiteral("MinStock"))->setText(QStringLiteral("3"));
        return form.OnOK() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
    view->OnCommand(Command::Add);
    QCOMPARE(view->Binder().GetCellText(1, QStringLiteral("Name")), QStringLiteral("墨盒'%"));
    QCOMPARE(view->Binder().GetCellText(1, QStringLiteral("Stock")), QStringLiteral("0"));
    QCOMPARE(view->Grid()->GetItemBkColour(1, 1), ApplianceView::LowStock());
    QCOMPARE(Scalar(db, QStringLiteral("select MinStock from Appliance where Name='墨盒''%'")),
             QStringLiteral("3"));

    view->Reload(); // A4纸, 墨盒'%, 胶水
    QCOMPARE(view->Binder().GetCellText(1, QStringLiteral("Name")), QStringLiteral("A4纸"));
    view->Grid()->SetSelectedRange(1, 1, 3, 1);
    // The question names the movements that go with the items; Cancel keeps all.
    prompt.QueueAnswer(Prompt::Answer::Cancel);
    view->OnCommand(Command::Delete);
    QCOMPARE(prompt.LastMessage(),
             QStringLiteral("选择的办公用品共有 2 条入库/领用记录, 将一并删除。\r\n确定要删除吗?"));
    QCOMPARE(Scalar(db, QStringLiteral("select count(*) from Appliance")), QStringLiteral("3"));

    // A refused item delete keeps its movements too (the row's savepoint);
    // answering No ends the batch with what was done before kept.
    QVERIFY(AddRefusingTrigger(db, QStringLiteral("Appliance"), QStringLiteral("delete"),
                               QStringLiteral("old.KeyId=1")));
    prompt.QueueAnswer(Prompt::Answer::Ok);
    prompt.QueueAnswer(Prompt::Answer::No);
    view->OnCommand(Command::Delete);
    QCOMPARE(Scalar(db, QStringLiteral("select count(*) from Appliance")), QStringLiteral("1"));
    QCOMPARE(Scalar(db, QStringLiteral("select count(*) from ApplianceMove")), QStringLiteral("2"));
    QCOMPARE(view->Grid()->GetRowCount(), 2);
    QCOMPARE(view->Binder().GetCellText(1, QStringLiteral("Name")), QStringLiteral("A4纸"));
}

void tst_Appliance::twoDesksIssuingAtOnceNeverGoBelowZero() {
    TORVEL_ENGINE_DATABASE(database, QStringLiteral("postgresql"), true);
    DbConnection first;
    QCOMPARE(first.Open(database.ConnectionString()), 1);
    QVERIFY(database.RunScript(
        QStringLiteral("insert into Appliance (KeyId,Name,Stock) values (1,'U盘',5)")));
    ApplianceStock::Movement issue;
    issue.applianceId = 1;
    issue.kind = ApplianceStock::Kind::Issue;
    issue.quantity = 3;
    issue.time = QStringLiteral("2026-12-06 10:00:00");
    issue.person = QStringLiteral("张三");

    // The first desk's issue is under way (its transaction still open) when
    // the second desk issues the same amount: the second waits for the row,
    // then finds only 2 left.
    auto transaction = std::make_unique<DbTransaction>(first);
    QCOMPARE(ApplianceStock::Record(first, issue).outcome, ApplianceStock::Outcome::Done);
    ApplianceStock::Result second;
    const QString connection = database.ConnectionString();
    std::thread desk([&] {
        DbConnection other;
        if (other.Open(connection) != 1)
            return;
        second = ApplianceStock::Record(other, issue);
    });
    QTest::qWait(300);
    QVERIFY(transaction->Commit());
    desk.join();
    QCOMPARE(int(second.outcome), int(ApplianceStock::Outcome::Short));
    QCOMPARE(second.stock, 2);
    QCOMPARE(Scalar(first, QStringLiteral("select Stock from Appliance where KeyId=1")),
             QStringLiteral("2"));
    QCOMPARE(Scalar(first, QStringLiteral("select count(*) from ApplianceMove")),
             QStringLiteral("1"));
}

QTEST_MAIN(tst_Appliance)
#include "tst_appliance.moc"
