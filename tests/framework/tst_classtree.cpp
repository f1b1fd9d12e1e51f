#include "RefusingTrigger.h"
#include "ScriptedPrompt.h"
#include "TestDatabases.h"

#include "db/DbConnection.h"
#include "framework/ClassMaintenance.h"
#include "framework/ClassNameDlg.h"
#include "framework/ClassPickerDlg.h"
#include "framework/ClassTreeCtrl.h"

#include <QLineEdit>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_ClassTree : public QObject {
    Q_OBJECT

private slots:
    void loadAndAdd_data() { TestDatabase::AddEngineRows(); }
    void loadAndAdd();
    void renameRewritesStoredPaths_data() { TestDatabase::AddEngineRows(); }
    void renameRewritesStoredPaths();
    void deleteClass_data() { TestDatabase::AddEngineRows(); }
    void deleteClass();
    void picker_data() { TestDatabase::AddEngineRows(); }
    void picker();
};

namespace {

// A (1) > B (2) > C (4); AB (3); a second A (6); 5 hangs under a missing parent.
// Customers: 11 in A, 12 in B, 14 in C, 13 in AB, 10 unfiled.
const char* kRows = R"(
insert into CustomerClass (KeyId,ParentId,Name,ClassPath) values (1,0,'A','/A');
insert into CustomerClass (KeyId,ParentId,Name,ClassPath) values (2,1,'B','/A/B');
insert into CustomerClass (KeyId,ParentId,Name,ClassPath) values (3,0,'AB','/AB');
insert into CustomerClass (KeyId,ParentId,Name,ClassPath) values (4,2,'C','/A/B/C');
insert into CustomerClass (KeyId,ParentId,Name,ClassPath) values (5,99,'lost','/x/lost');
insert into CustomerClass (KeyId,ParentId,Name,ClassPath) values (6,0,'A','/A');
insert into CustomerData (KeyId,CustomerClass,ClassPath) values (10,0,'未分类/');
insert into CustomerData (KeyId,CustomerClass,ClassPath) values (11,1,'/A/');
insert into CustomerData (KeyId,CustomerClass,ClassPath) values (12,2,'/A/B/');
insert into CustomerData (KeyId,CustomerClass,ClassPath) values (13,3,'/AB/');
insert into CustomerData (KeyId,CustomerClass,ClassPath) values (14,4,'/A/B/C/')
)";

QString Column(DbConnection& db, const QString& sql) {
    QString out;
    if (db.JoinColumnValues(sql, out) < 0)
        return u"failed: "_s + db.GetLastError();
    return out;
}

// Answers the next class-name dialog with `name`, keeping the initial text.
void QueueName(ScriptedPrompt& prompt, const QString& name, QString* initial = nullptr) {
    prompt.QueueModal([name, initial](QDialog& dialog) {
        auto& names = static_cast<CClassNameDlg&>(dialog);
        if (initial)
            *initial = names.NameEdit()->text();
        names.NameEdit()->setText(name);
        return names.OnOK() ? names.result() : int(QDialog::Rejected);
    });
}

} // namespace

#define TREE_FIXTURE()                                                                             \
    TORVEL_TEST_CONNECTION(database);                                                              \
    QVERIFY2(database.RunScript(QString::fromUtf8(kRows)), qPrintable(database.Why()));            \
    ScriptedPrompt prompt;                                                                         \
    ClassTreeCtrl tree(db, prompt);                                                                \
    tree.SetTable(u"CustomerClass"_s, u"客户分类"_s);                                              \
    QVERIFY(tree.Load());                                                                          \
    ClassMaintenance classes(                                                                      \
        tree, db, prompt,                                                                          \
        {u"CustomerData"_s, u"CustomerClass"_s, u"ClassPath"_s, u"目录非空，请先删除客户资料"_s},  \
        nullptr)

void tst_ClassTree::loadAndAdd() {
    TREE_FIXTURE();
    // Children in key order; a row whose parent is missing is not shown.
    QTreeWidgetItem* root = tree.RootNode();
    QCOMPARE(root->text(0), u"客户分类"_s);
    QCOMPARE(root->childCount(), 3);
    QCOMPARE(ClassTreeCtrl::KeyOf(root->child(1)), 3);
    QCOMPARE(ClassTreeCtrl::KeyOf(root->child(2)), 6);
    QCOMPARE(tree.FindNode(5), nullptr);
    QCOMPARE(tree.PathOf(root), u"/"_s);
    QCOMPARE(tree.PathOf(tree.FindNode(4)), u"/A/B/C/"_s);

    // Nothing selected: a new top-level class, its name stored as typed.
    const QString odd = u"O'Brien %_ --; x\ny"_s;
    QueueName(prompt, odd);
    classes.AddClass();
    QCOMPARE(tree.FindNode(7)->parent(), root);
    QCOMPARE(Column(db, u"select Name from CustomerClass where KeyId=7"_s), odd);
    // Under the selected class; the stored path has no closing "/" yet.
    tree.setCurrentItem(tree.FindNode(2));
    QueueName(prompt, u"D"_s);
    classes.AddClass();
    QCOMPARE(tree.FindNode(8)->parent(), tree.FindNode(2));
    QCOMPARE(Column(db, u"select ClassPath from CustomerClass where KeyId=8"_s), u"/A/B/D"_s);

    // A blank name is refused and the dialog stays open.
    QueueName(prompt, u"  "_s);
    classes.AddClass();
    QCOMPARE(prompt.LastMessage(), u"名称不能为空"_s);
    QCOMPARE(Column(db, u"select count(*) from CustomerClass"_s), u"8"_s);

    // A refused insert names the statement; no node appears.
    QVERIFY(AddRefusingTrigger(db, u"CustomerClass"_s, u"insert"_s, u"new.Name='bad'"_s));
    QueueName(prompt, u"bad"_s);
    classes.AddClass();
    QVERIFY2(
        prompt.LastMessage().startsWith(u"insert into CustomerClass(KeyId,ParentId,Name,ClassPath) "
                                        "values (9,2,'bad','/A/B/bad')\r\n"_s),
        qPrintable(prompt.LastMessage()));
    QCOMPARE(tree.FindNode(2)->childCount(), 2);

    // Table names are checked before they reach a statement.
    tree.SetTable(QString(), u"x"_s);
    QVERIFY(!tree.Load());
    QCOMPARE(prompt.LastMessage(), u"表名未定义!"_s);
    QCOMPARE(tree.RootNode(), nullptr);
    tree.SetTable(u"CustomerClass;delete from CustomerData"_s, u"x"_s);
    QVERIFY(!tree.Load());
    QCOMPARE(Column(db, u"select count(*) from CustomerData"_s), u"5"_s);
}

void tst_ClassTree::renameRewritesStoredPaths() {
    TREE_FIXTURE();
    tree.setCurrentItem(tree.RootNode());
    classes.RenameClass();
    QCOMPARE(prompt.Messages(), QStringList({u"请选择分类!"_s}));

    // A (1) becomes X'%_: its row, its subclasses and every customer filed in
    // any of them get the new paths; AB, the other A and the unfiled customer
    // keep theirs, although their texts begin the same way.
    const QString classPaths = u"select ClassPath from CustomerClass order by KeyId"_s;
    const QString customerPaths = u"select ClassPath from CustomerData order by KeyId"_s;
    tree.setCurrentItem(tree.FindNode(1));
    QString initial;
    QueueName(prompt, u"X'%_"_s, &initial);
    classes.RenameClass();
    QCOMPARE(initial, u"A"_s);
    QCOMPARE(Column(db, u"select Name from CustomerClass where KeyId=1"_s), u"X'%_"_s);
    QCOMPARE(Column(db, classPaths), u"/X'%_/;/X'%_/B/;/AB;/X'%_/B/C/;/x/lost;/A"_s);
    QCOMPARE(Column(db, customerPaths), u"未分类/;/X'%_/;/X'%_/B/;/AB/;/X'%_/B/C/"_s);

    // A rename stopped or failing half-way stores nothing and puts the caption back.
    prompt.stopProgressAt = 2;
    tree.setCurrentItem(tree.FindNode(2));
    QueueName(prompt, u"Z"_s);
    classes.RenameClass();
    QCOMPARE(prompt.progressTotal, 4);
    QCOMPARE(prompt.progressDepth, 0);
    QCOMPARE(tree.FindNode(2)->text(0), u"B"_s);
    QCOMPARE(Column(db, customerPaths), u"未分类/;/X'%_/;/X'%_/B/;/AB/;/X'%_/B/C/"_s);
    prompt.stopProgressAt = -1;
    QVERIFY(AddRefusingTrigger(db, u"CustomerData"_s, u"update"_s, u"old.KeyId=14"_s));
    tree.setCurrentItem(tree.FindNode(2));
    QueueName(prompt, u"Y"_s);
    classes.RenameClass();
    QVERIFY2(
        prompt.LastMessage().startsWith(u"update CustomerData set ClassPath ='/X''%_/Y/C/' where "
                                        "CustomerClass=4\r\n"_s),
        qPrintable(prompt.LastMessage()));
    QCOMPARE(tree.FindNode(2)->text(0), u"B"_s);
    QCOMPARE(Column(db, u"select Name from CustomerClass where KeyId=2"_s), u"B"_s);
    QCOMPARE(Column(db, classPaths), u"/X'%_/;/X'%_/B/;/AB;/X'%_/B/C/;/x/lost;/A"_s);
    QCOMPARE(Column(db, customerPaths), u"未分类/;/X'%_/;/X'%_/B/;/AB/;/X'%_/B/C/"_s);
}

void tst_ClassTree::deleteClass() {
    TREE_FIXTURE();
    // The root; A with a subclass (refused at the first check, although only
    // its subclasses hold customers); C with customers of its own.
    for (int key : {0, 1, 4}) {
        tree.setCurrentItem(key ? tree.FindNode(key) : tree.RootNode());
        classes.DeleteClass();
    }
    QCOMPARE(prompt.Messages(), QStringList({u"请选择分类!"_s, u"目录非空，请先删除子目录"_s,
                                             u"目录非空，请先删除客户资料"_s}));

    // Empty now: Cancel keeps it, OK deletes row and node.
    QCOMPARE(db.Execute(u"delete from CustomerData where KeyId=14"_s), 1);
    prompt.Reset();
    prompt.QueueAnswer(Prompt::Answer::Cancel);
    prompt.QueueAnswer(Prompt::Answer::Ok);
    classes.DeleteClass();
    QVERIFY(tree.FindNode(4));
    classes.DeleteClass();
    QCOMPARE(prompt.Messages(), QStringList(2, u"确定要删除选择的分类信息吗?"_s));
    QCOMPARE(tree.FindNode(4), nullptr);
    QCOMPARE(Column(db, u"select KeyId from CustomerClass order by KeyId"_s), u"1;2;3;5;6"_s);

    // A whole subtree in one transaction: D and B go first, A is refused, and
    // nothing of the three is deleted.
    QCOMPARE(db.Execute(u"insert into CustomerClass (KeyId,ParentId,Name) values "
                        "(4,2,'D')"_s),
             1);
    QVERIFY(tree.Load());
    QVERIFY(AddRefusingTrigger(db, u"CustomerClass"_s, u"delete"_s, u"old.KeyId=1"_s));
    QCOMPARE(tree.DeleteSubtree(tree.FindNode(1)), -1);
    QVERIFY2(prompt.LastMessage().startsWith(u"delete from CustomerClass where KeyId=1\r\n"_s),
             qPrintable(prompt.LastMessage()));
    QCOMPARE(Column(db, u"select KeyId from CustomerClass order by KeyId"_s), u"1;2;3;4;5;6"_s);
    QVERIFY(tree.FindNode(4));
    QCOMPARE(tree.DeleteSubtree(tree.FindNode(2)), 1);
    QCOMPARE(Column(db, u"select KeyId from CustomerClass order by KeyId"_s), u"1;3;5;6"_s);
    QCOMPARE(tree.FindNode(4), nullptr);
    QCOMPARE(tree.DeleteSubtree(tree.RootNode()), -1);
}

void tst_ClassTree::picker() {
    TORVEL_TEST_CONNECTION(database);
    QVERIFY2(database.RunScript(QString::fromUtf8(kRows)), qPrintable(database.Why()));
    ScriptedPrompt prompt;
    CClassPickerDlg none(prompt, db, QString(), QString());
    QCOMPARE(prompt.LastMessage(), u"表名未定义!"_s);
    QCOMPARE(none.Tree()->topLevelItemCount(), 0);

    // The root cannot be chosen; a double click chooses like 确定.
    CClassPickerDlg picker(prompt, db, u"CustomerClass"_s, QString());
    QCOMPARE(picker.windowTitle(), u"分类"_s);
    picker.Tree()->setCurrentItem(picker.Tree()->RootNode());
    QVERIFY(!picker.OnOK());
    QTreeWidgetItem* c = picker.Tree()->FindNode(4);
    picker.Tree()->setCurrentItem(c);
    QCOMPARE(picker.PathEdit()->text(), u"/A/B/C/"_s);
    emit picker.Tree()->itemDoubleClicked(c, 0);
    QCOMPARE(picker.result(), int(QDialog::Accepted));

    // Cancel with a class selected is still Cancel.
    int key = -1;
    QString path;
    for (const bool ok : {false, true}) {
        prompt.QueueModal([ok](QDialog& dialog) {
            auto& pick = static_cast<CClassPickerDlg&>(dialog);
            pick.Tree()->setCurrentItem(pick.Tree()->FindNode(3));
            return ok && pick.OnOK() ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        QCOMPARE(PickClass(prompt, db, nullptr, u"CustomerClass"_s, QString(), key, path), ok);
    }
    QCOMPARE(key, 3);
    QCOMPARE(path, u"/AB/"_s);
}

QTEST_MAIN(tst_ClassTree)
#include "tst_classtree.moc"
