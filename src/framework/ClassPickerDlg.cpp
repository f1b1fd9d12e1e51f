#include "framework/ClassPickerDlg.h"

#include "framework/ClassTreeCtrl.h"
#include "ui/Prompt.h"
#include "ui/RowLayout.h"

#include <QLineEdit>
#include <QPushButton>

CClassPickerDlg::CClassPickerDlg(Prompt& prompt, DbConnection& connection, const QString& table,
                                 const QString& title, QWidget* parent)
    : QDialog(parent), tree_(new ClassTreeCtrl(connection, prompt, this)),
      pathEdit_(new QLineEdit(this)) {
    const QString caption = title.isEmpty() ? QStringLiteral("分类") : title;
    setWindowTitle(caption);
    setObjectName(QStringLiteral("CClassPickerDlg"));
    pathEdit_->setObjectName(QStringLiteral("Path"));
    pathEdit_->setEnabled(false);
    tree_->setObjectName(QStringLiteral("Tree"));
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    ok->setDefault(true);

    auto* layout = new RowLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->AddRow(24);
    layout->AddControl(pathEdit_, 100);
    layout->AddControl(ok, 80, true);
    layout->AddControl(cancel, 80, true);
    layout->AddRow(300, false);
    layout->AddControl(tree_, 100);
    resize(360, 420);

    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(tree_, &ClassTreeCtrl::NodeSelected, this,
            [this](QTreeWidgetItem* node) { pathEdit_->setText(tree_->PathOf(node)); });
    connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this] { OnOK(); });

    tree_->SetTable(table, caption);
    tree_->Load();
}

bool CClassPickerDlg::OnOK() {
    QTreeWidgetItem* node = tree_->SelectedNode();
    if (!node || node == tree_->RootNode() || ClassTreeCtrl::KeyOf(node) < 1)
        return false;
    key_ = ClassTreeCtrl::KeyOf(node);
    path_ = tree_->PathOf(node);
    accept();
    return true;
}

bool PickClass(Prompt& prompt, DbConnection& connection, QWidget* parent, const QString& table,
               const QString& title, int& key, QString& path) {
    CClassPickerDlg dialog(prompt, connection, table, title, parent);
    if (prompt.RunModal(dialog) != QDialog::Accepted || dialog.Key() < 1)
        return false;
    key = dialog.Key();
    path = dialog.Path();
    return true;
}
