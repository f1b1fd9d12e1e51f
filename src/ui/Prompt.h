#pragma once

#include <QString>
#include <QStringList>

class QDialog;

// The one seam for everything modal or external: messages, questions, file
// dialogs, links, starting programs, the wait cursor and modal forms. Views and
// forms receive a Prompt; the program uses QtPrompt, tests a ScriptedPrompt that
// records every text and answers from a queue.
class Prompt {
public:
    // YesAllNo: 是 / 全部是 / 否, for a question asked again for every one of
    // many items (a failed row of an import), which 全部是 stops asking.
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, YesAllNo };
    enum class Icon { None, Information, Warning, Critical, Question };
    enum class Answer { Ok, Cancel, Yes, No, YesToAll };

    virtual ~Prompt() = default;

    // The application title, the default caption of every message.
    static QString AppTitle();

    // A message box with an OK button.
    virtual void Message(const QString& text, const QString& caption = AppTitle(),
                         Icon icon = Icon::None) = 0;
    // A message box with a choice of buttons; returns the button pressed.
    virtual Answer Ask(const QString& text, Buttons buttons = Buttons::YesNo,
                       const QString& caption = AppTitle(), Icon icon = Icon::Question) = 0;

    // File dialogs; an empty result means cancelled.
    virtual QString OpenFileName(const QString& caption, const QString& directory,
                                 const QString& filter) = 0;
    virtual QString SaveFileName(const QString& caption, const QString& directory,
                                 const QString& filter) = 0;

    // Hands a link to the desktop; false when nothing could open it.
    virtual bool OpenUrl(const QString& url) = 0;
    // Starts a program detached; false when it could not be started.
    virtual bool StartProgram(const QString& program, const QStringList& arguments) = 0;

    // Wait cursor; nested calls are counted.
    virtual void BeginWait() = 0;
    virtual void EndWait() = 0;

    // Long work: a window with the text, a progress bar and a 停止 button.
    // StepProgress moves the bar (a total of 0: work of unknown length, a busy
    // bar) and keeps the window responsive; it returns
    // false once the user asked to stop, and the work then ends within its
    // next step. Every BeginProgress is closed by one EndProgress (use
    // ProgressScope).
    virtual void BeginProgress(const QString& text) = 0;
    virtual bool StepProgress(qint64 done, qint64 total) = 0;
    virtual void EndProgress() = 0;
    // Runs a modal dialog and returns its result code (QDialog::Accepted or
    // QDialog::Rejected).
    virtual int RunModal(QDialog& dialog) = 0;

    // Convenience: Ask with Yes/No, true for Yes.
    bool Confirm(const QString& text, const QString& caption = AppTitle()) {
        return Ask(text, Buttons::YesNo, caption) == Answer::Yes;
    }
};

// Shows a progress window for the lifetime of the object.
class ProgressScope final {
public:
    ProgressScope(Prompt& prompt, const QString& text) : prompt_(prompt) {
        prompt_.BeginProgress(text);
    }
    ~ProgressScope() { prompt_.EndProgress(); }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;
    // False once the user asked to stop.
    bool Step(qint64 done, qint64 total) { return prompt_.StepProgress(done, total); }

private:
    Prompt& prompt_;
};

// Shows the wait cursor for the lifetime of the object.
class WaitCursor final {
public:
    explicit WaitCursor(Prompt& prompt) : prompt_(prompt) { prompt_.BeginWait(); }
    ~WaitCursor() { prompt_.EndWait(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    Prompt& prompt_;
};
