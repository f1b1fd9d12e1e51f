#include "SmsExcelFile.h"

#include "SmsTemplate.h"

#include "base/CsvReader.h"

#include <QHash>

bool SmsExcelFile::ReadHeader(const QString& path, QStringList& header, TextEncoding& encoding,
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

void SmsExcelFile::SetMapping(const QStringList& captions) {
    mobileColumn = int(captions.indexOf(MobileCaption()));
    textColumn = int(captions.indexOf(TextCaption()));
    nameColumn = int(captions.indexOf(NameCaption()));
}

bool SmsExcelFile::Read(const QString& path, TextEncoding encoding, const QString& body,
                        std::vector<SmsNewItem>& items, QString& error) const {
    items.clear();
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
        const QString mobile = cell(fields, mobileColumn);
        if (mobile.isEmpty())
            continue;
        SmsNewItem item;
        item.mobile = mobile;
        item.name = cell(fields, nameColumn);
        if (textColumn >= 0) {
            item.text = cell(fields, textColumn);
        } else {
            item.text = SmsTemplate::Fill(
                body, [&columns](const QString& name) { return columns.contains(name); },
                [&](const QString& name) { return cell(fields, columns.value(name)); });
        }
        items.push_back(std::move(item));
    }
    return true;
}
