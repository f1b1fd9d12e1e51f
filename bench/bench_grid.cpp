// Speed of the grid on the path every list takes: a page of 200 rows of 15
// columns filled the way the list query fills it (remove the data rows,
// append rows of height 20, set every text) and painted once, plus the
// operations that touch every row (sort, select all and copy, auto-size);
// then the same page with one cell of 50 MB (a long line imported into one
// field), which must paint and auto-size about as fast as the plain page.
//
// Run: bench_grid [repetitions]   (default 30; offscreen unless a platform is set)

#include "BenchTiming.h"
#include "ui/GridCtrl.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kRows = 200;
constexpr int kCols = 15;
int g_repetitions = 30;

void Report(const char* what, double ms) {
    std::printf("%-44s %8.3f ms\n", what, ms);
}

// Texts like a customer page: key, names, phones, addresses, times, money.
std::vector<QStringList> PageTexts() {
    const QStringList names = {
        QStringLiteral("北京华宇科技有限公司"), QStringLiteral("上海东方贸易公司"),
        QStringLiteral("广州市天河区信息服务部"), QStringLiteral("深圳新世纪电子")};
    std::vector<QStringList> rows;
    for (int r = 0; r < kRows; ++r) {
        QStringList row;
        row << QString::number(10000 + r) << names.at(r % names.size()) << QStringLiteral("张经理")
            << QStringLiteral("010-6234%1").arg(r, 4, 10, QLatin1Char('0'))
            << QStringLiteral("1380013%1").arg(r, 4, 10, QLatin1Char('0')) << QStringLiteral("北京")
            << QStringLiteral("海淀区") << QStringLiteral("中关村大街%1号").arg(r)
            << QStringLiteral("100080") << QStringLiteral("直接客户") << QStringLiteral("admin")
            << QStringLiteral("2024-05-%1 10:20:30").arg(1 + r % 28, 2, 10, QLatin1Char('0'))
            << QString::number(1234.5 + r, 'f', 2) << QStringLiteral("/客户/华北/")
            << QStringLiteral("备注第%1行").arg(r);
        rows.push_back(row);
    }
    return rows;
}

void FillPage(CGridCtrl& grid, const std::vector<QStringList>& page, bool bracket) {
    if (bracket)
        grid.SetRedraw(false);
    grid.SetDefaultCellMargin(2);
    grid.DeleteNonFixedRows();
    for (const QStringList& texts : page) {
        const int row = grid.InsertRow(QString());
        grid.SetRowHeight(row, 20);
        for (int c = 0; c < kCols; ++c)
            grid.SetItemText(row, c, texts.at(c));
    }
    if (bracket)
        grid.SetRedraw(true, true);
    else
        grid.Refresh();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 1)
        g_repetitions = std::max(1, std::atoi(argv[1]));

    CGridCtrl grid;
    grid.SetColumnCount(kCols);
    grid.SetFixedRowCount(1);
    grid.SetFixedColumnCount(1);
    grid.SetListMode(true);
    grid.SetEditable(false);
    for (int c = 0; c < kCols; ++c)
        grid.SetItemText(0, c, QStringLiteral("列%1").arg(c));
    grid.resize(1024, 600);
    grid.show();
    QApplication::processEvents();

    const std::vector<QStringList> page = PageTexts();
    std::printf("grid %d rows x %d columns, best of %d\n", kRows, kCols, g_repetitions);
    Report("fill page (bracketed with SetRedraw)",
           bench::BestMilliseconds(g_repetitions, [&] { FillPage(grid, page, true); }));
    Report("fill page (no bracket)",
           bench::BestMilliseconds(g_repetitions, [&] { FillPage(grid, page, false); }));
    Report("fill page + paint visible cells", bench::BestMilliseconds(g_repetitions, [&] {
               FillPage(grid, page, true);
               grid.viewport()->repaint();
           }));
    Report("paint visible cells",
           bench::BestMilliseconds(g_repetitions, [&] { grid.viewport()->repaint(); }));
    Report("sort by Chinese column (GBK order)", bench::BestMilliseconds(g_repetitions, [&] {
               grid.SortItems(1, grid.GetSortColumn() != 1);
           }));
    Report("select all + copy text", bench::BestMilliseconds(g_repetitions, [&] {
               grid.SetSelectedRange(grid.GetCellRange());
               const QString text = grid.CopyTextFromGrid();
               if (text.isEmpty())
                   std::abort();
           }));
    Report("auto-size all columns and rows",
           bench::BestMilliseconds(g_repetitions, [&] { grid.AutoSize(); }));

    // 50 MB of text in one cell of the visible page (25.6 M UTF-16 characters).
    FillPage(grid, page, true);
    grid.SetItemText(3, 2, QStringLiteral("很长的一行导入文字0123456789").repeated(1350000));
    std::printf("the same page with one cell of %lld characters\n",
                static_cast<long long>(grid.GetItemText(3, 2).size()));
    const int huge = std::max(1, g_repetitions / 10);
    Report("paint visible cells (50 MB cell)",
           bench::BestMilliseconds(huge, [&] { grid.viewport()->repaint(); }));
    Report("auto-size all columns and rows (50 MB cell)",
           bench::BestMilliseconds(huge, [&] { grid.AutoSize(); }));
    std::printf("%-44s %8d px\n", "width of the 50 MB cell's column", grid.GetColumnWidth(2));
    return 0;
}
