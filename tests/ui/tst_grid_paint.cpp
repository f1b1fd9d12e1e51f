// What the grid paints: header colours, the selected row in the highlight
// colour, plain cells, the empty area, and Chinese text. With
// TORVEL_GRID_SCREENSHOT naming a file the painted list is also saved there
// (run under a real X server for a screenshot of the real window).

#include "GridTestSupport.h"

#include <QImage>
#include <QPixmap>
#include <QTest>

class TestGridPaint : public QObject {
    Q_OBJECT

private slots:
    void paintsHeadersSelectionAndEmptyArea();
};

void TestGridPaint::paintsHeadersSelectionAndEmptyArea() {
    CGridCtrl grid;
    grid.setWindowTitle(QStringLiteral("客户管理"));
    const QStringList headers = {QStringLiteral("编号"),   QStringLiteral("客户名称"),
                                 QStringLiteral("联系人"), QStringLiteral("电话"),
                                 QStringLiteral("省份"),   QStringLiteral("最后联系")};
    const QList<QStringList> rows = {
        {QStringLiteral("1001"), QStringLiteral("北京华宇科技有限公司"), QStringLiteral("张伟"),
         QStringLiteral("010-62345678"), QStringLiteral("北京"),
         QStringLiteral("2024-05-06 10:20:30")},
        {QStringLiteral("1002"), QStringLiteral("上海东方贸易公司"), QStringLiteral("李娜"),
         QStringLiteral("021-58881234"), QStringLiteral("上海"),
         QStringLiteral("2024-05-05 16:02:11")},
        {QStringLiteral("1003"), QStringLiteral("广州市天河区信息服务部"), QStringLiteral("王强"),
         QStringLiteral("020-38765432"), QStringLiteral("广东"),
         QStringLiteral("2024-05-03 09:45:00")},
        {QStringLiteral("1004"), QStringLiteral("深圳新世纪电子"), QStringLiteral("刘洋"),
         QStringLiteral("0755-26667788"), QStringLiteral("广东"),
         QStringLiteral("2024-04-28 14:30:59")},
        {QStringLiteral("1005"), QStringLiteral("杭州西湖茶业合作社"), QStringLiteral("陈静"),
         QStringLiteral("0571-87001234"), QStringLiteral("浙江"),
         QStringLiteral("2024-04-20 08:15:42")}};

    // Set up as a list view does: header row, key column, list mode, the
    // colours of the settings files' defaults.
    grid.SetColumnCount(headers.size());
    grid.SetFixedRowCount(1);
    grid.SetFixedColumnCount(1);
    grid.SetListMode(true);
    grid.SetEditable(false);
    const QColor gridBack = CGridCtrl::ColorFromRef(15788232);
    const QColor fixedBack = CGridCtrl::ColorFromRef(14730375);
    grid.SetGridBkColor(gridBack);
    grid.SetFixedBkColor(fixedBack);
    for (int c = 0; c < headers.size(); ++c)
        grid.SetItemText(0, c, headers.at(c));
    grid.AutoSize();
    grid.SetDefaultCellMargin(2);
    for (const QStringList& texts : rows) {
        const int row = grid.InsertRow(QString());
        grid.SetRowHeight(row, 20);
        for (int c = 0; c < texts.size(); ++c)
            grid.SetItemText(row, c, texts.at(c));
    }
    grid.AutoSizeColumns();
    grid.SetColumnWidth(1, grid.GetColumnWidth(1) + 30);
    GridTest::Show(grid, 620, 200);
    GridTest::Click(grid, GridTest::CellCenter(grid, 2, 2));
    QCOMPARE(grid.GetSelectedCellRange(), CCellRange(2, 1, 2, 5));

    const QImage image = grid.grab().toImage();
    const qreal dpr = image.devicePixelRatio();
    auto pixelNearRightEdge = [&](int row, int col) {
        QRect rect;
        if (!grid.GetCellRect(row, col, &rect))
            return QColor();
        // Just inside the bottom-right corner, clear of text and edges.
        const QPoint p = grid.viewport()->mapTo(&grid, QPoint(rect.right() - 4, rect.bottom() - 4));
        return image.pixelColor(QPoint(int(p.x() * dpr), int(p.y() * dpr)));
    };
    QCOMPARE(pixelNearRightEdge(0, 1), fixedBack);
    QCOMPARE(pixelNearRightEdge(3, 0), fixedBack);
    QCOMPARE(pixelNearRightEdge(2, 1), grid.palette().color(QPalette::Highlight));
    QCOMPARE(pixelNearRightEdge(2, 5), grid.palette().color(QPalette::Highlight));
    QCOMPARE(pixelNearRightEdge(3, 1), grid.GetTextBkColor());
    const QPoint below = grid.viewport()->mapTo(&grid, QPoint(10, grid.GetVirtualHeight() + 10));
    QCOMPARE(image.pixelColor(QPoint(int(below.x() * dpr), int(below.y() * dpr))), gridBack);

    // Some pixels of a Chinese text cell are neither background nor highlight.
    QRect textCell;
    QVERIFY(grid.GetCellRect(1, 1, &textCell));
    bool inked = false;
    for (int x = textCell.left() + 3; x < textCell.left() + 40 && !inked; ++x)
        for (int y = textCell.top() + 3; y < textCell.bottom() - 3 && !inked; ++y) {
            const QPoint p = grid.viewport()->mapTo(&grid, QPoint(x, y));
            inked = image.pixelColor(QPoint(int(p.x() * dpr), int(p.y() * dpr))) !=
                    grid.GetTextBkColor();
        }
    QVERIFY(inked);

    const QString path = qEnvironmentVariable("TORVEL_GRID_SCREENSHOT");
    if (!path.isEmpty())
        QVERIFY(image.save(path));
}

QTEST_MAIN(TestGridPaint)
#include "tst_grid_paint.moc"
