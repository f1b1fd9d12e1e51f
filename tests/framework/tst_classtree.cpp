#include "RefusingTrigger.h"
#include "ScriptedPrompt.h"
#include "TestDatabases.h"

#include "db/DbConnection.h"
#include "framework/ClassMaintenance.h"
#include "framework/ClassNameDlg.h"
#include "framework/ClassPickerDlg.h"
#include "framework/ClassTreeCtrl.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

class tst_ClassTree : public QObject {
    Q_OBJECT

private slots:
    void loadBuildsTheTree_data() { TestDatabase::AddEngineRows(); }
    void loadBuildsTheTree();
    void addClass_data() { TestDatabase::AddEngineRows(); }
    void addClass();
    void renameRewritesStoredPaths_data() { TestDatabase::AddEngineRows(); }
    void renameRewritesStoredPaths();
    void deleteClass_data() { TestDatabase::AddEngineRows(); }
    void deleteClass();
    void deleteSubtreeIsAllOrNothing_data() { TestDatabase::AddEngineRows(); }
    void deleteSubtreeIsAllOrNothing();
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
insert into CustomerData (KeyId,CustomerName,CustomerClass,ClassPath) values (10,'n',0,'未分类/');
insert into CustomerData (KeyId,CustomerName,CustomerClass,ClassPath) values (11,'a',1,'/A/');
insert into CustomerData (KeyId,CustomerName,CustomerClass,ClassPath) values (12,'b',2,'/A/B/');
insert into CustomerData (KeyId,CustomerName,CustomerClass,ClassPath) values (13,'ab',3,'/AB/');
insert into CustomerData (KeyId,CustomerName,CustomerClass,ClassPath) values (14,'c',4,'/A/B/C/')
)";

ClassMembers Customers() {
    return {QStringLiteral("CustomerData"), QStringLiteral("CustomerClass"),
            QStringLiteral("ClassPath"), QStringLiteral("目录非空，请先删除客户资料")};
}

QString Column(DbConnection& db, const QString& sql) {
    QString out;
    if (db.JoinColumnValues(sql, out) < 0)
        return QStringLiteral("failed: ") + db.GetLastError();
    return out;
}

QString ClassPaths(DbConnection& db) {
    return Column(db, QStringLiteral("select ClassPath from CustomerClass order by KeyId"));
}

QString CustomerPaths(DbConnection& db) {
    return Column(db, QStringLiteral("select ClassPath from CustomerData order by KeyId"));
}

// Answers the next class-name dialog with `name`; Rejected when 确定 refuses.
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
    ClassMaintenance classes(tree, db, prompt, Customers(), nullptr)

void tst_ClassTree::loadBuildsTheTree() {
    TREE_FIXTURE();
    QTreeWidgetItem* root = tree.RootNode();
    QCOMPARE(root->text(0), QStringLiteral("客户分类"));
    QCOMPARE(ClassTreeCtrl::KeyOf(root), 0);
    QVERIFY(root->isExpanded());
    // Children in key order; the row whose parent is missing is not shown.
    QCOMPARE(root->childCount(), 3);
    QCOMPARE(ClassTreeCtrl::KeyOf(root->child(0)), 1);
    QCOMPARE(ClassTreeCtrl::KeyOf(root->child(1)), 3);
    QCOMPARE(ClassTreeCtrl::KeyOf(root->child(2)), 6);
    QCOMPARE(tree.FindNode(5), nullptr);
    QCOMPARE(tree.PathOf(root), QStringLiteral("/"));
    QCOMPARE(tree.PathOf(tree.FindNode(4)), QStringLiteral("/A/B/C/"));
    QCOMPARE(tree.PathOf(tree.FindNode(6)), QStringLiteral("/A/"));
    QCOMPARE(tree.PathOf(nullptr), QString());
    QCOMPARE(ClassTreeCtrl::KeyOf(nullptr), 0);

    QSignalSpy selected(&tree, &ClassTreeCtrl::NodeSelected);
    tree.setCurrentItem(tree.FindNode(2));
    QCOMPARE(tree.SelectedNode(), tree.FindNode(2));
    tree.clearSelection();
    QCOMPARE(tree.SelectedNode(), nullptr);
    QCOMPARE(selected.count(), 2);
    QCOMPARE(selected.at(0).at(0).value<QTreeWidgetItem*>(), tree.FindNode(2));
    QCOMPARE(selected.at(1).at(0).value<QTreeWidgetItem*>(), nullptr);

    // Loading again starts over; a table that cannot be read, a missing or a
    // malformed table name leave the tree empty with a message.
    QVERIFY(tree.Load());
    QCOMPARE(tree.RootNode()->childCount(), 3);
    tree.SetTable(QStringLiteral("NoSuchTable"), QStringLiteral("x"));
    QVERIFY(!tree.Load());
    QVERIFY2(prompt.LastMessage().startsWith(
                 QStringLiteral("select KeyId,ParentId,Name from NoSuchTable order by KeyId\r\n")),
             qPrintable(prompt.LastMessage()));
    QCOMPARE(tree.topLevelItemCount(), 0);
    tree.SetTable(QString(), QStringLiteral("x"));
    QVERIFY(!tree.Load());
    QCOMPARE(prompt.LastMessage(), QStringLiteral("表名未定义!"));
    QCOMPARE(tree.RootNode(), nullptr);
    tree.SetTable(QStringLiteral("CustomerClass;delete from CustomerData"), QStringLiteral("x"));
    QVERIFY(!tree.Load());
    QCOMPARE(Column(db, QStringLiteral("select count(*) from CustomerData")), QStringLiteral("5"));
}

void tst_ClassTree::addClass() {
    TREE_FIXTURE();
    // Nothing selected: a new top-level class. Typed text reaches the table as
    // it was typed, quotes, wildcards, comment marks and line breaks included.
    const QString odd = QStringLiteral("O'Brien %_ --; x\ny");
    QueueName(prompt, odd);
    classes.AddClass();
    QTreeWidgetItem* added = tree.FindNode(7);
    QVERIFY(added);
    QCOMPARE(added->parent(), tree.RootNode());
    QCOMPARE(added->text(0), odd);
    QCOMPARE(Column(db, QStringLiteral("select Name from CustomerClass where KeyId=7")), odd);
    QCOMPARE(Column(db, QStringLiteral("select ClassPath from CustomerClass where KeyId=7")),
             QStringLiteral("/") + odd);

    // Under the selected class; the stored path has no closing "/" yet.
    tree.setCurrentItem(tree.FindNode(2));
    QueueName(prompt, QStringLiteral("D"));
    classes.AddClass();
    QCOMPARE(tree.FindNode(8)->parent(), tree.FindNode(2));
    QCOMPARE(Column(db, QStringLiteral("select ParentId from CustomerClass where KeyId=8")),
             QStringLiteral("2"));
    QCOMPARE(Column(db, QStringLiteral("select ClassPath from CustomerClass where KeyId=8")),
             QStringLiteral("/A/B/D"));

    // A blank name is refused and the dialog stays; cancelling adds nothing.
    prompt.Reset();
    prompt.QueueModal([](QDialog& dialog) {
        auto& names = static_cast<CClassNameDlg&>(dialog);
        names.NameEdit()->setText(QString());
        const bool empty = names.OnOK();
        names.NameEdit()->setText(QStringLiteral("  "));
        const bool blank = names.OnOK();
        return empty || blank ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
    classes.AddClass();
    QCOMPARE(prompt.Messages(),
             QStringList({QStringLiteral("名称不能为空"), QStringLiteral("名称不能为空")}));
    QCOMPARE(Column(db, QStringLiteral("select count(*) from CustomerClass")), QStringLiteral("8"));

    // A refused insert: the statement and the reason, and no node.
    QVERIFY(AddRefusingTrigger(db, QStringLiteral("CustomerClass"), QStringLiteral("insert"),
                               QStringLiteral("new.Name='bad'")));
    prompt.Reset();
    QueueName(prompt, QStringLiteral("bad"));
    classes.AddClass();
    QVERIFY2(prompt.LastMessage().startsWith(
                 QStringLiteral("insert into CustomerClass(KeyId,ParentId,Name,ClassPath) "
                                "values (9,2,'bad','/A/B/bad')\r\n")),
             qPrintable(prompt.LastMessage()));
    QVERIFY(prompt.LastMessage().contains(QStringLiteral("refused")));
    QCOMPARE(tree.FindNode(9), nullptr);
    QCOMPARE(tree.FindNode(2)->childCount(), 2);
}

void tst_ClassTree::renameRewritesStoredPaths() {
    TREE_FIXTURE();
    classes.RenameClass();
    tree.setCurrentItem(tree.RootNode());
    classes.RenameClass();
    QCOMPARE(prompt.Messages(),
             QStringList({QStringLiteral("请选择分类!"), QStringLiteral("请选择分类!")}));

    // A (1) becomes X'%_: its row, its subclasses and every customer filed in
    // any of them get the new paths; AB, the other A and the unfiled customer
    // keep theirs, although their texts begin the same way.
    tree.setCurrentItem(tree.FindNode(1));
    QString initial;
    QueueName(prompt, QStringLiteral("X'%_"), &initial);
    classes.RenameClass();
    QCOMPARE(initial, QStringLiteral("A"));
    QCOMPARE(tree.FindNode(1)->text(0), QStringLiteral("X'%_"));
    QCOMPARE(Column(db, QStringLiteral("select Name from CustomerClass where KeyId=1")),
             QStringLiteral("X'%_"));
    QCOMPARE(ClassPaths(db), QStringLiteral("/X'%_/;/X'%_/B/;/AB;/X'%_/B/C/;/x/lost;/A"));
    QCOMPARE(CustomerPaths(db), QStringLiteral("未分类/;/X'%_/;/X'%_/B/;/AB/;/X'%_/B/C/"));

    // A rename that fails half-way stores nothing and puts the caption back.
    QVERIFY(AddRefusingTrigger(db, QStringLiteral("CustomerData"), QStringLiteral("update"),
                               QStringLiteral("old.KeyId=14")));
    prompt.Reset();
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
    QCOMPARE(ClassPaths(db), QStringLiteral("/X'%_/;/X'%_/B/;/AB;/X'%_/B/C/;/x/lost;/A"));
    QCOMPARE(CustomerPaths(db), QStringLiteral("未分类/;/X'%_/;/X'%_/B/;/AB/;/X'%_/B/C/"));
}

void tst_ClassTree::deleteClass() {
    TREE_FIXTURE();
    tree.setCurrentItem(tree.RootNode());
    classes.DeleteClass();
    // A has a subclass (and only B's subclass has customers besides its own):
    // refused at the first check. C has customers of its own.
    tree.setCurrentItem(tree.FindNode(1));
    classes.DeleteClass();
    tree.setCurrentItem(tree.FindNode(4));
    classes.DeleteClass();
    QCOMPARE(prompt.Messages(),
             QStringList({QStringLiteral("请选择分类!"), QStringLiteral("目录非空，请先删除子目录"),
                          QStringLiteral("目录非空，请先删除客户资料")}));

    // Empty now: asked first, Cancel keeps it, OK deletes row and node.
    QCOMPARE(db.Execute(QStringLiteral("delete from CustomerData where KeyId=14")), 1);
    prompt.Reset();
    prompt.QueueAnswer(Prompt::Answer::Cancel);
    classes.DeleteClass();
    QCOMPARE(prompt.Messages(), QStringList({QStringLiteral("确定要删除选择的分类信息吗?")}));
    QVERIFY(tree.FindNode(4));
    prompt.QueueAnswer(Prompt::Answer::Ok);
    classes.DeleteClass();
    QCOMPARE(tree.FindNode(4), nullptr);
    QCOMPARE(tree.FindNode(2)->childCount(), 0);
    QCOMPARE(Column(db, QStringLiteral("select count(*) from CustomerClass where KeyId=4")),
             QStringLiteral("0"));
}

void tst_ClassTree::deleteSubtreeIsAllOrNothing() {
    TREE_FIXTURE();
    QCOMPARE(tree.DeleteSubtree(tree.RootNode()), -1);
    QCOMPARE(tree.DeleteSubtree(nullptr), -1);

    // C and B go first; A is refused: nothing of the three is deleted.
    QVERIFY(AddRefusingTrigger(db, QStringLiteral("CustomerClass"), QStringLiteral("delete"),
                               QStringLiteral("old.KeyId=1")));
    QCOMPARE(tree.DeleteSubtree(tree.FindNode(1)), -1);
    QVERIFY2(prompt.LastMessage().startsWith(
                 QStringLiteral("delete from CustomerClass where KeyId=1\r\n")),
             qPrintable(prompt.LastMessage()));
    QCOMPARE(Column(db, QStringLiteral("select KeyId from CustomerClass order by KeyId")),
             QStringLiteral("1;2;3;4;5;6"));
    QVERIFY(tree.FindNode(1) && tree.FindNode(2) && tree.FindNode(4));

    QCOMPARE(tree.DeleteSubtree(tree.FindNode(2)), 1);
    QCOMPARE(Column(db, QStringLiteral("select KeyId from CustomerClass order by KeyId")),
             QStringLiteral("1;3;5;6"));
    QCOMPARE(tree.FindNode(2), nullptr);
    QCOMPARE(tree.FindNode(4), nullptr);
    QCOMPARE(tree.FindNode(1)->childCount(), 0);
}

void tst_ClassTree::picker() {
    TORVEL_TEST_CONNECTION(database);
    QVERIFY2(database.RunScript(QString::fromUtf8(kRows)), qPrintable(database.Why()));
    ScriptedPrompt prompt;
    {
        CClassPickerDlg none(prompt, db, QString(), QString());
        QCOMPARE(prompt.LastMessage(), QStringLiteral("表名未定义!"));
        QCOMPARE(none.Tree()->topLevelItemCount(), 0);
        QVERIFY(!none.OnOK());
    }

    CClassPickerDlg picker(prompt, db, QStringLiteral("CustomerClass"), QString());
    QCOMPARE(picker.windowTitle(), QStringLiteral("分类"));
    QCOMPARE(picker.Tree()->RootNode()->text(0), QStringLiteral("分类"));
    QVERIFY(!picker.PathEdit()->isEnabled());
    picker.Tree()->setCurrentItem(picker.Tree()->RootNode());
    QCOMPARE(picker.PathEdit()->text(), QStringLiteral("/"));
    QVERIFY(!picker.OnOK());
    QCOMPARE(picker.result(), int(QDialog::Rejected));
    QTreeWidgetItem* c = picker.Tree()->FindNode(4);
    picker.Tree()->setCurrentItem(c);
    QCOMPARE(picker.PathEdit()->text(), QStringLiteral("/A/B/C/"));
    emit picker.Tree()->itemDoubleClicked(c, 0);
    QCOMPARE(picker.result(), int(QDialog::Accepted));
    QCOMPARE(picker.Key(), 4);
    QCOMPARE(picker.Path(), QStringLiteral("/A/B/C/"));

    // PickClass: Cancel with a class selected is still Cancel.
    int key = -1;
    QString path = QStringLiteral("unchanged");
    auto choose = [](int classKey, bool ok) {
        return [classKey, ok](QDialog& dialog) {
            auto& pick = static_cast<CClassPickerDlg&>(dialog);
            pick.Tree()->setCurrentItem(pick.Tree()->FindNode(classKey));
            return ok && pick.OnOK() ? int(QDialog::Accepted) : int(QDialog::Rejected);
        };
    };
    prompt.QueueModal(choose(3, false));
    QVERIFY(!PickClass(prompt, db, nullptr, QStringLiteral("CustomerClass"), QString(), key, path));
    QCOMPARE(key, -1);
    QCOMPARE(path, QStringLiteral("unchanged"));
    prompt.QueueModal(choose(3, true));
    QVERIFY(PickClass(prompt, db, nullptr, QStringLiteral("CustomerClass"),
                      QStringLiteral("客户分类"), key, path));
    QCOMPARE(key, 3);
    QCOMPARE(path, QStringLiteral("/AB/"));
}

QTEST_MAIN(tst_ClassTree)
#include "tst_classtree.moc"
