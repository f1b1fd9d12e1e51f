// User-defined order columns from the order list's 自定义 to the order form
// and back into the list.
#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "base/IniFile.h"
#include "business/OrderCustomFieldBoxes.h"
#include "business/OrderDlg.h"
#include "business/OrderListView.h"
#include "db/CustomFieldChange.h"
#include "db/DbConnection.h"
#include "framework/CustomizeDefineDlg.h"
#include "ui/GridCtrl.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_CustomFields : public QObject {
    Q_OBJECT

private slots:
    void defineFillAndList_data() { TestDatabase::AddEngineRows(); }
    void defineFillAndList();
    void longRemovalStepsAndStops();
    void cleanup() {
        SetOrderCustomFields(nullptr);
        SetOrderListExtraColumns(nullptr);
    }
};

namespace {

using Dlg = CCustomizeDefineDlg;

QString Value(DbConnection& db, const QString& sql) {
    QString out;
    if (db.JoinColumnValues(sql, out) < 0)
        return u"<failed: "_s + db.GetLastError() + u'>';
    return out;
}

// Queues the 添加 form's answer: the column's name (empty: the proposed one)
// and caption.
void QueueAdd(ScriptedPrompt& prompt, const QString& name, const QString& caption) {
    prompt.QueueModal([name, caption](QDialog& dialog) {
        if (!name.isEmpty())
            dialog.findChild<QLineEdit*>(u"FieldName"_s)->setText(name);
        dialog.findChild<QLineEdit*>(u"Caption"_s)->setText(caption);
        return int(QDialog::Accepted);
    });
}

QStringList Headings(const CGridCtrl& grid) {
    QStringList texts;
    for (int col = 0; col < grid.GetColumnCount(); ++col)
        texts << grid.GetItemText(0, col);
    return texts;
}

} // namespace

void tst_CustomFields::defineFillAndList() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(database.RunScript(
        u"insert into CustomerData (KeyId,CustomerName,Handler) values (40,'老客户','zhang')"_s));
    ScriptedPrompt prompt;
    {
        COrderListView list(db, prompt, {u"admin"_s, true});
        prompt.QueueModal([&](QDialog& dialog) {
            auto& define = static_cast<Dlg&>(dialog);
            CGridCtrl& grid = *define.Grid();
            QueueAdd(prompt, QString(), u"颜色"_s);
            define.OnAdd();
            QueueAdd(prompt, u"select"_s, u"x"_s);
            define.OnAdd();
            QueueAdd(prompt, QString(), u"件数"_s);
            define.OnAdd();
            if (grid.GetRowCount() != 3)
                return int(QDialog::Rejected);
            // Choices for 颜色, 件数 becomes an integer, and is required.
            grid.SetItemText(1, Dlg::ChoicesCol, u"红色;蓝色"_s);
            define.StoreCell(1, Dlg::ChoicesCol);
            grid.SetItemText(2, Dlg::TypeCol, u"整数"_s);
            define.StoreCell(2, Dlg::TypeCol);
            define.ToggleNullable(2);
            return int(QDialog::Rejected);
        });
        QVERIFY(list.OnCommand(COrderListView::kCustomColumns));
        QCOMPARE(prompt.Messages(),
                 QStringList({u"字段名(英) \"select\" 是数据库的保留字, 请换一个名字"_s}));
        QCOMPARE(list.LastNote(), u"自定义字段已修改, 重新打开订单管理即可看到新的列"_s);
        QCOMPARE(prompt.waitDepth, 0);
        QCOMPARE(prompt.progressDepth, 0);
    }
    QCOMPARE(Value(db, u"select FieldName || ':' || Caption || ':' || DataType || ':' || "
                       "Nullable || ':' || ForeignKey from CustomizeField order by KeyId"_s),
             u"d1:颜色:200:1:红色;蓝色;d2:件数:3:0:"_s);

    // The order form offers the choices and checks the number.
    InstallOrderCustomFields();
    prompt.Reset();
    IniFile bag;
    {
        COrderDlg form(prompt, db, {40}, bag);
        auto* colour = form.findChild<QComboBox*>(u"d1"_s);
        auto* count = form.findChild<QLineEdit*>(u"d2"_s);
        QVERIFY(colour && count);
        QCOMPARE(colour->count(), 2);
        form.Field(u"Price"_s)->setText(u"1"_s);
        colour->setCurrentIndex(1);
        QVERIFY(!form.OnOK());
        QCOMPARE(prompt.LastMessage(), u"件数不能为空"_s);
        count->setText(u"五"_s);
        QVERIFY(!form.OnOK());
        QCOMPARE(prompt.LastMessage(), u"件数必须是整数"_s);
        count->setText(u" 5 "_s);
        QVERIFY(form.OnOK());
    }
    QCOMPARE(Value(db, u"select d1 || ':' || d2 from OrderData"_s), u"蓝色:5"_s);
    {
        COrderDlg form(prompt, db, {}, bag); // the bag holds the saved KeyId
        QCOMPARE(form.findChild<QComboBox*>(u"d1"_s)->currentText(), u"蓝色"_s);
        QCOMPARE(form.findChild<QLineEdit*>(u"d2"_s)->text(), u"5"_s);
        QVERIFY(!form.findChild<QLabel*>(u"customFieldError"_s));
    }
    // Once optional, an emptied number is cleared, not kept or made 0; a
    // choice query that fails is said on the form and keeps the stored choice.
    QVERIFY(database.RunScript(u"update CustomizeField set Nullable=1 where FieldName='d2';"
                               "update CustomizeField set ForeignKey='select Nope from NoTable' "
                               "where FieldName='d1'"_s));
    {
        COrderDlg form(prompt, db, {}, bag);
        auto* problem = form.findChild<QLabel*>(u"customFieldError"_s);
        QVERIFY(problem && problem->text().startsWith(u"自定义字段读取失败: select Nope"_s));
        form.findChild<QLineEdit*>(u"d2"_s)->clear();
        QVERIFY(form.OnOK());
    }
    QCOMPARE(Value(db, u"select coalesce(d1, '-') || ':' || coalesce(d2, -1) from OrderData"_s),
             u"蓝色:-1"_s);

    // The list shows the new columns; removing one names it and drops it.
    {
        COrderListView list(db, prompt, {u"admin"_s, true});
        QCOMPARE(Headings(*list.Grid()).mid(12), QStringList({u"颜色"_s, u"件数"_s}));
        QCOMPARE(list.Grid()->GetItemText(1, 12), u"蓝色"_s);
        prompt.Reset();
        prompt.QueueModal([&](QDialog& dialog) {
            auto& define = static_cast<Dlg&>(dialog);
            define.Grid()->SetSelectedRange(1, 2, 1, Dlg::ColumnCount - 1);
            prompt.QueueAnswer(Prompt::Answer::Ok);
            define.OnDelete();
            return int(QDialog::Rejected);
        });
        list.OnCommand(COrderListView::kCustomColumns);
        QCOMPARE(prompt.Messages(),
                 QStringList(
                     {u"确定要删除自定义字段 颜色(d1) 吗?\r\n这些列中已保存的数据将一起删除。"_s}));
    }
    QCOMPARE(Value(db, u"select FieldName from CustomizeField"_s), u"d2"_s);
    QVERIFY(Value(db, u"select d1 from OrderData"_s).startsWith(u"<failed"_s));
}

void tst_CustomFields::longRemovalStepsAndStops() {
    // SQLite rewrites the table to remove a column; the window is stepped
    // while it works, and 停止 undoes it.
    TORVEL_ENGINE_DATABASE(database, u"sqlite"_s, true);
    DbConnection db;
    QCOMPARE(db.Open(database.ConnectionString()), 1);
    TempProgramFolder folder(false);
    QCOMPARE(db.Execute(u"insert into OrderData (CustomerName, Comment) "
                        "with recursive c(x) as (select 1 union all select x + 1 from c "
                        "where x < 200000) select 'c' || x, printf('%020d', x) from c"_s),
             1);
    QString error;
    int key = 0;
    QVERIFY(CustomFieldChange::Add(db, u"OrderData"_s, u"d1"_s, u"颜色"_s, key, error));
    QCOMPARE(db.Execute(u"update OrderData set d1='红'"_s), 1);

    ScriptedPrompt prompt;
    Dlg define(prompt, db, u"OrderData"_s);
    define.Grid()->SetSelectedRange(1, 2, 1, Dlg::ColumnCount - 1);
    prompt.stopProgressAt = 0;
    prompt.QueueAnswer(Prompt::Answer::Ok);
    prompt.QueueAnswer(Prompt::Answer::No);
    define.OnDelete();
    QCOMPARE(prompt.Messages().value(1), u"已停止, 表和自定义信息都没有改动。\r\n\r\n是否继续?"_s);
    QCOMPARE(define.Grid()->GetRowCount(), 2);
    QCOMPARE(Value(db, u"select count(*) from OrderData where d1='红'"_s), u"200000"_s);

    prompt.stopProgressAt = -1;
    prompt.progressSteps = 0;
    prompt.QueueAnswer(Prompt::Answer::Ok);
    define.OnDelete();
    QVERIFY2(prompt.progressSteps > 2, qPrintable(QString::number(prompt.progressSteps)));
    QCOMPARE(define.Grid()->GetRowCount(), 1);
    QCOMPARE(Value(db, u"select count(*) from CustomizeField"_s), u"0"_s);
}

QTEST_MAIN(tst_CustomFields)
#include "tst_customfields.moc"
