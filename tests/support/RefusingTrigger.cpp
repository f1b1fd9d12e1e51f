#include "RefusingTrigger.h"

#include "db/DbConnection.h"

#include <atomic>

bool AddRefusingTrigger(DbConnection& connection, const QString& table, const QString& event,
                        const QString& condition) {
    static std::atomic<int> counter{0};
    const QString name = QStringLiteral("torvel_refuse_%1").arg(++counter);
    if (connection.GetEngine() == DbConnection::Engine::PostgreSQL) {
        return connection.Execute(
                   QStringLiteral("create or replace function %1() returns trigger language "
                                  "plpgsql as 'begin raise exception ''refused''; end'")
                       .arg(name)) == 1 &&
               connection.Execute(QStringLiteral("create trigger %1 before %2 on %3 for each row "
                                                 "when (%4) execute function %1()")
                                      .arg(name, event, table, condition)) == 1;
    }
    return connection.Execute(QStringLiteral("create trigger %1 before %2 on %3 when %4 begin "
                                             "select raise(abort, 'refused'); end")
                                  .arg(name, event, table, condition)) == 1;
}
