#pragma once

#include <QString>

class DbConnection;

// Makes the database refuse one kind of statement on some rows, so that tests
// can fail an action half-way through: a trigger that raises "refused" when
// `event` (delete, update or insert) touches a row of `table` for which
// `condition` holds (written with old. or new., as the trigger sees the row).
// False with the connection's last error when the trigger cannot be made.
bool AddRefusingTrigger(DbConnection& connection, const QString& table, const QString& event,
                        const QString& condition);
