#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

// The borderless window that shows the whole text of a grid cell too narrow
// for it, laid over the cell in the cell's font and colours. It takes no
// input: the pointer keeps talking to the grid underneath, which hides the
// tip as soon as the pointer leaves the cell's text.
class GridTitleTip final : public QWidget {
    Q_OBJECT

public:
    explicit GridTitleTip(QWidget* owner);

    // Shows text at a global position, as high as the cell.
    void ShowTip(const QPoint& globalTopLeft, int height, const QString& text, const QFont& font,
                 const QColor& fore, const QColor& back, int margin);
    const QString& Text() const { return text_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    QColor fore_;
    QColor back_;
    int margin_ = 0;
};
