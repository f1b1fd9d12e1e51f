#pragma once

#include "framework/RecordListView.h"

class QComboBox;

// 查询工资: pay slips, latest month first, every column. An ordinary user
// sees their own rows only: the logged-in name is the list's base condition,
// which no search widens. Holders of 发放工资 (and admin) see everyone's and
// may pick one person.
class WageSearchView final : public CRecordListView {
    Q_OBJECT

public:
    // `everyone`: the user may see every person's slips.
    WageSearchView(DbConnection& connection, Prompt& prompt, const QString& userName, bool everyone,
                   QWidget* parent = nullptr);

    // The person picker (null for a user who sees their own slips only); its
    // first entry, "", lists everyone.
    QComboBox* PersonPicker() const { return people_; }
    // Lists the slips of `userName` ("" for everyone); only for a user who
    // sees everyone's.
    void PickPerson(const QString& userName);

private:
    QComboBox* people_ = nullptr;
};
