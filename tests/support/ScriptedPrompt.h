#pragma once

#include "ui/Prompt.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

// The test double of the prompt seam: records everything shown and answers from
// queues. An empty answer queue answers Ask with Cancel/No, file dialogs with ""
// and modal dialogs with Rejected, so a forgotten answer shows up as a failing
// assertion instead of a hanging test.
class ScriptedPrompt final : public Prompt {
public:
    struct Shown {
        enum class Kind { Message, Ask, OpenFile, SaveFile, Url, Program, Modal };
        Kind kind;
        QString text;    // message text, url, program, dialog title
        QString caption; // caption, or the arguments joined by ' ' for a program
    };

    void Message(const QString& text, const QString& caption, Icon icon) override;
    Answer Ask(const QString& text, Buttons buttons, const QString& caption, Icon icon) override;
    QString OpenFileName(const QString& caption, const QString& directory,
                         const QString& filter) override;
    QString SaveFileName(const QString& caption, const QString& directory,
                         const QString& filter) override;
    bool OpenUrl(const QString& url) override;
    bool StartProgram(const QString& program, const QStringList& arguments) override;
    void BeginWait() override {
        ++waitDepth;
        ++waitCount;
    }
    void EndWait() override { --waitDepth; }
    void BeginProgress(const QString& text) override {
        progressTexts.append(text);
        ++progressDepth;
    }
    bool StepProgress(qint64 done, qint64 total) override {
        ++progressSteps;
        progressTotal = total;
        return stopProgressAt < 0 || done < stopProgressAt;
    }
    void EndProgress() override { --progressDepth; }
    int RunModal(QDialog& dialog) override;

    // Queues.
    void QueueAnswer(Answer answer) { answers.push_back(answer); }
    void QueueFileName(const QString& path) { fileNames.push_back(path); }
    // The handler fills the dialog (set fields, press buttons) and returns its
    // result code; it runs instead of an event loop.
    void QueueModal(std::function<int(QDialog&)> handler) { modals.push_back(std::move(handler)); }

    // What was shown, in order.
    QList<Shown> shown;
    // The texts of Message and Ask calls only, in order.
    QStringList Messages() const;
    // The last Message/Ask text, or "" when none.
    QString LastMessage() const;
    void Reset();

    bool urlOpens = true;      // what OpenUrl answers
    bool programStarts = true; // what StartProgram answers
    int waitDepth = 0;
    int waitCount = 0;
    // Progress: the texts shown, how many steps were reported, the last total;
    // StepProgress answers "stop" once done reaches stopProgressAt (-1: never).
    QStringList progressTexts;
    int progressDepth = 0;
    int progressSteps = 0;
    qint64 progressTotal = 0;
    qint64 stopProgressAt = -1;

    std::deque<Answer> answers;
    std::deque<QString> fileNames;
    std::deque<std::function<int(QDialog&)>> modals;
};
