#pragma once

#include <QString>
#include <QStringView>

#include <functional>
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

    qsizetype End() const { return begin + length; }
    QStringView Text(const QString& sql) const { return QStringView(sql).mid(begin, length); }
    bool Is(const QString& sql, QLatin1String word) const;
    bool IsSymbol(const QString& sql, char c) const;
};

// One replacement of `length` characters at `begin` (length 0 inserts).
struct SqlEdit {
    qsizetype begin;
    qsizetype length;
    QString text;
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

    // Calls `visit` with the index of the first token of every column definition
    // (or table constraint) of the list that opens with the '(' at token
    // `open`, as in CREATE TABLE t ( a int, b text ); stops early when `visit`
    // returns false.
    static void ForEachColumnDefinition(const QString& sql, const std::vector<SqlToken>& tokens,
                                        size_t open, const std::function<bool(size_t)>& visit);
    // Index of the ',' or ')' that ends the column definition going on at
    // token `from` (at that definition's nesting level), or tokens.size().
    static size_t DefinitionEnd(const QString& sql, const std::vector<SqlToken>& tokens,
                                size_t from);

    // The text with the edits applied; edits must not overlap, and those at
    // the same place keep their order.
    static QString ApplyEdits(const QString& sql, std::vector<SqlEdit> edits);

    // Splits a script at the ';' that end statements (outside literals and
    // comments, and inside the BEGIN ... END body of a CREATE TRIGGER); blank
    // statements are dropped.
    static std::vector<QString> SplitStatements(const QString& script);
};
