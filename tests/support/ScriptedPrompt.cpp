#include "ScriptedPrompt.h"

#include <QDialog>

void ScriptedPrompt::Message(const QString& text, const QString& caption, Icon) {
    shown.append({Shown::Kind::Message, text, caption});
}

Prompt::Answer ScriptedPrompt::Ask(const QString& text, Buttons buttons, const QString& caption,
                                   Icon) {
    shown.append({Shown::Kind::Ask, text, caption});
    if (!answers.empty()) {
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return buttons == Buttons::YesNo || buttons == Buttons::YesAllNo ? Answer::No : Answer::Cancel;
}

static QString TakeFront(std::deque<QString>& queue) {
    if (queue.empty())
        return QString();
    QString value = queue.front();
    queue.pop_front();
    return value;
}

QString ScriptedPrompt::OpenFileName(const QString& caption, const QString&, const QString&) {
    shown.append({Shown::Kind::OpenFile, caption, QString()});
    return TakeFront(fileNames);
}

QString ScriptedPrompt::SaveFileName(const QString& caption, const QString&, const QString&) {
    shown.append({Shown::Kind::SaveFile, caption, QString()});
    return TakeFront(fileNames);
}

bool ScriptedPrompt::OpenUrl(const QString& url) {
    shown.append({Shown::Kind::Url, url, QString()});
    return urlOpens;
}

bool ScriptedPrompt::StartProgram(const QString& program, const QStringList& arguments) {
    shown.append({Shown::Kind::Program, program, arguments.join(QLatin1Char(' '))});
    return programStarts;
}

int ScriptedPrompt::RunModal(QDialog& dialog) {
    shown.append({Shown::Kind::Modal, dialog.windowTitle(), QString()});
    if (modals.empty())
        return QDialog::Rejected;
    auto handler = std::move(modals.front());
    modals.pop_front();
    return handler(dialog);
}

QStringList ScriptedPrompt::Messages() const {
    QStringList texts;
    for (const Shown& entry : shown) {
        if (entry.kind == Shown::Kind::Message || entry.kind == Shown::Kind::Ask)
            texts.append(entry.text);
    }
    return texts;
}

QString ScriptedPrompt::LastMessage() const {
    const QStringList texts = Messages();
    return texts.isEmpty() ? QString() : texts.last();
}

void ScriptedPrompt::Reset() {
    shown.clear();
    answers.clear();
    fileNames.clear();
    modals.clear();
    waitDepth = 0;
    waitCount = 0;
}
