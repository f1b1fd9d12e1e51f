#include "business/OrderNotice.h"

#include "base/ProgramFolder.h"
#include "db/DbRecordset.h"
#include "db/SqlLiteral.h"
#include "framework/BackgroundWork.h"
#include "ui/Prompt.h"

namespace {

// Opens `sql`; false after showing the statement and the database's text.
bool OpenShown(DbRecordset& rs, Prompt& prompt, const QString& sql) {
    if (rs.Open(sql))
        return true;
    prompt.Message(sql + QStringLiteral("\r\n") + rs.GetLastError());
    return false;
}

// The order's values and its customer's addresses; false after telling why.
bool ReadOrder(Prompt& prompt, DbConnection& connection, int orderKey, NoticeOrder& order) {
    int customerKey = 0;
    {
        DbRecordset rs(connection);
        if (!OpenShown(rs, prompt,
                       QStringLiteral("select * from OrderData where KeyId=") +
                           SqlLiteral::Long(orderKey)))
            return false;
        if (rs.IsEOF()) {
            prompt.Message(QStringLiteral("订单不存在!"));
            return false;
        }
        customerKey = rs.GetLong(QStringLiteral("CustomerId"));
        order.serialCode = rs.GetString(QStringLiteral("SerialCode"));
        order.productName = rs.GetString(QStringLiteral("ProductName"));
        order.customerName = rs.GetString(QStringLiteral("CustomerName"));
        order.quantity = rs.GetString(QStringLiteral("Quantity"));
    }
    DbRecordset rs(connection);
    if (!OpenShown(rs, prompt,
                   QStringLiteral("select * from CustomerData where KeyId=") +
                       SqlLiteral::Long(customerKey)))
        return false;
    if (rs.IsEOF()) {
        prompt.Message(QStringLiteral("客户信息不存在!"));
        return false;
    }
    order.email = rs.GetString(QStringLiteral("Email"));
    return true;
}

} // namespace

void SendOrderNotice(Prompt& prompt, DbConnection& connection, MailNotice::Kind kind,
                     int orderKey) {
    NoticeOrder order;
    if (!ReadOrder(prompt, connection, orderKey, order))
        return;
    MailNotice notice(kind, ProgramFolder());
    // The checks that need no server answer at once, without a progress window.
    MailMessage message;
    QString shown;
    if (!notice.Compose(order, message, shown)) {
        prompt.Message(shown);
        return;
    }
    bool sent = false;
    const bool finished = BackgroundWork::Run(
        prompt, QStringLiteral("正在发送邮件..."), [&] { sent = notice.Send(order, shown); },
        [&] { notice.Connection().Socket().Abort(); });
    if (!finished && !sent)
        shown = QStringLiteral("邮件发送已停止");
    prompt.Message(shown);
}
