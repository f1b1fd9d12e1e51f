#include "SmsItemList.h"

#include "SmsTaskStore.h"

#include "db/SqlLiteral.h"
#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"
#include "framework/SelectedRows.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

#include <QColor>

namespace {

constexpr int kStateColumn = 3;

} // namespace

CSmsItemList::CSmsItemList(DbConnection& connection, Prompt& prompt, QWidget* parent)
    : CRecordListView(connection, prompt, QStringLiteral("SmsTaskItem"), QString(),
                      QStringLiteral("ListSmsTaskItem"), parent) {
    setObjectName(QStringLiteral("SmsItemList"));
    CreateParts({{QStringLiteral("KeyId"), QStringLiteral("编号")},
                 {QStringLiteral("Mobile"), QStringLiteral("手机号码")},
                 {QStringLiteral("Name"), QStringLiteral("姓名")},
                 {QStringLiteral("State"), QStringLiteral("状态")},
                 {QStringLiteral("Reply"), QStringLiteral("说明")},
                 {QStringLiteral("SentTime"), QStringLiteral("时间")},
                 {QStringLiteral("Text"), QStringLiteral("短信内容")}},
                QStringLiteral(" order by KeyId "), 8002);
    toolbar_->AddButton(QStringLiteral("重发所选"), kResend, 80);
    toolbar_->AddButton(QStringLiteral("跳过所选"), kSkip, 80);
    toolbar_->AddButton(QStringLiteral("上页"), Command::PrevPage, 60);
    toolbar_->AddButton(QStringLiteral("下页"), Command::NextPage, 60);
    // Nothing listed until a task is chosen.
    SetConditions({QStringLiteral("(TaskId=0)")});
}

void CSmsItemList::SetTask(int task, bool running) {
    task_ = task;
    running_ = running;
    SetConditions({QStringLiteral("(TaskId=") + SqlLiteral::Long(task) + QLatin1Char(')')});
    Reload();
}

bool CSmsItemList::OnCommand(int id) {
    switch (id) {
    case kResend:
        ChangeSelected(SmsItemState::Pending());
        return true;
    case kSkip:
        ChangeSelected(SmsItemState::Skipped());
        return true;
    case Command::Edit: // a double click: nothing to edit
        return true;
    default:
        return CRecordListView::OnCommand(id);
    }
}

void CSmsItemList::AfterLoad() {
    if (running_)
        return;
    for (int row = grid_->GetFixedRowCount(); row < grid_->GetRowCount(); ++row) {
        if (grid_->GetItemText(row, kStateColumn) == SmsItemState::Sending()) {
            grid_->SetItemText(row, kStateColumn, UncertainText());
            grid_->SetItemFgColour(row, kStateColumn, QColor(Qt::red));
        }
    }
}

void CSmsItemList::ChangeSelected(const QString& state) {
    if (!SelectedRows::HasSelection(*grid_)) {
        prompt_.Message(QStringLiteral("请选择号码!"));
        return;
    }
    if (running_) {
        prompt_.Message(QStringLiteral("任务正在发送, 请先停止"));
        return;
    }
    std::vector<int> keys;
    int uncertain = 0;
    for (const int row : SelectedRows::BottomUp(*grid_)) {
        const int key = SelectedRows::KeyOfRow(*grid_, row);
        if (key < 1)
            continue;
        keys.push_back(key);
        if (grid_->GetItemText(row, kStateColumn) == UncertainText())
            ++uncertain;
    }
    // Sending one of these again may reach the person twice: the user says so.
    if (state == SmsItemState::Pending() && uncertain > 0 &&
        prompt_.Ask(QStringLiteral("所选号码中有%1个在上次发送时中断, 无法确定是否已经发出。\r\n"
                                   "仍然重发吗?")
                        .arg(uncertain)) != Prompt::Answer::Yes)
        return;
    SmsTaskStore store(connection_);
    if (!store.SetItemsState(task_, keys, state)) {
        prompt_.Message(store.LastError());
        return;
    }
    Reload();
    emit ItemsChanged(task_);
}
