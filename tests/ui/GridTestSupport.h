#pragma once

#include "ui/GridCtrl.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

// Small helpers shared by the grid tests: a filled list grid and mouse
// events delivered straight to the grid's viewport.
namespace GridTest {

// A grid with one header row and one key column, `rows` data rows, texts
// "r<row>c<col>" in data cells and "H<col>" in the header.
inline void Fill(CGridCtrl& grid, int rows, int cols) {
    grid.SetColumnCount(cols);
    grid.SetFixedRowCount(1);
    grid.SetFixedColumnCount(1);
    for (int c = 0; c < cols; ++c)
        grid.SetItemText(0, c, QStringLiteral("H%1").arg(c));
    for (int r = 1; r <= rows; ++r) {
        const int row = grid.InsertRow(QString());
        for (int c = 0; c < cols; ++c)
            grid.SetItemText(row, c, QStringLiteral("r%1c%2").arg(row).arg(c));
        grid.SetRowHeight(row, 20);
    }
}

inline void Show(CGridCtrl& grid, int width = 400, int height = 240) {
    grid.resize(width, height);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QApplication::processEvents();
}

inline QPoint CellCenter(const CGridCtrl& grid, int row, int col) {
    QRect rect;
    if (!grid.GetCellRect(row, col, &rect))
        return QPoint(-1, -1);
    return rect.center();
}

inline void Mouse(CGridCtrl& grid, QEvent::Type type, const QPoint& pos,
                  Qt::MouseButton button = Qt::LeftButton,
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = grid.viewport();
    const Qt::MouseButtons buttons =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(pos), QPointF(target->mapToGlobal(pos)),
                      type == QEvent::MouseMove ? Qt::NoButton : button, buttons, modifiers);
    QApplication::sendEvent(target, &event);
}

// Moves the pointer with no button held.
inline void Hover(CGridCtrl& grid, const QPoint& pos) {
    QWidget* target = grid.viewport();
    QMouseEvent event(QEvent::MouseMove, QPointF(pos), QPointF(target->mapToGlobal(pos)),
                      Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

inline void Click(CGridCtrl& grid, const QPoint& pos,
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    Mouse(grid, QEvent::MouseButtonPress, pos, Qt::LeftButton, modifiers);
    Mouse(grid, QEvent::MouseButtonRelease, pos, Qt::LeftButton, modifiers);
}

inline void DoubleClick(CGridCtrl& grid, const QPoint& pos) {
    Click(grid, pos);
    Mouse(grid, QEvent::MouseButtonDblClick, pos);
    Mouse(grid, QEvent::MouseButtonRelease, pos);
}

} // namespace GridTest
