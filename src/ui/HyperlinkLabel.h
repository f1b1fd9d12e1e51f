#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

class Prompt;

// A label that opens a link (a web address, "mailto:", a file) when clicked:
// underlined, in the link colour (the visited colour after it was opened once),
// with the hand cursor. The link goes to the desktop through the prompt seam;
// when nothing can open it the user is told why in a warning box.
//
// Set to notify instead, a click only sends the label's control id, and the
// owner decides what the click does.
class HyperlinkLabel final : public QWidget {
    Q_OBJECT
public:
    HyperlinkLabel(Prompt& prompt, const QString& text, const QString& target = QString(),
                   QWidget* parent = nullptr);

    void SetText(const QString& text);
    QString Text() const { return text_; }
    // The link opened; the text itself when empty.
    void SetTarget(const QString& target);
    QString Target() const;

    void SetControlId(int id) { controlId_ = id; }
    int ControlId() const { return controlId_; }
    void SetNotify(bool notify) { notify_ = notify; }
    bool Notify() const { return notify_; }

    void SetLinkColor(const QColor& color);
    void SetVisitedColor(const QColor& color);
    bool Visited() const { return visited_; }

    // Opens the target; on failure shows HyperlinkFailureMessage and returns
    // false.
    bool Open();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    // In notify mode, after a click, with the control id.
    void command(int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Activate();

    Prompt& prompt_;
    QString text_;
    QString target_;
    int controlId_ = 0;
    bool notify_ = false;
    bool visited_ = false;
    bool pressed_ = false;
    QColor linkColor_;
    QColor visitedColor_;
};

// The reason shown when a link could not be opened, by the error code the
// desktop reported (the classic shell's codes: 2 file not found, 3 path not
// found, 31 no application for it, ...).
QString HyperlinkErrorText(int code);

// The error code for a link that the desktop refused: a local file that does
// not exist is "file not found" (2), or "path not found" (3) when its folder
// is missing too; anything else had no application to open it (31).
int HyperlinkFailureCode(const QString& target);

// What the user is told when the desktop could not open a link: the link
// control's own "Unable to open hyperlink:" and the reason. Every link of the program (labels, contact and customer
// links) says the same.
QString HyperlinkFailureMessage(const QString& target);
