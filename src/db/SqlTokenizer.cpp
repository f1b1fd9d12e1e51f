#include "SqlTokenizer.h"

#include <algorithm>

namespace {

bool IsWordStart(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u >= 0x80;
}

bool IsWordPart(QChar c) {
    const char16_t u = c.unicode();
    return IsWordStart(c) || (u >= '0' && u <= '9') || u == '$';
}

bool IsDigit(QChar c) {
    return c.unicode() >= '0' && c.unicode() <= '9';
}

// End of a quoted run starting at `i` (on the opening quote), where a doubled
// closing quote stands for one. An unterminated run ends with the text.
qsizetype QuotedEnd(const QString& sql, qsizetype i, QChar close) {
    const qsizetype n = sql.size();
    ++i;
    while (i < n) {
        if (sql[i] == close) {
            if (i + 1 < n && sql[i + 1] == close) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return n;
}

} // namespace

bool SqlToken::Is(const QString& sql, QLatin1String word) const {
    return kind == Kind::Word && Text(sql).compare(word, Qt::CaseInsensitive) == 0;
}

bool SqlToken::IsSymbol(const QString& sql, char c) const {
    return kind == Kind::Symbol && sql[begin] == QLatin1Char(c);
}

std::vector<SqlToken> SqlTokenizer::Tokenize(const QString& sql) {
    std::vector<SqlToken> tokens;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql[i];
        const qsizetype start = i;
        SqlToken::Kind kind;
        if (c.isSpace()) {
            kind = SqlToken::Kind::Space;
            while (i < n && sql[i].isSpace())
                ++i;
        } else if (c == QLatin1Char('-') && i + 1 < n && sql[i + 1] == QLatin1Char('-')) {
            kind = SqlToken::Kind::Comment;
            while (i < n && sql[i] != QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('/') && i + 1 < n && sql[i + 1] == QLatin1Char('*')) {
            kind = SqlToken::Kind::Comment;
            const qsizetype end = sql.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? n : end + 2;
        } else if (c == QLatin1Char('\'')) {
            kind = SqlToken::Kind::String;
            i = QuotedEnd(sql, i, QLatin1Char('\''));
        } else if (c == QLatin1Char('"')) {
            kind = SqlToken::Kind::Identifier;
            i = QuotedEnd(sql, i, QLatin1Char('"'));
        } else if (c == QLatin1Char('`')) {
            kind = SqlToken::Kind::Identifier;
            i = QuotedEnd(sql, i, QLatin1Char('`'));
        } else if (c == QLatin1Char('[')) {
            kind = SqlToken::Kind::Identifier;
            const qsizetype end = sql.indexOf(QLatin1Char(']'), i + 1);
            i = end < 0 ? n : end + 1;
        } else if (IsWordStart(c)) {
            kind = SqlToken::Kind::Word;
            while (i < n && IsWordPart(sql[i]))
                ++i;
        } else if (IsDigit(c) || (c == QLatin1Char('.') && i + 1 < n && IsDigit(sql[i + 1]))) {
            kind = SqlToken::Kind::Number;
            while (i < n && (IsDigit(sql[i]) || sql[i] == QLatin1Char('.')))
                ++i;
            if (i < n && (sql[i] == QLatin1Char('e') || sql[i] == QLatin1Char('E'))) {
                qsizetype j = i + 1;
                if (j < n && (sql[j] == QLatin1Char('+') || sql[j] == QLatin1Char('-')))
                    ++j;
                if (j < n && IsDigit(sql[j])) {
                    i = j;
                    while (i < n && IsDigit(sql[i]))
                        ++i;
                }
            }
        } else {
            kind = SqlToken::Kind::Symbol;
            ++i;
        }
        tokens.push_back({kind, start, i - start});
    }
    return tokens;
}

QString SqlTokenizer::NameOf(const QString& sql, const SqlToken& token) {
    const QStringView text = token.Text(sql);
    if (token.kind != SqlToken::Kind::Identifier || text.size() < 2)
        return text.toString();
    const QChar open = text.front();
    const QChar close = open == QLatin1Char('[') ? QLatin1Char(']') : open;
    QStringView inner = text.mid(1);
    if (inner.endsWith(close))
        inner.chop(1);
    QString name = inner.toString();
    if (open != QLatin1Char('['))
        name.replace(QString(2, close), QString(close));
    return name;
}

size_t SqlTokenizer::NextSignificant(const std::vector<SqlToken>& tokens, size_t from) {
    size_t i = from + 1;
    while (i < tokens.size() &&
           (tokens[i].kind == SqlToken::Kind::Space || tokens[i].kind == SqlToken::Kind::Comment))
        ++i;
    return i;
}

long SqlTokenizer::PreviousSignificant(const std::vector<SqlToken>& tokens, size_t from) {
    long i = static_cast<long>(from) - 1;
    while (i >= 0 && (tokens[size_t(i)].kind == SqlToken::Kind::Space ||
                      tokens[size_t(i)].kind == SqlToken::Kind::Comment))
        --i;
    return i;
}

size_t SqlTokenizer::TypeNameEnd(const QString& sql, const std::vector<SqlToken>& tokens,
                                 size_t t) {
    size_t end = t + 1;
    size_t next = NextSignificant(tokens, t);
    if (next < tokens.size() && ((tokens[t].Is(sql, QLatin1String("double")) &&
                                  tokens[next].Is(sql, QLatin1String("precision"))) ||
                                 (tokens[t].Is(sql, QLatin1String("character")) &&
                                  tokens[next].Is(sql, QLatin1String("varying"))))) {
        end = next + 1;
        next = NextSignificant(tokens, next);
    }
    if (next < tokens.size() && tokens[next].IsSymbol(sql, '(')) {
        size_t i = next + 1;
        while (i < tokens.size() && !tokens[i].IsSymbol(sql, ')'))
            ++i;
        end = i < tokens.size() ? i + 1 : tokens.size();
    }
    return end;
}

void SqlTokenizer::ForEachColumnDefinition(const QString& sql, const std::vector<SqlToken>& tokens,
                                           size_t open, const std::function<bool(size_t)>& visit) {
    int depth = 0;
    bool expectColumn = true;
    for (size_t i = open; i < tokens.size(); ++i) {
        const SqlToken& token = tokens[i];
        if (token.IsSymbol(sql, '(')) {
            ++depth;
            expectColumn = depth == 1;
            continue;
        }
        if (token.IsSymbol(sql, ')')) {
            if (--depth == 0)
                return;
            continue;
        }
        if (depth == 1 && token.IsSymbol(sql, ',')) {
            expectColumn = true;
            continue;
        }
        if (token.kind == SqlToken::Kind::Space || token.kind == SqlToken::Kind::Comment ||
            depth != 1 || !expectColumn)
            continue;
        expectColumn = false;
        if (!visit(i))
            return;
    }
}

size_t SqlTokenizer::DefinitionEnd(const QString& sql, const std::vector<SqlToken>& tokens,
                                   size_t from) {
    int depth = 0;
    for (size_t i = from; i < tokens.size(); ++i) {
        if (tokens[i].IsSymbol(sql, '('))
            ++depth;
        else if (tokens[i].IsSymbol(sql, ')')) {
            if (depth-- == 0)
                return i;
        } else if (tokens[i].IsSymbol(sql, ',') && depth == 0)
            return i;
    }
    return tokens.size();
}

QString SqlTokenizer::ApplyEdits(const QString& sql, std::vector<SqlEdit> edits) {
    if (edits.empty())
        return sql;
    std::stable_sort(edits.begin(), edits.end(),
                     [](const SqlEdit& a, const SqlEdit& b) { return a.begin < b.begin; });
    QString out;
    out.reserve(sql.size() + 32);
    qsizetype at = 0;
    for (const SqlEdit& edit : edits) {
        out += QStringView(sql).mid(at, edit.begin - at);
        out += edit.text;
        at = edit.begin + edit.length;
    }
    out += QStringView(sql).mid(at);
    return out;
}

std::vector<QString> SqlTokenizer::SplitStatements(const QString& script) {
    std::vector<QString> statements;
    qsizetype start = 0;
    auto flush = [&](qsizetype end) {
        const QString statement = script.mid(start, end - start).trimmed();
        // A piece made only of comments is no statement.
        bool significant = false;
        for (const SqlToken& token : Tokenize(statement)) {
            if (token.kind != SqlToken::Kind::Space && token.kind != SqlToken::Kind::Comment) {
                significant = true;
                break;
            }
        }
        if (significant)
            statements.push_back(statement);
    };
    // A CREATE TRIGGER statement holds statements of its own between BEGIN and
    // END; their ';' do not end it. CASE ... END inside the body nests.
    bool atStart = true;  // no significant token of the statement seen yet
    bool created = false; // the statement starts with CREATE
    bool trigger = false; // ... and is a trigger
    int depth = 0;
    for (const SqlToken& token : Tokenize(script)) {
        if (token.kind == SqlToken::Kind::Space || token.kind == SqlToken::Kind::Comment)
            continue;
        if (token.IsSymbol(script, ';')) {
            if (depth > 0)
                continue;
            flush(token.begin);
            start = token.begin + 1;
            atStart = true;
            created = trigger = false;
            continue;
        }
        if (atStart) {
            created = token.Is(script, QLatin1String("create"));
            atStart = false;
        } else if (created && !trigger && token.Is(script, QLatin1String("trigger"))) {
            trigger = true;
        } else if (trigger && (token.Is(script, QLatin1String("begin")) ||
                               token.Is(script, QLatin1String("case")))) {
            ++depth;
        } else if (trigger && depth > 0 && token.Is(script, QLatin1String("end"))) {
            --depth;
        }
    }
    flush(script.size());
    return statements;
}
