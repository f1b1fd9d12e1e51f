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
        return QStringLiteral("failed: ") + db.GetLastError();
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
    tree.SetTable(QStringLiteral("CustomerClass"), QStringLiteral("客户分类"));                    \
    QVERIFY(tree.Load());                                                                          \
    ClassMaintenance classes(tree, db, prompt,                                                     \
                             {QStringLiteral("CustomerData"), QStringLiteral("CustomerClass"),     \
                              QStringLiteral("ClassPath"),                                         \
                              QStringLiteral("目录非空，请先删除客户资料")},                       \
                             nullptr)

void tst_ClassTree::loadAndAdd() {
    TREE_FIXTURE();
    // Children in key order; a row whose parent is missing is not shown.
    QTreeWidgetItem* root = tree.RootNode();
    QCOMPARE(root->text(0), QStringLiteral("客户分类"));
    QCOMPARE(root->childCount(), 3);
    QCOMPARE(ClassTreeCtrl::KeyOf(root->child(1)), 3);
    QCOMPARE(ClassTreeCtrl::KeyOf(root->child(2)), 6);
    QCOMPARE(tree.FindNode(5), nullptr);
    QCOMPARE(tree.PathOf(root), QStringLiteral("/"));
    QCOMPARE(tree.PathOf(tree.FindNode(4)), QStringLiteral("/A/B/C/"));

    // Nothing selected: a new top-level class, its name stored as typed.
    const QString odd = QStringLiteral("O'Brien %_ --; x\ny");
    QueueName(prompt, odd);
    classes.AddClass();
    QCOMPARE(tree.FindNode(7)->parent(), root);
    QCOMPARE(Column(db, QStringLiteral("select Name from CustomerClass where KeyId=7")), odd);
    // Under the selected class; the stored path has no closing "/" yet.
    tree.setCurrentItem(tree.FindNode(2));
    QueueName(prompt, QStringLiteral("D"));
    classes.AddClass();
    QCOMPARE(tree.FindNode(8)->parent(), tree.FindNode(2));
    QCOMPARE(Column(db, QStringLiteral("select ClassPath from CustomerClass where KeyId=8")),
             QStringLiteral("/A/B/D"));

    // A blank name is refused and the dialog stays open.
    QueueName(prompt, QStringLiteral("  "));
    classes.AddClass();
    QCOMPARE(prompt.LastMessage(), QStringLiteral("名称不能为空"));
    QCOMPARE(Column(db, QStringLiteral("select count(*) from CustomerClass")), QStringLiteral("8"));

    // A refused insert names the statement; no node appears.
    QVERIFY(AddRefusingTrigger(db, QStringLiteral("CustomerClass"), QStringLiteral("insert"),
                               QStringLiteral("new.Name='bad'")));
    QueueName(prompt, QStringLiteral("bad"));
    classes.AddClass();
    QVERIFY2(prompt.LastMessage().startsWith(
                 QStringLiteral("insert into CustomerClass(KeyId,ParentId,Name,ClassPath) "
                                "values (9,2,'bad','/A/B/bad')\r\n")),
             qPrintable(prompt.LastMessage()));
    QCOMPARE(tree.FindNode(2)->childCount(), 2);

    // Table names are checked before they reach a statement.
    tree.SetTable(QString(), QStringLiteral("x"));
    QVERIFY(!tree.Load());
    QCOMPARE(prompt.LastMessage(), QStringLiteral("表名未定义!"));
    QCOMPARE(tree.RootNode(), nullptr);
    tree.SetTable(QStringLiteral("CustomerClass;delete from CustomerData"), QStringLiteral("x"));
    QVERIFY(!tree.Load());
    QCOMPARE(Column(db, QStringLiteral("select count(*) from CustomerData")), QStringLiteral("5"));
}

void tst_ClassTree::renameRewritesStoredPaths() {
    TREE_FIXTURE();
    tree.setCurrentItem(tree.RootNode());
    classes.RenameClass();
    QCOMPARE(prompt.Messages(), QStringList({QStringLiteral("请选择分类!")}));

    // A (1) becomes X'%_: its row, its subclasses and every customer filed in
    // any of them get the new paths; AB, the other A and the unfiled customer
    // keep theirs, although their texts begin the same way.
    const QString classPaths = QStringLiteral("select ClassPath from CustomerClass order by KeyId");
    const QString customerPaths =
        QStringLiteral("select ClassPath from CustomerData order by KeyId");
    tree.setCurrentItem(tree.FindNode(1));
    QString initial;
    QueueName(prompt, QStringLiteral("X'%_"), &initial);
    classes.RenameClass();
    QCOMPARE(initial, QStringLiteral("A"));
    QCOMPARE(Column(db, QStringLiteral("select Name from CustomerClass where KeyId=1")),
             QStringLiteral("X'%_"));
    QCOMPARE(Column(db, classPaths), QStringLiteral("/X'%_/;/X'%_/B/;/AB;/X'%_/B/C/;/x/lost;/A"));
    QCOMPARE(Column(db, customerPaths), QStringLiteral("未分类/;/X'%_/;/X'%_/B/;/AB/;/X'%_/B/C/"));

    // A rename stopped or failing half-way stores nothing and puts the caption back.
    int heard = 0;
    classes.SetProgress([&](int done, int total) {
        heard = total;
        return done < 2;
    });
    tree.setCurrentItem(tree.FindNode(2));
    QueueName(prompt, QStringLiteral("Z"));
    classes.RenameClass();
    QCOMPARE(heard, 4);
    QCOMPARE(tree.FindNode(2)->text(0), QStringLiteral("B"));
    QCOMPARE(Column(db, customerPaths), QStringLiteral("未分类/;/X'%_/;/X'%_/B/;/AB/;/X'%_/B/C/"));
    classes.SetProgress({});
    QVERIFY(AddRefusingTrigger(db, QStringLiteral("CustomerData"), QStringLiteral("update"),
                               QStringLiteral("old.KeyId=14")));
    tree.setCurrentItem(tree.FindNode(2));
    QueueName(prompt, QStringLiteral("Y"));
    classes.RenameClass();
    QVERIFY2(prompt.LastMessage().startsWith(
                 QStringLiteral("update CustomerData set ClassPath ='/X''%_/Y/C/' where "
                                "CustomerClass=4\r\n")),
             qPrintable(prompt.LastMessage()));
    QCOMPARE(tree.FindNode(2)->text(0), QStringLiteral("B"));
    QCOMPARE(Column(db, QStringLiteral("select Name from CustomerClass where KeyId=2")),
             QStringLiteral("B"));
    QCOMPARE(Column(db, classPaths), QStringLiteral("/X'%_/;/X'%_/B/;/AB;/X'%_/B/C/;/x/lost;/A"));
    QCOMPARE(Column(db, customerPaths), QStringLiteral("未分类/;/X'%_/;/X'%_/B/;/AB/;/X'%_/B/C/"));
}

void tst_ClassTree::deleteClass() {
    TREE_FIXTURE();
    // The root; A with a subclass (refused at the first check, although only
    // its subclasses hold customers); C with customers of its own.
    for (int key : {0, 1, 4}) {
        tree.setCurrentItem(key ? tree.FindNode(key) : tree.RootNode());
        classes.DeleteClass();
    }
    QCOMPARE(prompt.Messages(),
             QStringList({QStringLiteral("请选择分类!"), QStringLiteral("目录非空，请先删除子目录"),
                          QStringLiteral("目录非空，请先删除客户资料")}));

    // Empty now: Cancel keeps it, OK deletes row and node.
    QCOMPARE(db.Execute(QStringLiteral("delete from CustomerData where KeyId=14")), 1);
    prompt.Reset();
    prompt.QueueAnswer(Prompt::Answer::Cancel);
    prompt.QueueAnswer(Prompt::Answer::Ok);
    classes.DeleteClass();
    QVERIFY(tree.FindNode(4));
    classes.DeleteClass();
    QCOMPARE(prompt.Messages(), QStringList(2, QStringLiteral("确定要删除选择的分类信息吗?")));
    QCOMPARE(tree.FindNode(4), nullptr);
    QCOMPARE(Column(db, QStringLiteral("select KeyId from CustomerClass order by KeyId")),
             QStringLiteral("1;2;3;5;6"));

    // A whole subtree in one transaction: D and B go first, A is refused, and
    // nothing of the three is deleted.
    QCOMPARE(db.Execute(QStringLiteral("insert into CustomerClass (KeyId,ParentId,Name) values "
                                       "(4,2,'D')")),
             1);
    QVERIFY(tree.Load());
    QVERIFY(AddRefusingTrigger(db, QStringLiteral("CustomerClass"), QStringLiteral("delete"),
                               QStringLiteral("old.KeyId=1")));
    QCOMPARE(tree.DeleteSubtree(tree.FindNode(1)), -1);
    QVERIFY2(prompt.LastMessage().startsWith(
                 QStringLiteral("delete from CustomerClass where KeyId=1\r\n")),
             qPrintable(prompt.LastMessage()));
    QCOMPARE(Column(db, QStringLiteral("select KeyId from CustomerClass order by KeyId")),
             QStringLiteral("1;2;3;4;5;6"));
    QVERIFY(tree.FindNode(4));
    QCOMPARE(tree.DeleteSubtree(tree.FindNode(2)), 1);
    QCOMPARE(Column(db, QStringLiteral("select KeyId from CustomerClass order by KeyId")),
             QStringLiteral("1;3;5;6"));
    QCOMPARE(tree.FindNode(4), nullptr);
    QCOMPARE(tree.DeleteSubtree(tree.RootNode()), -1);
}

void tst_ClassTree::picker() {
    TORVEL_TEST_CONNECTION(database);
    QVERIFY2(database.RunScript(QString::fromUtf8(kRows)), qPrintable(database.Why()));
    ScriptedPrompt prompt;
    CClassPickerDlg none(prompt, db, QString(), QString());
    QCOMPARE(prompt.LastMessage(), QStringLiteral("表名未定义!"));
    QCOMPARE(none.Tree()->topLevelItemCount(), 0);

    // The root cannot be chosen; a double click chooses like 确定.
    CClassPickerDlg picker(prompt, db, QStringLiteral("CustomerClass"), QString());
    QCOMPARE(picker.windowTitle(), QStringLiteral("分类"));
    picker.Tree()->setCurrentItem(picker.Tree()->RootNode());
    QVERIFY(!picker.OnOK());
    QTreeWidgetItem* c = picker.Tree()->FindNode(4);
    picker.Tree()->setCurrentItem(c);
    QCOMPARE(picker.PathEdit()->text(), QStringLiteral("/A/B/C/"));
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
        QCOMPARE(
            PickClass(prompt, db, nullptr, QStringLiteral("CustomerClass"), QString(), key, path),
            ok);
    }
    QCOMPARE(key, 3);
    QCOMPARE(path, QStringLiteral("/AB/"));
}

QTEST_MAIN(tst_ClassTree)
#include "tst_classtree.moc"
