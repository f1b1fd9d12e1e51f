#include "framework/RecordFormDlg.h"

#include "ui/Prompt.h"

CRecordFormDlg::CRecordFormDlg(Prompt& prompt, DbConnection& connection, QWidget* parent)
    : QDialog(parent), prompt_(prompt), connection_(connection) {}

bool CRecordFormDlg::OnOK() {
    if (editMode_ && !loaded_) {
        prompt_.Message(QStringLiteral("指定的数据不存在!"));
        return false;
    }
    if (!CheckInput() || !Save())
        return false;
    accept();
    return true;
}
