#pragma once

#include "base/TextDecoding.h"

#include <QString>
#include <QStringList>

#include <vector>

// One line of a recipient list: the number or address as the file has it,
// the name, and the campaign's texts filled from the line.
struct CsvRecipient {
    QString key;
    QString name;
    QStringList texts;
};

// A recipient list saved as CSV (GBK or UTF-8): the header line names the
// columns, each further line is one recipient. The mapping dialog
// (CImportCSVDlg) says which column holds the key (the number or address),
// the name and, optionally, a whole text; every column name is also a
// placeholder of the texts.
class CsvRecipientFile {
public:
    // The captions the mapping dialog offers; `textCaption` "" when a
    // column may not hold a text.
    CsvRecipientFile(QString keyCaption, QString nameCaption, QString textCaption = QString());

    // Column indexes of the mapping, -1 when not mapped.
    int keyColumn = -1;
    int nameColumn = -1;
    int textColumn = -1;

    // Reads the header line; false with `error` for a file that cannot be
    // read or has no header.
    static bool ReadHeader(const QString& path, QStringList& header, TextEncoding& encoding,
                           QString& error);
    // Takes the mapping dialog's answer (one caption or "" per file column).
    void SetMapping(const QStringList& captions);

    // Every line with a key: `texts` are the templates with each {column
    // name} filled from the line; a mapped text column replaces the first.
    // Empty lines and lines without a key are left out.
    bool Read(const QString& path, TextEncoding encoding, const QStringList& templates,
              std::vector<CsvRecipient>& rows, QString& error) const;

private:
    QString keyCaption_;
    QString nameCaption_;
    QString textCaption_;
};
