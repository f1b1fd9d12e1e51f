#include "ProductList.h"

#include "framework/DataListView.h"
#include "framework/ListDefinition.h"

#include <QFile>

namespace {

const QString kTable = QStringLiteral("ProductData");
const QString kCaption = QStringLiteral("产品管理");

// The list file for a first opening: the table's own columns with captions,
// sorted by name (then key, so pages never overlap).
void WriteDefaultDefinition(DbConnection& connection) {
    ListDefinition definition;
    if (!definition.Generate(connection, kTable, kCaption))
        return; // the list shows why when it opens
    static const QList<QPair<QString, QString>> captions = {
        {QStringLiteral("KeyId"), QStringLiteral("编号")},
        {QStringLiteral("Name"), QStringLiteral("产品名称")},
        {QStringLiteral("Code"), QStringLiteral("产品编码")},
        {QStringLiteral("Size"), QStringLiteral("规格")},
        {QStringLiteral("Unit"), QStringLiteral("单位")},
        {QStringLiteral("Price"), QStringLiteral("单价")},
        {QStringLiteral("Remarks"), QStringLiteral("备注")}};
    IniFile& document = definition.Document();
    for (const ListDefinition::Field& field : definition.Fields()) {
        for (const auto& [column, caption] : captions) {
            if (field.name.compare(column, Qt::CaseInsensitive) == 0)
                document.SetString(field.section, QStringLiteral("Caption"), caption);
        }
        if (field.name.compare(QStringLiteral("Name"), Qt::CaseInsensitive) == 0)
            document.SetString(field.section, QStringLiteral("NotNull"), QStringLiteral("1"));
    }
    document.SetString(ListDefinition::kMain, QStringLiteral("OrderBy"),
                       QStringLiteral("order by Name, KeyId"));
    definition.Save();
}

} // namespace

CDataListView_* OpenProductList(DbConnection& connection, Prompt& prompt, QWidget* parent) {
    if (!QFile::exists(ListDefinition::FilePath(kTable)))
        WriteDefaultDefinition(connection);
    return CDataListView_::Open(connection, prompt, kTable, kCaption, parent);
}
