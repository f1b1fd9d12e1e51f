#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// The program's own schema script (schema/sqlite.sql or postgresql.sql, built
// into the program) split into the parts a migration runs at different times:
// the tables come first and are filled, the indexes and triggers are made
// after the rows are in (faster, and the order-total triggers must not add up
// orders a second time), and the initial rows (the admin account, payment
// modes, products) are used only for a table the old file does not have.
class SchemaScript final {
public:
    // False with `error` when the built-in script cannot be read.
    bool Load(bool postgres, QString& error);

    // Extensions, settings, CREATE TABLE and CREATE FUNCTION, in script order.
    const QStringList& Tables() const { return tables_; }
    // Indexes and triggers, in script order.
    const QStringList& AfterData() const { return afterData_; }
    // The initial INSERTs into `table` (compared without regard to case).
    QStringList InitialRows(const QString& table) const;
    // The tables the script creates, as the script spells them.
    const QStringList& TableNames() const { return tableNames_; }

    // The statement without its leading comments and blanks.
    static QString WithoutLeadingComments(const QString& statement);

private:
    QStringList tables_;
    QStringList afterData_;
    std::vector<std::pair<QString, QString>> inserts_; // table, statement
    QStringList tableNames_;
};
