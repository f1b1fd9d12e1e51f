#include "db/TableImporter.h"

#include "base/CNumber.h"
#include "base/CsvReader.h"
#include "base/IniFile.h"
#include "db/AdoType.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/FieldInfoList.h"
#include "db/InsertBuilder.h"

#include <QElapsedTimer>

namespace {

const QString kKeyColumn = QStringLiteral("#");

bool IsBlank(const QStringList& fields) {
    for (const QString& field : fields)
        if (!field.trimmed().isEmpty())
            return false;
    return true;
}

void SetTyped(InsertBuilder& builder, int type, const QString& column, const QString& value) {
    if (AdoType::IsText(type))
        builder.SetText(column, value);
    else if (AdoType::IsFloating(type))
        builder.SetDouble(column, AtoF(value));
    else
        builder.SetLong(column, AtoI(value));
}

} // namespace

int TableImporter::Import(const QString& path, const QString& table) {
    table_ = table;
    columns_.clear();
    errorText_.clear();
    fileError_.clear();
    failures_.clear();
    longRecordLines_.clear();
    readNote_.clear();
    stopped_ = false;
    if (!ReadTableColumns())
        return 0;
    return Run(path);
}

int TableImporter::Import(const QString& path, const QString& table, const QStringList& columns) {
    table_ = table;
    columns_ = columns;
    errorText_.clear();
    fileError_.clear();
    failures_.clear();
    longRecordLines_.clear();
    readNote_.clear();
    stopped_ = false;
    return Run(path);
}

bool TableImporter::ReadTableColumns() {
    if (table_.isEmpty())
        return true;
    if (!connection_) {
        errorText_ = QStringLiteral("Connection Not open!\r\n");
        return false;
    }
    // Only the names are wanted, so no row needs to be read.
    const QString sql = QStringLiteral("select * from %1 where 1=0").arg(table_);
    DbRecordset rs(*connection_);
    if (!rs.Open(sql)) {
        ReportFailure(sql, rs.GetLastError());
        return false;
    }
    for (int i = 0; i < rs.GetFieldCount(); ++i)
        columns_.append(rs.GetFieldName(i));
    rs.Close();
    return true;
}

int TableImporter::Run(const QString& path) {
    if (!connection_) {
        errorText_ = QStringLiteral("Connection Not open!\r\n");
        return 0;
    }
    int nextKey = 0;
    if (columns_.contains(kKeyColumn)) {
        // Numbers counted from 0 would collide with the rows already there
        // (and the lists take a key 0 for none), so a failed look-up stops
        // the import before its first row.
        const int largest = MaxKey();
        if (largest < 0) {
            ReportFailure(
                QStringLiteral("select max(%1) from %2").arg(keyColumn_.toLower(), table_),
                connection_->GetLastError());
            return 0;
        }
        nextKey = largest + 1;
    }

    CsvReader reader;
    if (!(encoding_ ? reader.Open(path, *encoding_) : reader.Open(path))) {
        fileError_ = reader.GetLastError();
        errorText_ = QStringLiteral("打开源文件失败!");
        return 0;
    }
    // A quoted field left open grows over many lines inside one ReadRecord;
    // the reader reports from there, so progress and the stop still work.
    if (progress_)
        reader.SetProgress([this](qint64 done, qint64 total) { return progress_(done, total); });
    QStringList fields;
    // The header line names the source columns.
    const int headerFields = reader.ReadRecord(fields);

    const std::vector<ColumnInfo> info = LookUpColumns();
    DbConnection& db = *connection_;
    int inserted = 0;
    Rows batch; // written in the open transaction, not yet committed
    bool inTransaction = false;
    bool canBatch = batchRows_ > 1;
    // Time since the last commit: rows read more than kBatchMillis ago are
    // sent and committed even while fewer than a statement's worth wait, so
    // a slow file still shows its rows to the other desks every second.
    QElapsedTimer age;
    age.start();
    // Rows read and built but not yet sent. Without a question per failure
    // they go to the database several in one statement: one round trip and
    // one parse for many rows, which is most of the time a row costs.
    Rows pending;
    // Never more rows to a statement than to a transaction: a small batch
    // is committed when it is full, not when a statement's worth has come.
    const size_t rowsPerStatement =
        onFailure_ || !canBatch ? 1 : size_t(qMin(kRowsPerStatement, batchRows_));
    // Sends the pending rows; false when the failure callback stops the import.
    const auto send = [&]() -> bool {
        if (pending.empty())
            return true;
        if (!inTransaction && canBatch) {
            // Without transactions every row is written on its own.
            canBatch = inTransaction = db.Execute(QStringLiteral("begin")) == 1;
        }
        const QString statement =
            pending.size() == 1 ? pending.front().statement : Combine(pending);
        bool goOn = true;
        if (db.Execute(statement)) {
            if (inTransaction)
                batch.insert(batch.end(), std::make_move_iterator(pending.begin()),
                             std::make_move_iterator(pending.end()));
            else
                inserted += int(pending.size());
        } else {
            const QString error = db.GetLastError();
            if (pending.size() == 1)
                ReportFailure(statement, error, pending.front().line);
            if (inTransaction) {
                // PostgreSQL spoils the whole transaction with the failed
                // statement, so it is rolled back on every engine and the
                // rows before the failing one are written again.
                db.Execute(QStringLiteral("rollback"));
                inTransaction = false;
                inserted += WriteBatch(batch);
                batch.clear();
            }
            if (pending.size() > 1)
                inserted += WriteBatch(pending); // finds and reports the failing rows
            else if (onFailure_)
                goOn = onFailure_(pending.front().line, error);
        }
        pending.clear();
        if (inTransaction && (int(batch.size()) >= batchRows_ || age.elapsed() >= kBatchMillis)) {
            inserted += Commit(batch);
            batch.clear();
            inTransaction = false;
            age.restart();
        }
        return goOn;
    };
    while (reader.ReadRecord(fields) > 0) {
        const int line = reader.RecordLine();
        if (fields.size() > headerFields)
            longRecordLines_.push_back(line);
        QString statement =
            skipEmpty_ && IsBlank(fields) ? QString() : BuildStatement(info, fields, nextKey);
        if (!statement.isEmpty()) {
            pending.push_back({std::move(statement), line});
            if ((pending.size() >= rowsPerStatement || age.elapsed() >= kBatchMillis) && !send()) {
                stopped_ = true;
                break;
            }
        }
        if (progress_ && !progress_(reader.FilePosition(), reader.FileSize())) {
            stopped_ = true;
            break;
        }
    }
    // The rows read before the end or a stop are written too.
    send();
    if (inTransaction)
        inserted += Commit(batch);
    stopped_ = stopped_ || reader.Stopped();

    if (reader.EndedInsideQuotes()) {
        readNote_ = QStringLiteral("第%1行开始的引号字段直到文件结束也没有结束的引号, "
                                   "此后的内容没有作为记录导入。\r\n")
                        .arg(reader.OpenQuoteLine());
    } else if (reader.Stopped() && reader.OpenQuoteLine() > 0) {
        readNote_ = QStringLiteral("导入在读取第%1行开始的引号字段时被中止, "
                                   "这个字段一直没有结束的引号。\r\n")
                        .arg(reader.OpenQuoteLine());
    }
    errorText_ += readNote_;
    return inserted;
}

int TableImporter::MaxKey() {
    if (keyColumn_.compare(QLatin1String("keyid"), Qt::CaseInsensitive) == 0)
        return connection_->GetMaxId(table_);
    DbRecordset rs(*connection_);
    if (!rs.Open(QStringLiteral("select max(%1) as maxid from %2").arg(keyColumn_, table_))) {
        connection_->SetLastError(rs.GetLastError());
        return -1;
    }
    return rs.IsEOF() ? 0 : AtoI(rs.GetString(QStringLiteral("maxid")));
}

std::vector<TableImporter::ColumnInfo> TableImporter::LookUpColumns() const {
    // The mapped columns, then the fixed values' columns.
    std::vector<ColumnInfo> info;
    info.reserve(size_t(columns_.size()) + fixedValues_.size());
    for (const QString& column : columns_) {
        if (fields_)
            info.push_back({fields_->GetType(column), fields_->GetDefault(column)});
        else
            info.push_back({AdoType::VarChar, QString()});
    }
    for (const auto& [column, value] : fixedValues_)
        info.push_back({fields_ ? fields_->GetType(column) : AdoType::VarChar, value});
    return info;
}

QString TableImporter::BuildStatement(const std::vector<ColumnInfo>& info,
                                      const QStringList& fields, int& nextKey) const {
    InsertBuilder builder;
    builder.SetTable(table_);
    for (int i = 0; i < columns_.size(); ++i) {
        const QString& column = columns_[i];
        if (column.isEmpty())
            continue;
        if (column == kKeyColumn) {
            builder.SetLong(keyColumn_, nextKey++);
            continue;
        }
        QString value = i < fields.size() ? fields[i] : QString();
        if (value.isEmpty() && fields_)
            value = info[size_t(i)].defaultText;
        SetTyped(builder, info[size_t(i)].type, column, value);
    }
    for (size_t k = 0; k < fixedValues_.size(); ++k) {
        const ColumnInfo& fixed = info[size_t(columns_.size()) + k];
        SetTyped(builder, fixed.type, fixedValues_[k].first, fixed.defaultText);
    }
    return builder.Build();
}

QString TableImporter::Combine(const Rows& rows) {
    // Every statement is "insert into T(columns) values (...)" with the same
    // columns: the first one's head, then each one's list of values.
    static const QString kValues = QStringLiteral(" values (");
    const QString& first = rows.front().statement;
    const qsizetype head = first.indexOf(kValues);
    qsizetype length = head + 8;
    for (const Row& row : rows)
        length += row.statement.size() - head - 7;
    QString combined;
    combined.reserve(length);
    combined += QStringView(first).left(head + 8);
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i > 0)
            combined += QLatin1Char(',');
        combined += QStringView(rows[i].statement).mid(head + 8);
    }
    return combined;
}

int TableImporter::WriteBatch(const Rows& rows) {
    if (rows.empty())
        return 0;
    DbConnection& db = *connection_;
    if (rows.size() == 1 || !db.Execute(QStringLiteral("begin")))
        return WriteEach(rows);
    for (size_t k = 0; k < rows.size(); ++k) {
        if (db.Execute(rows[k].statement))
            continue;
        ReportFailure(rows[k].statement, db.GetLastError(), rows[k].line);
        db.Execute(QStringLiteral("rollback"));
        return WriteBatch(Rows(rows.begin(), rows.begin() + qsizetype(k))) +
               WriteBatch(Rows(rows.begin() + qsizetype(k) + 1, rows.end()));
    }
    return Commit(rows);
}

int TableImporter::WriteEach(const Rows& rows) {
    DbConnection& db = *connection_;
    int written = 0;
    for (const Row& row : rows) {
        if (db.Execute(row.statement))
            ++written;
        else
            ReportFailure(row.statement, db.GetLastError(), row.line);
    }
    return written;
}

int TableImporter::Commit(const Rows& batch) {
    DbConnection& db = *connection_;
    if (db.Execute(QStringLiteral("commit")))
        return static_cast<int>(batch.size());
    // The transaction could not be committed as a whole: its rows are tried
    // one by one, so that each failure is reported with its own statement.
    const QString error = db.GetLastError();
    db.Execute(QStringLiteral("rollback"));
    ReportFailure(QStringLiteral("commit"), error);
    return WriteEach(batch);
}

void TableImporter::ReportFailure(const QString& statement, const QString& error, int line) {
    errorText_ += statement + QStringLiteral("\r\n") + error;
    if (line > 0)
        failures_.push_back({line, error});
}
