#include "ManagerCenterView.h"

#include "AnswerDlg.h"
#include "LeaveRequests.h"
#include "ModuleContext.h"

#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"
#include "framework/SelectedRows.h"
#include "ui/Prompt.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString kPartNames[ManagerAgenda::PartCount] = {
    QStringLiteral("待批请假"), QStringLiteral("逾期任务"), QStringLiteral("今日计划"),
    QStringLiteral("昨日日志")};

QTableWidget* NewTable(const QStringList& captions, QWidget* parent) {
    auto* table = new QTableWidget(0, int(captions.size()), parent);
    table->setHorizontalHeaderLabels(captions);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->setVisible(false);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

void Fill(QTableWidget& table, const QList<QStringList>& rows) {
    table.setRowCount(0);
    table.setRowCount(int(rows.size()));
    for (int row = 0; row < rows.size(); ++row) {
        for (int column = 0; column < rows[row].size(); ++column)
            table.setItem(row, column, new QTableWidgetItem(rows[row][column]));
    }
    table.resizeColumnsToContents();
}

} // namespace

CManagerCenterView::CManagerCenterView(DbConnection& connection, Prompt& prompt,
                                       const ModuleContext& context, QWidget* parent)
    : QWidget(parent), connection_(connection), prompt_(prompt), userName_(context.userName),
      admin_(context.IsAdmin()), scope_(connection, context), agenda_(connection, scope_) {
    setObjectName(QStringLiteral("ManagerCenterView"));
    toolbar_ = new CListToolbar([this](int id) { OnCommand(id); }, this);
    toolbar_->AddButton(QStringLiteral("刷新"), Command::Reload, 50);
    toolbar_->AddButton(QStringLiteral("批准"), kApprove, 50);
    toolbar_->AddButton(QStringLiteral("驳回"), kReject, 50);

    auto* parts = new QGridLayout;
    for (int id = 0; id < ManagerAgenda::PartCount; ++id) {
        auto* box = new QGroupBox(kPartNames[id], this);
        box->setObjectName(QStringLiteral("ManagerPart%1").arg(id));
        auto* table = NewTable(agenda_.Get(ManagerAgenda::PartId(id)).captions, box);
        auto* boxLayout = new QVBoxLayout(box);
        boxLayout->addWidget(table, 1);
        if (id == ManagerAgenda::YesterdayLogs) {
            missing_ = new QLabel(box);
            missing_->setObjectName(QStringLiteral("MissingLogs"));
            missing_->setWordWrap(true);
            boxLayout->addWidget(missing_);
        }
        boxes_[id] = box;
        tables_[id] = table;
        parts->addWidget(box, id / 2, id % 2);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(toolbar_);
    layout->addLayout(parts, 1);

    Refresh();
}

bool CManagerCenterView::OnCommand(int id) {
    switch (id) {
    case Command::Reload:
        Refresh();
        return true;
    case kApprove:
        Decide(true);
        return true;
    case kReject:
        Decide(false);
        return true;
    default:
        return false;
    }
}

void CManagerCenterView::Refresh() {
    bool ok = false;
    {
        WaitCursor wait(prompt_);
        ok = agenda_.Load(QDate::currentDate());
    }
    for (int id = 0; id < ManagerAgenda::PartCount; ++id) {
        const ManagerAgenda::Part& part = agenda_.Get(ManagerAgenda::PartId(id));
        Fill(*tables_[id], part.rows);
        boxes_[id]->setTitle(kPartNames[id] + QStringLiteral(" (%1)").arg(part.rows.size()));
    }
    const QStringList& missing = agenda_.MissingLogs();
    missing_->setText(missing.isEmpty()
                          ? QString()
                          : QStringLiteral("未写日志: ") + missing.join(QStringLiteral("、")));
    if (!ok)
        prompt_.Message(agenda_.LastError());
}

void CManagerCenterView::Decide(bool approve) {
    QTableWidget* table = tables_[ManagerAgenda::PendingLeave];
    const QModelIndexList selected = table->selectionModel()->selectedRows();
    const int row = selected.isEmpty() ? -1 : selected.first().row();
    const QList<QStringList>& rows = agenda_.Get(ManagerAgenda::PendingLeave).rows;
    int key = 0;
    if (row < 0 || row >= rows.size() || !SelectedRows::ParseKey(rows[row].value(0), key)) {
        prompt_.Message(QStringLiteral("请选择要审批的请假条"));
        return;
    }
    const QStringList& request = rows[row];
    const QString applicant = request.value(ManagerAgenda::kLeaveApplicant);
    if (!admin_ && applicant.compare(userName_, Qt::CaseInsensitive) == 0) {
        prompt_.Message(QStringLiteral("不能审批自己的请假条"));
        return;
    }
    const QString subject =
        QStringLiteral("申请人: %1    类别: %2\n时间: %3 至 %4\n事由: %5")
            .arg(applicant, request.value(2), request.value(3), request.value(4), request.value(5));
    CAnswerDlg dialog(prompt_, approve ? QStringLiteral("批准请假") : QStringLiteral("驳回请假"),
                      subject, QString(), approve ? QString() : QStringLiteral("请输入驳回的理由"),
                      this);
    if (prompt_.RunModal(dialog) != QDialog::Accepted)
        return;
    QString error;
    switch (
        LeaveRequests::Decide(connection_, key, userName_, approve, dialog.Text(), admin_, error)) {
    case LeaveRequests::Outcome::Done:
        break;
    case LeaveRequests::Outcome::NotPending:
        prompt_.Message(QStringLiteral("该请假条已由其他人审批或已撤回"));
        break;
    case LeaveRequests::Outcome::Failed:
        prompt_.Message(error);
        return;
    }
    Refresh();
}
