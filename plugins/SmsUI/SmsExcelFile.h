#pragma once

#include "CsvRecipientFile.h"
#include "SmsTaskStore.h"

#include <QString>

#include <vector>

// A spreadsheet of numbers saved as CSV: the mobile column, optionally a
// column holding the whole text, and a name.
struct SmsExcelFile : CsvRecipientFile {
    SmsExcelFile() : CsvRecipientFile(MobileCaption(), NameCaption(), TextCaption()) {}

    // The targets the mapping dialog offers: caption of each.
    static QString MobileCaption() { return QStringLiteral("手机号码"); }
    static QString TextCaption() { return QStringLiteral("短信内容"); }
    static QString NameCaption() { return QStringLiteral("姓名"); }

    // Every line with a number: the text from the text column, or else the
    // body with each {column name} filled from the line.
    bool Read(const QString& path, TextEncoding encoding, const QString& body,
              std::vector<SmsNewItem>& items, QString& error) const;
};
