#include "framework/ClassFilter.h"

#include "db/SqlLiteral.h"
#include "framework/ClassTreeCtrl.h"

namespace ClassFilter {

QString KeysCondition(const QString& column, const QList<int>& classKeys, bool root,
                      int allClasses) {
    if (root || classKeys.isEmpty())
        return QStringLiteral("(+") + column + QStringLiteral(" > 0)");
    const bool large = qint64(classKeys.size()) * 200 >= allClasses;
    QString keys;
    for (const int key : classKeys) {
        if (!keys.isEmpty())
            keys += QLatin1Char(',');
        keys += SqlLiteral::Long(key);
    }
    return (large ? QStringLiteral("(+") : QStringLiteral("(")) + column + QStringLiteral(" in (") +
           keys + QStringLiteral("))");
}

bool WalksListOrder(const QString& condition) {
    return condition.startsWith(QStringLiteral("(+"));
}

QString NodeCondition(const ClassTreeCtrl& tree, QTreeWidgetItem* node, const QString& column) {
    QList<int> keys;
    for (QTreeWidgetItem* level : tree.Subtree(node)) {
        if (ClassTreeCtrl::KeyOf(level) > 0)
            keys.append(ClassTreeCtrl::KeyOf(level));
    }
    const int allClasses = int(tree.Subtree(tree.RootNode()).size()) - 1;
    return KeysCondition(column, keys, ClassTreeCtrl::KeyOf(node) < 1, allClasses);
}

} // namespace ClassFilter
