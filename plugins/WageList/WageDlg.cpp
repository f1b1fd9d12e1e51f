#include "WageDlg.h"

#include "WageSheet.h"

#include "base/IniFile.h"
#include "db/DbRecordset.h"
#include "framework/FormRecord.h"
#include "framework/RowValues.h"
#include "framework/SelectedRows.h"
#include "ui/FormButtons.h"
#include "ui/Prompt.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QVBoxLayout>

namespace {

const QString kBag = QStringLiteral(".");
const QString kTable = QStringLiteral("WageData");

// A figure as the grid shows what the database returns.
QString GridText(double value) {
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

} // namespace

WageDlg::WageDlg(Prompt& prompt, DbConnection& connection, IniFile& bag, QWidget* parent)
    : QDialog(parent), prompt_(prompt), connection_(connection), bag_(bag) {
    setWindowTitle(QStringLiteral("工资"));
    setObjectName(QStringLiteral("WageDlg"));
    auto* form = new QFormLayout;
    auto shown = [this]() {
        auto* edit = new QLineEdit(this);
        edit->setReadOnly(true);
        edit->setFocusPolicy(Qt::NoFocus);
        return edit;
    };
    month_ = shown();
    user_ = shown();
    form->addRow(QStringLiteral("月份"), month_);
    form->addRow(QStringLiteral("用户名"), user_);
    for (const WageSheet::Column& column : WageSheet::FigureColumns()) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(column.name);
        connect(edit, &QLineEdit::textChanged, this, [this] { ShowNetPay(); });
        form->addRow(column.caption, edit);
        figures_.append(edit);
    }
    netPay_ = new QLabel(this);
    netPay_->setObjectName(QStringLiteral("NetPay"));
    form->addRow(QStringLiteral("实发工资"), netPay_);
    remarks_ = new QLineEdit(this);
    remarks_->setObjectName(QStringLiteral("Remarks"));
    form->addRow(QStringLiteral("备注"), remarks_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form, 1);
    layout->addWidget(MakeFormButtons(this, [this] { OnOK(); }));

    if (const auto key = bag_.Find(kBag, QStringLiteral("KeyId"));
        !key || !SelectedRows::ParseKey(key->trimmed(), key_))
        key_ = 0;
    LoadRecord();
    if (!figures_.isEmpty())
        figures_.first()->setFocus();
}

QLineEdit* WageDlg::Field(const QString& column) const {
    if (column == QStringLiteral("Remarks"))
        return remarks_;
    for (QLineEdit* edit : figures_) {
        if (edit->objectName() == column)
            return edit;
    }
    return nullptr;
}

QString WageDlg::NetPayText() const {
    return netPay_->text();
}

void WageDlg::LoadRecord() {
    DbRecordset rs(connection_);
    if (!FormRecord::Open(rs, prompt_, kTable, key_))
        return;
    month_->setText(rs.GetString(QStringLiteral("WageMonth")));
    user_->setText(rs.GetString(QStringLiteral("UserName")));
    for (int i = 0; i < figures_.size(); ++i)
        figures_[i]->setText(GridText(rs.GetDouble(WageSheet::FigureColumns().at(i).name)));
    remarks_->setText(rs.GetString(QStringLiteral("Remarks")));
    loaded_ = true;
    ShowNetPay();
}

void WageDlg::ShowNetPay() {
    WageSheet::Figures figures;
    for (int i = 0; i < figures_.size(); ++i) {
        if (!WageSheet::ParseFigure(figures_[i]->text(), figures[i])) {
            netPay_->clear();
            return;
        }
    }
    netPay_->setText(WageSheet::FigureText(figures.NetPay()));
}

bool WageDlg::OnOK() {
    if (!loaded_) {
        // The row was never shown; saving would write over it blind.
        prompt_.Message(QStringLiteral("指定的数据不存在!"));
        return false;
    }
    WageSheet::Figures figures;
    for (int i = 0; i < figures_.size(); ++i) {
        if (!WageSheet::ParseFigure(figures_[i]->text(), figures[i])) {
            prompt_.Message(WageSheet::FigureColumns().at(i).caption +
                            QStringLiteral("必须是数字"));
            figures_[i]->setFocus();
            figures_[i]->selectAll();
            return false;
        }
    }
    RowValues values;
    for (int i = 0; i < figures_.size(); ++i)
        values.SetDouble(WageSheet::FigureColumns().at(i).name, figures[i]);
    values.SetDouble(QStringLiteral("NetPay"), figures.NetPay());
    values.SetText(QStringLiteral("Remarks"), remarks_->text());
    if (!FormRecord::Update(connection_, prompt_, kTable, values, key_))
        return false;

    bag_.SetInt(kBag, QStringLiteral("KeyId"), key_);
    for (int i = 0; i < figures_.size(); ++i)
        bag_.SetString(kBag, WageSheet::FigureColumns().at(i).name, GridText(figures[i]));
    bag_.SetString(kBag, QStringLiteral("NetPay"), GridText(figures.NetPay()));
    bag_.SetString(kBag, QStringLiteral("Remarks"), remarks_->text());
    accept();
    return true;
}

bool RunWageForm(Prompt& prompt, DbConnection& connection, IniFile& bag, QWidget* parent) {
    WageDlg dialog(prompt, connection, bag, parent);
    return prompt.RunModal(dialog) == QDialog::Accepted;
}
