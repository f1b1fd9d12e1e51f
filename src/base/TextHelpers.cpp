#include "base/TextHelpers.h"

int SplitText(const QString& text, QChar separator, QStringList& items) {
    items.clear();
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start < size) {
        qsizetype end = text.indexOf(separator, start);
        if (end < 0)
            end = size;
        items.append(text.mid(start, end - start));
        start = end + 1;
    }
    return static_cast<int>(items.size());
}

void LowerAscii(QString& text) {
    // Look before writing: detaching a shared string only pays when something changes.
    const QChar* p = text.constData();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (p[i].unicode() >= u'A' && p[i].unicode() <= u'Z') {
            QChar* data = text.data();
            for (qsizetype j = i; j < text.size(); ++j) {
                const char16_t c = data[j].unicode();
                if (c >= u'A' && c <= u'Z')
                    data[j] = QChar(static_cast<char16_t>(c + (u'a' - u'A')));
            }
            return;
        }
    }
}

bool EqualsIgnoringAsciiCase(const QString& a, const QString& b) {
    const qsizetype size = a.size();
    if (size != b.size())
        return false;
    const QChar* p = a.constData();
    const QChar* q = b.constData();
    for (qsizetype i = 0; i < size; ++i) {
        char16_t x = p[i].unicode();
        char16_t y = q[i].unicode();
        if (x == y)
            continue;
        if (x >= u'A' && x <= u'Z')
            x = static_cast<char16_t>(x + (u'a' - u'A'));
        if (y >= u'A' && y <= u'Z')
            y = static_cast<char16_t>(y + (u'a' - u'A'));
        if (x != y)
            return false;
    }
    return true;
}
