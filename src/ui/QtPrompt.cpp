#include "ui/QtPrompt.h"

#include "ui/FileDialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace {

QMessageBox::Icon ToQt(Prompt::Icon icon) {
    switch (icon) {
    case Prompt::Icon::Information:
        return QMessageBox::Information;
    case Prompt::Icon::Warning:
        return QMessageBox::Warning;
    case Prompt::Icon::Critical:
        return QMessageBox::Critical;
    case Prompt::Icon::Question:
        return QMessageBox::Question;
    case Prompt::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQt(Prompt::Buttons buttons) {
    switch (buttons) {
    case Prompt::Buttons::Ok:
        return QMessageBox::Ok;
    case Prompt::Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Prompt::Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Prompt::Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

// The system's messages use CR LF; a message box wants plain LF.
QString ForDisplay(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

} // namespace

QtPrompt::QtPrompt(QWidget* parent) : parent_(parent) {}

void QtPrompt::SetParentWidget(QWidget* parent) {
    parent_ = parent;
}

void QtPrompt::Message(const QString& text, const QString& caption, Icon icon) {
    Ask(text, Buttons::Ok, caption, icon);
}

Prompt::Answer QtPrompt::Ask(const QString& text, Buttons buttons, const QString& caption,
                             Icon icon) {
    // A message must never appear behind a wait cursor.
    const int depth = waitDepth_;
    for (int i = 0; i < depth; ++i)
        QApplication::restoreOverrideCursor();

    QMessageBox box(ToQt(icon), caption, ForDisplay(text), ToQt(buttons), parent_);
    const int pressed = box.exec();

    for (int i = 0; i < depth; ++i)
        QApplication::setOverrideCursor(Qt::WaitCursor);

    switch (pressed) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
    }
}

QString QtPrompt::OpenFileName(const QString& caption, const QString& directory,
                               const QString& filter) {
    return FileDialog::GetOpenFileName(parent_, caption, directory, filter);
}

QString QtPrompt::SaveFileName(const QString& caption, const QString& directory,
                               const QString& filter) {
    // The callers decide what an existing target means (a backup refuses it).
    return FileDialog::GetSaveFileName(parent_, caption, directory, filter);
}

bool QtPrompt::OpenUrl(const QString& url) {
    return QDesktopServices::openUrl(QUrl::fromUserInput(url));
}

bool QtPrompt::StartProgram(const QString& program, const QStringList& arguments) {
    if (!QFileInfo(program).isExecutable())
        return false;
    return QProcess::startDetached(program, arguments);
}

void QtPrompt::BeginWait() {
    ++waitDepth_;
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtPrompt::EndWait() {
    if (waitDepth_ == 0)
        return;
    --waitDepth_;
    QApplication::restoreOverrideCursor();
}

int QtPrompt::RunModal(QDialog& dialog) {
    dialog.adjustSize();
    return dialog.exec();
}
