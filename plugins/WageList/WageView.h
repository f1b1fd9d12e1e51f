#pragma once

#include "framework/RecordListView.h"

class QComboBox;
class QLabel;

// 发放工资: the wage sheet of one month, a row per staff member, the month
// picked above the grid and its totals under it. 新建工资表 makes a month's
// sheet from the latest earlier one, 编辑 changes a row in its form, 删除工资表
// deletes the month's sheet, 导出 writes it to a CSV file.
class WageView final : public CRecordListView {
    Q_OBJECT

public:
    static constexpr int kNewSheet = 6201;    // 新建工资表
    static constexpr int kDeleteSheet = 6202; // 删除工资表
    static constexpr int kExport = 6203;      // 导出

    WageView(DbConnection& connection, Prompt& prompt, QWidget* parent = nullptr);

    Q_INVOKABLE bool OnCommand(int id) override;

    // The month shown ("" when there is no sheet yet).
    QString Month() const;
    // Shows the sheet of `month` (a month in the picker).
    void SelectMonth(const QString& month);
    QComboBox* MonthPicker() const { return months_; }
    // The totals line under the grid.
    QString TotalsText() const;

protected:
    void AfterLoad() override;
    bool RunForm(IniFile& bag) override;

private:
    void LoadMonths(const QString& select);
    void ShowMonth();
    void NewSheet();
    void DeleteSheet();
    void Export();

    QComboBox* months_ = nullptr;
    QLabel* totals_ = nullptr;
};
