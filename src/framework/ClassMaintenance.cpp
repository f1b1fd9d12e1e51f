#include "framework/ClassMaintenance.h"

#include "framework/CommandIds.h"

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/DbTransaction.h"
#include "db/SqlLiteral.h"
#include "db/UpdateBuilder.h"
#include "framework/ClassNameDlg.h"
#include "framework/ClassTreeCtrl.h"
#include "ui/Prompt.h"

#include <utility>

ClassMaintenance::ClassMaintenance(ClassTreeCtrl& tree, DbConnection& connection, Prompt& prompt,
                                   ClassMembers members, QWidget* dialogParent)
    : tree_(tree), connection_(connection), prompt_(prompt), members_(std::move(members)),
      dialogParent_(dialogParent) {}

bool ClassMaintenance::OnCommand(int id) {
    switch (id) {
    case Command::AddClass:
        AddClass();
        return true;
    case Command::RenameClass:
        RenameClass();
        return true;
    case Command::DeleteClass:
        DeleteClass();
        return true;
    default:
        return false;
    }
}

void ClassMaintenance::AddClass() {
    QTreeWidgetItem* parent = tree_.SelectedNode();
    if (!parent)
        parent = tree_.RootNode();
    if (!parent)
        return;
    QString name;
    if (!AskClassName(prompt_, dialogParent_, QString(), name))
        return;
    if (!NameIsFree(parent, 0, name))
        return;
    tree_.AddChild(parent, name);
}

QTreeWidgetItem* ClassMaintenance::SelectedClass() {
    QTreeWidgetItem* node = tree_.SelectedNode();
    if (ClassTreeCtrl::KeyOf(node) < 1) {
        prompt_.Message(QStringLiteral("请选择分类!"));
        return nullptr;
    }
    return node;
}

void ClassMaintenance::RenameClass() {
    QTreeWidgetItem* node = SelectedClass();
    if (!node)
        return;
    QString name;
    if (!AskClassName(prompt_, dialogParent_, node->text(0), name))
        return;
    Rename(node, name);
}

bool ClassMaintenance::Rename(QTreeWidgetItem* node, const QString& name) {
    if (ClassTreeCtrl::KeyOf(node) < 1)
        return false;
    if (!NameIsFree(node->parent(), ClassTreeCtrl::KeyOf(node), name))
        return false;
    const QString oldName = node->text(0);
    node->setText(0, name);

    // Every class below the node has a new path too, and so has every member
    // filed in any of them; each statement finds its rows by class key, which
    // is indexed (a "like" on the old path would scan, and would take a name's
    // % and _ for wildcards).
    QStringList statements;
    for (QTreeWidgetItem* level : tree_.Subtree(node)) {
        const int key = ClassTreeCtrl::KeyOf(level);
        const QString path = tree_.PathOf(level);
        UpdateBuilder cls;
        cls.SetTable(tree_.Table());
        if (level == node)
            cls.SetText(QStringLiteral("Name"), name);
        cls.SetText(QStringLiteral("ClassPath"), path);
        cls.AddCondition(QStringLiteral("KeyId=") + SqlLiteral::Long(key));
        statements.append(cls.Build());
        if (!members_.table.isEmpty() && !members_.pathColumn.isEmpty()) {
            UpdateBuilder filed;
            filed.SetTable(members_.table);
            filed.SetText(members_.pathColumn, path);
            filed.AddCondition(members_.classColumn + QLatin1Char('=') + SqlLiteral::Long(key));
            statements.append(filed.Build());
        }
    }

    QString failed;
    QString error;
    const Outcome outcome = RunInOneTransaction(statements, failed, error);
    if (outcome == Outcome::Done)
        return true;
    // Nothing was stored, so the screen goes back to what the table says.
    node->setText(0, oldName);
    if (outcome == Outcome::Failed)
        prompt_.Message(failed + QStringLiteral("\r\n") + error);
    return false;
}

ClassMaintenance::Outcome ClassMaintenance::RunInOneTransaction(const QStringList& statements,
                                                                QString& failed, QString& error) {
    ProgressScope progress(prompt_, QStringLiteral("正在更新分类路径..."));
    DbTransaction transaction(connection_);
    if (!transaction.IsActive()) {
        failed = QStringLiteral("begin");
        error = transaction.GetLastError();
        return Outcome::Failed;
    }
    const int total = int(statements.size());
    for (int i = 0; i < total; ++i) {
        if (connection_.Execute(statements[i]) != 1) {
            failed = statements[i];
            error = connection_.GetLastError();
            return Outcome::Failed; // rolled back as the transaction goes
        }
        if (!progress.Step(i + 1, total))
            return Outcome::Stopped;
    }
    if (!transaction.Commit()) {
        failed = QStringLiteral("commit");
        error = transaction.GetLastError();
        return Outcome::Failed;
    }
    return Outcome::Done;
}

int ClassMaintenance::HasRow(const QString& sql) {
    DbRecordset rs(connection_);
    if (!rs.Open(sql)) {
        prompt_.Message(sql + QStringLiteral("\r\n") + rs.GetLastError());
        return -1;
    }
    return rs.IsEOF() ? 0 : 1;
}

bool ClassMaintenance::NameIsFree(QTreeWidgetItem* parent, int self, const QString& name) {
    // The table is asked rather than the screen, so a class another desk has
    // just added counts too; its Name column compares as the lists do.
    const QString sql =
        QStringLiteral("select KeyId from ") + tree_.Table() + QStringLiteral(" where ParentId=") +
        SqlLiteral::Long(ClassTreeCtrl::KeyOf(parent)) + QStringLiteral(" and Name=") +
        SqlLiteral::Text(name) + QStringLiteral(" and KeyId<>") + SqlLiteral::Long(self) +
        QStringLiteral(" limit 1");
    const int taken = HasRow(sql);
    if (taken > 0)
        prompt_.Message(QStringLiteral("同一级已有名为“") + name +
                        QStringLiteral("”的分类，请换一个名称"));
    return taken == 0;
}

void ClassMaintenance::DeleteClass() {
    QTreeWidgetItem* node = SelectedClass();
    if (!node)
        return;
    const QString key = SqlLiteral::Long(ClassTreeCtrl::KeyOf(node));
    // The table, not the screen, says whether the class is empty: another desk
    // may have filed something in it since the tree was read.
    const int children =
        HasRow(QStringLiteral("select KeyId from ") + tree_.Table() +
               QStringLiteral(" where ParentId=") + key + QStringLiteral(" limit 1"));
    if (children != 0) {
        if (children > 0)
            prompt_.Message(QStringLiteral("目录非空，请先删除子目录"));
        return;
    }
    if (!members_.table.isEmpty()) {
        const int filed =
            HasRow(QStringLiteral("select ") + members_.classColumn + QStringLiteral(" from ") +
                   members_.table + QStringLiteral(" where ") + members_.classColumn +
                   QLatin1Char('=') + key + QStringLiteral(" limit 1"));
        if (filed != 0) {
            if (filed > 0)
                prompt_.Message(members_.notEmptyMessage);
            return;
        }
    }
    if (prompt_.Ask(QStringLiteral("确定要删除选择的分类信息吗?"), Prompt::Buttons::OkCancel) !=
        Prompt::Answer::Ok)
        return;
    tree_.DeleteSubtree(node);
}
