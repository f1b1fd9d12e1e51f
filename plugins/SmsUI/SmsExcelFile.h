#pragma once

#include "SmsTaskStore.h"

#include "base/TextDecoding.h"

#include <QString>
#include <QStringList>

#include <vector>

// A spreadsheet saved as CSV (GBK or UTF-8): the header line names the
// columns, each further line is one message.
struct SmsExcelFile {
    // Column indexes of the mapping, -1 when not mapped.
    int mobileColumn = -1;
    int textColumn = -1;
    int nameColumn = -1;

    // The targets the mapping dialog offers: caption of each.
    static QString MobileCaption() { return QStringLiteral("手机号码"); }
    static QString TextCaption() { return QStringLiteral("短信内容"); }
    static QString NameCaption() { return QStringLiteral("姓名"); }

    // Reads the header line; false with `error` for a file that cannot be
    // read or has no header.
    static bool ReadHeader(const QString& path, QStringList& header, TextEncoding& encoding,
                           QString& error);
    // Takes the mapping dialog's answer (one caption or "" per file column).
    void SetMapping(const QStringList& captions);

    // Every line with a number: the text from the text column, or else the
    // body with each {column name} filled from the line. Empty lines and
    // lines without a number are left out.
    bool Read(const QString& path, TextEncoding encoding, const QString& body,
              std::vector<SmsNewItem>& items, QString& error) const;
};
