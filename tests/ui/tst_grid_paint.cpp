// What the grid paints: header colour, the selected row in the highlight
// colour, the empty area, and Chinese text.

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
    GridTest::Fill(grid, 3, 3);
    grid.SetItemText(1, 1, QStringLiteral("北京华宇科技有限公司"));
    grid.SetListMode(true);
    grid.SetEditable(false);
    const QColor gridBack = CGridCtrl::ColorFromRef(15788232);
    const QColor fixedBack = CGridCtrl::ColorFromRef(14730375);
    grid.SetGridBkColor(gridBack);
    grid.SetFixedBkColor(fixedBack);
    GridTest::Show(grid);
    GridTest::Click(grid, GridTest::CellCenter(grid, 2, 2));

    const QImage image = grid.grab().toImage();
    const qreal dpr = image.devicePixelRatio();
    auto pixel = [&](const QPoint& inViewport) {
        const QPoint p = grid.viewport()->mapTo(&grid, inViewport);
        return image.pixelColor(QPoint(int(p.x() * dpr), int(p.y() * dpr)));
    };
    // Just inside a cell's bottom-right corner, clear of text and edges.
    auto nearRightEdge = [&](int row, int col) {
        QRect rect;
        return grid.GetCellRect(row, col, &rect) ? pixel(rect.bottomRight() - QPoint(4, 4))
                                                 : QColor();
    };
    QCOMPARE(nearRightEdge(0, 1), fixedBack);
    QCOMPARE(nearRightEdge(2, 1), grid.palette().color(QPalette::Highlight));
    QCOMPARE(nearRightEdge(3, 1), grid.GetTextBkColor());
    QCOMPARE(pixel(QPoint(10, grid.GetVirtualHeight() + 10)), gridBack);

    // Some pixels of the Chinese text cell are not background.
    QRect textCell;
    QVERIFY(grid.GetCellRect(1, 1, &textCell));
    bool inked = false;
    for (int x = textCell.left() + 3; x < textCell.left() + 40 && !inked; ++x)
        for (int y = textCell.top() + 3; y < textCell.bottom() - 3 && !inked; ++y)
            inked = pixel(QPoint(x, y)) != grid.GetTextBkColor();
    QVERIFY(inked);
}

QTEST_MAIN(TestGridPaint)
#include "tst_grid_paint.moc"
