#pragma once

#include "framework/RecordListView.h"

// What the two contact lists share: ContactData rows edited in the contact
// form, deleted by key, and the links of the selected contact (QQ, the online
// method, mail, a text message). Each link acts on the top selected row and
// does nothing without a selection.
class CContactListBase : public CRecordListView {
    Q_OBJECT

public:
    Q_INVOKABLE bool OnCommand(int id) override;

protected:
    CContactListBase(DbConnection& connection, Prompt& prompt, const QString& settingsKey,
                     QWidget* parent);

    // The columns of the lists; the search adds the customer's key and name
    // after the contact's name.
    static QList<QPair<QString, QString>> Columns(bool withCustomer);

    bool RunForm(IniFile& bag) override;
    // The customer of a contact row: the shown customer on a customer's tab,
    // the row's own on the search.
    virtual int CustomerOfRow(int row) const = 0;

    // The customer new contacts are for (the customer a tab shows), or 0.
    int customerKey_ = 0;

private:
    // The text of a column of the top selected row; false without a selection.
    bool TopRowText(const QString& column, QString& text) const;
    void OpenQq();
    void OpenMessenger();
    void OpenMail();
    void SendSms();
};
