#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <initializer_list>

// A connection string: "key=value;key=value;...". Keys are compared without
// regard to case or blanks ("User ID" = "userid"); a value may be enclosed in
// double or single quotes to hold a ';' (a doubled quote inside stands for
// one). Pairs without '=' are ignored; the first of several equal keys wins.
class ConnectionString final {
public:
    ConnectionString() = default;
    explicit ConnectionString(const QString& text);

    // The value of the first key among `keys` that is present, or a null QString.
    QString Value(std::initializer_list<const char*> keys) const;
    QString Value(const char* key) const { return Value({key}); }
    bool Has(const char* key) const { return !Value(key).isNull(); }
    bool IsEmpty() const { return pairs_.isEmpty(); }

    // The database file of a string that names one: the text after the first
    // "Source=", up to the next ';' (when that ';' is not its first character).
    // Empty when the string has no "Source=". Backup and restore use it.
    static QString FilePath(const QString& text);

private:
    static QString NormalizeKey(const QString& key);
    QList<QPair<QString, QString>> pairs_;
};
