#include "FieldSpelling.h"

#include "SqlTokenizer.h"

#include <QHash>

namespace {

// Every column of the delivered tables, as the program writes them.
const QHash<QString, QString>& KnownSpellings() {
    static const QHash<QString, QString> spellings = [] {
        static const char* const names[] = {
            "KeyId",
            "CustomerName",
            "Contact",
            "Handler",
            "Phone",
            "Mobile",
            "Fax",
            "Email",
            "Address",
            "ZIPCode",
            "Province",
            "City",
            "Homepage",
            "FDSource",
            "FDLevel",
            "Comment",
            "IsReseller",
            "IsProvider",
            "Category",
            "CustomerClass",
            "ClassPath",
            "RegTime",
            "LastTime",
            "ParentId",
            "Name",
            "CustomerId",
            "ICQ",
            "NetCodeClass",
            "NetCode",
            "ProductName",
            "SerialCode",
            "Price",
            "Quantity",
            "Carriage",
            "FDTotal",
            "Bank",
            "FDTime",
            "FDId",
            "StockName",
            "StockClass",
            "Title",
            "FDText",
            "PlanTime",
            "UserName",
            "UserPass",
            "Privilege",
            "TableName",
            "FieldName",
            "Caption",
            "DataType",
            "Nullable",
            "DefaultValue",
            "ForeignKey",
            "Description",
            // The office modules' columns.
            "FullName",
            "Department",
            "Position",
            "QQ",
            "JoinDate",
            "Remarks",
            "Dimission",
            "DimissionDate",
            "Code",
            "Size",
            "Unit",
            "Stock",
            "MinStock",
            "ApplianceId",
            "MoveTime",
            "Kind",
            "Person",
            "WageMonth",
            "BasePay",
            "Bonus",
            "Allowance",
            "Deduction",
            "Insurance",
            "Tax",
            "NetPay",
            // The text-message campaigns' columns.
            "Body",
            "Recipients",
            "SendAt",
            "State",
            "Created",
            "Creator",
            "Total",
            "Sent",
            "Failed",
            "Skipped",
            "TaskId",
            "Text",
            "Reply",
            "SentTime",
            // Daily work and mail.
            "Content",
            "Assigner",
            "Assignee",
            "Priority",
            "DueDate",
            "Finished",
            "Author",
            "Written",
            "WorkDate",
            "Anonymous",
            "Replier",
            "ReplyTime",
            "Publisher",
            "Published",
            "ValidFrom",
            "ValidTo",
            "BulletinId",
            "ReadTime",
            "FromDate",
            "ToDate",
            "Reason",
            "Applied",
            "Approver",
            "Answer",
            "AnswerTime",
            "Subject",
            "Attachments",
            "Account",
            "ServerKey",
            "Sender",
            "SenderName",
            "MailDate",
            "Received",
            "FileName",
            "ByteSize",
            "AttachCount",
            "ContactId",
            "Seen",
        };
        QHash<QString, QString> map;
        for (const char* name : names) {
            const QString spelled = QString::fromLatin1(name);
            map.insert(spelled.toLower(), spelled);
        }
        return map;
    }();
    return spellings;
}

} // namespace

QStringList SpellFieldNames(const QStringList& reported, const QString& statement) {
    QHash<QString, QString> written;
    for (const SqlToken& token : SqlTokenizer::Tokenize(statement)) {
        if (token.kind == SqlToken::Kind::Word || token.kind == SqlToken::Kind::Identifier) {
            const QString name = SqlTokenizer::NameOf(statement, token);
            written.insert(name.toLower(), name); // the last spelling: aliases come late
        }
    }
    QStringList spelled;
    spelled.reserve(reported.size());
    for (const QString& name : reported) {
        const QString lower = name.toLower();
        if (name != lower) {
            spelled << name; // quoted in the schema: already as meant
            continue;
        }
        auto it = written.constFind(lower);
        if (it != written.constEnd()) {
            spelled << *it;
            continue;
        }
        spelled << KnownSpellings().value(lower, name);
    }
    return spelled;
}
