#pragma once

#include <QFileDialog>

// The program's file dialog: Qt's own (not the desktop's), so that it reads
// the same everywhere, with Chinese names and dates and wide enough that no
// column is cut. Qt's Chinese translation lacks the type of a folder, and the
// date column follows the system locale (often English); the dialog's model
// shows both in Chinese itself.
class FileDialog final : public QFileDialog {
    Q_OBJECT

public:
    enum class Mode { Open, Save };
    FileDialog(QWidget* parent, Mode mode, const QString& caption, const QString& directory,
               const QString& filter);

    // The chosen file, or an empty text when the user cancelled.
    static QString GetOpenFileName(QWidget* parent, const QString& caption,
                                   const QString& directory, const QString& filter);
    // As above; an existing file is not confirmed (the caller decides).
    static QString GetSaveFileName(QWidget* parent, const QString& caption,
                                   const QString& directory, const QString& filter);

    // The text a modification time shows: 2024-05-01 10:20.
    static QString DateText(const QDateTime& time);
    static constexpr int kWidth = 860;
    static constexpr int kHeight = 520;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FitColumns();
    QString Run();
};
