#pragma once

#include "base/IniFile.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class DbConnection;

// What a configurable list knows about its table, kept as a settings
// document: the main section "." (Name, Caption, TableName, PrimaryKey,
// ShowToolBar, AutoIncrement, OrderBy, Filter), one section per column (its
// name holds "Field"; the number after "Field" gives the form's box its
// identifier 6001 + N) and one per toolbar button (its name holds "Action").
// The search dialog and the record form work on copies and hand entered
// texts back in each field's `Value` key.
//
// Everything read from a file is checked before it reaches a statement:
// names are identifiers and must be columns of the table, OrderBy is only an
// order clause, Filter is one condition, and the list's name is an
// identifier, so its file stays inside res/.
class ListDefinition final {
public:
    static const QString kMain; // "."

    struct Field {
        QString section;
        int number = 0; // from the section name's sixth character on
        QString name;
        QString caption; // Caption, or the name
        int dataType = 200;
        bool list = false;
        bool search = false;
        QString searchType;
        bool notNull = false;
    };
    struct Action {
        QString section;
        QString name;
        QString caption;
        QString image; // a file name in images/
        int command = 0;
    };

    ListDefinition() = default;
    explicit ListDefinition(const IniFile& document) : doc_(document) {}

    // A fresh definition of every column of `table`: the main section, the
    // 添加/编辑/删除 buttons and one listed field per column. False, with
    // LastError(), when the name is no identifier or the table cannot be read.
    bool Generate(DbConnection& connection, const QString& table, const QString& caption);

    enum class LoadResult { Loaded, Missing, Bad };
    // Reads res/list_<name>.ini. Bad (with LastError()) for a name that is no
    // identifier or a file that exists but is no readable text.
    LoadResult Load(const QString& name);
    // Writes res/list_<TableName>.ini (the folder made when missing).
    bool Save() const;

    // The checks above against the table's columns; false with LastError()
    // naming the section and key at fault.
    bool Check(DbConnection& connection);

    // The definition a list opens with: res/list_<table>.ini when it exists
    // and passes the checks, else one generated from the table (saved only
    // when no file was there: a bad file is the user's to mend and is kept).
    // Notice() then says what was wrong with the file. False, with
    // LastError(), when no definition could be made.
    bool OpenForList(DbConnection& connection, const QString& table, const QString& caption);
    const QString& Notice() const { return notice_; }

    // res/list_<name>.ini under the program folder; empty for a name that is
    // no identifier.
    static QString FilePath(const QString& name);
    // The identifier a toolbar action's name stands for (AddData 6001 ...
    // NextPage 6010), 0 for others.
    static int ActionCommand(const QString& name);
    // The number of a field section: atoi from its sixth character on.
    static int FieldNumber(const QString& section);
    // The type a DataType stands for: 0 or less counts as 200 (text).
    static int EffectiveType(int dataType) { return dataType > 0 ? dataType : 200; }

    // Columns whose values are written as quoted text: the text types, and
    // dates and times, which no engine takes as a bare number.
    static bool IsQuoted(int dataType);
    // `text` as an SQL literal of the field's type: quoted text, or a number
    // parsed as one number (a whole number for integer types). False for
    // text that is no such number.
    static bool Literal(int dataType, const QString& text, QString& literal);

    QString TableName() const;
    QString PrimaryKey() const; // "KeyId" when missing
    QString Name() const;
    QString Caption() const;
    QString OrderBy() const;
    QString Filter() const;
    bool ShowToolBar() const;
    bool AutoIncrement() const;

    QList<Field> Fields() const;
    QList<Action> Actions() const;
    // The field whose name is the primary key (case ignored), if any.
    std::optional<Field> KeyField() const;

    QString Value(const QString& section) const;
    void SetValue(const QString& section, const QString& value);
    void ClearValues();

    IniFile& Document() { return doc_; }
    const IniFile& Document() const { return doc_; }
    const QString& LastError() const { return error_; }

private:
    bool Fail(const QString& text);

    IniFile doc_;
    QString error_;
    QString notice_;
};
