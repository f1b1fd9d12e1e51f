#pragma once

#include <QString>

#include <memory>

class DbConnection;

// A cursor over the result of one SELECT, made on the stack by the code that
// reads, bound to the shared connection.
//
// Reading: Open, then while !IsEOF() read fields and MoveNext(). Field names are
// matched without regard to case. A null value reads as a null QString (callers
// see the empty text), 0 or 0.0.
//
// Writing: on a recordset opened on "select ... from <Table> ...", AddNew() starts
// a new row, SetString/SetLong/SetDouble fill it and Update() inserts it; after
// Update the row's fields read back what was stored, including a key the
// database assigned. Field writes on a current row followed by Update() update
// that row through its KeyId.
//
// Failures return 0 (or a null text) and keep the reason in GetLastError().
class DbRecordset final {
public:
    explicit DbRecordset(DbConnection& connection);
    ~DbRecordset();
    DbRecordset(const DbRecordset&) = delete;
    DbRecordset& operator=(const DbRecordset&) = delete;

    int Open(const QString& sql);
    int Close();

    // True at the end, when nothing is open, or when the test fails.
    bool IsEOF();
    // True only when the result holds no row at all.
    bool IsEmpty();
    void MoveNext();

    int AddNew();
    int Update();

    int GetFieldCount() const;
    QString GetFieldName(int index) const;
    // ADO type code: 200 text, 3 integer, 5 double (see AdoType.h).
    int GetFieldType(int index) const;

    QString GetString(const QString& field);
    QString GetString(int index);
    qint32 GetLong(const QString& field);
    double GetDouble(const QString& field);

    int SetString(const QString& field, const QString& value);
    int SetLong(const QString& field, qint32 value);
    int SetDouble(const QString& field, double value);
    int SetNull(const QString& field);

    QString GetLastError() const;

private:
    friend class DbConnection;
    // Reads the rest of a streamed result into memory (see DbConnection::Database).
    void TakeRemainingRows();
    // The connection closes: so does this recordset.
    void ConnectionClosing();

    struct Impl;
    std::unique_ptr<Impl> d;
};
