#include "CampaignTaskView.h"

#include "CampaignItemList.h"
#include "CampaignRuns.h"
#include "CampaignSender.h"

#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"
#include "framework/SelectedRows.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>

#include <algorithm>

namespace {

// The lists refresh at most this often while a run reports progress.
constexpr int kRefreshMs = 700;

} // namespace

CCampaignTaskView::CCampaignTaskView(DbConnection& connection, Prompt& prompt, CampaignRuns& runs,
                                     Parts parts, QWidget* parent)
    : CRecordListView(connection, prompt, parts.tables.task, parts.baseCondition, parts.settingsKey,
                      parent),
      runs_(runs), tables_(std::move(parts.tables)), noun_(std::move(parts.noun)),
      items_(parts.items) {
    CreateParts(parts.columns, QStringLiteral(" order by KeyId desc "));
    toolbar_->AddButton(QStringLiteral("新建"), Command::Add, 60);
    toolbar_->AddButton(QStringLiteral("发送"), kSend, 60);
    toolbar_->AddButton(QStringLiteral("停止"), kStop, 60);
    toolbar_->AddButton(QStringLiteral("删除"), Command::Delete, 60);
    toolbar_->AddButton(QStringLiteral("刷新"), Command::Reload, 60);
    toolbar_->AddButton(QStringLiteral("上页"), Command::PrevPage, 60);
    toolbar_->AddButton(QStringLiteral("下页"), Command::NextPage, 60);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(grid_);
    splitter->addWidget(items_);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);
    auto* strip = new QWidget(this);
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(4, 2, 4, 2);
    progressText_ = new QLabel(strip);
    progress_ = new QProgressBar(strip);
    progress_->setRange(0, 1);
    progress_->setValue(0);
    stopButton_ = new QPushButton(QStringLiteral("停止"), strip);
    stopButton_->setEnabled(false);
    stripLayout->addWidget(progressText_, 2);
    stripLayout->addWidget(progress_, 3);
    stripLayout->addWidget(stopButton_);
    PlaceGrid(splitter, strip);
    connect(stopButton_, &QPushButton::clicked, this, [this] { OnCommand(kStop); });

    connect(grid_, &CGridCtrl::Click, this, [this](int row, int) {
        const int key = SelectedRows::KeyOfRow(*grid_, row);
        if (key > 0 && key != items_->Task())
            ShowTask(key);
    });
    connect(items_, &CCampaignItemList::ItemsChanged, this, [this](int task) {
        Reload();
        UpdateStrip(task);
    });
    connect(&runs_, &CampaignRuns::Progress, this, &CCampaignTaskView::OnProgress);
    connect(&runs_, &CampaignRuns::Finished, this, &CCampaignTaskView::OnFinished);
    lastRefresh_.start();

    SetConditions({});
    Reload();
}

CCampaignTaskView::~CCampaignTaskView() = default;

int CCampaignTaskView::CurrentTask() const {
    const int key = SelectedRows::KeyOfRow(*grid_, SelectedRows::TopRow(*grid_));
    return key > 0 ? key : items_->Task();
}

void CCampaignTaskView::ShowTask(int task) {
    for (int row = grid_->GetFixedRowCount(); row < grid_->GetRowCount(); ++row) {
        if (SelectedRows::KeyOfRow(*grid_, row) == task) {
            grid_->SetSelectedRange(row, 0, row, grid_->GetColumnCount() - 1);
            break;
        }
    }
    items_->SetTask(task, runs_.Running(task) != nullptr);
    UpdateStrip(task);
}

bool CCampaignTaskView::OnCommand(int id) {
    switch (id) {
    case Command::Add:
        NewTask();
        return true;
    case kSend: {
        const int task = CurrentTask();
        if (task < 1)
            prompt_.Message(QStringLiteral("请选择要发送的任务!"));
        else
            SendTask(task);
        return true;
    }
    case kStop: {
        const int task = CurrentTask();
        if (runs_.Running(task)) {
            runs_.Stop(task);
            Note(QStringLiteral("正在停止..."));
        }
        return true;
    }
    case Command::Delete:
        DeleteTasks();
        return true;
    case Command::Reload:
        Reload();
        if (items_->Task() > 0)
            ShowTask(items_->Task());
        return true;
    case Command::Edit: // a double click shows the rows
        if (const int task = CurrentTask(); task > 0)
            ShowTask(task);
        return true;
    default:
        return CRecordListView::OnCommand(id);
    }
}

void CCampaignTaskView::NewTask() {
    const int key = MakeTask();
    if (key < 1)
        return;
    Reload();
    ShowTask(key);
    OfferToSend(key);
}

int CCampaignTaskView::AbandonNewTask(CampaignStore& store, int key, bool stopped,
                                      const QString& stoppedText) {
    prompt_.Message(stopped ? stoppedText : store.LastError());
    if (key > 0)
        store.DeleteTasks({key});
    return 0;
}

void CCampaignTaskView::OfferToSend(int task) {
    CampaignStore store = Store();
    CampaignCounts counts;
    if (!store.Counts(task, counts)) {
        prompt_.Message(store.LastError());
        return;
    }
    const QString made = MadeText(counts);
    if (counts.pending == 0) {
        prompt_.Message(made);
        return;
    }
    if (prompt_.Ask(made + QStringLiteral("\r\n现在发送吗?")) == Prompt::Answer::Yes)
        SendTask(task);
}

bool CCampaignTaskView::ConfirmSend(int, const QString&) {
    return true;
}

bool CCampaignTaskView::SendTask(int task) {
    if (runs_.Running(task)) {
        Note(QStringLiteral("任务正在发送"));
        return true;
    }
    CampaignStore store = Store();
    CampaignCounts counts;
    if (!store.Counts(task, counts)) {
        prompt_.Message(store.LastError());
        return false;
    }
    if (counts.sending > 0)
        prompt_.Message(QStringLiteral("有%1个%2在上次发送时中断, 无法确定是否已经发出, "
                                       "这次不会发送它们。\r\n"
                                       "请在%2列表中查看, 选择重发或跳过。")
                            .arg(QString::number(counts.sending), noun_));
    if (counts.pending == 0) {
        prompt_.Message(QStringLiteral("没有待发的%1").arg(noun_));
        return false;
    }
    QString state;
    if (!store.TaskState(task, state)) {
        prompt_.Message(store.LastError());
        return false;
    }
    if (!ConfirmSend(task, state))
        return false;
    // 发送中 with no run here: another desk is sending it, or the program
    // ended during its run. Only the user can tell.
    const bool force = state == CampaignTaskState::Sending();
    if (force &&
        prompt_.Ask(QStringLiteral("任务的状态是发送中: 可能正在另一台电脑上发送, "
                                   "或上次发送时程序中断。\r\n"
                                   "确定没有其他电脑在发送它, 继续发送吗?")) != Prompt::Answer::Yes)
        return false;
    if (!StartRun(task, force))
        return false;
    ShowTask(task);
    Reload();
    return true;
}

void CCampaignTaskView::DeleteTasks() {
    if (!SelectedRows::HasSelection(*grid_)) {
        prompt_.Message(QStringLiteral("请选择要删除的任务!"));
        return;
    }
    std::vector<int> keys;
    for (const int row : SelectedRows::BottomUp(*grid_)) {
        const int key = SelectedRows::KeyOfRow(*grid_, row);
        if (key < 1)
            continue;
        if (runs_.Running(key)) {
            prompt_.Message(QStringLiteral("任务正在发送, 请先停止"));
            return;
        }
        keys.push_back(key);
    }
    if (prompt_.Ask(QStringLiteral("确定要删除所选的%1个任务及其%2吗?")
                        .arg(QString::number(keys.size()), noun_)) != Prompt::Answer::Yes)
        return;
    CampaignStore store = Store();
    if (!store.DeleteTasks(keys)) {
        prompt_.Message(store.LastError());
        return;
    }
    Reload();
    if (std::find(keys.begin(), keys.end(), items_->Task()) != keys.end())
        items_->SetTask(0, false);
}

void CCampaignTaskView::OnProgress(int task) {
    if (task != items_->Task() || lastRefresh_.elapsed() < kRefreshMs)
        return;
    lastRefresh_.restart();
    UpdateStrip(task);
    items_->SetRunning(true);
    items_->Reload();
}

void CCampaignTaskView::OnFinished(int task, bool completed) {
    Reload();
    if (task != items_->Task())
        return;
    items_->SetTask(task, false);
    UpdateStrip(task);
    CampaignCounts counts;
    Store().Counts(task, counts);
    if (completed)
        Note(QStringLiteral("发送完毕: 已发%1, 失败%2").arg(counts.sent).arg(counts.failed));
    else
        Note(QStringLiteral("已停止: 已发%1, 失败%2, 待发%3")
                 .arg(counts.sent)
                 .arg(counts.failed)
                 .arg(counts.pending));
}

void CCampaignTaskView::UpdateStrip(int task) {
    CampaignCounts counts;
    if (task < 1 || !Store().Counts(task, counts)) {
        progressText_->clear();
        progress_->setRange(0, 1);
        progress_->setValue(0);
        stopButton_->setEnabled(false);
        return;
    }
    const bool running = runs_.Running(task) != nullptr;
    const int done = counts.sent + counts.failed + counts.skipped;
    progress_->setRange(0, std::max(1, counts.total));
    progress_->setValue(done);
    QString text = QStringLiteral("已发%1, 失败%2, 跳过%3, 待发%4")
                       .arg(counts.sent)
                       .arg(counts.failed)
                       .arg(counts.skipped)
                       .arg(counts.pending);
    if (counts.sending > 0)
        text += running ? QStringLiteral(", 发送中%1").arg(counts.sending)
                        : QStringLiteral(", 不确定%1").arg(counts.sending);
    progressText_->setText(text);
    stopButton_->setEnabled(running);
}
