#include "SmsExcelFile.h"

bool SmsExcelFile::Read(const QString& path, TextEncoding encoding, const QString& body,
                        std::vector<SmsNewItem>& items, QString& error) const {
    items.clear();
    std::vector<CsvRecipient> rows;
    if (!CsvRecipientFile::Read(path, encoding, {body}, rows, error))
        return false;
    items.reserve(rows.size());
    for (CsvRecipient& row : rows)
        items.push_back({std::move(row.key), std::move(row.texts.first()), std::move(row.name)});
    return true;
}
