#include "MessageTemplate.h"

#include "db/SqlLiteral.h"

namespace MessageTemplate {

namespace {

// Calls literal(piece) and field(name) in text order.
void Split(const QString& text, const std::function<bool(const QString&)>& known,
           const std::function<void(const QString&)>& literal,
           const std::function<void(const QString&)>& field) {
    QString pending;
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype open = text.indexOf(QLatin1Char('{'), at);
        if (open < 0)
            break;
        const qsizetype close = text.indexOf(QLatin1Char('}'), open + 1);
        if (close < 0)
            break;
        const QString name = text.mid(open + 1, close - open - 1);
        if (!known(name)) {
            // Not ours: kept, and the search goes on after its brace.
            pending += text.mid(at, open + 1 - at);
            at = open + 1;
            continue;
        }
        pending += text.mid(at, open - at);
        if (!pending.isEmpty())
            literal(pending);
        pending.clear();
        field(name);
        at = close + 1;
    }
    pending += text.mid(at);
    if (!pending.isEmpty())
        literal(pending);
}

} // namespace

QStringList CustomerFields() {
    return {QStringLiteral("客户名称"), QStringLiteral("联系人"), QStringLiteral("手机"),
            QStringLiteral("邮箱"),     QStringLiteral("经理人"), QStringLiteral("城市"),
            QStringLiteral("省份")};
}

QString Fill(const QString& text, const std::function<bool(const QString&)>& known,
             const std::function<QString(const QString&)>& lookup) {
    QString filled;
    Split(
        text, known, [&filled](const QString& piece) { filled += piece; },
        [&](const QString& name) { filled += lookup(name); });
    return filled;
}

QString Fill(const QString& text, const QMap<QString, QString>& values) {
    return Fill(
        text, [&values](const QString& name) { return values.contains(name); },
        [&values](const QString& name) { return values.value(name); });
}

QString FillSql(const QString& text, const QMap<QString, QString>& columns) {
    QStringList parts;
    Split(
        text, [&columns](const QString& name) { return columns.contains(name); },
        [&parts](const QString& piece) { parts << SqlLiteral::Text(piece); },
        [&](const QString& name) {
            parts << QStringLiteral("coalesce(%1,'')").arg(columns.value(name));
        });
    if (parts.isEmpty())
        return QStringLiteral("''");
    return QStringLiteral("(") + parts.join(QStringLiteral(" || ")) + QStringLiteral(")");
}

} // namespace MessageTemplate
