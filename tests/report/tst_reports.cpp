#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "base/TextDecoding.h"
#include "business/OrderListView.h"
#include "business/OrderSearchDlg.h"
#include "db/DbConnection.h"
#include "framework/CommandIds.h"
#include "report/ReportChartPanel.h"
#include "report/ReportView.h"
#include "shell/LoginDialog.h"
#include "shell/MainFrame.h"
#include "shell/MainMenu.h"
#include "shell/Startup.h"
#include "shell/ViewHost.h"

#include <QAbstractBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QValueAxis>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_Reports : public QObject {
    Q_OBJECT

private slots:
    void totalsAreTheOrderListsForEveryUser_data() { TestDatabase::AddEngineRows(); }
    void totalsAreTheOrderListsForEveryUser();
    void purchasesMarginsAndFollowUp_data() { TestDatabase::AddEngineRows(); }
    void purchasesMarginsAndFollowUp();
    void exportsWriteCsvPngAndPrint();
    void keptChartFollowsEachTable();
    void menuCommandOpensTheUsersOwnReport();
};

namespace {

// Orders of 2007 and 2008 by zhang and li for customers 1 (class 华东/上海,
// source 展会) and 2 (not filed, no source); order 9 names a customer that
// is gone. Amounts are chosen so that every sum is distinct.
const char* const kOrders =
    "insert into CustomerData (KeyId,CustomerName,Handler,ClassPath,FDSource,RegTime) values "
    "(1,'甲公司','zhang','/华东/上海/','展会','2008-01-10 09:00:00');"
    "insert into CustomerData (KeyId,CustomerName,Handler,RegTime) values "
    "(2,'乙公司','li','2008-03-02 09:00:00');"
    "insert into OrderData (CustomerId,ProductName,Handler,FDTotal,FDTime) values "
    "(1,'标准版','zhang',100,'2008-03-01 00:00:00'),"
    "(1,'专业版','zhang',250.5,'2008-03-31 23:59:59'),"
    "(2,'标准版','li',40,'2008-03-15 10:00:00'),"
    "(2,'短信服务','li',7,'2008-04-01 00:00:00'),"
    "(1,'标准版','zhang',1000,'2008-02-29 12:00:00'),"
    "(2,'专业版','li',3,'2007-03-05 10:00:00'),"
    "(1,'标准版','zhang',20,'2007-03-06 10:00:00'),"
    "(2,'专业版','li',9000,'2009-03-05 10:00:00'),"
    "(99,'标准版','li',0.25,'2008-03-20 10:00:00')";

QString Sum(const QString& text) {
    return u"合计总额: "_s + text;
}

// The 统计 of the order list for a month and handler, as its user sees it.
QString OrderListTotal(DbConnection& db, const QString& user, const QString& month,
                       const QString& handler = QString()) {
    ScriptedPrompt prompt;
    COrderListView list(db, prompt, {user, user == u"admin"_s});
    OrderCriteria criteria;
    criteria.term = month;
    criteria.handler = handler;
    list.Search(criteria);
    list.OnCommand(Command::Statistics);
    return prompt.LastMessage();
}

QStringList Labels(const CReportChartPanel* panel) {
    return panel ? panel->Table().labels : QStringList{u"(no panel)"_s};
}

double Total(const CReportView& view, const QString& title, int series = 0) {
    const CReportChartPanel* panel = view.Panel(title);
    return panel ? panel->Table().Total(series) : -1;
}

} // namespace

void tst_Reports::totalsAreTheOrderListsForEveryUser() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(database.RunScript(QString::fromUtf8(kOrders)));
    ScriptedPrompt prompt;

    CReportView admin(db, prompt, {u"admin"_s, true});
    QVERIFY(admin.Show(ReportPeriod::Month(2008, 3)));
    const CReportChartPanel* amount = admin.Panel(u"月度销售额"_s);
    QVERIFY(amount);
    QCOMPARE(Sum(amount->Table().Text(amount->Table().Total(0))),
             OrderListTotal(db, u"admin"_s, u"2008-03"_s));
    QCOMPARE(Total(admin, u"月度销售额"_s), 390.75);
    // Last year's March beside this March; the order count likewise.
    QCOMPARE(amount->Table().values.value(0), (QVector<double>{390.75, 23}));
    QCOMPARE(admin.Panel(u"月度订单数"_s)->Table().values.value(0), (QVector<double>{4, 2}));
    // Every breakdown adds up to the same total, the order of a customer that
    // is gone as 未分类 / (未填).
    for (const QString& title :
         {u"产品销售额"_s, u"经理人销售额"_s, u"客户分类销售额"_s, u"客户来源销售额"_s})
        QCOMPARE(Total(admin, title), 390.75);
    QCOMPARE(Labels(admin.Panel(u"客户分类销售额"_s)), (QStringList{u"华东"_s, u"未分类"_s}));
    QCOMPARE(Labels(admin.Panel(u"客户来源销售额"_s)), (QStringList{u"展会"_s, u"(未填)"_s}));
    QCOMPARE(Labels(admin.Panel(u"产品销售额"_s)), (QStringList{u"专业版"_s, u"标准版"_s}));

    // One handler picked by the administrator.
    QVERIFY(admin.Show(ReportPeriod::Month(2008, 3), u"li"_s));
    QCOMPARE(Sum(amount->Table().Text(amount->Table().Total(0))),
             OrderListTotal(db, u"admin"_s, u"2008-03"_s, u"li"_s));
    QCOMPARE(Labels(admin.Panel(u"经理人销售额"_s)), QStringList{u"li"_s});

    // A year: twelve months, February's order in it, 2009 not.
    QVERIFY(admin.Show(ReportPeriod::Year(2008)));
    QCOMPARE(amount->Table().RowCount(), 12);
    QCOMPARE(Total(admin, u"月度销售额"_s), 1397.75);
    QCOMPARE(Total(admin, u"月度销售额"_s, 1), 23.0);

    // An ordinary user's report is their own, whatever handler is asked, and
    // has no purchases.
    CReportView zhang(db, prompt, {u"zhang"_s, false});
    QVERIFY(zhang.Show(ReportPeriod::Month(2008, 3), u"li"_s));
    QCOMPARE(zhang.Scope().handler, u"zhang"_s);
    const CReportChartPanel* own = zhang.Panel(u"月度销售额"_s);
    QCOMPARE(Sum(own->Table().Text(own->Table().Total(0))),
             OrderListTotal(db, u"zhang"_s, u"2008-03"_s));
    QCOMPARE(own->Table().Total(0), 350.5);
    QCOMPARE(Labels(zhang.Panel(u"经理人销售额"_s)), QStringList{u"zhang"_s});
    QVERIFY(!zhang.Panel(u"月度采购额"_s));
    QVERIFY(!zhang.Panel(u"产品毛利"_s));
    // Quarter and free range cover their days exactly.
    QVERIFY(zhang.Show(ReportPeriod::Quarter(2008, 1)));
    QCOMPARE(zhang.Panel(u"月度销售额"_s)->Table().Total(0), 1350.5);
    QVERIFY(zhang.Show(ReportPeriod::Range(QDate(2008, 3, 31), QDate(2008, 3, 1))));
    QCOMPARE(zhang.Panel(u"月度销售额"_s)->Table().Total(0), 350.5);
    QVERIFY(prompt.Messages().isEmpty());
}

void tst_Reports::purchasesMarginsAndFollowUp() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(database.RunScript(QString::fromUtf8(kOrders)));
    // Twelve suppliers: the ten largest and 其他; 标准版 was bought, 专业版 not.
    QString purchases;
    for (int i = 1; i <= 12; ++i)
        purchases += u"insert into PurchaseData (CustomerName,StockName,FDTotal,FDTime) values "
                     "('供应商%1','%2',%3,'2008-03-0%4 08:00:00');"_s.arg(i)
                         .arg(i == 1 ? u"标准版"_s : u"配件"_s)
                         .arg(i * 10)
                         .arg(i % 9 + 1);
    // Plans of the week of Monday 2008-03-03 (one past "now") and records.
    purchases += u"insert into TrackPlan (Handler,PlanTime) values ('zhang','2008-03-03 09:00:00'),"
                 "('zhang','2008-03-09 09:00:00'),('li','2008-03-05 09:00:00');"
                 "insert into TraceData (Handler,FDTime) values ('zhang','2008-03-04 10:00:00'),"
                 "('li','2008-03-04 11:00:00'),('li','2008-03-20 11:00:00')"_s;
    QVERIFY(database.RunScript(purchases));
    ScriptedPrompt prompt;
    CReportView admin(db, prompt, {u"admin"_s, true});
    admin.SetNow(QDateTime(QDate(2008, 3, 6), QTime(12, 0)));
    QVERIFY(admin.Show(ReportPeriod::Month(2008, 3)));

    QCOMPARE(Total(admin, u"月度采购额"_s), 780.0);
    const ReportTable suppliers = admin.Panel(u"供应商采购额"_s)->Table();
    QCOMPARE(suppliers.RowCount(), 11);
    QCOMPARE(suppliers.labels.first(), u"供应商12"_s);
    QCOMPARE(suppliers.labels.last(), u"其他"_s);
    QCOMPARE(suppliers.values.last().value(0), 30.0);
    const ReportTable margin = admin.Panel(u"产品毛利"_s)->Table();
    QCOMPARE(margin.labels, QStringList{u"标准版"_s});
    QCOMPARE(margin.values.value(0), (QVector<double>{140.25 - 10, 140.25, 10}));

    const ReportTable weeks = admin.Panel(u"每周跟踪"_s)->Table();
    QCOMPARE(weeks.labels.value(0), u"2008-02-25"_s); // the week of March 1st
    QCOMPARE(weeks.values.value(1), (QVector<double>{3, 2, 2}));
    QCOMPARE(weeks.Total(2), 3.0);
    QCOMPARE(Labels(admin.Panel(u"经理人沟通记录"_s)), (QStringList{u"li"_s, u"zhang"_s}));
    QCOMPARE(admin.Panel(u"每月新客户"_s)->Table().values.value(0), QVector<double>{1});

    CReportView li(db, prompt, {u"li"_s, false});
    li.SetNow(QDateTime(QDate(2008, 3, 6), QTime(12, 0)));
    QVERIFY(li.Show(ReportPeriod::Month(2008, 3)));
    QCOMPARE(li.Panel(u"每周跟踪"_s)->Table().values.value(1), (QVector<double>{1, 1, 1}));
    QVERIFY(prompt.Messages().isEmpty());
}

// A panel keeps its chart from one table to the next: the bars follow each
// table (same number of rows or not) and a count's axis keeps whole steps of
// about a fifth of the largest value, whatever the table before it was.
void tst_Reports::keptChartFollowsEachTable() {
    TempProgramFolder folder(true);
    DbConnection db;
    ScriptedPrompt prompt;
    CReportChartPanel panel(prompt, db);
    const auto counts = [](const QList<double>& values) {
        ReportTable table{u"月度订单数"_s, u"月份"_s, {u"订单数"_s}, {}, {}, 0};
        table.timeAxis = true;
        for (int i = 0; i < values.size(); ++i)
            table.AddRow(u"2012-%1"_s.arg(i + 1, 2, 10, QLatin1Char('0')), {values.at(i)});
        return table;
    };
    const auto bars = [&panel] {
        QList<double> values;
        const auto* series =
            static_cast<QAbstractBarSeries*>(panel.ChartView()->chart()->series().value(0));
        for (int i = 0; series && i < series->barSets().value(0)->count(); ++i)
            values << series->barSets().value(0)->at(i);
        return values;
    };
    const auto axis = [&panel] {
        return static_cast<QValueAxis*>(panel.ChartView()->chart()->axes(Qt::Vertical).value(0));
    };
    panel.SetTable(counts({1}), u"2012年"_s);
    QCOMPARE(bars(), QList<double>{1});
    panel.SetTable(counts({40000, 2, 3}), u"2012年"_s);
    QCOMPARE(bars(), (QList<double>{40000, 2, 3}));
    QCOMPARE(axis()->tickInterval(), 8400.0);
    QCOMPARE(axis()->max(), 42000.0);
    panel.SetTable(counts({5, 0, 7}), u"2013年"_s);
    QCOMPARE(bars(), (QList<double>{5, 0, 7}));
    QCOMPARE(axis()->tickInterval(), 2.0);
    QCOMPARE(panel.ChartView()->chart()->title(), u"月度订单数 2013年"_s);
}

void tst_Reports::exportsWriteCsvPngAndPrint() {
    TempProgramFolder folder(true);
    DbConnection db;
    QVERIFY(db.Open(Startup::DefaultConnectionString()) == 1);
    ScriptedPrompt prompt;
    CReportChartPanel panel(prompt, db);
    ReportTable table{u"产品销售额"_s, u"产品"_s, {u"金额"_s, u"订单数"_s}, {}, {}, 2};
    table.AddRow(u"专业版, 网络"_s, {1.5, 2});
    table.AddRow(u"\"标准\"版"_s, {10, 1});
    panel.SetTable(table, u"2008年"_s);
    QCOMPARE(panel.Grid()->rowCount(), 3); // with the 合计 line

    QTemporaryDir dir;
    const QString csv = dir.filePath(u"产品"_s);
    const QString expected = u"产品,金额,订单数\r\n\"专业版, 网络\",1.50,2.00\r\n"
                             "\"\"\"标准\"\"版\",10.00,1.00\r\n合计,11.50,3.00\r\n"_s;
    prompt.QueueFileName(csv);
    prompt.QueueAnswer(Prompt::Answer::Yes); // GBK
    QVERIFY(panel.ExportCsv());
    QFile gbk(csv + u".csv"_s);
    QVERIFY(gbk.open(QIODevice::ReadOnly));
    QCOMPARE(gbk.readAll(), TextDecoding::Encode(expected, TextEncoding::Gbk));
    gbk.close();
    // Replacing asks first; UTF-8 is written with its BOM.
    prompt.QueueFileName(csv + u".csv"_s);
    prompt.QueueAnswer(Prompt::Answer::No);
    QVERIFY(!panel.ExportCsv());
    QCOMPARE(prompt.LastMessage(), csv + u".csv 已存在。\r\n要替换它吗?"_s);
    prompt.QueueFileName(csv + u".csv"_s);
    prompt.QueueAnswer(Prompt::Answer::Yes);
    prompt.QueueAnswer(Prompt::Answer::No); // UTF-8
    QVERIFY(panel.ExportCsv());
    QVERIFY(gbk.open(QIODevice::ReadOnly));
    QCOMPARE(gbk.readAll(), "\xEF\xBB\xBF" + expected.toUtf8());
    // The live database is never a target.
    prompt.QueueFileName(folder.File(u"torvel.db"_s));
    QVERIFY(!panel.ExportCsv());
    QCOMPARE(prompt.LastMessage(), u"不能覆盖正在使用的数据库文件!"_s);

    prompt.QueueFileName(dir.filePath(u"chart"_s));
    QVERIFY(panel.ExportPng());
    QImage png(dir.filePath(u"chart.png"_s), "PNG");
    QVERIFY(!png.isNull());
    QVERIFY(png.width() >= 480);

    // Printing goes through the print dialog of the prompt; here into a PDF.
    const QString pdf = dir.filePath(u"print.pdf"_s);
    prompt.QueueModal([&pdf](QDialog& dialog) {
        auto* print = qobject_cast<QPrintDialog*>(&dialog);
        if (!print)
            return int(QDialog::Rejected);
        print->printer()->setOutputFormat(QPrinter::PdfFormat);
        print->printer()->setOutputFileName(pdf);
        return int(QDialog::Accepted);
    });
    QVERIFY(panel.Print());
    QFile printed(pdf);
    QVERIFY(printed.open(QIODevice::ReadOnly));
    QVERIFY(printed.read(5) == "%PDF-");
    QVERIFY(printed.size() > 1000);
}

void tst_Reports::menuCommandOpensTheUsersOwnReport() {
    TempProgramFolder folder(true);
    {
        DbConnection setup;
        setup.Open(Startup::DefaultConnectionString());
        setup.Execute(
            u"insert into UserData (UserName, UserPass, Privilege) values ('li', 'pw', '')"_s);
    }
    ScriptedPrompt prompt;
    prompt.QueueModal([](QDialog& dialog) {
        auto* login = qobject_cast<LoginDialog*>(&dialog);
        if (!login)
            return int(QDialog::Rejected);
        login->UserNameEdit()->setText(u"li"_s);
        login->PasswordEdit()->setText(u"pw"_s);
        login->OnOK();
        return login->result();
    });
    CMainFrame frame(prompt);
    frame.Create();
    QCoreApplication::processEvents();
    // The menu item 经营报表 of 客户管理 sends the command.
    QAction* item = nullptr;
    for (QAction* menu : frame.menuBar()->actions()) {
        if (!menu->menu() || !menu->text().startsWith(u"客户管理"_s))
            continue;
        for (QAction* action : menu->menu()->actions()) {
            if (action->text().startsWith(u"经营报表"_s))
                item = action;
        }
    }
    QVERIFY(item);
    item->trigger();
    QCoreApplication::processEvents();
    auto* view = qobject_cast<CReportView*>(frame.GetViewHost()->CurrentView());
    QVERIFY(view);
    QCOMPARE(view->Scope().handler, u"li"_s);
    QCOMPARE(view->Scope().period.GetKind(), ReportPeriod::Kind::Year);
}

QTEST_MAIN(tst_Reports)
#include "tst_reports.moc"
