#pragma once

#include <QString>

class QSqlError;

// The provider's description of a failure: the database's own message when it
// gave one (trailing line ends removed), else the driver's.
QString SqlErrorText(const QSqlError& error);
