#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// The small HTML-like language of the page files in res/: tags in angle
// brackets, attributes as name=value (value quoted or not), the text of a few
// elements up to their closing tag. Everything outside tags is ignored.

struct PageTag {
    // Lower-cased, at most 31 characters; a closing tag keeps its "/"
    // ("/font").
    QString name;
    // name=value pairs of the opening tag, names lower-cased, in order; a bare
    // attribute ("fixed") has an empty value.
    QList<QPair<QString, QString>> attributes;
    // For the elements that have text (title, span, textarea, select, option):
    // everything up to the closing tag, at most 1023 bytes as GBK.
    QString text;
    // 1-based line of the "<", for messages about the page.
    int line = 0;

    bool HasAttribute(const QString& attributeName) const;
    // The first attribute of that name (ASCII case ignored), or "".
    QString Attribute(const QString& attributeName) const;
};

struct PageParse {
    std::vector<PageTag> tags;
    // What was wrong with the page text (unterminated tags, missing closing
    // tags); parsing goes on past every problem.
    QStringList problems;
};

// Tags of the page text in order.
PageParse ParsePage(const QString& text);

// The texts of the option elements inside a select element's text, in order.
QStringList ParseOptions(const QString& selectText);

// The longest start of `text` that stays within `maxBytes` bytes as GBK.
QString LimitGbkBytes(const QString& text, int maxBytes);
