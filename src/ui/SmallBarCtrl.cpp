#include "ui/SmallBarCtrl.h"

#include "ui/Picture.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>

namespace {

constexpr int kAreaPadding = 4;  // above the first and below the last item
constexpr int kItemMargin = 4;   // left and right of an item's highlight
constexpr int kPictureLeft = 10; // picture's left edge
constexpr int kTextGap = 6;      // between picture and text
constexpr int kArrowSize = 16;

QColor Mix(const QColor& a, const QColor& b, qreal weightOfA) {
    const qreal w = weightOfA;
    return QColor::fromRgbF(float(a.redF() * w + b.redF() * (1 - w)),
                            float(a.greenF() * w + b.greenF() * (1 - w)),
                            float(a.blueF() * w + b.blueF() * (1 - w)));
}

} // namespace

CSmallBarCtrl::CSmallBarCtrl(QWidget* parent) : QWidget(parent) {
    // The colours start as the desktop's own.
    const QPalette system = palette();
    colors_[size_t(Color::Background)] = system.color(QPalette::Window);
    colors_[size_t(Color::GroupFace)] = system.color(QPalette::Button);
    colors_[size_t(Color::GroupText)] = system.color(QPalette::ButtonText);
    colors_[size_t(Color::ItemText)] = system.color(QPalette::WindowText);
    colors_[size_t(Color::HotItem)] =
        Mix(system.color(QPalette::Highlight), system.color(QPalette::Window), 0.2);
    colors_[size_t(Color::SelectedItem)] =
        Mix(system.color(QPalette::Highlight), system.color(QPalette::Window), 0.4);
    colors_[size_t(Color::Border)] = system.color(QPalette::Mid);

    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    slideTimer_.setSingleShot(false);
    connect(&slideTimer_, &QTimer::timeout, this, &CSmallBarCtrl::SlideStep);
}

CSmallBarCtrl::~CSmallBarCtrl() = default;

int CSmallBarCtrl::AddGroup(const QString& caption, int group) {
    FinishSlide();
    Group added;
    added.caption = caption;
    if (group < 0 || group >= GroupCount()) {
        groups_.push_back(std::move(added));
        group = GroupCount() - 1;
    } else {
        groups_.insert(groups_.begin() + group, std::move(added));
        if (open_ >= group)
            ++open_;
    }
    lastAdded_ = group;
    updateGeometry();
    PlaceGroupWindow();
    update();
    return group;
}

bool CSmallBarCtrl::AddItem(int group, int index, const QString& text, int flag, int command) {
    if (group < 0 || group >= GroupCount())
        return false;
    auto& items = groups_[size_t(group)].items;
    auto at = std::lower_bound(items.begin(), items.end(), index,
                               [](const Item& item, int i) { return item.index < i; });
    if (at != items.end() && at->index == index) {
        at->text = text;
        at->flag = flag;
        at->command = command;
    } else {
        Item item;
        item.index = index;
        item.text = text;
        item.flag = flag;
        item.command = command;
        items.insert(at, std::move(item));
    }
    updateGeometry();
    update();
    return true;
}

bool CSmallBarCtrl::SetItemPicture(int index, const QString& pictureFile) {
    if (lastAdded_ < 0 || lastAdded_ >= GroupCount())
        return false;
    for (Item& item : groups_[size_t(lastAdded_)].items) {
        if (item.index != index)
            continue;
        const QPixmap picture = LoadPicture(pictureFile);
        if (picture.isNull())
            return false;
        item.picture = picture;
        update();
        return true;
    }
    return false;
}

void CSmallBarCtrl::SetGroupWindow(int group, QWidget* window) {
    if (group < 0 || group >= GroupCount())
        return;
    Group& target = groups_[size_t(group)];
    if (target.window && target.window != window)
        target.window->hide();
    target.window = window;
    if (!window)
        return;
    window->setParent(this);
    if (group == open_ && !IsSliding()) {
        PlaceGroupWindow();
        window->show();
    } else {
        window->hide();
    }
}

void CSmallBarCtrl::OpenGroup(int group) {
    if (group < 0 || group >= GroupCount())
        return;
    FinishSlide();
    const int old = open_;
    if (old >= 0 && groups_[size_t(old)].window)
        groups_[size_t(old)].window->hide();

    open_ = group;
    selected_ = -1;
    focusPosition_ = -1;
    pressed_ = Hit();
    hot_ = Hit();
    groups_[size_t(group)].scroll = 0;

    if (isVisible() && animationDelay_ >= 0 && old >= 0 && old != group) {
        slideFrom_ = old;
        slideStep_ = 0;
        slideTimer_.start(animationDelay_);
    } else {
        PlaceGroupWindow();
        if (groups_[size_t(group)].window)
            groups_[size_t(group)].window->show();
    }
    emit groupOpened(group);
    update();
}

void CSmallBarCtrl::SlideStep() {
    if (++slideStep_ >= kSlideSteps)
        FinishSlide();
    else
        update();
}

void CSmallBarCtrl::FinishSlide() {
    if (!IsSliding())
        return;
    slideTimer_.stop();
    slideFrom_ = -1;
    slideStep_ = 0;
    if (open_ >= 0 && groups_[size_t(open_)].window) {
        PlaceGroupWindow();
        groups_[size_t(open_)].window->show();
    }
    update();
}

void CSmallBarCtrl::SetPictureSize(int width, int height) {
    pictureSize_ = QSize(width, height);
    updateGeometry();
    update();
}

void CSmallBarCtrl::SetColor(Color role, const QColor& color) {
    colors_[size_t(role)] = color;
    update();
}

QString CSmallBarCtrl::GroupCaption(int group) const {
    return group >= 0 && group < GroupCount() ? groups_[size_t(group)].caption : QString();
}

int CSmallBarCtrl::ItemCount(int group) const {
    return group >= 0 && group < GroupCount() ? int(groups_[size_t(group)].items.size()) : 0;
}

QList<int> CSmallBarCtrl::ItemIndexes(int group) const {
    QList<int> indexes;
    if (group >= 0 && group < GroupCount())
        for (const Item& item : groups_[size_t(group)].items)
            indexes.append(item.index);
    return indexes;
}

const CSmallBarCtrl::Item* CSmallBarCtrl::FindItem(int group, int index) const {
    if (group < 0 || group >= GroupCount())
        return nullptr;
    for (const Item& item : groups_[size_t(group)].items)
        if (item.index == index)
            return &item;
    return nullptr;
}

QString CSmallBarCtrl::ItemText(int group, int index) const {
    const Item* item = FindItem(group, index);
    return item ? item->text : QString();
}

int CSmallBarCtrl::ItemCommand(int group, int index) const {
    const Item* item = FindItem(group, index);
    return item ? item->command : 0;
}

int CSmallBarCtrl::ItemFlag(int group, int index) const {
    const Item* item = FindItem(group, index);
    return item ? item->flag : 0;
}

bool CSmallBarCtrl::ItemHasPicture(int group, int index) const {
    const Item* item = FindItem(group, index);
    return item && !item->picture.isNull();
}

// --- geometry -------------------------------------------------------------

int CSmallBarCtrl::HeaderHeight() const {
    return fontMetrics().height() + 10;
}

int CSmallBarCtrl::ItemHeight() const {
    return std::max(pictureSize_.height(), fontMetrics().height()) + 10;
}

int CSmallBarCtrl::HeaderTop(int group, int open) const {
    // The open group's header and those above it stack from the top, the
    // others from the bottom.
    if (open < 0 || group <= open)
        return group * HeaderHeight();
    return height() - (GroupCount() - group) * HeaderHeight();
}

int CSmallBarCtrl::DrawnHeaderTop(int group) const {
    const int target = HeaderTop(group, open_);
    if (!IsSliding())
        return target;
    const int start = HeaderTop(group, slideFrom_);
    return start + (target - start) * slideStep_ / kSlideSteps;
}

QRect CSmallBarCtrl::ItemArea(int group) const {
    if (group < 0 || group >= GroupCount())
        return QRect();
    const int top = (group + 1) * HeaderHeight();
    const int bottom = height() - (GroupCount() - 1 - group) * HeaderHeight();
    return QRect(0, top, width(), std::max(0, bottom - top));
}

QRect CSmallBarCtrl::ItemRectAt(int group, int position) const {
    const QRect area = ItemArea(group);
    const int top =
        area.top() + kAreaPadding + (position - groups_[size_t(group)].scroll) * ItemHeight();
    return QRect(area.left() + kItemMargin, top, area.width() - 2 * kItemMargin, ItemHeight());
}

int CSmallBarCtrl::VisibleItemCount(int group) const {
    return std::max(0, (ItemArea(group).height() - 2 * kAreaPadding) / ItemHeight());
}

int CSmallBarCtrl::MaxScroll(int group) const {
    return std::max(0, ItemCount(group) - VisibleItemCount(group));
}

QRect CSmallBarCtrl::ScrollUpRect() const {
    if (open_ < 0 || groups_[size_t(open_)].scroll <= 0 || groups_[size_t(open_)].window)
        return QRect();
    const QRect area = ItemArea(open_);
    return QRect(area.right() - kArrowSize - 2, area.top() + 2, kArrowSize, kArrowSize);
}

QRect CSmallBarCtrl::ScrollDownRect() const {
    if (open_ < 0 || groups_[size_t(open_)].scroll >= MaxScroll(open_) ||
        groups_[size_t(open_)].window)
        return QRect();
    const QRect area = ItemArea(open_);
    return QRect(area.right() - kArrowSize - 2, area.bottom() - kArrowSize - 1, kArrowSize,
                 kArrowSize);
}

QRect CSmallBarCtrl::GroupHeaderRect(int group) const {
    if (group < 0 || group >= GroupCount())
        return QRect();
    return QRect(0, DrawnHeaderTop(group), width(), HeaderHeight());
}

QRect CSmallBarCtrl::ItemRect(int group, int index) const {
    if (group != open_ || IsSliding() || groups_[size_t(group)].window)
        return QRect();
    const auto& items = groups_[size_t(group)].items;
    for (size_t position = 0; position < items.size(); ++position) {
        if (items[position].index == index)
            return ItemRectAt(group, int(position)).intersected(ItemArea(group));
    }
    return QRect();
}

CSmallBarCtrl::Hit CSmallBarCtrl::HitTest(const QPoint& pos) const {
    Hit hit;
    if (IsSliding() || !rect().contains(pos))
        return hit;
    for (int group = 0; group < GroupCount(); ++group) {
        if (GroupHeaderRect(group).contains(pos)) {
            hit.kind = HitKind::Header;
            hit.group = group;
            return hit;
        }
    }
    if (open_ < 0 || groups_[size_t(open_)].window)
        return hit;
    if (ScrollUpRect().contains(pos)) {
        hit.kind = HitKind::ScrollUp;
        hit.group = open_;
        return hit;
    }
    if (ScrollDownRect().contains(pos)) {
        hit.kind = HitKind::ScrollDown;
        hit.group = open_;
        return hit;
    }
    const QRect area = ItemArea(open_);
    if (!area.contains(pos))
        return hit;
    const int count = ItemCount(open_);
    for (int position = groups_[size_t(open_)].scroll; position < count; ++position) {
        const QRect item = ItemRectAt(open_, position);
        if (item.top() > area.bottom())
            break;
        if (item.contains(pos)) {
            hit.kind = HitKind::Item;
            hit.group = open_;
            hit.position = position;
            return hit;
        }
    }
    return hit;
}

void CSmallBarCtrl::ScrollBy(int items) {
    if (open_ < 0)
        return;
    int& scroll = groups_[size_t(open_)].scroll;
    const int next = std::clamp(scroll + items, 0, MaxScroll(open_));
    if (next != scroll) {
        scroll = next;
        update();
    }
}

void CSmallBarCtrl::PlaceGroupWindow() {
    if (open_ >= 0 && groups_[size_t(open_)].window)
        groups_[size_t(open_)].window->setGeometry(ItemArea(open_));
}

QSize CSmallBarCtrl::sizeHint() const {
    int most = 0;
    for (const Group& group : groups_)
        most = std::max(most, int(group.items.size()));
    return QSize(120, GroupCount() * HeaderHeight() + most * ItemHeight() + 2 * kAreaPadding);
}

QSize CSmallBarCtrl::minimumSizeHint() const {
    return QSize(60, GroupCount() * HeaderHeight());
}

// --- painting -------------------------------------------------------------

void CSmallBarCtrl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), colors_[size_t(Color::Background)]);

    for (int group = 0; group < GroupCount(); ++group) {
        const int top = DrawnHeaderTop(group);
        const int below = group + 1 < GroupCount() ? DrawnHeaderTop(group + 1) : height();
        const QRect area(0, top + HeaderHeight(), width(), below - top - HeaderHeight());
        const bool showsItems = group == open_ || group == slideFrom_;
        if (showsItems && area.height() > 0 &&
            !(group == open_ && !IsSliding() && groups_[size_t(group)].window)) {
            PaintItems(painter, group, area);
        }
    }
    for (int group = 0; group < GroupCount(); ++group)
        PaintHeader(painter, group, DrawnHeaderTop(group));

    if (!IsSliding()) {
        const QRect up = ScrollUpRect();
        if (!up.isEmpty())
            PaintArrow(painter, up, true);
        const QRect down = ScrollDownRect();
        if (!down.isEmpty())
            PaintArrow(painter, down, false);
    }
}

void CSmallBarCtrl::PaintHeader(QPainter& painter, int group, int top) const {
    const QRect header(0, top, width(), HeaderHeight());
    const QColor face = colors_[size_t(Color::GroupFace)];
    const bool pressed =
        pressed_.kind == HitKind::Header && pressed_.group == group && hot_ == pressed_;
    const bool hot = hot_.kind == HitKind::Header && hot_.group == group;

    QLinearGradient gradient(header.topLeft(), header.bottomLeft());
    const QColor light = pressed ? face.darker(108) : hot ? face.lighter(112) : face.lighter(106);
    gradient.setColorAt(0, Mix(light, Qt::white, 0.6));
    gradient.setColorAt(0.5, light);
    gradient.setColorAt(1, face.darker(pressed ? 118 : 110));
    painter.fillRect(header, gradient);

    painter.setPen(Mix(Qt::white, face, 0.6));
    painter.drawLine(header.topLeft(), header.topRight());
    painter.setPen(colors_[size_t(Color::Border)]);
    painter.drawLine(header.bottomLeft(), header.bottomRight());

    QFont font = painter.font();
    font.setBold(group == open_);
    painter.setFont(font);
    painter.setPen(colors_[size_t(Color::GroupText)]);
    const QString caption = painter.fontMetrics().elidedText(groups_[size_t(group)].caption,
                                                             Qt::ElideRight, header.width() - 8);
    painter.drawText(header.translated(0, pressed ? 1 : 0), Qt::AlignCenter, caption);
    font.setBold(false);
    painter.setFont(font);
}

void CSmallBarCtrl::PaintItems(QPainter& painter, int group, const QRect& area) const {
    painter.save();
    painter.setClipRect(area);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);

    const auto& items = groups_[size_t(group)].items;
    const int scroll = groups_[size_t(group)].scroll;
    const int itemHeight = ItemHeight();
    const QFontMetrics metrics = painter.fontMetrics();
    for (int position = scroll; position < int(items.size()); ++position) {
        const QRect row(area.left() + kItemMargin,
                        area.top() + kAreaPadding + (position - scroll) * itemHeight,
                        area.width() - 2 * kItemMargin, itemHeight);
        if (row.top() > area.bottom())
            break;
        const Item& item = items[size_t(position)];

        const bool interactive = group == open_ && !IsSliding();
        const bool selected = interactive && item.index == selected_;
        const bool hot = interactive && hot_.kind == HitKind::Item && hot_.position == position;
        const bool pressed = hot && pressed_ == hot_;
        if (selected || hot) {
            QColor fill = colors_[size_t(selected ? Color::SelectedItem : Color::HotItem)];
            if (pressed)
                fill = fill.darker(115);
            painter.setPen(fill.darker(130));
            painter.setBrush(fill);
            painter.drawRoundedRect(QRectF(row).adjusted(0.5, 1.5, -0.5, -1.5), 3, 3);
        }

        if (interactive && hasFocus() && position == focusPosition_) {
            painter.setPen(QPen(colors_[size_t(Color::ItemText)], 1, Qt::DotLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(QRectF(row).adjusted(1.5, 2.5, -1.5, -2.5), 2, 2);
        }

        const int shift = pressed ? 1 : 0;
        const QRect picture(row.left() + kPictureLeft - kItemMargin + shift,
                            row.top() + (itemHeight - pictureSize_.height()) / 2 + shift,
                            pictureSize_.width(), pictureSize_.height());
        if (!item.picture.isNull())
            painter.drawPixmap(picture, item.picture);

        const int textLeft = picture.right() + 1 + kTextGap;
        const QRect text(textLeft, row.top() + shift, row.right() - textLeft - 2, itemHeight);
        painter.setPen(colors_[size_t(Color::ItemText)]);
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(item.text, Qt::ElideRight, text.width()));
    }
    painter.restore();
}

void CSmallBarCtrl::PaintArrow(QPainter& painter, const QRect& rect, bool up) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor face = colors_[size_t(Color::GroupFace)];
    const bool hot = hot_.kind == (up ? HitKind::ScrollUp : HitKind::ScrollDown);
    painter.setPen(colors_[size_t(Color::Border)]);
    painter.setBrush(hot ? face.lighter(110) : face);
    painter.drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    const QPointF c = QRectF(rect).center();
    QPainterPath triangle;
    const qreal s = rect.width() / 4.0;
    if (up) {
        triangle.moveTo(c.x() - s, c.y() + s / 2);
        triangle.lineTo(c.x() + s, c.y() + s / 2);
        triangle.lineTo(c.x(), c.y() - s / 2 - 1);
    } else {
        triangle.moveTo(c.x() - s, c.y() - s / 2);
        triangle.lineTo(c.x() + s, c.y() - s / 2);
        triangle.lineTo(c.x(), c.y() + s / 2 + 1);
    }
    triangle.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(colors_[size_t(Color::GroupText)]);
    painter.drawPath(triangle);
    painter.restore();
}

// --- input ----------------------------------------------------------------

void CSmallBarCtrl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (open_ >= 0)
        groups_[size_t(open_)].scroll = std::min(groups_[size_t(open_)].scroll, MaxScroll(open_));
    PlaceGroupWindow();
}

void CSmallBarCtrl::SetHot(const Hit& hit) {
    if (hit == hot_)
        return;
    hot_ = hit;
    // The hand marks what can be clicked.
    if (hit.kind == HitKind::Item || hit.kind == HitKind::ScrollUp ||
        hit.kind == HitKind::ScrollDown)
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
    update();
}

void CSmallBarCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // A click during a slide goes to where things will be.
    FinishSlide();
    pressed_ = HitTest(event->position().toPoint());
    SetHot(pressed_);
    update();
}

void CSmallBarCtrl::mouseMoveEvent(QMouseEvent* event) {
    SetHot(HitTest(event->position().toPoint()));
}

void CSmallBarCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const Hit released = HitTest(event->position().toPoint());
    const Hit pressed = pressed_;
    pressed_ = Hit();
    update();
    if (pressed.kind == HitKind::None || released != pressed)
        return;

    switch (released.kind) {
    case HitKind::Header:
        if (released.group != open_)
            OpenGroup(released.group);
        break;
    case HitKind::Item:
        focusPosition_ = released.position;
        ClickItem(released.group, released.position);
        break;
    case HitKind::ScrollUp:
        ScrollBy(-1);
        break;
    case HitKind::ScrollDown:
        ScrollBy(1);
        break;
    case HitKind::None:
        break;
    }
    SetHot(HitTest(event->position().toPoint()));
}

void CSmallBarCtrl::ClickItem(int group, int position) {
    const Item& item = groups_[size_t(group)].items[size_t(position)];
    selected_ = item.index;
    update();
    emit itemCommand(item.command);
}

int CSmallBarCtrl::FocusItem() const {
    if (open_ < 0 || focusPosition_ < 0 || focusPosition_ >= ItemCount(open_))
        return -1;
    return groups_[size_t(open_)].items[size_t(focusPosition_)].index;
}

void CSmallBarCtrl::MoveFocusTo(int position) {
    if (open_ < 0 || ItemCount(open_) == 0)
        return;
    focusPosition_ = std::clamp(position, 0, ItemCount(open_) - 1);
    // Keep the marked item in sight.
    int& scroll = groups_[size_t(open_)].scroll;
    const int visible = std::max(1, VisibleItemCount(open_));
    if (focusPosition_ < scroll)
        scroll = focusPosition_;
    else if (focusPosition_ >= scroll + visible)
        scroll = std::min(focusPosition_ - visible + 1, MaxScroll(open_));
    update();
}

void CSmallBarCtrl::keyPressEvent(QKeyEvent* event) {
    FinishSlide();
    const bool hasItems = open_ >= 0 && ItemCount(open_) > 0 && !groups_[size_t(open_)].window;
    switch (event->key()) {
    case Qt::Key_Up:
        if (hasItems)
            MoveFocusTo(focusPosition_ < 0 ? ItemCount(open_) - 1 : focusPosition_ - 1);
        break;
    case Qt::Key_Down:
        if (hasItems)
            MoveFocusTo(focusPosition_ + 1);
        break;
    case Qt::Key_Home:
        if (hasItems)
            MoveFocusTo(0);
        break;
    case Qt::Key_End:
        if (hasItems)
            MoveFocusTo(ItemCount(open_) - 1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (hasItems && FocusItem() >= 0)
            ClickItem(open_, focusPosition_);
        break;
    case Qt::Key_PageUp:
        if (open_ > 0)
            OpenGroup(open_ - 1);
        break;
    case Qt::Key_PageDown:
        if (open_ + 1 < GroupCount())
            OpenGroup(open_ + 1);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void CSmallBarCtrl::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void CSmallBarCtrl::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void CSmallBarCtrl::leaveEvent(QEvent* event) {
    SetHot(Hit());
    QWidget::leaveEvent(event);
}

void CSmallBarCtrl::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0 && !IsSliding()) {
        ScrollBy(-steps);
        SetHot(HitTest(event->position().toPoint()));
    }
    event->accept();
}

bool CSmallBarCtrl::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        // Texts cut short by a narrow bar are shown whole in a tooltip.
        auto* help = static_cast<QHelpEvent*>(event);
        const Hit hit = HitTest(help->pos());
        QString text;
        if (hit.kind == HitKind::Item)
            text = groups_[size_t(hit.group)].items[size_t(hit.position)].text;
        else if (hit.kind == HitKind::Header)
            text = groups_[size_t(hit.group)].caption;
        const int room = width() - kPictureLeft - pictureSize_.width() - kTextGap - 2 * kItemMargin;
        if (!text.isEmpty() && fontMetrics().horizontalAdvance(text) > room)
            QToolTip::showText(help->globalPos(), text, this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}
