#include "RecvListView.h"

#include "RecvReadDlg.h"
#include "RecvRun.h"
#include "RecvSettingsDlg.h"
#include "RecvStore.h"

#include "base/ProgramFolder.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/QueryBinder.h"
#include "db/SqlConditions.h"
#include "db/SqlLiteral.h"
#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"
#include "framework/SelectedRows.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace {

// Rows the user deleted stay without a file while the server keeps the
// message (see RecvStore); the list never shows them.
const QString kListed = QStringLiteral("FileName<>''");

const QString kStateColumn = QStringLiteral("状态");
const QString kUnread = QStringLiteral("未读");
const QString kRead = QStringLiteral("已读");

} // namespace

CRecvListView::CRecvListView(const ModuleContext& context, QWidget* parent)
    : CRecordListView(*context.connection, *context.prompt, QStringLiteral("MailRecv"), kListed,
                      QStringLiteral("ListMailRecv"), parent),
      context_(context) {
    setObjectName(QStringLiteral("RecvListView"));
    CreateParts({{QStringLiteral("KeyId"), QStringLiteral("编号")},
                 {QStringLiteral("case when Seen>0 then '已读' else '未读' end"), kStateColumn},
                 {QStringLiteral("SenderName"), QStringLiteral("发件人")},
                 {QStringLiteral("Sender"), QStringLiteral("邮件地址")},
                 {QStringLiteral("coalesce((select c.CustomerName from CustomerData c where "
                                 "c.KeyId=MailRecv.CustomerId),'')"),
                  QStringLiteral("客户")},
                 {QStringLiteral("coalesce((select t.Name from ContactData t where "
                                 "t.KeyId=MailRecv.ContactId),'')"),
                  QStringLiteral("联系人")},
                 {QStringLiteral("Subject"), QStringLiteral("主题")},
                 {QStringLiteral("MailDate"), QStringLiteral("日期")},
                 {QStringLiteral("(ByteSize+1023)/1024"), QStringLiteral("大小(KB)")},
                 {QStringLiteral("AttachCount"), QStringLiteral("附件")}},
                QStringLiteral(" order by MailDate desc, KeyId desc "));
    toolbar_->AddButton(QStringLiteral("收取"), kFetch, 60);
    toolbar_->AddButton(QStringLiteral("停止"), kStop, 60);
    toolbar_->AddButton(QStringLiteral("阅读"), Command::Edit, 60);
    toolbar_->AddButton(QStringLiteral("删除"), Command::Delete, 60);
    toolbar_->AddButton(QStringLiteral("显示客户"), Command::CustomerInfo, 70);
    toolbar_->AddButton(QStringLiteral("设置"), kSettings, 60);
    toolbar_->AddButton(QStringLiteral("刷新"), Command::Reload, 60);
    toolbar_->AddButton(QStringLiteral("上页"), Command::PrevPage, 60);
    toolbar_->AddButton(QStringLiteral("下页"), Command::NextPage, 60);

    auto* strip = new QWidget(this);
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(4, 2, 4, 2);
    search_ = new QLineEdit(strip);
    search_->setPlaceholderText(QStringLiteral("发件人、地址或主题"));
    search_->setClearButtonEnabled(true);
    auto* searchButton = new QPushButton(QStringLiteral("查找"), strip);
    progressText_ = new QLabel(strip);
    progress_ = new QProgressBar(strip);
    progress_->setRange(0, 1);
    progress_->setValue(0);
    stopButton_ = new QPushButton(QStringLiteral("停止"), strip);
    stopButton_->setEnabled(false);
    stripLayout->addWidget(search_, 2);
    stripLayout->addWidget(searchButton);
    stripLayout->addWidget(progressText_, 2);
    stripLayout->addWidget(progress_, 2);
    stripLayout->addWidget(stopButton_);
    PlaceGrid(grid_, strip);
    connect(search_, &QLineEdit::returnPressed, this, [this] { OnCommand(kSearch); });
    connect(searchButton, &QPushButton::clicked, this, [this] { OnCommand(kSearch); });
    connect(stopButton_, &QPushButton::clicked, this, [this] { OnCommand(kStop); });

    SetConditions({});
    Reload();
}

CRecvListView::~CRecvListView() = default;

bool CRecvListView::IsRunning() const {
    return run_ && run_->IsRunning();
}

bool CRecvListView::OnCommand(int id) {
    switch (id) {
    case kFetch:
        Fetch();
        return true;
    case kStop:
        if (IsRunning()) {
            run_->Stop();
            progressText_->setText(QStringLiteral("正在停止..."));
        }
        return true;
    case Command::Edit:
        ReadTopRow();
        return true;
    case Command::Delete:
        DeleteMessages();
        return true;
    case Command::CustomerInfo:
        ShowCustomerOfRow(QStringLiteral("请选择邮件"),
                          QStringLiteral("发件人不是已登记的客户或联系人"));
        return true;
    case kSettings:
        EditSettings();
        return true;
    case kSearch:
        Search();
        return true;
    case Command::Reload:
        Reload();
        return true;
    default:
        return CRecordListView::OnCommand(id);
    }
}

void CRecvListView::Search() {
    const QString text = search_->text().trimmed();
    if (text.isEmpty()) {
        SetConditions({});
    } else {
        SetConditions(
            {QLatin1Char('(') + SqlConditions::Contains(QStringLiteral("SenderName"), text) +
             QStringLiteral(" or ") + SqlConditions::Contains(QStringLiteral("Sender"), text) +
             QStringLiteral(" or ") + SqlConditions::Contains(QStringLiteral("Subject"), text) +
             QLatin1Char(')')});
    }
    Reload();
}

void CRecvListView::AfterLoad() {
    const int stateColumn = Binder().FindColumn(kStateColumn);
    if (stateColumn < 0)
        return;
    QFont bold = grid_->font();
    bold.setBold(true);
    for (int row = grid_->GetFixedRowCount(); row < grid_->GetRowCount(); ++row) {
        const bool unread = grid_->GetItemText(row, stateColumn) == kUnread;
        for (int column = 0; column < grid_->GetColumnCount(); ++column)
            grid_->SetItemFont(row, column, unread ? &bold : nullptr);
    }
    grid_->Refresh();
}

bool CRecvListView::Fetch() {
    if (IsRunning()) {
        prompt_.Message(QStringLiteral("正在收取邮件, 请稍候"));
        return false;
    }
    const RecvAccount account = RecvAccount::Read();
    if (const QString problem = account.Problem(); !problem.isEmpty()) {
        prompt_.Message(problem);
        return false;
    }
    return StartRun(account, false, {});
}

bool CRecvListView::StartRun(const RecvAccount& account, bool deleteOnly, const QStringList& keys) {
    run_ = std::make_unique<RecvRun>(connection_, account);
    connect(run_.get(), &RecvRun::Progress, this, &CRecvListView::OnProgress);
    connect(run_.get(), &RecvRun::Finished, this, &CRecvListView::OnFinished);
    deleteRun_ = deleteOnly;
    shownStored_ = 0;
    if (!run_->Start(deleteOnly ? RecvRun::Mode::DeleteOnly : RecvRun::Mode::Fetch, keys)) {
        const QString error = run_->LastError();
        run_.reset();
        prompt_.Message(error);
        return false;
    }
    progress_->setRange(0, 0);
    progressText_->setText(deleteOnly ? QStringLiteral("正在删除服务器上的邮件...")
                                      : QStringLiteral("正在连接邮件服务器..."));
    stopButton_->setEnabled(true);
    toolbar_->Button(QStringLiteral("收取"))->setEnabled(false);
    return true;
}

void CRecvListView::OnProgress(int fetched, int total) {
    if (deleteRun_ || total < 0)
        return;
    progress_->setRange(0, std::max(total, 1));
    progress_->setValue(std::min(fetched, std::max(total, 1)));
    progressText_->setText(QStringLiteral("正在收取 %1/%2").arg(fetched).arg(total));
    // New rows show as they are stored, on the first page only (a user
    // reading further pages is not moved) and at most once a second.
    if (run_->Stored() > shownStored_ && Binder().GetPageIndex() == 0 &&
        (!lastReload_.isValid() || lastReload_.elapsed() >= kReloadMs)) {
        shownStored_ = run_->Stored();
        Reload();
        lastReload_.start();
    }
}

void CRecvListView::OnFinished() {
    stopButton_->setEnabled(false);
    toolbar_->Button(QStringLiteral("收取"))->setEnabled(true);
    progress_->setRange(0, 1);
    progress_->setValue(run_->LastError().isEmpty() ? 1 : 0);
    const int stored = run_->Stored();
    const QString error = run_->LastError();
    QString text;
    if (deleteRun_)
        text = QStringLiteral("已删除服务器上的%1封邮件").arg(run_->DeletedOnServer());
    else if (run_->WasStopped())
        text = QStringLiteral("已停止, 收到%1封新邮件").arg(stored);
    else
        text = QStringLiteral("收到%1封新邮件").arg(stored);
    progressText_->setText(error.isEmpty() ? text : QStringLiteral("收取失败"));
    Note(text);
    // The run goes after this slot: it emitted the signal.
    run_.release()->deleteLater();
    Reload();
    if (!error.isEmpty())
        prompt_.Message(error);
}

void CRecvListView::ReadTopRow() {
    const int row = SelectedRows::TopRow(*grid_);
    const int key = SelectedRows::KeyOfRow(*grid_, row);
    if (key < 1) {
        prompt_.Message(QStringLiteral("请选择要阅读的邮件"));
        return;
    }
    const QString sql =
        QStringLiteral("select FileName from MailRecv where KeyId=") + SqlLiteral::Long(key);
    QString fileName;
    {
        DbRecordset rs(connection_);
        if (!rs.Open(sql)) {
            prompt_.Message(sql + QStringLiteral("\r\n") + rs.GetLastError());
            return;
        }
        if (!rs.IsEOF())
            fileName = rs.GetString(0);
    }
    const QString path = ProgramPath(QStringLiteral("mailrecv/") + fileName);
    QFile file(path);
    if (fileName.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        prompt_.Message(QStringLiteral("邮件文件不存在: ") + QDir::toNativeSeparators(path));
        return;
    }
    const QByteArray raw = file.readAll();
    file.close();
    RecvStore store(connection_);
    if (store.MarkSeen(key)) {
        const int stateColumn = Binder().FindColumn(kStateColumn);
        if (stateColumn >= 0)
            grid_->SetItemText(row, stateColumn, kRead);
        AfterLoad();
    }
    CRecvReadDlg dialog(prompt_, raw, this);
    prompt_.RunModal(dialog);
}

void CRecvListView::DeleteMessages() {
    if (IsRunning()) {
        prompt_.Message(QStringLiteral("正在收取邮件, 请稍候"));
        return;
    }
    const RecvAccount account = RecvAccount::Read();
    marked_.clear();
    DeleteSelectedRows(account.deleteOnServer
                           ? QStringLiteral("确定要删除选择的邮件吗? 服务器上的邮件也将删除。")
                           : QStringLiteral("确定要删除选择的邮件吗?"));
    if (marked_.isEmpty())
        return;
    // Only what the transaction kept: a refused or cancelled deletion left
    // the rows with their files.
    QStringList keys;
    for (const auto& [key, entry] : std::as_const(marked_))
        keys << QString::number(key);
    const QString sql =
        QStringLiteral("select KeyId from MailRecv where FileName<>'' and KeyId in (") +
        keys.join(QLatin1Char(',')) + QLatin1Char(')');
    QList<int> kept;
    {
        DbRecordset rs(connection_);
        if (!rs.Open(sql)) {
            prompt_.Message(sql + QStringLiteral("\r\n") + rs.GetLastError());
            return;
        }
        for (; !rs.IsEOF(); rs.MoveNext())
            kept << rs.GetLong(QStringLiteral("KeyId"));
    }
    QStringList serverKeys;
    for (const auto& [key, entry] : std::as_const(marked_)) {
        if (kept.contains(key))
            continue;
        QFile::remove(ProgramPath(QStringLiteral("mailrecv/") + entry.first));
        serverKeys << entry.second;
    }
    marked_.clear();
    if (account.deleteOnServer && !serverKeys.isEmpty() && account.Problem().isEmpty())
        StartRun(account, true, serverKeys);
}

bool CRecvListView::DeleteRowRecord(int row, QString& error) {
    QString condition;
    if (!RowKeyCondition(row, condition, error))
        return false;
    const int key = SelectedRows::KeyOfRow(*grid_, row);
    const QString read =
        QStringLiteral("select FileName, ServerKey from MailRecv where ") + condition;
    QString fileName;
    QString serverKey;
    {
        DbRecordset rs(connection_);
        if (!rs.Open(read)) {
            error = rs.GetLastError();
            return false;
        }
        if (rs.IsEOF())
            return true; // gone already
        fileName = rs.GetString(0);
        serverKey = rs.GetString(1);
    }
    // The row stays without its file, so the next 收取 knows the message.
    const QString sql =
        QStringLiteral("update MailRecv set FileName='', Seen=1 where ") + condition;
    if (!connection_.Execute(sql)) {
        error = connection_.GetLastError();
        return false;
    }
    marked_.append({key, {fileName, serverKey}});
    return true;
}

void CRecvListView::EditSettings() {
    if (!context_.IsAdmin()) {
        prompt_.Message(QStringLiteral("只有管理员可以修改收信设置"));
        return;
    }
    if (IsRunning()) {
        prompt_.Message(QStringLiteral("正在收取邮件, 请稍候"));
        return;
    }
    CRecvSettingsDlg dialog(prompt_, this);
    prompt_.RunModal(dialog);
}
