#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "base/IniFile.h"
#include "db/DbConnection.h"
#include "db/QueryBinder.h"
#include "framework/GridSettings.h"
#include "ui/GridCtrl.h"
#include "ui/GridCtrlTarget.h"

#include <QtTest>

using namespace Qt::StringLiterals;

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

const QString kWidthFile = u"res/gridpos.ini"_s;

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
    QCOMPARE(GridSettings::RestoreColumnWidths(grid, u"CCustomerSearchView"_s), 0);
    QVERIFY(folder.Write(kWidthFile, "[Other]\r\nColumnWidth=300,300\r\n"
                                     "[CCustomerSearchView]\r\n"
                                     "ColumnWidth=0,1000,abc,,-5, 150 ,12px\r\n"));
    QCOMPARE(GridSettings::RestoreColumnWidths(grid, u"NoSuchOwner"_s), 0);
    QCOMPARE(Widths(grid), before);

    // Below 1 restores as 80, above 400 as 400; an item that is no number
    // leaves its column alone and the next item still goes to the next column.
    QCOMPARE(GridSettings::RestoreColumnWidths(grid, u"ccustomersearchview"_s), 4);
    QCOMPARE(Widths(grid), QList<int>({80, 400, 52, 53, 80, 150, 56}));

    SetWidths(grid, {10}); // more items than columns: the extra ones are ignored
    QCOMPARE(GridSettings::RestoreColumnWidths(grid, u"Other"_s), 1);
    QCOMPARE(Widths(grid), QList<int>({300}));
}

void tst_GridSettings::saveKeepsOtherOwners() {
    TempProgramFolder folder(false);
    QVERIFY(!QFileInfo::exists(folder.File(u"res"_s))); // made by the save
    CGridCtrl grid;
    SetWidths(grid, {120, 0, 60});
    QVERIFY(GridSettings::SaveColumnWidths(grid, u"CImportCSVDlg"_s));
    IniFile ini;
    QVERIFY(ini.Load(folder.File(kWidthFile)));
    QCOMPARE(ini.GetString(u"CImportCSVDlg"_s, u"ColumnWidth"_s), u"120,0,60"_s);
    ini.SetString(u"客户列表"_s, u"Other"_s, u"保留"_s);
    QVERIFY(ini.Save(folder.File(kWidthFile)));

    SetWidths(grid, {130, 140});
    QVERIFY(GridSettings::SaveColumnWidths(grid, u"CImportCSVDlg"_s));
    QVERIFY(ini.Load(folder.File(kWidthFile)));
    QCOMPARE(ini.GetString(u"CImportCSVDlg"_s, u"ColumnWidth"_s), u"130,140"_s);
    QCOMPARE(ini.GetString(u"客户列表"_s, u"Other"_s), u"保留"_s);

    // A column hidden when saved comes back visible at 80.
    SetWidths(grid, {200, 0});
    QVERIFY(GridSettings::SaveColumnWidths(grid, u"Hidden"_s));
    SetWidths(grid, {10, 10, 10});
    QCOMPARE(GridSettings::RestoreColumnWidths(grid, u"Hidden"_s), 2);
    QCOMPARE(Widths(grid), QList<int>({200, 80, 10}));
}

void tst_GridSettings::colours() {
    TempProgramFolder folder(false);
    CGridCtrl grid;
    GridSettings::ApplyColors(grid);
    QCOMPARE(grid.GetGridBkColor(), QColor(200, 232, 240));
    QCOMPARE(grid.GetFixedBkColor(), QColor(135, 196, 224));
    // Only what the profile gives is overridden; an empty value is no value.
    QVERIFY(folder.Write(u"uiprofile.ini"_s, "[DataGrid]\r\nBackColor=255\r\nFixedColor=\r\n"));
    GridSettings::ApplyColors(grid);
    QCOMPARE(grid.GetGridBkColor(), QColor(255, 0, 0));
    QCOMPARE(grid.GetFixedBkColor(), QColor(135, 196, 224));
}

void tst_GridSettings::pageIntoTheGridControl() {
    TestDatabase test(u"sqlite"_s);
    QVERIFY2(test.Create(), qPrintable(test.Why()));
    DbConnection db;
    QCOMPARE(db.Open(test.ConnectionString()), 1);
    QVERIFY(db.Execute(u"insert into CustomerData (KeyId, CustomerName, LastTime) values "
                       "(1, '客户1', '1'), (2, '客户2', '2'), (3, '客户3', '3')"_s));

    CGridCtrl grid;
    grid.SetFixedColumnCount(1);
    GridCtrlTarget target(grid);
    QueryBinder binder;
    binder.SetGrid(&target);
    binder.SetTable(u"CustomerData"_s);
    binder.AddColumn(u"KeyId"_s, u"编号"_s);
    binder.AddColumn(u"CustomerName"_s, u"客户名称"_s);
    binder.SetOrderClause(u"order by LastTime desc"_s);
    binder.SetPageSize(2);
    binder.SetupGrid();
    QCOMPARE(grid.GetFixedRowCount(), 1);
    QCOMPARE(grid.GetItemText(0, 1), u"客户名称"_s);
    QCOMPARE(binder.Load(&db), 1);
    QCOMPARE(grid.GetRowCount(), 3);
    QCOMPARE(grid.GetItemText(2, 1), u"客户2"_s);
    QCOMPARE(grid.GetRowHeight(2), 20);
    QVERIFY(grid.GetRedraw()); // painting is back on after the load
    QCOMPARE(binder.NextPage(), 1);
    QCOMPARE(grid.GetRowCount(), 2);
    QCOMPARE(binder.SetCellText(2, u"KeyId"_s, u"x"_s), 0);

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
