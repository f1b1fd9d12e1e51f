#pragma once

#include <QString>
#include <QStringList>

// PostgreSQL folds unquoted names, so a result reports "customername" where the
// program wrote CustomerName. Names that reach the user (export headers, column
// lists) should look as the program spells them: for each reported name this
// gives the spelling found in the statement itself (a column or an alias as
// written), else the spelling of the program's own tables, else the name as
// reported.
QStringList SpellFieldNames(const QStringList& reported, const QString& statement);
