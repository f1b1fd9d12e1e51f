#include "SmsTaskView.h"

#include "SmsExcelFile.h"
#include "SmsItemList.h"
#include "SmsSender.h"
#include "SmsService.h"
#include "SmsTaskDlg.h"
#include "SmsTaskStore.h"

#include "db/FieldInfoList.h"
#include "db/SqlLiteral.h"
#include "framework/CommandIds.h"
#include "framework/ImportCSVDlg.h"
#include "framework/ListToolbar.h"
#include "framework/SelectedRows.h"
#include "framework/StatementProgress.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>

#include <algorithm>

namespace {

// The lists refresh at most this often while a run reports progress.
constexpr int kRefreshMs = 700;

QString TaskCondition(const ModuleContext& context, const QString& kind) {
    QString condition = QStringLiteral("Kind=") + SqlLiteral::Text(kind);
    if (!context.IsAdmin())
        condition += QStringLiteral(" and Creator=") + SqlLiteral::Text(context.userName);
    return condition;
}

} // namespace

CSmsTaskView::CSmsTaskView(const ModuleContext& context, const QString& kind, QWidget* parent)
    : CRecordListView(*context.connection, *context.prompt, QStringLiteral("SmsTask"),
                      TaskCondition(context, kind),
                      kind == SmsKind::Timed() ? QStringLiteral("ListSmsTimerTask")
                                               : QStringLiteral("ListSmsTask"),
                      parent),
      context_(context), kind_(kind) {
    setObjectName(QStringLiteral("SmsTaskView"));
    QList<QPair<QString, QString>> columns = {{QStringLiteral("KeyId"), QStringLiteral("编号")},
                                              {QStringLiteral("Title"), QStringLiteral("标题")},
                                              {QStringLiteral("State"), QStringLiteral("状态")}};
    if (kind == SmsKind::Timed())
        columns.append({QStringLiteral("SendAt"), QStringLiteral("发送时间")});
    columns += {{QStringLiteral("Total"), QStringLiteral("号码数")},
                {QStringLiteral("Sent"), QStringLiteral("已发")},
                {QStringLiteral("Failed"), QStringLiteral("失败")},
                {QStringLiteral("Skipped"), QStringLiteral("跳过")},
                {QStringLiteral("Recipients"), QStringLiteral("发送对象")},
                {QStringLiteral("Body"), QStringLiteral("短信内容")},
                {QStringLiteral("Creator"), QStringLiteral("创建人")},
                {QStringLiteral("Created"), QStringLiteral("创建时间")}};
    CreateParts(columns, QStringLiteral(" order by KeyId desc "));
    toolbar_->AddButton(QStringLiteral("新建"), Command::Add, 60);
    toolbar_->AddButton(QStringLiteral("发送"), kSend, 60);
    toolbar_->AddButton(QStringLiteral("停止"), kStop, 60);
    toolbar_->AddButton(QStringLiteral("删除"), Command::Delete, 60);
    toolbar_->AddButton(QStringLiteral("刷新"), Command::Reload, 60);
    toolbar_->AddButton(QStringLiteral("上页"), Command::PrevPage, 60);
    toolbar_->AddButton(QStringLiteral("下页"), Command::NextPage, 60);

    items_ = new CSmsItemList(connection_, prompt_, this);
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
    connect(items_, &CSmsItemList::ItemsChanged, this, [this](int task) {
        Reload();
        UpdateStrip(task);
    });
    SmsService& service = SmsService::Instance();
    service.Attach(connection_, prompt_);
    connect(&service, &SmsService::Progress, this, [this](int task) { OnProgress(task, false); });
    connect(&service, &SmsService::Finished, this, &CSmsTaskView::OnFinished);
    lastRefresh_.start();

    SetConditions({});
    Reload();
}

CSmsTaskView::~CSmsTaskView() = default;

int CSmsTaskView::CurrentTask() const {
    const int key = SelectedRows::KeyOfRow(*grid_, SelectedRows::TopRow(*grid_));
    return key > 0 ? key : items_->Task();
}

void CSmsTaskView::ShowTask(int task) {
    for (int row = grid_->GetFixedRowCount(); row < grid_->GetRowCount(); ++row) {
        if (SelectedRows::KeyOfRow(*grid_, row) == task) {
            grid_->SetSelectedRange(row, 0, row, grid_->GetColumnCount() - 1);
            break;
        }
    }
    items_->SetTask(task, SmsService::Instance().Running(task) != nullptr);
    UpdateStrip(task);
}

bool CSmsTaskView::OnCommand(int id) {
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
        if (SmsService::Instance().Running(task)) {
            SmsService::Instance().Stop(task);
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
    case Command::Edit: // a double click shows the numbers
        if (const int task = CurrentTask(); task > 0)
            ShowTask(task);
        return true;
    default:
        return CRecordListView::OnCommand(id);
    }
}

void CSmsTaskView::NewTask() {
    int key = 0;
    const bool made = kind_ == SmsKind::Excel() ? NewExcelTask(key) : NewCustomerTask(key);
    if (!made)
        return;
    Reload();
    ShowTask(key);
    OfferToSend(key);
}

bool CSmsTaskView::NewCustomerTask(int& key) {
    SmsTaskForm form;
    form.kind = kind_;
    // A large send reaches customers and contacts alike.
    form.filter.contacts = kind_ == SmsKind::Super();
    if (!RunSmsTaskForm(prompt_, connection_, this, form))
        return false;
    form.filter.restrictToHandler = context_.IsAdmin() ? QString() : context_.userName;
    SmsTaskStore store(connection_);
    SmsTaskStore::NewTask task{kind_,
                               form.title,
                               form.body,
                               form.filter.Describe(),
                               form.sendAt,
                               kind_ == SmsKind::Timed() ? SmsTaskState::Waiting()
                                                         : SmsTaskState::Ready(),
                               context_.userName};
    // The task only becomes waiting once its numbers are there: a timed
    // task is made "未发送" first, so the timer never sends half a list.
    SmsTaskStore::NewTask first = task;
    first.state = SmsTaskState::Ready();
    bool stopped = false;
    const bool ok = RunWithStatementProgress(
        prompt_, connection_, QStringLiteral("正在取出发送号码..."),
        [&] {
            return store.CreateTask(first, key) &&
                   store.AddFilteredItems(key, form.filter, form.body) &&
                   (task.state == first.state || store.SetTaskState(key, task.state));
        },
        &stopped);
    return ok || AbandonNewTask(store, key, stopped);
}

bool CSmsTaskView::AbandonNewTask(SmsTaskStore& store, int key, bool stopped) {
    prompt_.Message(stopped ? QStringLiteral("已停止, 没有建立短信任务。") : store.LastError());
    if (key > 0)
        store.DeleteTasks({key});
    return false;
}

bool CSmsTaskView::NewExcelTask(int& key) {
    const QString path =
        prompt_.OpenFileName(QStringLiteral("打开"), QString(),
                             QStringLiteral("CSV文本文件 (*.csv *.CSV);;所有文件 (*)"));
    if (path.isEmpty())
        return false;
    QStringList header;
    TextEncoding encoding = TextEncoding::Gbk;
    QString error;
    if (!SmsExcelFile::ReadHeader(path, header, encoding, error)) {
        prompt_.Message(error);
        return false;
    }
    FieldInfoList targets;
    targets.Add(QStringLiteral("Mobile"), SmsExcelFile::MobileCaption());
    targets.Add(QStringLiteral("Text"), SmsExcelFile::TextCaption());
    targets.Add(QStringLiteral("Name"), SmsExcelFile::NameCaption());
    CImportCSVDlg mapping(prompt_, path, targets, encoding, QStringLiteral("CSmsExcelDlg"), this);
    if (prompt_.RunModal(mapping) != QDialog::Accepted)
        return false;
    SmsExcelFile file;
    file.SetMapping(mapping.Mapping());
    if (file.mobileColumn < 0) {
        prompt_.Message(QStringLiteral("请指定手机号码所在的列"));
        return false;
    }
    encoding = mapping.Encoding();
    SmsTaskForm form;
    form.kind = kind_;
    form.fileColumns = header;
    form.textMapped = file.textColumn >= 0;
    if (!RunSmsTaskForm(prompt_, connection_, this, form))
        return false;
    std::vector<SmsNewItem> items;
    SmsTaskStore store(connection_);
    {
        WaitCursor wait(prompt_);
        if (!file.Read(path, encoding, form.body, items, error)) {
            prompt_.Message(error);
            return false;
        }
    }
    const QString name = QFileInfo(path).fileName();
    bool stopped = false;
    const bool ok = RunWithStatementProgress(
        prompt_, connection_, QStringLiteral("正在写入发送号码..."),
        [&] {
            return store.CreateTask({kind_, form.title, form.body, QStringLiteral("文件: ") + name,
                                     QString(), SmsTaskState::Ready(), context_.userName},
                                    key) &&
                   store.AddItems(key, items);
        },
        &stopped);
    return ok || AbandonNewTask(store, key, stopped);
}

void CSmsTaskView::OfferToSend(int key) {
    SmsTaskStore store(connection_);
    SmsTaskCounts counts;
    if (!store.Counts(key, counts)) {
        prompt_.Message(store.LastError());
        return;
    }
    const QString made = QStringLiteral("任务已建立: 共%1个号码, 其中%2个不是手机号码, 已跳过。")
                             .arg(counts.total)
                             .arg(counts.skipped);
    if (kind_ == SmsKind::Timed()) {
        // The program sends it at its time (or asks at the next start if it
        // is not running then).
        prompt_.Message(made + QStringLiteral("\r\n到发送时间后自动发送。"));
        return;
    }
    if (counts.pending == 0) {
        prompt_.Message(made);
        return;
    }
    if (prompt_.Ask(made + QStringLiteral("\r\n现在发送吗?")) == Prompt::Answer::Yes)
        SendTask(key);
}

bool CSmsTaskView::SendTask(int task) {
    SmsService& service = SmsService::Instance();
    if (service.Running(task)) {
        Note(QStringLiteral("任务正在发送"));
        return true;
    }
    SmsTaskStore store(connection_);
    SmsTaskCounts counts;
    if (!store.Counts(task, counts)) {
        prompt_.Message(store.LastError());
        return false;
    }
    if (counts.sending > 0)
        prompt_.Message(QStringLiteral("有%1个号码在上次发送时中断, 无法确定是否已经发出, "
                                       "这次不会发送它们。\r\n"
                                       "请在号码列表中查看, 选择重发或跳过。")
                            .arg(counts.sending));
    if (counts.pending == 0) {
        prompt_.Message(QStringLiteral("没有待发的号码"));
        return false;
    }
    // 发送中 with no run here: another desk is sending it, or the program
    // ended during its run. Only the user can tell.
    QString state;
    QString kind;
    QString sendAt;
    if (!store.TaskState(task, state, kind, &sendAt)) {
        prompt_.Message(store.LastError());
        return false;
    }
    if (state == SmsTaskState::Waiting()) {
        if (sendAt > QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) &&
            prompt_.Ask(QStringLiteral("这个定时短信的发送时间是%1, 现在就发送吗?").arg(sendAt)) !=
                Prompt::Answer::Yes)
            return false;
    }
    const bool force = state == SmsTaskState::Sending();
    if (force &&
        prompt_.Ask(QStringLiteral("任务的状态是发送中: 可能正在另一台电脑上发送, "
                                   "或上次发送时程序中断。\r\n"
                                   "确定没有其他电脑在发送它, 继续发送吗?")) != Prompt::Answer::Yes)
        return false;
    if (!service.Start(task, force))
        return false;
    ShowTask(task);
    Reload();
    return true;
}

void CSmsTaskView::DeleteTasks() {
    if (!SelectedRows::HasSelection(*grid_)) {
        prompt_.Message(QStringLiteral("请选择要删除的任务!"));
        return;
    }
    std::vector<int> keys;
    for (const int row : SelectedRows::BottomUp(*grid_)) {
        const int key = SelectedRows::KeyOfRow(*grid_, row);
        if (key < 1)
            continue;
        if (SmsService::Instance().Running(key)) {
            prompt_.Message(QStringLiteral("任务正在发送, 请先停止"));
            return;
        }
        keys.push_back(key);
    }
    if (prompt_.Ask(QStringLiteral("确定要删除所选的%1个任务及其号码吗?").arg(keys.size())) !=
        Prompt::Answer::Yes)
        return;
    SmsTaskStore store(connection_);
    if (!store.DeleteTasks(keys)) {
        prompt_.Message(store.LastError());
        return;
    }
    Reload();
    if (std::find(keys.begin(), keys.end(), items_->Task()) != keys.end())
        items_->SetTask(0, false);
}

void CSmsTaskView::OnProgress(int task, bool force) {
    if (task != items_->Task())
        return;
    if (!force && lastRefresh_.elapsed() < kRefreshMs)
        return;
    lastRefresh_.restart();
    UpdateStrip(task);
    items_->SetRunning(true);
    items_->Reload();
}

void CSmsTaskView::OnFinished(int task, bool completed) {
    Reload();
    if (task != items_->Task())
        return;
    items_->SetTask(task, false);
    UpdateStrip(task);
    SmsTaskCounts counts;
    SmsTaskStore(connection_).Counts(task, counts);
    if (completed)
        Note(QStringLiteral("发送完毕: 已发%1, 失败%2").arg(counts.sent).arg(counts.failed));
    else
        Note(QStringLiteral("已停止: 已发%1, 失败%2, 待发%3")
                 .arg(counts.sent)
                 .arg(counts.failed)
                 .arg(counts.pending));
}

void CSmsTaskView::UpdateStrip(int task) {
    SmsTaskCounts counts;
    if (task < 1 || !SmsTaskStore(connection_).Counts(task, counts)) {
        progressText_->clear();
        progress_->setRange(0, 1);
        progress_->setValue(0);
        stopButton_->setEnabled(false);
        return;
    }
    const bool running = SmsService::Instance().Running(task) != nullptr;
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
