#include "ui/GridCellCombo.h"

#include <QComboBox>
#include <QLineEdit>

void CGridCellCombo::CopyFrom(const CGridCell& other) {
    CGridCell::CopyFrom(other);
    if (const auto* combo = dynamic_cast<const CGridCellCombo*>(&other))
        options_ = combo->options_;
}

QWidget* CGridCellCombo::CreateEditor(QWidget* parent, const QString& text) const {
    auto* combo = new QComboBox(parent);
    // A drop-down with an edit field: the user may pick an option or type.
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setMaxVisibleItems(4);
    combo->addItems(options_);
    const int index = options_.indexOf(text);
    if (index >= 0)
        combo->setCurrentIndex(index);
    else
        combo->setEditText(text);
    return combo;
}

QString CGridCellCombo::EditorText(const QWidget* editor) const {
    const auto* combo = qobject_cast<const QComboBox*>(editor);
    return combo ? combo->currentText() : QString();
}

void CGridCellCombo::EditorShown(QWidget* editor) const {
    // The list opens at once, so one click picks an option.
    if (auto* combo = qobject_cast<QComboBox*>(editor))
        combo->showPopup();
}
