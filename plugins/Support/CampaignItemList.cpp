#include "CampaignItemList.h"

#include "db/SqlLiteral.h"
#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"
#include "framework/SelectedRows.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

#include <QColor>

CCampaignItemList::CCampaignItemList(DbConnection& connection, Prompt& prompt,
                                     CampaignTables tables,
                                     const QList<QPair<QString, QString>>& columns,
                                     const QString& settingsKey, QString noun, QWidget* parent)
    : CRecordListView(connection, prompt, tables.item, QString(), settingsKey, parent),
      tables_(std::move(tables)), noun_(std::move(noun)) {
    setObjectName(tables_.item + QStringLiteral("List"));
    for (int i = 0; i < columns.size(); ++i) {
        if (columns.at(i).first == QLatin1String("State"))
            stateColumn_ = i;
    }
    CreateParts(columns, QStringLiteral(" order by KeyId "), 8002);
    toolbar_->AddButton(QStringLiteral("重发所选"), kResend, 80);
    toolbar_->AddButton(QStringLiteral("跳过所选"), kSkip, 80);
    toolbar_->AddButton(QStringLiteral("上页"), Command::PrevPage, 60);
    toolbar_->AddButton(QStringLiteral("下页"), Command::NextPage, 60);
    // Nothing listed until a task is chosen.
    SetConditions({QStringLiteral("(TaskId=0)")});
}

void CCampaignItemList::SetTask(int task, bool running) {
    task_ = task;
    running_ = running;
    SetConditions({QStringLiteral("(TaskId=") + SqlLiteral::Long(task) + QLatin1Char(')')});
    Reload();
}

bool CCampaignItemList::OnCommand(int id) {
    switch (id) {
    case kResend:
        ChangeSelected(CampaignItemState::Pending());
        return true;
    case kSkip:
        ChangeSelected(CampaignItemState::Skipped());
        return true;
    case Command::Edit: // a double click: nothing to edit
        return true;
    default:
        return CRecordListView::OnCommand(id);
    }
}

void CCampaignItemList::AfterLoad() {
    if (running_)
        return;
    for (int row = grid_->GetFixedRowCount(); row < grid_->GetRowCount(); ++row) {
        if (grid_->GetItemText(row, stateColumn_) == CampaignItemState::Sending()) {
            grid_->SetItemText(row, stateColumn_, UncertainText());
            grid_->SetItemFgColour(row, stateColumn_, QColor(Qt::red));
        }
    }
}

void CCampaignItemList::ChangeSelected(const QString& state) {
    if (!SelectedRows::HasSelection(*grid_)) {
        prompt_.Message(QStringLiteral("请选择%1!").arg(noun_));
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
        if (grid_->GetItemText(row, stateColumn_) == UncertainText())
            ++uncertain;
    }
    // Sending one of these again may reach the person twice: the user says so.
    if (state == CampaignItemState::Pending() && uncertain > 0 &&
        prompt_.Ask(QStringLiteral("所选%1中有%2个在上次发送时中断, 无法确定是否已经发出。\r\n"
                                   "仍然重发吗?")
                        .arg(noun_)
                        .arg(uncertain)) != Prompt::Answer::Yes)
        return;
    CampaignStore store(connection_, tables_);
    if (!store.SetItemsState(task_, keys, state)) {
        prompt_.Message(store.LastError());
        return;
    }
    Reload();
    emit ItemsChanged(task_);
}
