#include "framework/ListDefinition.h"

#include "base/ProgramFolder.h"
#include "db/AdoType.h"
#include "db/DbRecordset.h"
#include "db/SqlLiteral.h"
#include "db/SqlTextCheck.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <cmath>

const QString ListDefinition::kMain = QStringLiteral(".");

namespace {

const QString kName = QStringLiteral("Name");
const QString kCaption = QStringLiteral("Caption");
const QString kValue = QStringLiteral("Value");

// The comparisons a search field may use besides like and startlike.
bool IsSearchType(const QString& type) {
    static const QSet<QString> known = {
        QStringLiteral("like"), QStringLiteral("startlike"), QStringLiteral("="),
        QStringLiteral("<>"),   QStringLiteral("!="),        QStringLiteral("<"),
        QStringLiteral(">"),    QStringLiteral("<="),        QStringLiteral(">=")};
    return type.isEmpty() || known.contains(type.trimmed().toLower());
}

// A picture is named by its file name alone: it is looked for in images/.
bool IsPlainFileName(const QString& name) {
    return !name.contains(u'/') && !name.contains(u'\\') && name != QStringLiteral("..") &&
           name != QStringLiteral(".");
}

} // namespace

bool ListDefinition::Fail(const QString& text) {
    error_ = text;
    return false;
}

QString ListDefinition::FilePath(const QString& name) {
    if (!SqlTextCheck::IsIdentifier(name))
        return QString();
    return ProgramPath(QStringLiteral("res/list_") + name + QStringLiteral(".ini"));
}

int ListDefinition::ActionCommand(const QString& name) {
    static const QList<QPair<QString, int>> commands = {
        {QStringLiteral("AddData"), 6001},   {QStringLiteral("EditData"), 6002},
        {QStringLiteral("DropData"), 6003},  {QStringLiteral("SearchData"), 6004},
        {QStringLiteral("CountData"), 6007}, {QStringLiteral("SumData"), 6008},
        {QStringLiteral("PrevPage"), 6009},  {QStringLiteral("NextPage"), 6010}};
    for (const auto& [action, id] : commands) {
        if (action.compare(name, Qt::CaseInsensitive) == 0)
            return id;
    }
    return 0;
}

int ListDefinition::FieldNumber(const QString& section) {
    return AtoI(section.mid(5));
}

bool ListDefinition::IsQuoted(int dataType) {
    const int type = EffectiveType(dataType);
    // adDate, adDBDate, adDBTime, adDBTimeStamp.
    return AdoType::IsText(type) || type == 7 || type == 133 || type == 134 || type == 135;
}

bool ListDefinition::Literal(int dataType, const QString& text, QString& literal) {
    if (IsQuoted(dataType)) {
        literal = SqlLiteral::Text(text);
        return true;
    }
    const QString number = text.trimmed();
    bool ok = false;
    if (AdoType::IsFloating(EffectiveType(dataType))) {
        const double value = number.toDouble(&ok);
        if (ok && std::isfinite(value))
            literal = QString::number(value, 'g', 17);
        return ok && std::isfinite(value);
    }
    const qlonglong value = number.toLongLong(&ok);
    if (ok)
        literal = QString::number(value);
    return ok;
}

bool ListDefinition::Generate(DbConnection& connection, const QString& table,
                              const QString& caption) {
    if (!SqlTextCheck::IsIdentifier(table))
        return Fail(QStringLiteral("表名无效: ") + table);
    const QString sql = QStringLiteral("select * from ") + table + QStringLiteral(" where 1=0");
    DbRecordset rs(connection);
    if (!rs.Open(sql))
        return Fail(rs.GetLastError() + QStringLiteral("\r\n") + sql);

    doc_.Clear();
    doc_.SetString(kMain, kName, QStringLiteral("List_") + table);
    doc_.SetString(kMain, kCaption, caption);
    doc_.SetString(kMain, QStringLiteral("TableName"), table);
    doc_.SetString(kMain, QStringLiteral("ShowToolBar"), QStringLiteral("1"));
    // Beyond 添加/编辑/删除 the generated toolbar carries every command of
    // the list, so that a table gets its search, count, paging, export and
    // import without anyone editing the file; export and import have no
    // action name of their own and are reached through Id.
    struct Button {
        const char16_t* name;
        const char16_t* caption;
        const char16_t* image;
        int id;
    };
    static const Button buttons[] = {{u"AddData", u"添加", u"add.gif", 0},
                                     {u"EditData", u"编辑", u"edit.gif", 0},
                                     {u"DropData", u"删除", u"delete.gif", 0},
                                     {u"SearchData", u"查询", u"search.gif", 0},
                                     {u"CountData", u"统计", u"count.gif", 0},
                                     {u"ExportData", u"导出", u"export.gif", 6005},
                                     {u"ImportData", u"导入", u"import.gif", 6006},
                                     {u"PrevPage", u"上一页", u"prev.gif", 0},
                                     {u"NextPage", u"下一页", u"next.gif", 0}};
    int n = 0;
    for (const Button& button : buttons) {
        const QString section = QStringLiteral("Action") + QString::number(++n);
        doc_.SetString(section, kName, QString::fromUtf16(button.name));
        doc_.SetString(section, kCaption, QString::fromUtf16(button.caption));
        doc_.SetString(section, QStringLiteral("Image"), QString::fromUtf16(button.image));
        if (button.id > 0)
            doc_.SetInt(section, QStringLiteral("Id"), button.id);
    }
    // Every column is listed and searchable: text by part of its value,
    // numbers by equality.
    for (int i = 0; i < rs.GetFieldCount(); ++i) {
        const QString section = QStringLiteral("Field") + QString::number(i + 1);
        const int type = rs.GetFieldType(i);
        doc_.SetString(section, kName, rs.GetFieldName(i));
        doc_.SetInt(section, QStringLiteral("DataType"), type);
        doc_.SetString(section, QStringLiteral("List"), QStringLiteral("1"));
        doc_.SetString(section, QStringLiteral("Search"), QStringLiteral("1"));
        doc_.SetString(section, QStringLiteral("SearchType"),
                       AdoType::IsText(type) ? QStringLiteral("like") : QStringLiteral("="));
    }
    return true;
}

ListDefinition::LoadResult ListDefinition::Load(const QString& name) {
    const QString path = FilePath(name);
    if (path.isEmpty()) {
        Fail(QStringLiteral("列表名称无效: ") + name);
        return LoadResult::Bad;
    }
    doc_.Clear();
    if (doc_.Load(path))
        return LoadResult::Loaded;
    if (doc_.GetLoadState() == IniFile::LoadState::Missing)
        return LoadResult::Missing;
    Fail(QStringLiteral("无法读取 ") + path + QStringLiteral(": ") + doc_.GetLoadError());
    return LoadResult::Bad;
}

bool ListDefinition::Save() const {
    const QString path = FilePath(TableName());
    if (path.isEmpty())
        return false;
    QDir().mkpath(QFileInfo(path).absolutePath());
    return doc_.Save(path);
}

bool ListDefinition::Check(DbConnection& connection) {
    const QString table = TableName();
    if (table.isEmpty())
        return Fail(QStringLiteral("未定义[.]TableName"));
    if (!SqlTextCheck::IsIdentifier(table))
        return Fail(QStringLiteral("[.]TableName 不是有效的表名: ") + table);
    if (!SqlTextCheck::IsIdentifier(PrimaryKey()))
        return Fail(QStringLiteral("[.]PrimaryKey 不是有效的字段名: ") + PrimaryKey());
    QString why;
    if (!SqlTextCheck::IsOrderClause(OrderBy(), why))
        return Fail(QStringLiteral("[.]OrderBy ") + why + QStringLiteral(": ") + OrderBy());
    if (!Filter().trimmed().isEmpty() && !SqlTextCheck::IsCondition(Filter(), why))
        return Fail(QStringLiteral("[.]Filter ") + why + QStringLiteral(": ") + Filter());

    const QString sql = QStringLiteral("select * from ") + table + QStringLiteral(" where 1=0");
    QSet<QString> columns;
    {
        DbRecordset rs(connection);
        if (!rs.Open(sql))
            return Fail(QStringLiteral("无法读取数据表 ") + table + QStringLiteral("\r\n") +
                        rs.GetLastError());
        for (int i = 0; i < rs.GetFieldCount(); ++i)
            columns.insert(rs.GetFieldName(i).toLower());
    }

    bool listed = false;
    QSet<int> numbers;
    for (const Field& field : Fields()) {
        const QString where = QStringLiteral("[") + field.section + QStringLiteral("]");
        if (!SqlTextCheck::IsIdentifier(field.name) || !columns.contains(field.name.toLower()))
            return Fail(where + QStringLiteral("Name: 数据表 ") + table +
                        QStringLiteral(" 中没有字段 ") + field.name);
        if (numbers.contains(field.number))
            return Fail(where + QStringLiteral(" 的编号与前面的字段重复"));
        numbers.insert(field.number);
        if (!IsSearchType(field.searchType))
            return Fail(where + QStringLiteral("SearchType 无效: ") + field.searchType);
        listed = listed || field.list;
    }
    if (!listed)
        return Fail(QStringLiteral("未定义需要显示的数据项目[Fieldxx]Name"));
    for (const Action& action : Actions()) {
        if (!IsPlainFileName(action.image))
            return Fail(QStringLiteral("[") + action.section +
                        QStringLiteral("]Image 只能是images目录中的文件名: ") + action.image);
    }
    return true;
}

bool ListDefinition::OpenForList(DbConnection& connection, const QString& table,
                                 const QString& caption) {
    notice_.clear();
    const LoadResult loaded = Load(table);
    if (loaded == LoadResult::Loaded) {
        // The file of one table never redirects the list to another.
        if (!TableName().isEmpty() && TableName().compare(table, Qt::CaseInsensitive) != 0)
            Fail(QStringLiteral("[.]TableName 应为 ") + table);
        else if (Check(connection)) {
            // The caption is whoever opens the list's, as for a fresh one.
            doc_.SetString(kMain, kCaption, caption);
            return true;
        }
    }
    if (loaded != LoadResult::Missing)
        notice_ = QStringLiteral("列表定义文件有误, 已按数据表的字段显示:\r\n") + FilePath(table) +
                  QStringLiteral("\r\n") + error_;
    if (!Generate(connection, table, caption))
        return false;
    if (loaded == LoadResult::Missing)
        Save();
    return true;
}

QString ListDefinition::TableName() const {
    return doc_.GetString(kMain, QStringLiteral("TableName")).trimmed();
}

QString ListDefinition::PrimaryKey() const {
    const QString key = doc_.GetString(kMain, QStringLiteral("PrimaryKey")).trimmed();
    return key.isEmpty() ? QStringLiteral("KeyId") : key;
}

QString ListDefinition::Name() const {
    return doc_.GetString(kMain, kName);
}

QString ListDefinition::Caption() const {
    return doc_.GetString(kMain, kCaption);
}

QString ListDefinition::OrderBy() const {
    return doc_.GetString(kMain, QStringLiteral("OrderBy")).trimmed();
}

QString ListDefinition::Filter() const {
    return doc_.GetString(kMain, QStringLiteral("Filter")).trimmed();
}

bool ListDefinition::ShowToolBar() const {
    return doc_.GetInt(kMain, QStringLiteral("ShowToolBar")) == 1;
}

bool ListDefinition::AutoIncrement() const {
    return doc_.GetInt(kMain, QStringLiteral("AutoIncrement")) == 1;
}

QList<ListDefinition::Field> ListDefinition::Fields() const {
    QStringList sections;
    doc_.GetSections(sections);
    QList<Field> fields;
    for (const QString& section : sections) {
        if (!section.contains(QStringLiteral("Field"), Qt::CaseSensitive))
            continue;
        Field field;
        field.section = section;
        field.number = FieldNumber(section);
        field.name = doc_.GetString(section, kName).trimmed();
        field.caption = doc_.GetString(section, kCaption);
        if (field.caption.isEmpty())
            field.caption = field.name;
        field.dataType = EffectiveType(doc_.GetInt(section, QStringLiteral("DataType")));
        field.list = doc_.GetInt(section, QStringLiteral("List")) != 0;
        field.search = doc_.GetInt(section, QStringLiteral("Search")) == 1;
        field.searchType = doc_.GetString(section, QStringLiteral("SearchType")).trimmed();
        field.notNull = doc_.GetInt(section, QStringLiteral("NotNull")) == 1;
        fields.append(field);
    }
    return fields;
}

QList<ListDefinition::Action> ListDefinition::Actions() const {
    QStringList sections;
    doc_.GetSections(sections);
    QList<Action> actions;
    for (const QString& section : sections) {
        if (!section.contains(QStringLiteral("Action"), Qt::CaseSensitive))
            continue;
        Action action;
        action.section = section;
        action.name = doc_.GetString(section, kName).trimmed();
        action.caption = doc_.GetString(section, kCaption);
        action.image = doc_.GetString(section, QStringLiteral("Image")).trimmed();
        if (action.image.isEmpty())
            action.image = QStringLiteral("item.gif");
        const int id = doc_.GetInt(section, QStringLiteral("Id"));
        action.command = id >= 1 ? id : ActionCommand(action.name);
        actions.append(action);
    }
    return actions;
}

std::optional<ListDefinition::Field> ListDefinition::KeyField() const {
    const QString key = PrimaryKey();
    for (const Field& field : Fields()) {
        if (field.name.compare(key, Qt::CaseInsensitive) == 0)
            return field;
    }
    return std::nullopt;
}

QString ListDefinition::Value(const QString& section) const {
    return doc_.GetString(section, kValue);
}

void ListDefinition::SetValue(const QString& section, const QString& value) {
    doc_.SetString(section, kValue, value);
}

void ListDefinition::ClearValues() {
    for (const Field& field : Fields())
        doc_.SetString(field.section, kValue, QString());
}
