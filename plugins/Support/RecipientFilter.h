#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

// Which customers and contacts a campaign (text messages or e-mail) reaches.
// Every text is typed by the user and reaches SQL only as a literal.
struct RecipientFilter {
    bool customers = true; // the customers' own number or address
    bool contacts = false; // those of their contacts
    QString classPath;     // a class of the tree and everything below it
    QString name;          // customer name contains
    QString province;
    QString city;
    QString handler; // exactly this handler
    // A user other than admin reaches only the customers they handle.
    QString restrictToHandler;

    // The conditions on CustomerData (alias d), each in parentheses.
    QStringList Conditions() const;
    // A line for the task's list saying what was chosen.
    QString Describe() const;

    // Where one recipient row comes from: `person` is the alias of the row
    // holding the number or address (d for a customer, c for a contact) and
    // `name` the expression of the person's name.
    struct Source {
        QString person;
        QString name;
    };
    // The template placeholders of MessageTemplate::CustomerFields() as
    // columns of one source, for MessageTemplate::FillSql.
    static QMap<QString, QString> TemplateColumns(const Source& source);

    // One row per distinct value of `key` over the chosen customers and
    // contacts: the customer with the lowest key wins, its own row before its
    // contacts'; rows whose key is '' are left out. `columns(source)` gives
    // the select list of one source and must name the key column `key`; the
    // rows also carry cid (the customer's key) and nm (the person's name).
    QString DistinctRowsSql(const std::function<QString(const Source&)>& columns,
                            const QString& key) const;
};
