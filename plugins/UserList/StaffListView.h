#pragma once

#include "ModuleContext.h"

#include "framework/RecordListView.h"

// 职员管理: the working staff. Admin adds, edits and removes staff, sets
// anyone's password and moves people to the leavers (离职档案); everyone
// else may look at a colleague's details and change their own password.
// The account "admin" is never removed or sent away, and nobody removes
// their own account.
class CStaffListView final : public CRecordListView {
    Q_OBJECT

public:
    CStaffListView(const ModuleContext& context, QWidget* parent = nullptr);

    Q_INVOKABLE bool OnCommand(int id) override;

protected:
    bool RunForm(IniFile& bag) override;

private:
    // The login names of the selected rows; empty (after saying so) without
    // a selection.
    QStringList SelectedNames(const QString& noSelection) const;
    // False, after saying why, when the selection holds admin or the
    // logged-in user.
    bool MayRemove(const QStringList& names, const QString& refusal) const;
    bool AdminOnly();
    void Remove();
    void Leave();
    void ChangePassword();

    ModuleContext context_;
};
