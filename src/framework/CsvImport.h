#pragma once

#include "base/TextDecoding.h"
#include "db/FieldInfoList.h"

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

class DbConnection;
class Prompt;
class QWidget;

// What one import of a CSV file into one table needs: the table, the columns
// the user may map the file's columns to, and how new rows are completed.
struct CsvImportArgs {
    DbConnection* connection = nullptr;
    QString table;
    // The targets offered in the mapping dialog, in this order: name, caption,
    // default text and ADO type. A target with a default text is not offered;
    // it receives its default in every row.
    FieldInfoList targets;
    // When not empty, this column numbers the new rows from the table's
    // largest key + 1 upward (a second desk taking a number first makes that
    // row fail and be reported like any other).
    QString keyColumn;
    // Columns given the same text in every new row (a customer's LastTime, so
    // that new rows come first in the lists).
    std::vector<std::pair<QString, QString>> fixedValues;
    // Ask: a failed row asks 是 / 全部是 / 否 (continue, continue without
    // asking again, stop). Collect: failures are only gathered, and all of
    // them are shown at the end with their line numbers.
    enum class OnFailure { Ask, Collect };
    OnFailure onFailure = OnFailure::Ask;
    // Key of the mapping grid's remembered column widths.
    QString settingsKey = QStringLiteral("CImportCSVDlg");
    QWidget* parent = nullptr;
};

struct CsvImportResult {
    // False when the user cancelled a dialog or the file could not be read:
    // nothing was written and there was no count message.
    bool ran = false;
    int imported = 0;
    // The user stopped the import (the progress window or 否 after a failed
    // row); the rows written before the stop stay.
    bool stopped = false;
    // One text per failed row: "第%1行: " and the database's error text.
    QStringList failures;
};

// The whole import as a list's import command runs it: the file dialog
// ("CSV文本文件 (*.csv *.CSV);;所有文件 (*)"), the mapping dialog
// CImportCSVDlg with the detected encoding and a preview, then the rows
// written in batched transactions under a progress window with a working stop,
// failures handled as args.onFailure says, and finally "%1条记录成功导入".
CsvImportResult ImportCsvFile(Prompt& prompt, const CsvImportArgs& args);

// The part after the dialogs, for a file and mapping already chosen: `columns`
// holds one target column name per source column in file order (empty: not
// imported), `encoding` the text encoding the file is read with. Shows the
// progress, the failure questions or list and the count message.
CsvImportResult ImportCsvMapped(Prompt& prompt, const CsvImportArgs& args, const QString& path,
                                TextEncoding encoding, const QStringList& columns);
