#include "framework/ClassNameDlg.h"

#include "ui/Prompt.h"
#include "ui/RowLayout.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CClassNameDlg::CClassNameDlg(Prompt& prompt, const QString& initial, QWidget* parent)
    : QDialog(parent), prompt_(prompt), edit_(new QLineEdit(initial, this)),
      ok_(new QPushButton(QStringLiteral("确定"), this)) {
    setWindowTitle(QStringLiteral("输入分类名称"));
    setObjectName(QStringLiteral("CClassNameDlg"));
    edit_->setObjectName(QStringLiteral("Name"));
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    ok_->setDefault(true);

    auto* layout = new RowLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->AddRow(24);
    layout->AddControl(new QLabel(QStringLiteral("分类名称:"), this), 80, true);
    layout->AddControl(edit_, 100);
    layout->AddRow(60);
    layout->AddRow(24);
    layout->AddGap(10, false);
    layout->AddControl(ok_, 80, true);
    layout->AddGap(10, false);
    layout->AddControl(cancel, 80, true);
    layout->AddGap(10, false);
    resize(300, 200);

    connect(ok_, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    edit_->selectAll();
    edit_->setFocus();
}

bool CClassNameDlg::OnOK() {
    const QString text = edit_->text();
    if (text.trimmed().isEmpty()) {
        prompt_.Message(QStringLiteral("名称不能为空"));
        edit_->setFocus();
        return false;
    }
    name_ = text;
    accept();
    return true;
}

bool AskClassName(Prompt& prompt, QWidget* parent, const QString& initial, QString& name) {
    CClassNameDlg dialog(prompt, initial, parent);
    if (prompt.RunModal(dialog) != QDialog::Accepted)
        return false;
    name = dialog.Name();
    return !name.isEmpty();
}
