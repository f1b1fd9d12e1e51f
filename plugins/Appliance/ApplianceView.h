#pragma once

#include "ApplianceStock.h"

#include "framework/RecordListView.h"

#include <QColor>

#include <memory>

class CGridCtrl;
class ListGridBinding;

// 办公用品: the office-supply items with their stock, items below their
// minimum on a coloured row, and under them the movements of the selected
// item, latest first. Everyone records 入库 and 领用; only admin adds, edits
// and deletes items (an item's stock changes only through movements, so no
// form types it). Deleting an item deletes its movements with it.
class ApplianceView final : public CRecordListView {
    Q_OBJECT

public:
    static constexpr int kReceive = 6101; // 入库
    static constexpr int kIssue = 6102;   // 领用

    ApplianceView(DbConnection& connection, Prompt& prompt, const QString& userName, bool admin,
                  QWidget* parent = nullptr);
    ~ApplianceView() override;

    Q_INVOKABLE bool OnCommand(int id) override;

    // The movements grid; it lists the top selected item's movements.
    CGridCtrl* MovesGrid() const { return movesGrid_; }
    // Lists the movements of the top selected item (none without one).
    void ShowMoves();

    // The colour of an item's row: LowStock() below its minimum, else none.
    static QColor RowColour(int stock, int minStock);
    static QColor LowStock();

protected:
    void AfterLoad() override;
    bool RunForm(IniFile& bag) override;
    bool DeleteRowRecord(int row, QString& error) override;

private:
    void Move(ApplianceStock::Kind kind);
    void DeleteItems();
    bool MayEditItems();

    QString userName_;
    bool admin_;
    CGridCtrl* movesGrid_ = nullptr;
    std::unique_ptr<ListGridBinding> moves_;
};
