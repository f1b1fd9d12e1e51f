#include "BulletinDlg.h"

#include "OfficeDates.h"

#include "base/IniFile.h"
#include "db/DbRecordset.h"
#include "framework/FormRecord.h"
#include "framework/RowValues.h"
#include "framework/SelectedRows.h"
#include "ui/FormButtons.h"
#include "ui/Prompt.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <utility>

namespace {

const QString kBag = QStringLiteral(".");
const QString kTable = QStringLiteral("Bulletin");
constexpr int kDefaultDays = 30;

} // namespace

CBulletinDlg::CBulletinDlg(Prompt& prompt, DbConnection& connection, const QString& userName,
                           IniFile& bag, QWidget* parent)
    : CRecordFormDlg(prompt, connection, parent), userName_(userName), bag_(bag) {
    setObjectName(QStringLiteral("BulletinDlg"));
    auto typed = [this](const QString& column) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(column);
        return edit;
    };
    title_ = typed(QStringLiteral("Title"));
    title_->setMaxLength(100);
    validFrom_ = typed(QStringLiteral("ValidFrom"));
    validTo_ = typed(QStringLiteral("ValidTo"));
    content_ = new QPlainTextEdit(this);
    content_->setObjectName(QStringLiteral("Content"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("标题"), title_);
    form->addRow(QStringLiteral("有效期自"), validFrom_);
    form->addRow(QStringLiteral("至"), validTo_);
    form->addRow(QStringLiteral("内容"), content_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form, 1);
    layout->addWidget(MakeFormButtons(this, [this] { OnOK(); }));
    resize(520, 400);

    if (const auto key = bag_.Find(kBag, QStringLiteral("KeyId"));
        key && SelectedRows::ParseKey(key->trimmed(), key_)) {
        editMode_ = true;
        loaded_ = false;
        setWindowTitle(QStringLiteral("修改公告"));
        DbRecordset rs(connection_);
        if (FormRecord::Open(rs, prompt_, kTable, key_)) {
            title_->setText(rs.GetString(QStringLiteral("Title")));
            validFrom_->setText(rs.GetString(QStringLiteral("ValidFrom")));
            validTo_->setText(rs.GetString(QStringLiteral("ValidTo")));
            content_->setPlainText(rs.GetString(QStringLiteral("Content")));
            loaded_ = true;
        }
    } else {
        key_ = 0;
        setWindowTitle(QStringLiteral("发布公告"));
        const QDate today = QDate::currentDate();
        validFrom_->setText(OfficeDates::DayText(today));
        validTo_->setText(OfficeDates::DayText(today.addDays(kDefaultDays)));
    }
    title_->setFocus();
}

QLineEdit* CBulletinDlg::Field(const QString& column) const {
    for (QLineEdit* edit : {title_, validFrom_, validTo_}) {
        if (edit->objectName() == column)
            return edit;
    }
    return nullptr;
}

bool CBulletinDlg::CheckInput() {
    if (title_->text().trimmed().isEmpty()) {
        prompt_.Message(QStringLiteral("请输入公告的标题"));
        title_->setFocus();
        return false;
    }
    if (content_->toPlainText().trimmed().isEmpty()) {
        prompt_.Message(QStringLiteral("请输入公告的内容"));
        content_->setFocus();
        return false;
    }
    QDate from;
    QDate to;
    for (auto [edit, day] : {std::pair{validFrom_, &from}, std::pair{validTo_, &to}}) {
        if (!OfficeDates::ParseDay(edit->text().trimmed(), *day)) {
            prompt_.Message(QStringLiteral("有效期的日期格式不正确，请按“年-月-日”输入，例如 ") +
                            OfficeDates::DayText(QDate::currentDate()));
            edit->setFocus();
            return false;
        }
    }
    if (to < from) {
        prompt_.Message(QStringLiteral("有效期的结束日期不能早于开始日期"));
        validTo_->setFocus();
        return false;
    }
    return true;
}

bool CBulletinDlg::Save() {
    RowValues values;
    values.SetText(QStringLiteral("Title"), title_->text().trimmed());
    values.SetText(QStringLiteral("Content"), content_->toPlainText());
    values.SetText(QStringLiteral("ValidFrom"), validFrom_->text().trimmed());
    values.SetText(QStringLiteral("ValidTo"), validTo_->text().trimmed());
    if (editMode_) {
        if (!FormRecord::Update(connection_, prompt_, kTable, values, key_))
            return false;
    } else {
        const QString published = OfficeDates::Now();
        values.SetText(QStringLiteral("Publisher"), userName_);
        values.SetText(QStringLiteral("Published"), published);
        if (!FormRecord::Insert(connection_, prompt_, kTable, values, key_))
            return false;
        bag_.SetString(kBag, QStringLiteral("Publisher"), userName_);
        bag_.SetString(kBag, QStringLiteral("Published"), published);
    }
    bag_.SetInt(kBag, QStringLiteral("KeyId"), key_);
    bag_.SetString(kBag, QStringLiteral("Title"), title_->text().trimmed());
    bag_.SetString(kBag, QStringLiteral("ValidFrom"), validFrom_->text().trimmed());
    bag_.SetString(kBag, QStringLiteral("ValidTo"), validTo_->text().trimmed());
    return true;
}

bool RunBulletinForm(Prompt& prompt, DbConnection& connection, const QString& userName,
                     IniFile& bag, QWidget* parent) {
    CBulletinDlg dialog(prompt, connection, userName, bag, parent);
    return prompt.RunModal(dialog) == QDialog::Accepted;
}
