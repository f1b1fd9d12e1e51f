#include "framework/CriteriaDlg.h"

#include "base/IniFile.h"
#include "base/ProgramFolder.h"

#include <QDate>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

const QString kBag = QStringLiteral(".");

} // namespace

CCriteriaDlg::CCriteriaDlg(const QString& title, const QString& fileName,
                           const QList<CriteriaField>& fields, QWidget* parent)
    : QDialog(parent), fileName_(fileName) {
    setWindowTitle(title);
    IniFile file;
    file.Load(ProgramPath(fileName_));
    auto* form = new QFormLayout;
    for (const CriteriaField& field : fields) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(field.key);
        edit->setMinimumWidth(200);
        edit->setPlaceholderText(field.placeholder);
        const QString last = file.GetString(kBag, field.key);
        edit->setText(last.isEmpty() ? field.whenEmpty : last);
        form->addRow(field.caption, edit);
        keys_.append(field.key);
        edits_.append(edit);
    }
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CCriteriaDlg::OnOK);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

QLineEdit* CCriteriaDlg::Field(const QString& key) const {
    for (int i = 0; i < keys_.size(); ++i) {
        if (keys_[i].compare(key, Qt::CaseInsensitive) == 0)
            return edits_[i];
    }
    return nullptr;
}

QStringList CCriteriaDlg::Values() const {
    QStringList values;
    for (const QLineEdit* edit : edits_)
        values.append(edit->text());
    return values;
}

void CCriteriaDlg::SetValues(const QStringList& values) {
    for (int i = 0; i < edits_.size(); ++i)
        edits_[i]->setText(values.value(i));
}

QString CCriteriaDlg::Value(const QString& key) const {
    const QLineEdit* edit = Field(key);
    return edit ? edit->text() : QString();
}

void CCriteriaDlg::OnOK() {
    const QString path = ProgramPath(fileName_);
    QDir().mkpath(QFileInfo(path).absolutePath());
    IniFile file;
    file.Load(path);
    for (int i = 0; i < edits_.size(); ++i)
        file.SetString(kBag, keys_[i], edits_[i]->text());
    // A file that cannot be written only loses the remembered criteria; the
    // search itself goes on.
    file.Save(path);
    accept();
}

QString CCriteriaDlg::ThisMonth() {
    return QDate::currentDate().toString(QStringLiteral("yyyy-MM"));
}
