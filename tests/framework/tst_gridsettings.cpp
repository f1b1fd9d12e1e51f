#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "db/DbConnection.h"
#include "db/IniFile.h"
#include "db/QueryBinder.h"
#include "framework/GridSettings.h"
#include "net/Gbk.h"
#include "ui/ColorRef.h"
#include "ui/GridCtrl.h"
#include "ui/GridCtrlTarget.h"

#include <QtTest>

namespace {

QList<int> Widths(const CGridCtrl& grid) {
    QList<int> widths;
    for (int i = 0; i < grid.GetColumnCount(); ++i)
        widths << grid.GetColumnWidth(i);
    return widths;
}

void SetWidths(CGridCtrl& grid, const QList<int>& widths) {
    grid.SetColumnCount(int(widths.size()));
    for (int i = 0; i < widths.size(); ++i)
        grid.SetColumnWidth(i, widths[i]);
}

} // namespace

class tst_GridSettings : public QObject {
    Q_OBJECT

private slots:
    void restoreWidths();
    void saveKeepsOtherOwners();
    void colours();
    void pageIntoTheGridControl();
};

void tst_GridSettings::restoreWidths() {
    TempProgramFolder folder(false);
    CGridCtrl grid;
    SetWidths(grid, {50, 51, 52, 53, 54, 55, 56});

    // Nothing saved yet: nothing changes.
    QCOMPARE(GridSettings::RestoreColumnWidths(grid, QStringLiteral("CCustomerSearchView")), 0);
    QCOMPARE(Widths(grid), QList<int>({50, 51, 52, 53, 54, 55, 56}));

    QVERIFY(folder.Write(QStringLiteral("res/gridpos.ini"),
                         "[Other]\r\nColumnWidth=300,300\r\n"
                         "[CCustomerSearchView]\r\nColumnWidth=0,1000,abc,,-5, 150 ,12px\r\n"));
    QCOMPARE(GridSettings::RestoreColumnWidths(grid, QStringLiteral("NoSuchOwner")), 0);
    QCOMPARE(Widths(grid), QList<int>({50, 51, 52, 53, 54, 55, 56}));

    // 0 and below restore as 80, above 400 as 400; an item that is no number
    // leaves its column alone and the next item still goes to the next column.
    QCOMPARE(GridSettings::RestoreColumnWidths(grid, QStringLiteral("ccustomersearchview")), 4);
    QCOMPARE(Widths(grid), QList<int>({80, 400, 52, 53, 80, 150, 56}));

    // More items than columns: the extra ones are ignored.
    CGridCtrl narrow;
    SetWidths(narrow, {10});
    QCOMPARE(GridSettings::RestoreColumnWidths(narrow, QStringLiteral("Other")), 1);
    QCOMPARE(Widths(narrow), QList<int>({300}));

    int width = 0;
    QVERIFY(GridSettings::ParseWidth(QStringLiteral("99999999999999999999"), width));
    QCOMPARE(width, 400);
    QVERIFY(GridSettings::ParseWidth(QStringLiteral("+7"), width));
    QCOMPARE(width, 7);
    QVERIFY(!GridSettings::ParseWidth(QStringLiteral("-"), width));
    QVERIFY(!GridSettings::ParseWidth(QStringLiteral("1 2"), width));
}

void tst_GridSettings::saveKeepsOtherOwners() {
    TempProgramFolder folder(false);
    QVERIFY(!QFile::exists(folder.File(QStringLiteral("res"))));
    CGridCtrl grid;
    SetWidths(grid, {120, 0, 60});
    QVERIFY(GridSettings::SaveColumnWidths(grid, QStringLiteral("CImportCSVDlg")));

    IniFile ini;
    QVERIFY(ini.Load(folder.File(QStringLiteral("res/gridpos.ini"))));
    QCOMPARE(ini.GetString(QStringLiteral("CImportCSVDlg"), QStringLiteral("ColumnWidth")),
             QStringLiteral("120,0,60"));

    ini.SetString(QStringLiteral("客户列表"), QStringLiteral("ColumnWidth"), QStringLiteral("1,2"));
    ini.SetString(QStringLiteral("客户列表"), QStringLiteral("Other"), QStringLiteral("保留"));
    QVERIFY(ini.Save(folder.File(QStringLiteral("res/gridpos.ini"))));

    SetWidths(grid, {130, 140});
    QVERIFY(GridSettings::SaveColumnWidths(grid, QStringLiteral("CImportCSVDlg")));
    QVERIFY(ini.Load(folder.File(QStringLiteral("res/gridpos.ini"))));
    QCOMPARE(ini.GetString(QStringLiteral("CImportCSVDlg"), QStringLiteral("ColumnWidth")),
             QStringLiteral("130,140"));
    QCOMPARE(ini.GetString(QStringLiteral("客户列表"), QStringLiteral("Other")),
             QStringLiteral("保留"));
    QCOMPARE(ini.GetString(QStringLiteral("客户列表"), QStringLiteral("ColumnWidth")),
             QStringLiteral("1,2"));

    // A hidden column was saved as 0 and comes back visible at 80.
    CGridCtrl restored;
    SetWidths(restored, {10, 10, 10});
    CGridCtrl hidden;
    SetWidths(hidden, {200, 0});
    QVERIFY(GridSettings::SaveColumnWidths(hidden, QStringLiteral("Hidden")));
    QCOMPARE(GridSettings::RestoreColumnWidths(restored, QStringLiteral("Hidden")), 2);
    QCOMPARE(Widths(restored), QList<int>({200, 80, 10}));
}

void tst_GridSettings::colours() {
    TempProgramFolder folder(false);
    CGridCtrl grid;
    GridSettings::ApplyColors(grid);
    QCOMPARE(ColorRef::FromColor(grid.GetGridBkColor()), quint32(15788232));
    QCOMPARE(grid.GetGridBkColor(), QColor(200, 232, 240));
    QCOMPARE(grid.GetFixedBkColor(), QColor(135, 196, 224));

    // Only what the profile gives is overridden; an empty value is no value.
    QVERIFY(folder.Write(QStringLiteral("uiprofile.ini"),
                         "[DataGrid]\r\nBackColor=255\r\nFixedColor=\r\n"));
    GridSettings::ApplyColors(grid);
    QCOMPARE(grid.GetGridBkColor(), QColor(255, 0, 0));
    QCOMPARE(grid.GetFixedBkColor(), QColor(135, 196, 224));

    QVERIFY(folder.Write(QStringLiteral("uiprofile.ini"), "[DataGrid]\r\nFixedColor=16711680\r\n"));
    GridSettings::ApplyColors(grid);
    QCOMPARE(grid.GetGridBkColor(), QColor(200, 232, 240));
    QCOMPARE(grid.GetFixedBkColor(), QColor(0, 0, 255));
}

void tst_GridSettings::pageIntoTheGridControl() {
    TestDatabase test(QStringLiteral("sqlite"));
    QVERIFY2(test.Create(), qPrintable(test.Why()));
    DbConnection db;
    QCOMPARE(db.Open(test.ConnectionString()), 1);
    QVERIFY(db.Execute(QStringLiteral("begin")));
    for (int key = 1; key <= 205; ++key) {
        QVERIFY(db.Execute(QStringLiteral("insert into CustomerData (KeyId, CustomerName, "
                                          "LastTime) values (%1, '客户%1', '2008-01-01 %1')")
                               .arg(key, 3, 10, QLatin1Char('0'))));
    }
    QVERIFY(db.Execute(QStringLiteral("commit")));

    CGridCtrl grid;
    grid.SetFixedColumnCount(1);
    GridCtrlTarget target(grid);
    QueryBinder binder;
    binder.SetGrid(&target);
    binder.SetTable(QStringLiteral("CustomerData"));
    binder.AddColumn(QStringLiteral("KeyId"), QStringLiteral("编号"));
    binder.AddColumn(QStringLiteral("CustomerName"), QStringLiteral("客户名称"));
    binder.SetOrderClause(QStringLiteral("order by LastTime desc"));
    binder.SetupGrid();
    QCOMPARE(grid.GetFixedRowCount(), 1);
    QCOMPARE(grid.GetItemText(0, 1), QStringLiteral("客户名称"));

    QCOMPARE(binder.Load(&db), 1);
    QCOMPARE(grid.GetRowCount(), 201);
    QCOMPARE(grid.GetItemText(1, 0), QStringLiteral("205"));
    QCOMPARE(grid.GetItemText(200, 1), QStringLiteral("客户006"));
    QCOMPARE(grid.GetRowHeight(200), 20);
    QCOMPARE(grid.GetDefaultCell(true, true)->GetMargin(), 2);
    QCOMPARE(grid.GetDefaultCell(false, false)->GetMargin(), 2);
    QVERIFY(grid.GetRedraw()); // painting is back on after the load

    QCOMPARE(binder.NextPage(), 1);
    QCOMPARE(grid.GetRowCount(), 6);
    QCOMPARE(binder.GetCellText(5, QStringLiteral("编号")), QStringLiteral("1"));
    QVERIFY(binder.GetCellText(6, QStringLiteral("编号")).isNull());
    QCOMPARE(binder.SetCellText(6, QStringLiteral("KeyId"), QStringLiteral("x")), 0);
    QCOMPARE(grid.GetRowCount(), 6);

    // Out-of-bounds cells through the adapter are refused, not grown.
    QVERIFY(!target.SetItemText(0, 2, QStringLiteral("x")));
    QVERIFY(target.GetItemText(-1, 0).isEmpty());
    QCOMPARE(target.GetColumnWidth(9), -1);

    // A bulk bracket inside another keeps painting off until the outer ends.
    target.BeginBulk();
    target.BeginBulk();
    target.EndBulk();
    QVERIFY(!grid.GetRedraw());
    target.EndBulk();
    QVERIFY(grid.GetRedraw());
    target.EndBulk(); // one too many is harmless
    QVERIFY(grid.GetRedraw());
}

QTEST_MAIN(tst_GridSettings)
#include "tst_gridsettings.moc"
