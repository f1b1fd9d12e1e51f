#pragma once

#include <QList>
#include <QString>

class DbConnection;

// What moves an office-supply item's stock. An item's Stock is the sum of its
// movements; it is kept on the item so the list shows it at a glance, and it
// is changed by the same transaction that writes the movement.
namespace ApplianceStock {

enum class Kind { Receive, Issue };

// "入库" / "领用", as stored in ApplianceMove.Kind.
QString KindText(Kind kind);

struct Movement {
    int applianceId = 0;
    Kind kind = Kind::Receive;
    int quantity = 0; // more than 0; the kind gives the direction
    QString time;     // yyyy-MM-dd hh:mm:ss
    QString person;   // who received an issued item
    QString handler;  // the logged-in user who recorded it
    QString remarks;
};

enum class Outcome { Done, Short, Missing, Failed };
struct Result {
    Outcome outcome = Outcome::Failed;
    int stock = 0; // the item's stock after the movement (or now, when Short)
    QString error; // the database's text for Failed
};

// Records one movement and changes the item's stock with it, all or nothing.
// The stock changes by one guarded statement (Stock=Stock+q where the result
// stays at or above zero), so two desks issuing at once can never take the
// stock below zero: the second waits for the first and then finds too little
// (Short). Missing when the item is gone.
Result Record(DbConnection& connection, const Movement& movement);

// The number of movements of the items `keys` (-1 after a failure).
int MovementCount(DbConnection& connection, const QList<int>& keys, QString& error);

// Deletes one item and its movements; run inside the caller's transaction.
bool DeleteItem(DbConnection& connection, int key, QString& error);

} // namespace ApplianceStock
