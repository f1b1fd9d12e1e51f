#pragma once

#include "ui/Prompt.h"

#include <QPointer>
#include <QProgressDialog>

#include <memory>

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
    void BeginProgress(const QString& text) override;
    bool StepProgress(qint64 done, qint64 total) override;
    void EndProgress() override;
    int RunModal(QDialog& dialog) override;

private:
    std::unique_ptr<QProgressDialog> progress_;
    int progressDepth_ = 0;
    QPointer<QWidget> parent_;
    int waitDepth_ = 0;
};
