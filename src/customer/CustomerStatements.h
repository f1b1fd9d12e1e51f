#pragma once

#include <QList>
#include <QString>

class DbConnection;

// The statements the customer views run besides their page query.
namespace CustomerStatements {

// A base condition handed over by the frame, in parentheses so that nothing
// joined to it with " and " or " or " can loosen it; empty stays empty.
QString Enclosed(const QString& condition);

// The category a new customer takes in a view opened with this base
// condition, so that the new row shows in that view: "供应商" under the
// supplier views' "IsProvider=1", "代理商" under the reseller views'
// "IsReseller=1", otherwise the form's default (empty).
QString CategoryOfFilter(const QString& filter);

// The tree filter: the customers filed in one of the classes (a class and
// every class below it), out of `allClasses` classes in the tree. The root
// means every customer filed in some class. Keys are numbers, so the text is
// always well formed.
//
// How the database should find the first page depends on how much of the
// table the classes hold. A few classes are found through the index on
// CustomerClass and sorted; a large part of the tree (1/200 of the classes
// or more) is found faster by walking the LastTime order, where the first
// page fills after a few thousand index entries, so there the class test is
// written as "+CustomerClass", which keeps both engines off the class index.
QString ClassCondition(const QList<int>& classKeys, bool root, int allClasses);

// The total of the orders of the customers a list shows under `where` (its
// " where ..." text, or empty): the sum of CustomerData.FDTotal, which the
// database's triggers keep equal to each customer's orders. The value comes
// back as asSumup.
QString TotalStatement(const QString& where);
// "累计总额 " and the sum, or after a failure the statement, "\r\n" and the
// database's text in `message`. False on failure.
bool RunTotal(DbConnection& connection, const QString& where, QString& message);

// Files the customer under a class: its key and a copy of its path.
QString MoveStatement(int classKey, const QString& classPath, int customerKey);
// Removes a customer row only (the list view's delete).
QString DeleteStatement(int customerKey);

// Deletes the customer and every row that refers to it (contacts, plans,
// records, orders, purchase opportunities, purchases), all or nothing: a
// failure on the way undoes what was deleted before and leaves the reason in
// `error`. Inside a caller's transaction this is one savepoint of it.
bool DeleteWithRelatedRows(DbConnection& connection, int customerKey, QString& error);
// The tables DeleteWithRelatedRows clears, in its order, with their customer
// column; CustomerData comes last.
QList<QPair<QString, QString>> RelatedTables();

} // namespace CustomerStatements
