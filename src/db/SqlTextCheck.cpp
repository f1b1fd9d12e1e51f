#include "db/SqlTextCheck.h"

#include "db/SqlTokenizer.h"

#include <QSet>

#include <vector>

namespace SqlTextCheck {

namespace {

// Words that start, end or change a statement, or reach files, settings or
// other databases. None belongs in a condition or a read-only query.
const QSet<QString>& ForbiddenWords() {
    static const QSet<QString> words = {
        QStringLiteral("insert"),         QStringLiteral("update"),     QStringLiteral("delete"),
        QStringLiteral("drop"),           QStringLiteral("alter"),      QStringLiteral("create"),
        QStringLiteral("into"),           QStringLiteral("attach"),     QStringLiteral("detach"),
        QStringLiteral("pragma"),         QStringLiteral("copy"),       QStringLiteral("grant"),
        QStringLiteral("revoke"),         QStringLiteral("truncate"),   QStringLiteral("vacuum"),
        QStringLiteral("returning"),      QStringLiteral("begin"),      QStringLiteral("commit"),
        QStringLiteral("rollback"),       QStringLiteral("savepoint"),  QStringLiteral("release"),
        QStringLiteral("call"),           QStringLiteral("do"),         QStringLiteral("set"),
        QStringLiteral("lock"),           QStringLiteral("analyze"),    QStringLiteral("reindex"),
        QStringLiteral("with"),           QStringLiteral("execute"),    QStringLiteral("exec"),
        QStringLiteral("load_extension"), QStringLiteral("set_config"), QStringLiteral("dblink"),
        QStringLiteral("nextval"),        QStringLiteral("setval"),     QStringLiteral("listen"),
        QStringLiteral("notify"),         QStringLiteral("for"),
    };
    return words;
}

// Function families of PostgreSQL that read files, sleep or change the server.
bool IsServerFunction(const QString& word) {
    return word.startsWith(QStringLiteral("pg_")) || word.startsWith(QStringLiteral("lo_"));
}

// What every checked text shares: no comment, no ';' (one at the very end
// when `trailingSemicolon`), no forbidden word, balanced parentheses.
bool CheckTokens(const QString& text, const std::vector<SqlToken>& tokens, bool trailingSemicolon,
                 QString& error) {
    int depth = 0;
    const long last = SqlTokenizer::PreviousSignificant(tokens, tokens.size());
    for (size_t i = 0; i < tokens.size(); ++i) {
        const SqlToken& token = tokens[i];
        switch (token.kind) {
        case SqlToken::Kind::Comment:
            error = QStringLiteral("不能含有注释");
            return false;
        case SqlToken::Kind::Word: {
            const QString word = token.Text(text).toString().toLower();
            if (ForbiddenWords().contains(word) || IsServerFunction(word)) {
                error = QStringLiteral("不能含有 ") + token.Text(text).toString();
                return false;
            }
            break;
        }
        case SqlToken::Kind::Symbol:
            if (token.IsSymbol(text, ';') && !(trailingSemicolon && long(i) == last)) {
                error = QStringLiteral("不能含有分号(;)");
                return false;
            }
            if (token.IsSymbol(text, '('))
                ++depth;
            if (token.IsSymbol(text, ')') && --depth < 0) {
                error = QStringLiteral("括号不配对");
                return false;
            }
            break;
        default:
            break;
        }
    }
    if (depth != 0) {
        error = QStringLiteral("括号不配对");
        return false;
    }
    return true;
}

bool IsNameToken(const QString& text, const SqlToken& token) {
    return (token.kind == SqlToken::Kind::Word || token.kind == SqlToken::Kind::Identifier) &&
           IsIdentifier(SqlTokenizer::NameOf(text, token));
}

} // namespace

bool IsIdentifier(const QString& name) {
    if (name.isEmpty() || name.size() > 63)
        return false;
    if (!(name.front().isLetter() || name.front() == u'_'))
        return false;
    for (const QChar c : name) {
        if (!(c.isLetterOrNumber() || c == u'_'))
            return false;
    }
    return true;
}

bool IsOrderClause(const QString& text, QString& error) {
    if (text.trimmed().isEmpty())
        return true;
    const std::vector<SqlToken> tokens = SqlTokenizer::Tokenize(text);
    std::vector<const SqlToken*> words;
    for (const SqlToken& token : tokens) {
        if (token.kind != SqlToken::Kind::Space)
            words.push_back(&token);
    }
    error = QStringLiteral("只能是 order by 字段名[ asc|desc][, ...]");
    if (words.size() < 3 || !words[0]->Is(text, QLatin1String("order")) ||
        !words[1]->Is(text, QLatin1String("by")))
        return false;
    // name [asc|desc] { , name [asc|desc] }
    size_t i = 2;
    while (true) {
        if (i >= words.size() || !IsNameToken(text, *words[i]))
            return false;
        ++i;
        if (i < words.size() &&
            (words[i]->Is(text, QLatin1String("asc")) || words[i]->Is(text, QLatin1String("desc"))))
            ++i;
        if (i == words.size())
            break;
        if (!words[i]->IsSymbol(text, ','))
            return false;
        ++i;
    }
    error.clear();
    return true;
}

bool IsCondition(const QString& text, QString& error) {
    const std::vector<SqlToken> tokens = SqlTokenizer::Tokenize(text);
    if (!CheckTokens(text, tokens, false, error))
        return false;
    for (const SqlToken& token : tokens) {
        if (token.Is(text, QLatin1String("select")) || token.Is(text, QLatin1String("union"))) {
            error = QStringLiteral("不能含有 ") + token.Text(text).toString();
            return false;
        }
    }
    return true;
}

bool IsReadOnlySelect(const QString& text, QString& error) {
    const std::vector<SqlToken> tokens = SqlTokenizer::Tokenize(text);
    size_t first = 0;
    while (first < tokens.size() && tokens[first].kind == SqlToken::Kind::Space)
        ++first;
    if (first >= tokens.size() || !tokens[first].Is(text, QLatin1String("select"))) {
        error = QStringLiteral("必须是一条 select 语句");
        return false;
    }
    return CheckTokens(text, tokens, true, error);
}

} // namespace SqlTextCheck
