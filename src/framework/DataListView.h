#pragma once

#include "framework/ListDefinition.h"
#include "framework/RecordListView.h"

// The configurable list: one table shown, searched, counted, edited, added
// to, deleted from, exported and imported, all driven by its list definition
// (res/list_<table>.ini or one generated from the table's columns). The
// toolbar holds the definition's actions with their pictures from images/;
// the grid lists the fields marked List, 200 rows a page.
class CDataListView_ final : public CRecordListView {
    Q_OBJECT

public:
    // The list of `table` as the frame opens it; null after showing why when
    // no definition can be made (a table that cannot be read). A bad
    // definition file is named with its fault and the list shows the table's
    // own columns.
    static CDataListView_* Open(DbConnection& connection, Prompt& prompt, const QString& table,
                                const QString& caption, QWidget* parent = nullptr);

    // A list over a checked definition.
    CDataListView_(DbConnection& connection, Prompt& prompt, const ListDefinition& definition,
                   QWidget* parent = nullptr);

    Q_INVOKABLE bool OnCommand(int id) override;

    const ListDefinition& Definition() const { return definition_; }
    // False when the definition lists no column: the view stays empty.
    bool IsUsable() const { return usable_; }

    // The conditions of a search by the search fields' texts (field name ->
    // text); false, after naming the field, for a number box that holds no
    // number. What 查询 runs after its dialog.
    bool Search(const QMap<QString, QString>& texts);
    // The number of rows under the current conditions (-1 after a failure,
    // which is shown).
    int Count();

    // The condition one search field adds for `text`, or an empty text for
    // an empty box; false for a numeric field whose text is no number.
    static bool SearchCondition(const ListDefinition::Field& field, const QString& text,
                                QString& condition);

protected:
    bool RunForm(IniFile& bag) override;
    bool RowKeyCondition(int row, QString& condition, QString& error) const override;

private:
    void BuildToolbar();
    void RunSearchDialog();
    void EditRow();
    void Export();
    void Import();
    // The grid column of the key field, or -1 when the key is not listed.
    int KeyColumn() const;

    ListDefinition definition_;
    bool usable_ = false;
};
