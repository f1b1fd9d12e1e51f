#pragma once

#include <QFrame>
#include <QPointer>

// The right-hand pane of the main frame: it holds exactly one view at a time,
// keeps it filling its client area, and offers it commands first.
//
// A view is any QWidget. It answers commands by declaring
//     Q_INVOKABLE bool OnCommand(int id);   // true when handled
// (a slot of that signature works too). The lookup goes through Qt's
// meta-object system rather than a C++ base class, so views made by plug-in
// modules take part without sharing type information with the program.
class ViewHost final : public QFrame {
    Q_OBJECT

public:
    explicit ViewHost(QWidget* parent = nullptr);

    // Takes ownership of `view`, shows it filling the pane and destroys the
    // view shown before. Returns 1, or 0 for a null view (nothing changes).
    int ShowView(QWidget* view);

    // The current view, or null while the pane is empty.
    QWidget* CurrentView() const { return view_; }

    // Offers a command to the current view; true when the view handled it.
    bool OnCommand(int id);

    // The colour the empty pane shows.
    static QColor BackgroundColor();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void FitView();

    QPointer<QWidget> view_;
};
