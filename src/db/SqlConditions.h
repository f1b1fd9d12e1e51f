#pragma once

#include <QString>
#include <QStringList>

namespace SqlConditions {

// " where c0 and c1 ...", or the empty text when there is no condition.
QString Where(const QStringList& conditions);

// "(column like '<pattern>')" with the typed text as one literal: nothing
// typed can change the statement, while % and _ stay the wildcards users know.
QString Like(const QString& column, const QString& pattern);
// The column holds `text` anywhere ("%text%").
QString Contains(const QString& column, const QString& text);
// The column begins with `text` ("text%"), as a month does a time.
QString StartsWith(const QString& column, const QString& text);

} // namespace SqlConditions
