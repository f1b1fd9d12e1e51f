#include "HolidayDlg.h"

#include "LeaveRequests.h"
#include "OfficeDates.h"

#include "base/IniFile.h"
#include "framework/FormRecord.h"
#include "framework/RowValues.h"
#include "ui/FormButtons.h"
#include "ui/Prompt.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

const QString kBag = QStringLiteral(".");

QString FormatHelp() {
    const QString today = OfficeDates::DayText(QDate::currentDate());
    return QStringLiteral("请按“年-月-日”或“年-月-日 时:分”输入，例如 ") + today +
           QStringLiteral(" 或 ") + today + QStringLiteral(" 09:00");
}

} // namespace

CHolidayDlg::CHolidayDlg(Prompt& prompt, DbConnection& connection, const QString& userName,
                         IniFile& bag, QWidget* parent)
    : CRecordFormDlg(prompt, connection, parent), userName_(userName), bag_(bag) {
    setWindowTitle(QStringLiteral("写请假条"));
    setObjectName(QStringLiteral("HolidayDlg"));
    kind_ = new QComboBox(this);
    kind_->setObjectName(QStringLiteral("Kind"));
    kind_->addItems(LeaveRequests::Kinds());
    const QString today = OfficeDates::DayText(QDate::currentDate());
    from_ = new QLineEdit(today, this);
    from_->setObjectName(QStringLiteral("FromDate"));
    to_ = new QLineEdit(today, this);
    to_->setObjectName(QStringLiteral("ToDate"));
    reason_ = new QPlainTextEdit(this);
    reason_->setObjectName(QStringLiteral("Reason"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("请假类别"), kind_);
    form->addRow(QStringLiteral("开始时间"), from_);
    form->addRow(QStringLiteral("结束时间"), to_);
    form->addRow(QStringLiteral("请假事由"), reason_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form, 1);
    layout->addWidget(MakeFormButtons(this, [this] { OnOK(); }));
    resize(440, 320);
    kind_->setFocus();
}

QLineEdit* CHolidayDlg::Field(const QString& column) const {
    if (column == QLatin1String("FromDate"))
        return from_;
    if (column == QLatin1String("ToDate"))
        return to_;
    return nullptr;
}

bool CHolidayDlg::CheckInput() {
    QDateTime from;
    if (!OfficeDates::ParseLeaveTime(from_->text().trimmed(), false, from)) {
        prompt_.Message(QStringLiteral("开始时间的格式不正确，") + FormatHelp());
        from_->setFocus();
        return false;
    }
    QDateTime to;
    if (!OfficeDates::ParseLeaveTime(to_->text().trimmed(), true, to)) {
        prompt_.Message(QStringLiteral("结束时间的格式不正确，") + FormatHelp());
        to_->setFocus();
        return false;
    }
    if (to < from) {
        prompt_.Message(QStringLiteral("结束时间不能早于开始时间"));
        to_->setFocus();
        return false;
    }
    if (reason_->toPlainText().trimmed().isEmpty()) {
        prompt_.Message(QStringLiteral("请输入请假事由"));
        reason_->setFocus();
        return false;
    }
    return true;
}

bool CHolidayDlg::Save() {
    const QString applied = OfficeDates::Now();
    RowValues values;
    values.SetText(QStringLiteral("UserName"), userName_);
    values.SetText(QStringLiteral("Kind"), kind_->currentText());
    values.SetText(QStringLiteral("FromDate"), from_->text().trimmed());
    values.SetText(QStringLiteral("ToDate"), to_->text().trimmed());
    values.SetText(QStringLiteral("Reason"), reason_->toPlainText().trimmed());
    values.SetText(QStringLiteral("Applied"), applied);
    values.SetText(QStringLiteral("State"), LeaveRequests::kPending);
    values.SetText(QStringLiteral("Approver"), QString());
    values.SetText(QStringLiteral("Answer"), QString());
    values.SetText(QStringLiteral("AnswerTime"), QString());
    int key = 0;
    if (!FormRecord::Insert(connection_, prompt_, QStringLiteral("Holiday"), values, key))
        return false;
    bag_.SetInt(kBag, QStringLiteral("KeyId"), key);
    bag_.SetString(kBag, QStringLiteral("Kind"), kind_->currentText());
    bag_.SetString(kBag, QStringLiteral("FromDate"), from_->text().trimmed());
    bag_.SetString(kBag, QStringLiteral("ToDate"), to_->text().trimmed());
    bag_.SetString(kBag, QStringLiteral("Reason"), reason_->toPlainText().trimmed());
    bag_.SetString(kBag, QStringLiteral("Applied"), applied);
    bag_.SetString(kBag, QStringLiteral("State"), LeaveRequests::kPending);
    return true;
}

bool RunHolidayForm(Prompt& prompt, DbConnection& connection, const QString& userName, IniFile& bag,
                    QWidget* parent) {
    CHolidayDlg dialog(prompt, connection, userName, bag, parent);
    return prompt.RunModal(dialog) == QDialog::Accepted;
}
