#pragma once

#include <QString>
#include <QStringList>

namespace SqlConditions {

// " where c0 and c1 ...", or the empty text when there is no condition.
QString Where(const QStringList& conditions);

} // namespace SqlConditions
