#include "db/TableImporter.h"

#include "base/CNumber.h"
#include "base/CsvRecordParser.h"
#include "base/IniFile.h"
#include "db/AdoType.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/FieldInfoList.h"
#include "db/InsertBuilder.h"

#include <QElapsedTimer>

namespace {

const QString kKeyColumn = QStringLiteral("#");

} // namespace

int TableImporter::Import(const QString& path, const QString& table) {
    table_ = table;
    columns_.clear();
    errorText_.clear();
    fileError_.clear();
    if (!ReadTableColumns())
        return 0;
    return Run(path);
}

int TableImporter::Import(const QString& path, const QString& table, const QStringList& columns) {
    table_ = table;
    columns_ = columns;
    errorText_.clear();
    fileError_.clear();
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
        const int largest = connection_->GetMaxId(table_);
        if (largest < 0) {
            ReportFailure(QStringLiteral("select max(keyid) from ") + table_,
                          connection_->GetLastError());
            return 0;
        }
        nextKey = largest + 1;
    }

    QString text;
    if (!CsvRecordParser::LoadFile(path, text, fileError_)) {
        errorText_ = QStringLiteral("打开源文件失败!");
        return 0;
    }
    CsvRecordParser parser(text);
    text.clear();
    // A quoted field left open grows over many lines inside one ReadRecord;
    // the parser reports from there, so progress and the stop still work.
    if (progress_)
        parser.SetProgress(
            [this](qsizetype done, qsizetype total) { return progress_(done, total); });
    QStringList fields;
    parser.ReadRecord(fields); // the header line names the source columns

    const std::vector<ColumnInfo> info = LookUpColumns();
    DbConnection& db = *connection_;
    int inserted = 0;
    QStringList batch; // written in the open transaction, not yet committed
    bool inTransaction = false;
    bool canBatch = batchRows_ > 1;
    QElapsedTimer age;
    while (parser.ReadRecord(fields) > 0) {
        const QString statement = BuildStatement(info, fields, nextKey);
        if (!statement.isEmpty()) {
            if (!inTransaction && canBatch) {
                // Without transactions every row is written on its own.
                canBatch = inTransaction = db.Execute(QStringLiteral("begin")) == 1;
                age.start();
            }
            if (db.Execute(statement)) {
                if (inTransaction)
                    batch.append(statement);
                else
                    ++inserted;
            } else {
                ReportFailure(statement, db.GetLastError());
                if (inTransaction) {
                    // PostgreSQL spoils the whole transaction with the failed
                    // statement, so it is rolled back on every engine and the
                    // rows before the failing one are written again.
                    db.Execute(QStringLiteral("rollback"));
                    inTransaction = false;
                    inserted += WriteBatch(batch);
                    batch.clear();
                }
            }
            if (inTransaction && (batch.size() >= batchRows_ || age.elapsed() >= kBatchMillis)) {
                inserted += Commit(batch);
                batch.clear();
                inTransaction = false;
            }
        }
        if (progress_ && !progress_(parser.Position(), parser.Length()))
            break;
    }
    if (inTransaction)
        inserted += Commit(batch);

    if (parser.EndedInsideQuotes()) {
        errorText_ += QStringLiteral("第%1行开始的引号字段直到文件结束也没有结束的引号, "
                                     "此后的内容没有作为记录导入。\r\n")
                          .arg(parser.OpenQuoteLine());
    } else if (parser.Stopped() && parser.OpenQuoteLine() > 0) {
        errorText_ += QStringLiteral("导入在读取第%1行开始的引号字段时被中止, "
                                     "这个字段一直没有结束的引号。\r\n")
                          .arg(parser.OpenQuoteLine());
    }
    return inserted;
}

std::vector<TableImporter::ColumnInfo> TableImporter::LookUpColumns() const {
    std::vector<ColumnInfo> info;
    info.reserve(size_t(columns_.size()));
    for (const QString& column : columns_) {
        if (fields_)
            info.push_back({fields_->GetType(column), fields_->GetDefault(column)});
        else
            info.push_back({AdoType::VarChar, QString()});
    }
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
            builder.SetLong(QStringLiteral("Keyid"), nextKey++);
            continue;
        }
        QString value = i < fields.size() ? fields[i] : QString();
        if (value.isEmpty() && fields_)
            value = info[size_t(i)].defaultText;
        const int type = info[size_t(i)].type;
        if (AdoType::IsText(type))
            builder.SetText(column, value);
        else if (AdoType::IsFloating(type))
            builder.SetDouble(column, AtoF(value));
        else
            builder.SetLong(column, AtoI(value));
    }
    return builder.Build();
}

int TableImporter::WriteBatch(const QStringList& statements) {
    if (statements.isEmpty())
        return 0;
    DbConnection& db = *connection_;
    if (statements.size() == 1 || !db.Execute(QStringLiteral("begin")))
        return WriteEach(statements);
    for (int k = 0; k < statements.size(); ++k) {
        if (db.Execute(statements[k]))
            continue;
        ReportFailure(statements[k], db.GetLastError());
        db.Execute(QStringLiteral("rollback"));
        return WriteBatch(statements.mid(0, k)) + WriteBatch(statements.mid(k + 1));
    }
    return Commit(statements);
}

int TableImporter::WriteEach(const QStringList& statements) {
    DbConnection& db = *connection_;
    int written = 0;
    for (const QString& statement : statements) {
        if (db.Execute(statement))
            ++written;
        else
            ReportFailure(statement, db.GetLastError());
    }
    return written;
}

int TableImporter::Commit(const QStringList& batch) {
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

void TableImporter::ReportFailure(const QString& statement, const QString& error) {
    errorText_ += statement + QStringLiteral("\r\n") + error;
}
