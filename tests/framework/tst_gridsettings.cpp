#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "db/DbConnection.h"
#include "base/IniFile.h"
#include "db/QueryBinder.h"
#include "framework/GridSettings.h"
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

const QString kWidthFile = QStringLiteral("res/gridpos.ini");

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
    const QList<int> before = {50, 51, 52, 53, 54, 55, 56};
    SetWidths(grid, before);
    QCOMPARE(GridSettings::RestoreColumnWidths(grid, QStringLiteral("CCustomerSearchView")), 0);
    QVERIFY(folder.Write(kWidthFile, "[Other]\r\nColumnWidth=300,300\r\n"
                                     "[CCustomerSearchView]\r\n"
                                     "ColumnWidth=0,1000,abc,,-5, 150 ,12px\r\n"));
    QCOMPARE(GridSettings::RestoreColumnWidths(grid, QStringLiteral("NoSuchOwner")), 0);
    QCOMPARE(Widths(grid), before);

    // Below 1 restores as 80, above 400 as 400; an item that is no number
    // leaves its column alone and the next item still goes to the next column.
    QCOMPARE(GridSettings::RestoreColumnWidths(grid, QStringLiteral("ccustomersearchview")), 4);
    QCOMPARE(Widths(grid), QList<int>({80, 400, 52, 53, 80, 150, 56}));

    SetWidths(grid, {10}); // more items than columns: the extra ones are ignored
    QCOMPARE(GridSettings::RestoreColumnWidths(grid, QStringLiteral("Other")), 1);
    QCOMPARE(Widths(grid), QList<int>({300}));
}

void tst_GridSettings::saveKeepsOtherOwners() {
    TempProgramFolder folder(false);
    QVERIFY(!QFileInfo::exists(folder.File(QStringLiteral("res")))); // made by the save
    CGridCtrl grid;
    SetWidths(grid, {120, 0, 60});
    QVERIFY(GridSettings::SaveColumnWidths(grid, QStringLiteral("CImportCSVDlg")));
    IniFile ini;
    QVERIFY(ini.Load(folder.File(kWidthFile)));
    QCOMPARE(ini.GetString(QStringLiteral("CImportCSVDlg"), QStringLiteral("ColumnWidth")),
             QStringLiteral("120,0,60"));
    ini.SetString(QStringLiteral("客户列表"), QStringLiteral("Other"), QStringLiteral("保留"));
    QVERIFY(ini.Save(folder.File(kWidthFile)));

    SetWidths(grid, {130, 140});
    QVERIFY(GridSettings::SaveColumnWidths(grid, QStringLiteral("CImportCSVDlg")));
    QVERIFY(ini.Load(folder.File(kWidthFile)));
    QCOMPARE(ini.GetString(QStringLiteral("CImportCSVDlg"), QStringLiteral("ColumnWidth")),
             QStringLiteral("130,140"));
    QCOMPARE(ini.GetString(QStringLiteral("客户列表"), QStringLiteral("Other")),
             QStringLiteral("保留"));

    // A column hidden when saved comes back visible at 80.
    SetWidths(grid, {200, 0});
    QVERIFY(GridSettings::SaveColumnWidths(grid, QStringLiteral("Hidden")));
    SetWidths(grid, {10, 10, 10});
    QCOMPARE(GridSettings::RestoreColumnWidths(grid, QStringLiteral("Hidden")), 2);
    QCOMPARE(Widths(grid), QList<int>({200, 80, 10}));
}

void tst_GridSettings::colours() {
    TempProgramFolder folder(false);
    CGridCtrl grid;
    GridSettings::ApplyColors(grid);
    QCOMPARE(grid.GetGridBkColor(), QColor(200, 232, 240));
    QCOMPARE(grid.GetFixedBkColor(), QColor(135, 196, 224));
    // Only what the profile gives is overridden; an empty value is no value.
    QVERIFY(folder.Write(QStringLiteral("uiprofile.ini"),
                         "[DataGrid]\r\nBackColor=255\r\nFixedColor=\r\n"));
    GridSettings::ApplyColors(grid);
    QCOMPARE(grid.GetGridBkColor(), QColor(255, 0, 0));
    QCOMPARE(grid.GetFixedBkColor(), QColor(135, 196, 224));
}

void tst_GridSettings::pageIntoTheGridControl() {
    TestDatabase test(QStringLiteral("sqlite"));
    QVERIFY2(test.Create(), qPrintable(test.Why()));
    DbConnection db;
    QCOMPARE(db.Open(test.ConnectionString()), 1);
    QVERIFY(db.Execute(QStringLiteral("begin")));
    for (int key = 1; key <= 205; ++key) {
        QVERIFY(db.Execute(QStringLiteral("insert into CustomerData (KeyId, CustomerName, "
                                          "LastTime) values (%1, '客户%1', '%1')")
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
    QCOMPARE(grid.GetItemText(200, 1), QStringLiteral("客户006"));
    QCOMPARE(grid.GetRowHeight(200), 20);
    QVERIFY(grid.GetRedraw()); // painting is back on after the load
    QCOMPARE(binder.NextPage(), 1);
    QCOMPARE(grid.GetRowCount(), 6);
    QCOMPARE(binder.SetCellText(6, QStringLiteral("KeyId"), QStringLiteral("x")), 0);

    // Nested bulk brackets keep painting off until the outer one ends.
    target.BeginBulk();
    target.BeginBulk();
    target.EndBulk();
    QVERIFY(!grid.GetRedraw());
    target.EndBulk();
    target.EndBulk(); // one too many is harmless
    QVERIFY(grid.GetRedraw());
}

QTEST_MAIN(tst_GridSettings)
#include "tst_gridsettings.moc"
