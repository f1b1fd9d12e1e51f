#pragma once

#include "ui/Prompt.h"

#include <QPointer>

class QWidget;

// The prompt seam as the user sees it: Qt message boxes and file dialogs, the
// desktop's link handler, detached program starts and the override cursor.
class QtPrompt final : public Prompt {
public:
    explicit QtPrompt(QWidget* parent = nullptr);

    // Dialogs are centred over this window.
    void SetParentWidget(QWidget* parent);

    void Message(const QString& text, const QString& caption, Icon icon) override;
    Answer Ask(const QString& text, Buttons buttons, const QString& caption, Icon icon) override;
    QString OpenFileName(const QString& caption, const QString& directory,
                         const QString& filter) override;
    QString SaveFileName(const QString& caption, const QString& directory,
                         const QString& filter) override;
    bool OpenUrl(const QString& url) override;
    bool StartProgram(const QString& program, const QStringList& arguments) override;
    void BeginWait() override;
    void EndWait() override;
    int RunModal(QDialog& dialog) override;

private:
    QPointer<QWidget> parent_;
    int waitDepth_ = 0;
};
