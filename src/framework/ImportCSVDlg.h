#pragma once

#include "base/TextDecoding.h"
#include "db/FieldInfoList.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class CGridCtrl;
class Prompt;
class QComboBox;
class QLabel;

// The mapping dialog of a CSV import ("导入数据"): one grid row per column
// of the file, with the column's name from the header line, the target
// chosen for it from a drop-down list, and its values in the first rows of
// the file as a preview. A column named like a target's column name or
// caption (without regard to case) starts mapped to it.
//
// The file's encoding is detected and shown; when the user picks another,
// the header and the preview are read again in it.
class CImportCSVDlg final : public QDialog {
    Q_OBJECT

public:
    static constexpr int kPreviewRows = 3;
    // The grid's columns.
    enum Column { SourceColumn = 0, TargetColumn = 1, FirstPreviewColumn = 2 };

    // Only targets without a default text are offered. The column widths are
    // remembered under `settingsKey`.
    CImportCSVDlg(Prompt& prompt, const QString& path, const FieldInfoList& targets,
                  TextEncoding encoding, const QString& settingsKey, QWidget* parent = nullptr);
    ~CImportCSVDlg() override;

    // After OK: the chosen caption for every source column in file order,
    // empty for a column that is not imported; and the encoding to read in.
    QStringList Mapping() const;
    TextEncoding Encoding() const { return encoding_; }

    // Reads the header and the preview again in another encoding, as picking
    // it in the drop-down list does.
    void SetEncoding(TextEncoding encoding);

    CGridCtrl& Grid() const { return *grid_; }
    QComboBox& EncodingBox() const { return *encodingBox_; }

    // Checks the mapping and closes with OK: at least one column must be
    // mapped, and no target twice.
    bool OnOK();

private:
    void Load();

    Prompt& prompt_;
    QString path_;
    QStringList offered_;
    const FieldInfoList& targets_;
    TextEncoding encoding_;
    QString settingsKey_;
    CGridCtrl* grid_;
    QComboBox* encodingBox_;
    QLabel* detected_;
};
