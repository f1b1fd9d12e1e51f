#pragma once

#include <QAbstractButton>
#include <QColor>

// The check box of the page dialogs: drawn by the program in the page's text
// and background colours, with a rounded box that lights up while the mouse is
// over it. Every click toggles it and sends its control id.
class DrawnCheckBox final : public QAbstractButton {
    Q_OBJECT
public:
    explicit DrawnCheckBox(const QString& text, QWidget* parent = nullptr);

    void SetControlId(int id) { controlId_ = id; }
    int ControlId() const { return controlId_; }

    void SetTextColor(const QColor& color);
    void SetBackgroundColor(const QColor& color);
    QColor TextColor() const { return textColor_; }
    QColor BackgroundColor() const { return backgroundColor_; }

    // True while the mouse is over the box.
    bool IsHot() const { return hot_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // After every click, with the control id.
    void command(int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    int BoxSize() const;

    int controlId_ = 0;
    bool hot_ = false;
    QColor textColor_;
    QColor backgroundColor_;
};
