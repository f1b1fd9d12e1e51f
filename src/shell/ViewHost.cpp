#include "shell/ViewHost.h"

#include <QMetaMethod>
#include <QResizeEvent>

ViewHost::ViewHost(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("ViewHost"));
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setLineWidth(1);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, BackgroundColor());
    setPalette(colours);
    setAutoFillBackground(true);
}

QColor ViewHost::BackgroundColor() {
    return QColor(0xE0, 0xE0, 0xE0);
}

int ViewHost::ShowView(QWidget* view) {
    if (!view)
        return 0;
    if (view == view_)
        return 1;

    if (QWidget* old = view_.data()) {
        // The old view may be the very widget whose signal brought us here, so
        // it is taken out of sight now and deleted once control is back in the
        // event loop.
        old->hide();
        old->setParent(nullptr);
        old->deleteLater();
    }

    view->setParent(this);
    view_ = view;
    setFocusProxy(view);
    FitView();
    view->show();
    view->update();
    if (window()->isActiveWindow())
        view->setFocus();
    return 1;
}

bool ViewHost::OnCommand(int id) {
    QWidget* view = view_.data();
    if (!view)
        return false;
    const QMetaObject* meta = view->metaObject();
    const int index = meta->indexOfMethod("OnCommand(int)");
    if (index < 0)
        return false;
    const QMetaMethod method = meta->method(index);
    // Only a view that can say "not mine" is asked: one that cannot would
    // swallow the frame's own commands.
    if (method.returnType() != QMetaType::Bool)
        return false;
    bool handled = false;
    method.invoke(view, Qt::DirectConnection, Q_RETURN_ARG(bool, handled), Q_ARG(int, id));
    return handled;
}

void ViewHost::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    FitView();
}

void ViewHost::FitView() {
    if (view_)
        view_->setGeometry(contentsRect());
}
