#pragma once

#include <QString>
#include <QStringList>

// Splits at every occurrence of the separator; a trailing separator gives no
// empty last item (an empty text gives none). Replaces `items`; returns the count.
int SplitText(const QString& text, QChar separator, QStringList& items);

// Lowers A..Z in place and leaves every other character alone.
void LowerAscii(QString& text);

// Case-insensitive comparison for ASCII letters only, as settings names use.
bool EqualsIgnoringAsciiCase(const QString& a, const QString& b);
