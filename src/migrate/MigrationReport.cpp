#include "MigrationReport.h"

qint64 MigrationReport::RowsRead() const {
    qint64 rows = 0;
    for (const Table& table : tables)
        rows += table.read;
    return rows;
}

qint64 MigrationReport::RowsWritten() const {
    qint64 rows = 0;
    for (const Table& table : tables)
        rows += table.written;
    return rows;
}

qint64 MigrationReport::Orphans() const {
    qint64 rows = 0;
    for (const Table& table : tables)
        rows += table.orphans;
    return rows;
}

const MigrationReport::Table* MigrationReport::Find(const QString& name) const {
    for (const Table& table : tables)
        if (table.name.compare(name, Qt::CaseInsensitive) == 0)
            return &table;
    return nullptr;
}

QString MigrationReport::Text() const {
    const QString eol = QStringLiteral("\r\n");
    QString text = QStringLiteral("迁移完成: %1 → %2").arg(source, target) + eol;
    text += QStringLiteral("共读出 %1 行, 写入 %2 行。").arg(RowsRead()).arg(RowsWritten()) + eol;
    for (const Table& table : tables) {
        QString line = QStringLiteral("%1: 读出 %2 行, 写入 %3 行")
                           .arg(table.name)
                           .arg(table.read)
                           .arg(table.written);
        if (table.missing)
            line += QStringLiteral("; 原文件中没有这个表, 已按初始内容建立");
        if (!table.known)
            line += QStringLiteral("; 本系统之外的表, 原样复制");
        if (!table.addedColumns.isEmpty())
            line +=
                QStringLiteral("; 用户添加的列: ") + table.addedColumns.join(QStringLiteral(", "));
        if (!table.skippedColumns.isEmpty())
            line += QStringLiteral("; 未迁移的列 (OLE 对象等): ") +
                    table.skippedColumns.join(QStringLiteral(", "));
        if (table.orphans > 0)
            line += QStringLiteral("; 其中 %1 行所属的客户已不存在 (保留)").arg(table.orphans);
        text += line + eol;
    }
    if (!describedColumns.isEmpty())
        text += QStringLiteral("自定义字段 (CustomizeField): ") +
                describedColumns.join(QStringLiteral(", ")) + eol;
    text += QStringLiteral("原文件没有改动。");
    return text;
}
