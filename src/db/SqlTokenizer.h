#pragma once

#include <QString>
#include <QStringView>

#include <vector>

// Splits SQL text into tokens that cover it without gaps, so that a rewrite can
// change some tokens and copy everything else exactly. Quoted literals,
// quoted identifiers and comments are single tokens: nothing inside them is
// ever mistaken for a keyword.
struct SqlToken {
    enum class Kind {
        Space,      // blanks, tabs, line ends
        Comment,    // -- to the end of the line, or /* ... */
        String,     // '...' with '' inside
        Identifier, // "...", [...] or `...`
        Word,       // keyword or bare name: letters, digits, '_', '$', non-ASCII
        Number,
        Symbol // any other single character
    };
    Kind kind;
    qsizetype begin;
    qsizetype length;

    QStringView Text(const QString& sql) const { return QStringView(sql).mid(begin, length); }
    bool Is(const QString& sql, QLatin1String word) const;
    bool IsSymbol(const QString& sql, char c) const;
};

class SqlTokenizer final {
public:
    static std::vector<SqlToken> Tokenize(const QString& sql);

    // The name a Word or Identifier token stands for: quotes removed, doubled
    // quotes collapsed.
    static QString NameOf(const QString& sql, const SqlToken& token);

    // Index of the next token after `from` that is not blank or a comment, or
    // tokens.size().
    static size_t NextSignificant(const std::vector<SqlToken>& tokens, size_t from);
    // Index of the previous such token before `from`, or -1.
    static long PreviousSignificant(const std::vector<SqlToken>& tokens, size_t from);

    // Index just past the column type that starts at Word token `t`: the name,
    // the second word of "double precision" / "character varying", and an
    // optional "(n[,m])".
    static size_t TypeNameEnd(const QString& sql, const std::vector<SqlToken>& tokens, size_t t);

    // Splits a script at the ';' that end statements (outside literals and
    // comments); blank statements are dropped.
    static std::vector<QString> SplitStatements(const QString& script);
};
