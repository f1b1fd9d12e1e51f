#include "ui/QtPrompt.h"

#include "ui/FileDialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

#include <algorithm>

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
    case Prompt::Buttons::YesAllNo:
        return QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No;
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
    if (buttons == Buttons::YesAllNo) {
        // Named here, so that they read the same without a Qt translation.
        box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
        box.button(QMessageBox::YesToAll)->setText(QStringLiteral("全部是"));
        box.button(QMessageBox::No)->setText(QStringLiteral("否"));
    }
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
    case QMessageBox::YesToAll:
        return Answer::YesToAll;
    default:
        return buttons == Buttons::YesNo || buttons == Buttons::YesAllNo ? Answer::No
                                                                         : Answer::Cancel;
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

void QtPrompt::BeginProgress(const QString& text) {
    if (progressDepth_++ > 0) {
        progress_->setLabelText(text);
        return;
    }
    progress_ = std::make_unique<QProgressDialog>(text, QStringLiteral("停止"), 0, 0, parent_);
    progress_->setWindowTitle(AppTitle());
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setMinimumWidth(360);
    // Short work never flashes a window; long work shows it after a moment.
    progress_->setMinimumDuration(500);
    progress_->setAutoReset(false);
    progress_->setAutoClose(false);
    progress_->setValue(0);
}

bool QtPrompt::StepProgress(qint64 done, qint64 total) {
    if (!progress_)
        return true;
    if (total <= 0) {
        // Work of unknown length: a busy bar.
        if (progress_->maximum() != 0)
            progress_->setRange(0, 0);
        progress_->setValue(0);
        QCoreApplication::processEvents();
        return !progress_->wasCanceled();
    }
    // The bar counts in thousandths, so totals beyond int's range still fit.
    const int permille = int(std::clamp<qint64>(done * 1000 / total, 0, 1000));
    if (progress_->maximum() != 1000)
        progress_->setRange(0, 1000);
    progress_->setValue(permille); // also processes events while the window is modal
    QCoreApplication::processEvents();
    return !progress_->wasCanceled();
}

void QtPrompt::EndProgress() {
    if (progressDepth_ == 0 || --progressDepth_ > 0)
        return;
    progress_.reset();
}

int QtPrompt::RunModal(QDialog& dialog) {
    dialog.adjustSize();
    return dialog.exec();
}
