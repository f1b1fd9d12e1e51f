#pragma once

#include "ui/GridCell.h"

#include <QStringList>

// A cell edited with a drop-down list instead of an edit box. The list offers
// the options in order; the current text is selected when it is one of them
// and typed in otherwise, so the user may also enter a text of his own.
class CGridCellCombo final : public CGridCell {
public:
    // Replaces the option list, keeping its order.
    void SetOptions(const QStringList& options) { options_ = options; }
    const QStringList& GetOptions() const { return options_; }

    void CopyFrom(const CGridCell& other) override;
    QWidget* CreateEditor(QWidget* parent, const QString& text) const override;
    QString EditorText(const QWidget* editor) const override;
    void EditorShown(QWidget* editor) const override;

private:
    QStringList options_;
};
