#pragma once

#include <QColor>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <array>
#include <vector>

// The navigation bar of the main window: a stack of group headers, of which
// exactly one group is open and shows its items (a picture and a text each)
// between the headers above it and those below. Opening another group slides
// the headers between the two into place. Pressing and releasing the mouse on
// the same item selects it and sends its command number through
// itemCommand(); a press on one item released on another sends nothing.
//
// With the keyboard focus, Up and Down (Home, End) move among the open
// group's items, Enter or Space clicks the one marked, and Page Up and Page
// Down open the group above or below.
//
//     bar->AddGroup(QStringLiteral("客户管理"), 0);
//     bar->AddItem(0, 0, QStringLiteral("客户管理"), 1, 32815);
//     bar->SetItemPicture(0, ProgramPath(QStringLiteral("images/list_site.jpg")));
//     bar->OpenGroup(0);
//     connect(bar, &CSmallBarCtrl::itemCommand, frame, &Frame::onCommand);
class CSmallBarCtrl : public QWidget {
    Q_OBJECT
public:
    enum class Color {
        Background,   // behind the items
        GroupFace,    // the group headers (drawn as a soft gradient of it)
        GroupText,    // header captions
        ItemText,     // item texts
        HotItem,      // the item under the mouse
        SelectedItem, // the selected item
        Border,       // header edges
    };
    static constexpr int kColorCount = 7;
    // Steps of the slide between two groups; each waits the animation delay.
    static constexpr int kSlideSteps = 8;

    explicit CSmallBarCtrl(QWidget* parent = nullptr);
    ~CSmallBarCtrl() override;

    // Adds a group with a caption at `group` (appended when the index is out
    // of range) and returns its index. SetItemPicture works on the group
    // added last.
    int AddGroup(const QString& caption, int group);
    // Adds an item to a group. `index` is the item's own index within the
    // group, which need not be contiguous; items are shown in index order and
    // an index that is taken replaces that item. False when there is no such
    // group.
    bool AddItem(int group, int index, const QString& text, int flag, int command);
    // Gives the item with that index in the group added last its picture.
    // False when that group has no item with the index or the file cannot be
    // read.
    bool SetItemPicture(int index, const QString& pictureFile);
    // Gives a group its own window, shown in the items' place while the group
    // is open. The bar becomes the window's parent.
    void SetGroupWindow(int group, QWidget* window);

    // Makes `group` the open group: the window of the group open before is
    // hidden, the bar slides from the old group to the new one when it is
    // shown and animation is on, the selection is cleared, the group's own
    // window is shown (after the slide) and groupOpened() is emitted. An index
    // out of range changes nothing.
    void OpenGroup(int group);

    // Milliseconds per slide step (10 unless changed); negative: no slide.
    void SetAnimationDelay(int milliseconds) { animationDelay_ = milliseconds; }
    int AnimationDelay() const { return animationDelay_; }
    // The size item pictures are drawn at (16 by 16 unless changed).
    void SetPictureSize(int width, int height);
    QSize PictureSize() const { return pictureSize_; }
    void SetColor(Color role, const QColor& color);
    QColor GetColor(Color role) const { return colors_[size_t(role)]; }

    int GroupCount() const { return int(groups_.size()); }
    QString GroupCaption(int group) const;
    // The open group, -1 before the first OpenGroup.
    int OpenedGroup() const { return open_; }
    int ItemCount(int group) const;
    // The item indexes of a group in display order.
    QList<int> ItemIndexes(int group) const;
    QString ItemText(int group, int index) const;
    // The command number of an item, 0 when there is no such item.
    int ItemCommand(int group, int index) const;
    int ItemFlag(int group, int index) const;
    bool ItemHasPicture(int group, int index) const;
    // The index of the selected item of the open group, -1 when none.
    int SelectedItem() const { return selected_; }
    // The index of the item the keyboard marks in the open group, -1 when
    // none.
    int FocusItem() const;

    // True while a slide between groups runs.
    bool IsSliding() const { return slideFrom_ >= 0; }
    // Ends a running slide at once, as if its last step had passed.
    void FinishSlide();

    // Where a group's header and an item of the open group are drawn; an empty
    // rectangle when not visible. For hit tests and tests.
    QRect GroupHeaderRect(int group) const;
    QRect ItemRect(int group, int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // An item was clicked: its command number.
    void itemCommand(int command);
    // A group became the open group.
    void groupOpened(int group);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Item {
        int index = 0;
        QString text;
        int flag = 0;
        int command = 0;
        QPixmap picture;
    };
    struct Group {
        QString caption;
        std::vector<Item> items; // by index
        QPointer<QWidget> window;
        int scroll = 0; // position of the first item shown
    };
    enum class HitKind { None, Header, Item, ScrollUp, ScrollDown };
    struct Hit {
        HitKind kind = HitKind::None;
        int group = -1;
        int position = -1; // of an item within its group
        bool operator==(const Hit& other) const {
            return kind == other.kind && group == other.group && position == other.position;
        }
        bool operator!=(const Hit& other) const { return !(*this == other); }
    };

    const Item* FindItem(int group, int index) const;
    int HeaderHeight() const;
    int ItemHeight() const;
    // The top of a group's header when `open` is the open group.
    int HeaderTop(int group, int open) const;
    // The header top as drawn now, during a slide too.
    int DrawnHeaderTop(int group) const;
    // The space for the open group's items (or its window).
    QRect ItemArea(int group) const;
    QRect ItemRectAt(int group, int position) const;
    int VisibleItemCount(int group) const;
    int MaxScroll(int group) const;
    QRect ScrollUpRect() const;
    QRect ScrollDownRect() const;
    Hit HitTest(const QPoint& pos) const;
    void ScrollBy(int items);
    void MoveFocusTo(int position);
    void ClickItem(int group, int position);
    void PlaceGroupWindow();
    void SlideStep();
    void SetHot(const Hit& hit);

    void PaintHeader(QPainter& painter, int group, int top) const;
    void PaintItems(QPainter& painter, int group, const QRect& area) const;
    void PaintArrow(QPainter& painter, const QRect& rect, bool up) const;

    std::vector<Group> groups_;
    int open_ = -1;
    int lastAdded_ = -1;
    int selected_ = -1;
    int focusPosition_ = -1; // of the keyboard's item within the open group
    Hit pressed_;
    Hit hot_;

    int animationDelay_ = 10;
    QSize pictureSize_{16, 16};
    std::array<QColor, kColorCount> colors_;

    QTimer slideTimer_;
    int slideFrom_ = -1;
    int slideStep_ = 0;
};
