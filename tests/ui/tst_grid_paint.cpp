// What the grid paints: header colour, the selected row in the highlight
// colour, the empty area, and Chinese text; how much of a huge text it
// paints and measures.

#include "GridTestSupport.h"

#include <QImage>
#include <QPixmap>
#include <QTest>

class TestGridPaint : public QObject {
    Q_OBJECT

private slots:
    void paintsHeadersSelectionAndEmptyArea();
    void hugeTextsAreBoundedWhenShown();
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

// A value of megabytes (one long imported line) keeps its text, but the cell
// shows and measures only its start: auto-size stays within bounds instead
// of giving a column millions of pixels.
void TestGridPaint::hugeTextsAreBoundedWhenShown() {
    const QString oneLine = QStringLiteral("很长的一行文字abc").repeated(100000); // 1 MB
    QString manyLines;
    for (int i = 0; i < 20000; ++i)
        manyLines += QStringLiteral("第%1行\n").arg(i);

    QCOMPARE(CGridCtrl::ShownText(oneLine), oneLine.left(CGridCtrl::kShownChars) + QChar(0x2026));
    QCOMPARE(CGridCtrl::ShownText(manyLines).count(QLatin1Char('\n')), CGridCtrl::kShownLines - 1);
    const QString shortText = QStringLiteral("短\n文字");
    QCOMPARE(CGridCtrl::ShownText(shortText), shortText);
    // A character outside the BMP is cut whole, never half.
    const QString wide = QString(CGridCtrl::kShownChars - 1, QLatin1Char('x')) +
                         QString::fromUcs4(U"\U00020000") + QStringLiteral("tail");
    QCOMPARE(CGridCtrl::ShownText(wide),
             QString(CGridCtrl::kShownChars - 1, QLatin1Char('x')) + QChar(0x2026));

    CGridCtrl grid;
    GridTest::Fill(grid, 3, 3);
    grid.SetItemText(1, 1, oneLine);
    grid.SetItemText(2, 2, manyLines);
    grid.SetItemFormat(2, 2, CGridCell::DT_LEFT | CGridCell::DT_WORDBREAK);
    GridTest::Show(grid);
    grid.AutoSize();
    const int margins = 20; // cell margins and the grid line, generously
    QVERIFY(grid.GetColumnWidth(1) >= CGridCtrl::kMaxAutoSizeWidth);
    QVERIFY(grid.GetColumnWidth(1) <= CGridCtrl::kMaxAutoSizeWidth + margins);
    QVERIFY(grid.GetColumnWidth(2) <= CGridCtrl::kMaxAutoSizeWidth + margins);
    const int lineHeight = QFontMetrics(grid.GetItemFont(2, 2)).height();
    QVERIFY2(grid.GetRowHeight(2) <= CGridCtrl::kShownLines * lineHeight + margins,
             qPrintable(QString::number(grid.GetRowHeight(2))));
    QVERIFY(!grid.grab().isNull());
    QCOMPARE(grid.GetItemText(1, 1).size(), oneLine.size());
}

QTEST_MAIN(TestGridPaint)
#include "tst_grid_paint.moc"
