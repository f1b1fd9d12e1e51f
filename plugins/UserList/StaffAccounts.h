#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class DbConnection;

// The rules every view of the staff module keeps about UserData rows: one
// login name per person (compared as the database compares names, case
// ignored), passwords stored only as hashes, the account named "admin" never
// removed, renamed or sent away (it is the one administrator the program
// knows), and the moves between working staff and leavers done in one
// transaction. Failures return false with LastError() naming the statement
// and the database's text, or the rule that refused.
class StaffAccounts final {
public:
    explicit StaffAccounts(DbConnection& connection) : connection_(connection) {}

    // The administrator's account: the exact, case-sensitive name "admin".
    static bool IsAdminName(const QString& name);

    // Whether a row other than `exceptKey` already has the login `name`.
    bool NameTaken(const QString& name, int exceptKey, bool& taken);
    // The key of the working account `name` (0 when there is none).
    bool KeyOfUser(const QString& name, int& key);

    // Stores a new salted hash of `password` on row `key`.
    bool SetPassword(int key, const QString& password);
    // Whether `password` is the one row `key` holds.
    bool CheckPassword(int key, const QString& password, bool& matches);

    // Moves the rows to the leavers (dated `date`, yyyy-MM-dd) or takes them
    // back, all or none. Refused for the admin account.
    bool SetLeft(const QList<int>& keys, bool left, const QString& date);

    // Hands every customer of `from` to the working user `to` in one
    // transaction; `moved` tells how many. Orders, plans and records keep
    // their Handler: they say who did the work.
    bool HandOverCustomers(const QString& from, const QString& to, int& moved);

    // The login names of the working staff, sorted.
    bool WorkingUsers(QStringList& names);

    const QString& LastError() const { return error_; }

private:
    bool Fail(const QString& text);
    bool QueryFailed(const QString& sql, const QString& why);

    DbConnection& connection_;
    QString error_;
};
