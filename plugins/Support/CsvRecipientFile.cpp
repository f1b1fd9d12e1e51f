#include "CsvRecipientFile.h"

#include "MessageTemplate.h"

#include "base/CsvReader.h"

#include <QHash>

CsvRecipientFile::CsvRecipientFile(QString keyCaption, QString nameCaption, QString textCaption)
    : keyCaption_(std::move(keyCaption)), nameCaption_(std::move(nameCaption)),
      textCaption_(std::move(textCaption)) {}

bool CsvRecipientFile::ReadHeader(const QString& path, QStringList& header, TextEncoding& encoding,
                                  QString& error) {
    CsvReader reader;
    if (!reader.Open(path)) {
        error = QStringLiteral("打开文件失败\r\n") + reader.GetLastError();
        return false;
    }
    encoding = reader.Encoding();
    if (reader.ReadRecord(header) == 0 || header.join(QString()).trimmed().isEmpty()) {
        error = QStringLiteral("读取字段名失败");
        return false;
    }
    for (QString& name : header)
        name = name.trimmed();
    return true;
}

void CsvRecipientFile::SetMapping(const QStringList& captions) {
    keyColumn = int(captions.indexOf(keyCaption_));
    nameColumn = int(captions.indexOf(nameCaption_));
    textColumn = textCaption_.isEmpty() ? -1 : int(captions.indexOf(textCaption_));
}

bool CsvRecipientFile::Read(const QString& path, TextEncoding encoding,
                            const QStringList& templates, std::vector<CsvRecipient>& rows,
                            QString& error) const {
    rows.clear();
    CsvReader reader;
    if (!reader.Open(path, encoding)) {
        error = QStringLiteral("打开文件失败\r\n") + reader.GetLastError();
        return false;
    }
    QStringList header;
    if (reader.ReadRecord(header) == 0) {
        error = QStringLiteral("读取字段名失败");
        return false;
    }
    QHash<QString, int> columns;
    for (int i = 0; i < header.size(); ++i)
        columns.insert(header.at(i).trimmed(), i);
    const auto cell = [](const QStringList& fields, int index) {
        return index >= 0 && index < fields.size() ? fields.at(index).trimmed() : QString();
    };
    QStringList fields;
    while (reader.ReadRecord(fields) > 0) {
        CsvRecipient row{cell(fields, keyColumn), cell(fields, nameColumn), {}};
        if (row.key.isEmpty())
            continue;
        for (const QString& text : templates) {
            row.texts << MessageTemplate::Fill(
                text, [&columns](const QString& name) { return columns.contains(name); },
                [&](const QString& name) { return cell(fields, columns.value(name)); });
        }
        if (textColumn >= 0 && !row.texts.isEmpty())
            row.texts[0] = cell(fields, textColumn);
        rows.push_back(std::move(row));
    }
    return true;
}
