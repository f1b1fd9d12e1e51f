#include "business/OrderCustomFieldBoxes.h"

#include "business/OrderListView.h"
#include "db/AdoType.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "framework/CommandIds.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace {

const QString kTable = QStringLiteral("OrderData");

QString TextOf(const QWidget* box) {
    if (const auto* list = qobject_cast<const QComboBox*>(box))
        return list->currentIndex() < 0 ? QString() : list->currentText();
    if (const auto* edit = qobject_cast<const QLineEdit*>(box))
        return edit->text();
    return {};
}

QString LabelOf(const CustomField& field) {
    return field.caption.isEmpty() ? field.fieldName : field.caption;
}

} // namespace

COrderCustomFieldBoxes::COrderCustomFieldBoxes(DbConnection& connection) : connection_(connection) {
    LoadCustomFields(connection_, kTable, fields_, loadError_);
}

int COrderCustomFieldBoxes::AddRows(QWidget& form, QGridLayout& grid, int row) {
    boxes_.clear();
    for (qsizetype i = 0; i < fields_.size(); ++i) {
        const CustomField& field = fields_[i];
        QWidget* box = nullptr;
        if (!field.foreignKey.isEmpty()) {
            auto* list = new QComboBox(&form);
            QStringList choices;
            QString error;
            if (!LoadCustomFieldChoices(connection_, field, choices, error))
                loadError_ = error;
            list->addItems(choices);
            list->setEditable(false);
            // A new order starts with the default when it is one of the choices.
            list->setCurrentIndex(list->findText(field.defaultValue));
            box = list;
        } else {
            box = new QLineEdit(field.defaultValue, &form);
        }
        box->setObjectName(field.fieldName);
        box->setProperty("controlId", Command::FirstCustomFieldControl + int(i));
        box->setMinimumWidth(100);
        if (!field.description.isEmpty())
            box->setToolTip(field.description);
        boxes_ << box;

        const int column = int(i % 2) * 2;
        grid.addWidget(new QLabel(LabelOf(field), &form), row, column);
        grid.addWidget(box, row, column + 1);
        if (i % 2 == 1 || i + 1 == fields_.size())
            ++row;
    }
    // A definition or choice query that cannot be read is said on the form,
    // so an empty choice list is not taken for a list without choices.
    if (!loadError_.isEmpty()) {
        auto* problem = new QLabel(QStringLiteral("自定义字段读取失败: ") + loadError_, &form);
        problem->setObjectName(QStringLiteral("customFieldError"));
        problem->setWordWrap(true);
        problem->setStyleSheet(QStringLiteral("color: #b00000"));
        grid.addWidget(problem, row++, 0, 1, 4);
    }
    return row;
}

void COrderCustomFieldBoxes::Load(DbRecordset& order) {
    for (qsizetype i = 0; i < fields_.size() && i < boxes_.size(); ++i) {
        const QString stored = order.GetString(fields_[i].fieldName);
        if (auto* list = qobject_cast<QComboBox*>(boxes_[i])) {
            int index = stored.isEmpty() ? -1 : list->findText(stored, Qt::MatchFixedString);
            if (index < 0 && !stored.isEmpty())
                index = list->findText(stored, Qt::MatchStartsWith);
            // A stored value that is no longer (or, the choices failing, not)
            // among the choices stays offered, so saving does not erase it.
            if (index < 0 && !stored.isEmpty()) {
                list->addItem(stored);
                index = list->count() - 1;
            }
            list->setCurrentIndex(index);
        } else if (auto* edit = qobject_cast<QLineEdit*>(boxes_[i])) {
            edit->setText(stored);
        }
    }
}

bool COrderCustomFieldBoxes::Values(QList<OrderCustomValue>& values, QString& error) {
    QList<OrderCustomValue> out;
    for (qsizetype i = 0; i < fields_.size() && i < boxes_.size(); ++i) {
        const CustomField& field = fields_[i];
        const QString text = TextOf(boxes_[i]);
        auto refuse = [&](const QString& why) {
            error = why;
            boxes_[i]->setFocus();
            return false;
        };
        if (text.trimmed().isEmpty() && !field.nullable)
            return refuse(LabelOf(field) + QStringLiteral("不能为空"));
        OrderCustomValue value;
        value.column = field.fieldName;
        value.adoType = field.dataType;
        value.text = text;
        if (!AdoType::IsText(field.dataType) && !text.trimmed().isEmpty()) {
            bool ok = false;
            if (AdoType::IsFloating(field.dataType))
                text.trimmed().toDouble(&ok);
            else
                text.trimmed().toInt(&ok);
            if (!ok)
                return refuse(LabelOf(field) + (AdoType::IsFloating(field.dataType)
                                                    ? QStringLiteral("必须是数字")
                                                    : QStringLiteral("必须是整数")));
        }
        out << value;
    }
    values = out;
    return true;
}

void InstallOrderCustomFields() {
    SetOrderCustomFields([](DbConnection& connection) -> std::unique_ptr<OrderCustomFields> {
        return std::make_unique<COrderCustomFieldBoxes>(connection);
    });
    SetOrderListExtraColumns([](DbConnection& connection) {
        QList<QPair<QString, QString>> columns;
        QList<CustomField> fields;
        QString error;
        if (LoadCustomFields(connection, kTable, fields, error)) {
            for (const CustomField& field : std::as_const(fields))
                columns.append({field.fieldName, LabelOf(field)});
        }
        return columns;
    });
}
