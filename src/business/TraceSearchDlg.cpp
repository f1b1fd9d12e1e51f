#include "business/TraceSearchDlg.h"

#include "base/ProgramFolder.h"
#include "db/SqlConditions.h"
#include "db/SqlLiteral.h"

namespace {

const QString kFile = QStringLiteral("data/trace_search.ini");

} // namespace

std::array<QString*, 6> TraceCriteria::Fields() {
    return {&keyId, &customerName, &contact, &handler, &title, &time};
}

std::array<const QString*, 6> TraceCriteria::Fields() const {
    return {&keyId, &customerName, &contact, &handler, &title, &time};
}

qint32 TraceCriteria::KeyNumber(const QString& text) {
    int i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    qint64 value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > 2147483648LL) {
            value = 2147483648LL;
            break;
        }
    }
    if (negative)
        value = -value;
    return qint32(qBound<qint64>(-2147483647LL - 1, value, 2147483647LL));
}

QStringList TraceCriteria::Conditions(const QString& timeColumn) const {
    QStringList conditions;
    if (!keyId.isEmpty())
        conditions << QStringLiteral("(KeyId=") + SqlLiteral::Long(KeyNumber(keyId)) +
                          QStringLiteral(")");
    if (!time.isEmpty())
        conditions << SqlConditions::StartsWith(timeColumn, time);
    if (!handler.isEmpty())
        conditions << QStringLiteral("(Handler = ") + SqlLiteral::Text(handler) +
                          QStringLiteral(")");
    if (!customerName.isEmpty())
        conditions << SqlConditions::Contains(QStringLiteral("CustomerName"), customerName);
    if (!contact.isEmpty())
        conditions << SqlConditions::Contains(QStringLiteral("Contact"), contact);
    if (!title.isEmpty())
        conditions << SqlConditions::Contains(QStringLiteral("Title"), title);
    return conditions;
}

// Contact has always been written as CONTACT; keys compare without case.
CTraceSearchDlg::CTraceSearchDlg(QWidget* parent)
    : CCriteriaDlg(QStringLiteral("查找沟通记录"), kFile,
                   {{QStringLiteral("KeyId"), QStringLiteral("编号")},
                    {QStringLiteral("CustomerName"), QStringLiteral("客户名称")},
                    {QStringLiteral("CONTACT"), QStringLiteral("联系人")},
                    {QStringLiteral("Handler"), QStringLiteral("经理人")},
                    {QStringLiteral("Title"), QStringLiteral("标题")},
                    {QStringLiteral("FDTime"), QStringLiteral("时间"),
                     QStringLiteral("年-月，如 2024-03"), ThisMonth()}},
                   parent) {
    setObjectName(QStringLiteral("CTraceSearchDlg"));
}

QString CTraceSearchDlg::CriteriaFilePath() {
    return ProgramPath(kFile);
}

TraceCriteria CTraceSearchDlg::Criteria() const {
    TraceCriteria criteria;
    SetCriteriaTexts(criteria.Fields(), Values());
    return criteria;
}

void CTraceSearchDlg::SetCriteria(const TraceCriteria& criteria) {
    SetValues(CriteriaTexts(criteria.Fields()));
}

bool AskTraceCriteria(Prompt& prompt, QWidget* parent, TraceCriteria& criteria) {
    return AskCriteria<CTraceSearchDlg>(prompt, parent, criteria);
}
