#include "RecipientFilter.h"

#include "db/SqlLiteral.h"

using SqlLiteral::Text;

QStringList RecipientFilter::Conditions() const {
    QStringList conditions{QStringLiteral("(d.IsProvider < 1)")};
    if (!classPath.isEmpty())
        conditions
            << QStringLiteral("(d.ClassPath like %1)").arg(Text(classPath + QLatin1Char('%')));
    if (!name.isEmpty())
        conditions << QStringLiteral("(d.CustomerName like %1)")
                          .arg(Text(QLatin1Char('%') + name + QLatin1Char('%')));
    if (!province.isEmpty())
        conditions << QStringLiteral("(d.Province=%1)").arg(Text(province));
    if (!city.isEmpty())
        conditions << QStringLiteral("(d.City=%1)").arg(Text(city));
    if (!handler.isEmpty())
        conditions << QStringLiteral("(d.Handler=%1)").arg(Text(handler));
    if (!restrictToHandler.isEmpty())
        conditions << QStringLiteral("(d.Handler=%1)").arg(Text(restrictToHandler));
    return conditions;
}

QString RecipientFilter::Describe() const {
    QStringList parts;
    if (customers && contacts)
        parts << QStringLiteral("客户和联系人");
    else
        parts << (contacts ? QStringLiteral("联系人") : QStringLiteral("客户"));
    if (!classPath.isEmpty())
        parts << QStringLiteral("分类: ") + classPath;
    if (!name.isEmpty())
        parts << QStringLiteral("名称含: ") + name;
    if (!province.isEmpty())
        parts << QStringLiteral("省份: ") + province;
    if (!city.isEmpty())
        parts << QStringLiteral("城市: ") + city;
    if (!handler.isEmpty())
        parts << QStringLiteral("经理人: ") + handler;
    return parts.join(QStringLiteral("; "));
}

QMap<QString, QString> RecipientFilter::TemplateColumns(const Source& source) {
    return {{QStringLiteral("客户名称"), QStringLiteral("d.CustomerName")},
            {QStringLiteral("联系人"), source.name},
            {QStringLiteral("手机"), source.person + QStringLiteral(".Mobile")},
            {QStringLiteral("邮箱"), source.person + QStringLiteral(".Email")},
            {QStringLiteral("经理人"), QStringLiteral("d.Handler")},
            {QStringLiteral("城市"), QStringLiteral("d.City")},
            {QStringLiteral("省份"), QStringLiteral("d.Province")}};
}

QString RecipientFilter::DistinctRowsSql(const std::function<QString(const Source&)>& columns,
                                         const QString& key) const {
    const QString where = QStringLiteral(" where ") + Conditions().join(QStringLiteral(" and "));
    QStringList parts;
    if (customers) {
        const Source customer{QStringLiteral("d"), QStringLiteral("d.Contact")};
        parts << QStringLiteral("select %1, d.KeyId as cid, d.Contact as nm, 0 as o "
                                "from CustomerData d")
                         .arg(columns(customer)) +
                     where;
    }
    if (contacts) {
        const Source contact{QStringLiteral("c"), QStringLiteral("c.Name")};
        parts << QStringLiteral("select %1, d.KeyId as cid, c.Name as nm, c.KeyId as o "
                                "from ContactData c join CustomerData d on d.KeyId=c.CustomerId")
                         .arg(columns(contact)) +
                     where;
    }
    if (parts.isEmpty())
        return QString();
    return QStringLiteral("select * from (select s.*, row_number() over (partition by %1 "
                          "order by cid, o) as rn from (%2) s where %1<>'') r where rn=1")
        .arg(key, parts.join(QStringLiteral(" union all ")));
}
