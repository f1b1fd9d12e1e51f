#include "SqlErrorText.h"

#include <QSqlError>

QString SqlErrorText(const QSqlError& error) {
    QString text = error.databaseText();
    if (text.trimmed().isEmpty())
        text = error.driverText();
    while (!text.isEmpty() && text.back().isSpace())
        text.chop(1);
    if (text.isEmpty())
        text = QStringLiteral("Unknown database error.");
    return text;
}
