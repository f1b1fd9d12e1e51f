#pragma once

#include "ApplianceStock.h"

#include <QDialog>

class DbConnection;
class Prompt;
class QLineEdit;

// 入库 / 领用: records one movement of an item. The quantity must be a whole
// number above zero and an issue names who received it; an issue larger than
// the stock is refused and the form stays open with what was typed.
class ApplianceMoveDlg final : public QDialog {
    Q_OBJECT

public:
    ApplianceMoveDlg(Prompt& prompt, DbConnection& connection, ApplianceStock::Kind kind,
                     int applianceId, const QString& itemName, int stock, const QString& handler,
                     QWidget* parent = nullptr);

    // Boxes by column: Quantity, Person (issue only), MoveTime, Remarks.
    QLineEdit* Field(const QString& column) const;
    // The item's stock after the saved movement.
    int Stock() const { return stock_; }

    // What 确定 does: true (and the dialog accepted) when the movement was saved.
    bool OnOK();

private:
    Prompt& prompt_;
    DbConnection& connection_;
    ApplianceStock::Movement movement_;
    QString itemName_;
    int stock_ = 0;
    QLineEdit* quantity_ = nullptr;
    QLineEdit* person_ = nullptr;
    QLineEdit* time_ = nullptr;
    QLineEdit* remarks_ = nullptr;
};
