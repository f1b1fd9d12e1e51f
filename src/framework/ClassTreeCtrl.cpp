#include "framework/ClassTreeCtrl.h"

#include "base/ProgramFolder.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/DbTransaction.h"
#include "db/InsertBuilder.h"
#include "db/NewKeyInsert.h"
#include "db/SqlLiteral.h"
#include "ui/Prompt.h"

#include <QBitmap>
#include <QFileInfo>
#include <QPixmap>
#include <QStyle>

#include <map>

namespace {

struct ClassRow {
    int key;
    QString name;
};

} // namespace

ClassTreeCtrl::ClassTreeCtrl(DbConnection& connection, Prompt& prompt, QWidget* parent)
    : QTreeWidget(parent), connection_(connection), prompt_(prompt) {
    setColumnCount(1);
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformRowHeights(true);
    icon_ = FolderIcon(this);
    connect(this, &QTreeWidget::itemSelectionChanged, this,
            [this] { emit NodeSelected(SelectedNode()); });
}

void ClassTreeCtrl::SetTable(const QString& table, const QString& rootCaption) {
    table_ = table;
    rootCaption_ = rootCaption;
}

const QString& ClassTreeCtrl::Table() const {
    return table_;
}

void ClassTreeCtrl::SetNodeIcon(const QIcon& icon) {
    icon_ = icon;
    if (root_) {
        for (QTreeWidgetItem* node : Subtree(root_))
            node->setIcon(0, icon_);
    }
}

QIcon ClassTreeCtrl::FolderIcon(const QWidget* widget) {
    const QString file = ProgramPath(QStringLiteral("images/folder.gif"));
    if (QFileInfo::exists(file)) {
        QPixmap picture(file);
        if (!picture.isNull()) {
            picture.setMask(picture.createMaskFromColor(Qt::white));
            return QIcon(picture);
        }
    }
    return widget->style()->standardIcon(QStyle::SP_DirIcon);
}

bool ClassTreeCtrl::IsTableName(const QString& table) {
    if (table.isEmpty() || table.size() > 64)
        return false;
    for (qsizetype i = 0; i < table.size(); ++i) {
        const QChar c = table[i];
        const bool letter = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
        if (!letter && !(i > 0 && c >= u'0' && c <= u'9'))
            return false;
    }
    return true;
}

void ClassTreeCtrl::ShowFailure(const QString& statement, const QString& error) {
    prompt_.Message(statement + QStringLiteral("\r\n") + error);
}

QTreeWidgetItem* ClassTreeCtrl::MakeNode(QTreeWidgetItem* parent, int key, const QString& caption) {
    auto* node = new QTreeWidgetItem(parent, QStringList(caption));
    node->setData(0, Qt::UserRole, key);
    if (!icon_.isNull())
        node->setIcon(0, icon_);
    nodes_.insert(key, node);
    return node;
}

bool ClassTreeCtrl::LoadAndSelectFirst() {
    if (!Load())
        return false;
    QTreeWidgetItem* root = RootNode();
    if (root && root->childCount() > 0)
        setCurrentItem(root->child(0));
    return true;
}

bool ClassTreeCtrl::Load() {
    // Clearing the tree fires the selection signal; the view sees "nothing".
    clear();
    nodes_.clear();
    root_ = nullptr;
    if (table_.isEmpty()) {
        prompt_.Message(QStringLiteral("表名未定义!"));
        return false;
    }
    if (!IsTableName(table_)) {
        prompt_.Message(QStringLiteral("表名无效: ") + table_);
        return false;
    }

    // One statement for the whole tree; the rows come in key order, so the
    // children of every node keep the order in which they were made.
    const QString sql = QStringLiteral("select KeyId,ParentId,Name from ") + table_ +
                        QStringLiteral(" order by KeyId");
    std::map<int, std::vector<ClassRow>> children;
    {
        DbRecordset rs(connection_);
        if (!rs.Open(sql)) {
            ShowFailure(sql, rs.GetLastError());
            return false;
        }
        while (!rs.IsEOF()) {
            children[rs.GetLong(QStringLiteral("ParentId"))].push_back(
                {rs.GetLong(QStringLiteral("KeyId")), rs.GetString(QStringLiteral("Name"))});
            rs.MoveNext();
        }
    }

    root_ = new QTreeWidgetItem(QStringList(rootCaption_));
    root_->setData(0, Qt::UserRole, 0);
    if (!icon_.isNull())
        root_->setIcon(0, icon_);

    // Built from the root down, without recursion: only rows reachable from the
    // root show (a row whose parent is gone stays hidden, as it always was),
    // and a damaged table with a loop of parents cannot run forever because
    // every key is visited once at most.
    std::vector<QTreeWidgetItem*> pending{root_};
    while (!pending.empty()) {
        QTreeWidgetItem* node = pending.back();
        pending.pop_back();
        const auto found = children.find(KeyOf(node));
        if (found == children.end())
            continue;
        for (const ClassRow& row : found->second) {
            if (row.key < 1 || nodes_.contains(row.key))
                continue;
            pending.push_back(MakeNode(node, row.key, row.name));
        }
        children.erase(found);
    }
    addTopLevelItem(root_);
    root_->setExpanded(true);
    return true;
}

QTreeWidgetItem* ClassTreeCtrl::RootNode() const {
    return root_;
}

QTreeWidgetItem* ClassTreeCtrl::SelectedNode() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

int ClassTreeCtrl::KeyOf(const QTreeWidgetItem* node) {
    return node ? node->data(0, Qt::UserRole).toInt() : 0;
}

QString ClassTreeCtrl::PathOf(const QTreeWidgetItem* node) const {
    if (!node)
        return QString();
    QStringList names;
    for (const QTreeWidgetItem* level = node; level && level != root_; level = level->parent())
        names.prepend(level->text(0));
    QString path = QStringLiteral("/");
    for (const QString& name : names)
        path += name + QLatin1Char('/');
    return path;
}

QTreeWidgetItem* ClassTreeCtrl::FindNode(int key) const {
    return nodes_.value(key, nullptr);
}

std::vector<QTreeWidgetItem*> ClassTreeCtrl::Subtree(QTreeWidgetItem* node) const {
    std::vector<QTreeWidgetItem*> nodes;
    if (!node)
        return nodes;
    nodes.push_back(node);
    for (size_t i = 0; i < nodes.size(); ++i) {
        for (int c = 0; c < nodes[i]->childCount(); ++c)
            nodes.push_back(nodes[i]->child(c));
    }
    return nodes;
}

QTreeWidgetItem* ClassTreeCtrl::AddChild(QTreeWidgetItem* parent, const QString& name) {
    if (!parent)
        parent = root_;
    if (!parent || !IsTableName(table_))
        return nullptr;
    const int parentKey = KeyOf(parent);
    // The stored copy of the path has no closing "/" until the class is renamed.
    const QString storedPath = PathOf(parent) + name;
    QString statement;
    const int key = NewKeyInsert(
        connection_, table_,
        [&](int newKey) {
            InsertBuilder insert;
            insert.SetTable(table_);
            insert.SetLong(QStringLiteral("KeyId"), newKey);
            insert.SetLong(QStringLiteral("ParentId"), parentKey);
            insert.SetText(QStringLiteral("Name"), name);
            insert.SetText(QStringLiteral("ClassPath"), storedPath);
            return insert.Build();
        },
        statement);
    if (key == 0) {
        ShowFailure(statement, connection_.GetLastError());
        return nullptr;
    }
    QTreeWidgetItem* node = MakeNode(parent, key, name);
    parent->setExpanded(true);
    return node;
}

int ClassTreeCtrl::DeleteSubtree(QTreeWidgetItem* node) {
    if (!node || node == root_ || KeyOf(node) < 1 || !IsTableName(table_))
        return -1;
    // Children before their parents, so that no row is ever left pointing at
    // a deleted parent, even for a moment.
    std::vector<QTreeWidgetItem*> nodes = Subtree(node);
    DbTransaction transaction(connection_);
    if (!transaction.IsActive()) {
        ShowFailure(QStringLiteral("begin"), transaction.GetLastError());
        return -1;
    }
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
        const QString sql = QStringLiteral("delete from ") + table_ +
                            QStringLiteral(" where KeyId=") + SqlLiteral::Long(KeyOf(*it));
        if (connection_.Execute(sql) != 1) {
            const QString error = connection_.GetLastError();
            transaction.Rollback();
            ShowFailure(sql, error);
            return -1;
        }
    }
    if (!transaction.Commit()) {
        ShowFailure(QStringLiteral("commit"), transaction.GetLastError());
        return -1;
    }
    for (QTreeWidgetItem* gone : nodes)
        nodes_.remove(KeyOf(gone));
    delete node;
    return 1;
}
