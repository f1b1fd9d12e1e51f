#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class CGridCtrl;
class DbConnection;
class ListGridBinding;
class Prompt;
class QLineEdit;
class QPushButton;
class QueryBinder;

// 选择客户: the picker in which a user chooses one customer or supplier row,
// most recently active first, 200 to a page. The search box finds a fragment
// of the name or the contact person (typed as a literal, % and _ still
// wildcards); 确定 or a double click takes the top selected row. The column
// widths are remembered under "CSelectCustomerDlg".
class CSelectCustomerDlg final : public QDialog {
    Q_OBJECT

public:
    static constexpr int kGridControl = 8001;

    // `category` narrows the list to one kind of customer (empty: all rows).
    CSelectCustomerDlg(Prompt& prompt, DbConnection& connection, const QString& category,
                       QWidget* parent = nullptr);
    ~CSelectCustomerDlg() override;

    QLineEdit* SearchBox() const { return search_; }
    CGridCtrl* Grid() const { return grid_; }
    QueryBinder& Binder() const;

    // 查询: the rows matching the search box, from the first page.
    void OnSearch();
    // 上页 / 下页.
    void OnPrevPage();
    void OnNextPage();
    // 确定: true (and the dialog accepted) with a row selected; otherwise
    // "请选择客户资料!" and the picker stays open.
    bool OnOK();

    // The chosen row after 确定.
    int Key() const { return key_; }
    const QString& Name() const { return name_; }

    // The condition for a category: suppliers are the rows marked as such or
    // filed under 供应商, resellers likewise with 代理商; any other category
    // is matched by name. Empty for no category.
    static QString CategoryCondition(const QString& category);
    // The condition for a search text (empty for none).
    static QString SearchCondition(const QString& text);

private:
    void Load();

    Prompt& prompt_;
    DbConnection& connection_;
    QString category_;
    QLineEdit* search_ = nullptr;
    CGridCtrl* grid_ = nullptr;
    std::unique_ptr<ListGridBinding> binding_;
    int key_ = 0;
    QString name_;
};

// Runs the picker through prompt.RunModal; true when a row was chosen, with
// its key and name.
bool PickCustomer(Prompt& prompt, DbConnection& connection, QWidget* parent,
                  const QString& category, int& key, QString& name);
