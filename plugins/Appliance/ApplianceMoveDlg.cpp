#include "ApplianceMoveDlg.h"

#include "ui/FormButtons.h"
#include "ui/Prompt.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

} // namespace

ApplianceMoveDlg::ApplianceMoveDlg(Prompt& prompt, DbConnection& connection,
                                   ApplianceStock::Kind kind, int applianceId,
                                   const QString& itemName, int stock, const QString& handler,
                                   QWidget* parent)
    : QDialog(parent), prompt_(prompt), connection_(connection), itemName_(itemName),
      stock_(stock) {
    movement_.applianceId = applianceId;
    movement_.kind = kind;
    movement_.handler = handler;
    setWindowTitle(ApplianceStock::KindText(kind));
    setObjectName(QStringLiteral("ApplianceMoveDlg"));
    auto shown = [this](const QString& text) {
        auto* edit = new QLineEdit(text, this);
        edit->setReadOnly(true);
        edit->setFocusPolicy(Qt::NoFocus);
        return edit;
    };
    auto typed = [this](const QString& column) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(column);
        return edit;
    };
    quantity_ = typed(QStringLiteral("Quantity"));
    time_ = typed(QStringLiteral("MoveTime"));
    time_->setText(QDateTime::currentDateTime().toString(kTimeFormat));
    remarks_ = typed(QStringLiteral("Remarks"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("物品"), shown(itemName));
    form->addRow(QStringLiteral("现有库存"), shown(QString::number(stock)));
    form->addRow(QStringLiteral("数量"), quantity_);
    if (kind == ApplianceStock::Kind::Issue) {
        person_ = typed(QStringLiteral("Person"));
        form->addRow(QStringLiteral("领用人"), person_);
    }
    form->addRow(QStringLiteral("日期"), time_);
    form->addRow(QStringLiteral("经手人"), shown(handler));
    form->addRow(QStringLiteral("备注"), remarks_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form, 1);
    layout->addWidget(MakeFormButtons(this, [this] { OnOK(); }));
    quantity_->setFocus();
}

QLineEdit* ApplianceMoveDlg::Field(const QString& column) const {
    for (QLineEdit* edit : {quantity_, person_, time_, remarks_}) {
        if (edit && edit->objectName() == column)
            return edit;
    }
    return nullptr;
}

bool ApplianceMoveDlg::OnOK() {
    bool ok = false;
    const int quantity = quantity_->text().trimmed().toInt(&ok);
    if (!ok || quantity <= 0) {
        prompt_.Message(QStringLiteral("数量必须是大于0的整数"));
        quantity_->setFocus();
        return false;
    }
    if (person_ && person_->text().trimmed().isEmpty()) {
        prompt_.Message(QStringLiteral("请输入领用人"));
        person_->setFocus();
        return false;
    }
    // The movements are listed by this text: it must sort as a time.
    const QString time = time_->text().trimmed();
    if (!QDateTime::fromString(time, kTimeFormat).isValid()) {
        prompt_.Message(QStringLiteral("日期格式不正确，请按“年-月-日 时:分:秒”输入，例如 ") +
                        QDateTime::currentDateTime().toString(kTimeFormat));
        time_->setFocus();
        return false;
    }
    movement_.quantity = quantity;
    movement_.time = time;
    movement_.person = person_ ? person_->text().trimmed() : QString();
    movement_.remarks = remarks_->text();

    const ApplianceStock::Result result = ApplianceStock::Record(connection_, movement_);
    switch (result.outcome) {
    case ApplianceStock::Outcome::Done:
        stock_ = result.stock;
        accept();
        return true;
    case ApplianceStock::Outcome::Short:
        stock_ = result.stock;
        prompt_.Message(QStringLiteral("库存不足: ") + itemName_ + QStringLiteral(" 现有库存 ") +
                        QString::number(result.stock) + QStringLiteral(", 不能领用 ") +
                        QString::number(quantity));
        quantity_->setFocus();
        return false;
    case ApplianceStock::Outcome::Missing:
        prompt_.Message(QStringLiteral("指定的数据不存在!"));
        return false;
    case ApplianceStock::Outcome::Failed:
        prompt_.Message(result.error);
        return false;
    }
    return false;
}
