#include "AccessMigration.h"

#include "AccessFile.h"
#include "MigrationTarget.h"
#include "SchemaScript.h"
#include "db/ConnectionString.h"

#include <QDir>

namespace {

// How often the progress hears of a table being copied.
constexpr qint64 kProgressRows = 2000;

int IndexOf(const QStringList& names, const QString& name) {
    for (qsizetype i = 0; i < names.size(); ++i)
        if (names[i].compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

int ColumnIndex(const AccessFile::Table& table, const char* name) {
    for (size_t i = 0; i < table.columns.size(); ++i)
        if (table.columns[i].name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

} // namespace

bool AccessMigration::NamesAccessFile(const QString& connectionString, QString* file) {
    const ConnectionString cs(connectionString);
    const QString source = cs.Value({"Data Source", "DataSource"}).trimmed();
    const QString provider = cs.Value("Provider").trimmed();
    const bool access =
        source.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive) ||
        source.endsWith(QLatin1String(".accdb"), Qt::CaseInsensitive) ||
        provider.startsWith(QLatin1String("Microsoft.Jet.OLEDB"), Qt::CaseInsensitive) ||
        provider.startsWith(QLatin1String("Microsoft.ACE.OLEDB"), Qt::CaseInsensitive);
    if (access && file)
        *file = source;
    return access && !source.isEmpty();
}

bool AccessMigration::Fail(const QString& text) {
    lastError_ = text;
    return false;
}

bool AccessMigration::Run(const QString& source, const QString& target) {
    report_ = MigrationReport();
    report_.source = QDir::toNativeSeparators(source);
    lastError_.clear();
    stopped_ = false;

    AccessFile file;
    if (!file.Open(source))
        return Fail(file.GetLastError());
    MigrationTarget out;
    if (!out.Begin(target))
        return Fail(out.GetLastError());
    report_.target = out.DisplayName();
    SchemaScript script;
    QString error;
    if (!script.Load(out.IsPostgres(), error))
        return Fail(error);
    if (!out.RunScript(script.Tables()))
        return Fail(out.GetLastError());

    qint64 total = 0;
    for (const AccessFile::Table& table : file.Tables())
        total += table.rowCount;
    qint64 done = 0;
    QStringList allTables = script.TableNames();

    for (const AccessFile::Table& table : file.Tables()) {
        MigrationReport::Table entry;
        entry.name = table.name;
        entry.known = IndexOf(script.TableNames(), table.name) >= 0;
        QStringList targetColumns;
        if (entry.known) {
            const QStringList existing = out.ColumnsOf(table.name);
            for (const AccessFile::Column& column : table.columns) {
                const int at = IndexOf(existing, column.name);
                if (column.kind == AccessFile::Kind::Unsupported) {
                    entry.skippedColumns << column.name;
                    targetColumns << QString();
                } else if (at >= 0) {
                    targetColumns << existing[at];
                } else {
                    if (!out.AddColumn(table.name, column))
                        return Fail(out.GetLastError());
                    entry.addedColumns << column.name;
                    targetColumns << column.name;
                }
            }
        } else {
            if (!out.CreateTable(table.name, table.columns))
                return Fail(out.GetLastError());
            allTables << table.name;
            for (const AccessFile::Column& column : table.columns) {
                const bool copied = column.kind != AccessFile::Kind::Unsupported;
                targetColumns << (copied ? column.name : QString());
                if (!copied)
                    entry.skippedColumns << column.name;
            }
        }

        if (progress_ && !progress_(table.name, done, total)) {
            stopped_ = true;
            return Fail(QStringLiteral("迁移已停止，没有建立新的数据库。"));
        }
        // CustomizeField describes user-added columns: named in the report.
        const bool describes =
            table.name.compare(QLatin1String("CustomizeField"), Qt::CaseInsensitive) == 0;
        const int tableColumn = ColumnIndex(table, "TableName");
        const int fieldColumn = ColumnIndex(table, "FieldName");
        if (!out.BeginRows(table.name, targetColumns, table.columns))
            return Fail(out.GetLastError());
        bool writeFailed = false;
        const bool read = file.ReadTable(table, [&](const std::vector<AccessFile::Cell>& row) {
            if (!out.WriteRow(row)) {
                writeFailed = true;
                return false;
            }
            ++entry.read;
            if (describes && tableColumn >= 0 && fieldColumn >= 0)
                report_.describedColumns
                    << QString::fromUtf8(row[tableColumn].text, row[tableColumn].textBytes) +
                           QLatin1Char('.') +
                           QString::fromUtf8(row[fieldColumn].text, row[fieldColumn].textBytes);
            if (++done % kProgressRows == 0 && progress_ && !progress_(table.name, done, total)) {
                stopped_ = true;
                return false;
            }
            return true;
        });
        if (stopped_)
            return Fail(QStringLiteral("迁移已停止，没有建立新的数据库。"));
        if (writeFailed)
            return Fail(out.GetLastError());
        if (!read)
            return Fail(file.GetLastError());
        if (!out.EndRows())
            return Fail(out.GetLastError());
        report_.tables.push_back(entry);
    }

    // A program table the old file lacks starts as a new database would.
    for (const QString& name : script.TableNames()) {
        if (file.FindTable(name))
            continue;
        if (!out.RunScript(script.InitialRows(name)))
            return Fail(out.GetLastError());
        MigrationReport::Table entry;
        entry.name = name;
        entry.missing = true;
        report_.tables.push_back(entry);
    }

    if (progress_ && !progress_(QStringLiteral("索引"), done, total)) {
        stopped_ = true;
        return Fail(QStringLiteral("迁移已停止，没有建立新的数据库。"));
    }
    // The customers' order totals, which the old file did not keep (the
    // triggers that keep them come with the indexes, after the rows). One
    // grouped pass, before the indexes that would have to follow it.
    if (!out.RunScript({QStringLiteral(
            "update CustomerData set FDTotal = s.Total from (select CustomerId, sum(FDTotal) as "
            "Total from OrderData group by CustomerId) s where s.CustomerId = "
            "CustomerData.KeyId")}))
        return Fail(out.GetLastError());
    if (!out.RunScript(script.AfterData()))
        return Fail(out.GetLastError());
    if (!out.SetKeyCounters(allTables))
        return Fail(out.GetLastError());

    const QStringList withCustomer = out.ColumnsOf(QStringLiteral("CustomerData")).isEmpty()
                                         ? QStringList()
                                         : QStringList{QStringLiteral("CustomerId")};
    for (MigrationReport::Table& entry : report_.tables) {
        entry.written =
            out.Count(QStringLiteral("select count(*) from %1").arg(out.Ident(entry.name)));
        if (entry.written < 0)
            return Fail(out.GetLastError());
        if (entry.known && !withCustomer.isEmpty() &&
            IndexOf(out.ColumnsOf(entry.name), withCustomer.first()) >= 0 &&
            entry.name.compare(QLatin1String("CustomerData"), Qt::CaseInsensitive) != 0)
            entry.orphans = out.Count(
                QStringLiteral("select count(*) from %1 where CustomerId <> 0 and CustomerId not "
                               "in (select KeyId from CustomerData)")
                    .arg(out.Ident(entry.name)));
    }

    if (progress_ && !progress_(QString(), total, total)) {
        stopped_ = true;
        return Fail(QStringLiteral("迁移已停止，没有建立新的数据库。"));
    }
    if (!out.Commit())
        return Fail(out.GetLastError());
    return true;
}
