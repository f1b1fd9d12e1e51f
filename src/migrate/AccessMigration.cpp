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

bool AccessMigration::Stopped() {
    stopped_ = true;
    return Fail(QStringLiteral("迁移已停止。"));
}

bool AccessMigration::Run(const QString& source, const QString& target) {
    report_ = MigrationReport();
    report_.source = QDir::toNativeSeparators(source);
    lastError_.clear();
    stopped_ = false;
    orderTotals_.clear();
    customerKeys_.clear();
    customerRefs_.clear();

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

    // Orders first: the customers then get their order totals as they are
    // written (the old file did not keep them), with no update afterwards.
    std::vector<const AccessFile::Table*> order;
    for (const AccessFile::Table& table : file.Tables())
        if (table.name.compare(QLatin1String("OrderData"), Qt::CaseInsensitive) == 0)
            order.push_back(&table);
    for (const AccessFile::Table& table : file.Tables())
        if (table.name.compare(QLatin1String("OrderData"), Qt::CaseInsensitive) != 0)
            order.push_back(&table);
    report_.tables.resize(file.Tables().size());

    for (const AccessFile::Table* table : order) {
        const size_t at = size_t(table - file.Tables().data()); // the report keeps file order
        MigrationReport::Table& entry = report_.tables[at];
        entry.name = table->name;
        entry.known = IndexOf(script.TableNames(), table->name) >= 0;
        if (!entry.known)
            allTables << table->name;
        if (!CopyTable(file, out, *table, entry, done, total))
            return false;
    }

    // A program table the old file lacks starts as a new database would.
    for (const QString& name : script.TableNames()) {
        if (file.FindTable(name))
            continue;
        if (!out.RunScript(script.InitialRows(name)))
            return Fail(out.GetLastError());
        // The schema's version is the new database's own, not data brought over.
        if (name.compare(QLatin1String("SchemaVersion"), Qt::CaseInsensitive) == 0)
            continue;
        MigrationReport::Table entry;
        entry.name = name;
        entry.missing = true;
        report_.tables.push_back(entry);
    }

    if (progress_ && !progress_(QStringLiteral("索引"), done, total))
        return Stopped();
    if (!out.RunScript(script.AfterData()) || !out.SetKeyCounters(allTables))
        return Fail(out.GetLastError());

    for (MigrationReport::Table& entry : report_.tables) {
        entry.written =
            out.Count(QStringLiteral("select count(*) from %1").arg(out.Ident(entry.name)));
        if (entry.written < 0)
            return Fail(out.GetLastError());
        const auto refs = customerRefs_.find(entry.name);
        if (refs != customerRefs_.end())
            for (auto it = refs->second.cbegin(); it != refs->second.cend(); ++it)
                if (it.key() != 0 && !customerKeys_.contains(it.key()))
                    entry.orphans += it.value();
    }

    if (progress_ && !progress_(QString(), total, total))
        return Stopped();
    if (!out.Commit())
        return Fail(out.GetLastError());
    return true;
}

bool AccessMigration::CopyTable(AccessFile& file, MigrationTarget& out,
                                const AccessFile::Table& table, MigrationReport::Table& entry,
                                qint64& done, qint64 total) {
    std::vector<AccessFile::Column> columns = table.columns;
    QStringList targetColumns;
    if (entry.known) {
        const QStringList existing = out.ColumnsOf(table.name);
        for (const AccessFile::Column& column : columns) {
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
        if (!out.CreateTable(table.name, columns))
            return Fail(out.GetLastError());
        for (const AccessFile::Column& column : columns) {
            const bool copied = column.kind != AccessFile::Kind::Unsupported;
            targetColumns << (copied ? column.name : QString());
            if (!copied)
                entry.skippedColumns << column.name;
        }
    }

    const auto named = [&](const char* name) {
        return table.name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
    };
    const bool isCustomers = entry.known && named("CustomerData");
    const bool isOrders = entry.known && named("OrderData");
    const int keyColumn = ColumnIndex(table, "KeyId");
    const int customerColumn = entry.known ? ColumnIndex(table, "CustomerId") : -1;
    const int totalColumn = ColumnIndex(table, "FDTotal");
    // The customers' FDTotal, summed from their orders, as one more value.
    const bool addsTotal = isCustomers && totalColumn < 0 && keyColumn >= 0;
    if (addsTotal) {
        AccessFile::Column sum;
        sum.name = QStringLiteral("FDTotal");
        sum.kind = AccessFile::Kind::Double;
        columns.push_back(sum);
        targetColumns << sum.name;
    }
    QHash<qint64, qint64>* refs =
        customerColumn >= 0 && !isCustomers ? &customerRefs_[table.name] : nullptr;
    // CustomizeField describes user-added columns: named in the report.
    const bool describes = entry.known && named("CustomizeField");
    const int tableColumn = ColumnIndex(table, "TableName");
    const int fieldColumn = ColumnIndex(table, "FieldName");

    if (progress_ && !progress_(table.name, done, total))
        return Stopped();
    if (!out.BeginRows(table.name, targetColumns, columns))
        return Fail(out.GetLastError());
    bool writeFailed = false;
    std::vector<AccessFile::Cell> extended;
    const bool read = file.ReadTable(table, [&](const std::vector<AccessFile::Cell>& row) {
        if (refs && !row[customerColumn].isNull)
            ++(*refs)[row[customerColumn].integer];
        if (isCustomers && keyColumn >= 0)
            customerKeys_.insert(row[keyColumn].integer);
        if (isOrders && customerColumn >= 0 && totalColumn >= 0 && !row[customerColumn].isNull &&
            !row[totalColumn].isNull)
            orderTotals_[row[customerColumn].integer] += row[totalColumn].number;
        if (describes && tableColumn >= 0 && fieldColumn >= 0)
            report_.describedColumns
                << QString::fromUtf8(row[tableColumn].text, row[tableColumn].textBytes) +
                       QLatin1Char('.') +
                       QString::fromUtf8(row[fieldColumn].text, row[fieldColumn].textBytes);
        bool written;
        if (addsTotal) {
            extended.assign(row.begin(), row.end());
            AccessFile::Cell sum;
            sum.isNull = false;
            sum.number = orderTotals_.value(row[keyColumn].integer, 0.0);
            extended.push_back(sum);
            written = out.WriteRow(extended);
        } else {
            written = out.WriteRow(row);
        }
        if (!written) {
            writeFailed = true;
            return false;
        }
        ++entry.read;
        if (++done % kProgressRows == 0 && progress_ && !progress_(table.name, done, total)) {
            stopped_ = true;
            return false;
        }
        return true;
    });
    if (stopped_)
        return Stopped();
    if (writeFailed)
        return Fail(out.GetLastError());
    if (!read)
        return Fail(file.GetLastError());
    if (!out.EndRows())
        return Fail(out.GetLastError());
    return true;
}
