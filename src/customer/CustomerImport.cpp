#include "customer/CustomerImport.h"

#include "db/CustomFields.h"
#include "ui/Prompt.h"

#include <QDateTime>

bool CustomerImportTargets(DbConnection& connection, FieldInfoList& targets, QString& error) {
    static const char16_t* const kFixed[][2] = {{u"CustomerName", u"客户名称"},
                                                {u"Contact", u"联系人"},
                                                {u"Mobile", u"手机号码"},
                                                {u"Phone", u"电话"},
                                                {u"Fax", u"传真"},
                                                {u"Address", u"通讯地址"},
                                                {u"ZIPCode", u"邮政编码"},
                                                {u"Province", u"省份"},
                                                {u"City", u"城市"},
                                                {u"Homepage", u"网站主页"},
                                                {u"Email", u"电子邮件"},
                                                {u"Handler", u"经理人"},
                                                {u"FDSource", u"客户来源"},
                                                {u"FDLevel", u"等级"},
                                                {u"Comment", u"备注"}};
    targets.Clear();
    for (const auto& field : kFixed)
        targets.Add(QString::fromUtf16(field[0]), QString::fromUtf16(field[1]));
    QList<CustomField> custom;
    if (!LoadCustomFields(connection, QStringLiteral("CustomerData"), custom, error))
        return false;
    for (const CustomField& field : custom)
        targets.Add(field.fieldName, field.caption.isEmpty() ? field.fieldName : field.caption,
                    QString(), field.dataType);
    return true;
}

CsvImportResult ImportCustomers(Prompt& prompt, DbConnection& connection, QWidget* parent) {
    CsvImportArgs args;
    QString error;
    if (!CustomerImportTargets(connection, args.targets, error)) {
        prompt.Message(error);
        return {};
    }
    args.connection = &connection;
    args.table = QStringLiteral("CustomerData");
    args.keyColumn = QStringLiteral("KeyId");
    const QString now =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    args.fixedValues = {{QStringLiteral("RegTime"), now}, {QStringLiteral("LastTime"), now}};
    args.onFailure = CsvImportArgs::OnFailure::Collect;
    args.parent = parent;
    return ImportCsvFile(prompt, args);
}
