#include "AdviceView.h"

#include "AdviceDlg.h"
#include "AnswerDlg.h"
#include "OfficeDates.h"

#include "base/IniFile.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/QueryBinder.h"
#include "db/SqlLiteral.h"
#include "db/UpdateBuilder.h"
#include "framework/CommandIds.h"
#include "framework/GridRowPatch.h"
#include "framework/ListToolbar.h"
#include "framework/SelectedRows.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

#include <QPlainTextEdit>
#include <QSplitter>

namespace {

const QString kBag = QStringLiteral(".");

// One suggestion as the reader shows it.
struct Suggestion {
    QString title;
    QString author;
    QString written;
    QString content;
    QString reply;
    QString replier;
    QString replyTime;
    bool anonymous = false;
};

// Reads suggestion `key`; false after showing why (a missing row included).
bool ReadSuggestion(DbConnection& connection, Prompt& prompt, int key, Suggestion& out) {
    const QString sql = QStringLiteral("select Title, Author, Anonymous, Written, Content, Reply, "
                                       "Replier, ReplyTime from Advice where KeyId=") +
                        SqlLiteral::Long(key);
    DbRecordset rs(connection);
    if (!rs.Open(sql)) {
        prompt.Message(sql + QStringLiteral("\r\n") + rs.GetLastError());
        return false;
    }
    if (rs.IsEOF()) {
        prompt.Message(QStringLiteral("指定的数据不存在!"));
        return false;
    }
    out.title = rs.GetString(QStringLiteral("Title"));
    out.anonymous = rs.GetLong(QStringLiteral("Anonymous")) != 0;
    out.author = out.anonymous ? QStringLiteral("匿名") : rs.GetString(QStringLiteral("Author"));
    out.written = rs.GetString(QStringLiteral("Written"));
    out.content = rs.GetString(QStringLiteral("Content"));
    out.reply = rs.GetString(QStringLiteral("Reply"));
    out.replier = rs.GetString(QStringLiteral("Replier"));
    out.replyTime = rs.GetString(QStringLiteral("ReplyTime"));
    return true;
}

QString ReaderText(const Suggestion& s) {
    QString text = s.title + QStringLiteral("\n提出人: ") + s.author +
                   QStringLiteral("    提出时间: ") + s.written + QStringLiteral("\n\n") +
                   s.content + QStringLiteral("\n\n");
    if (s.reply.trimmed().isEmpty())
        return text + QStringLiteral("[尚未答复]");
    return text + QStringLiteral("[答复] ") + s.replier + QStringLiteral("  ") + s.replyTime +
           QStringLiteral("\n") + s.reply;
}

} // namespace

CAdviceView::CAdviceView(DbConnection& connection, Prompt& prompt, const QString& userName,
                         bool manager, QWidget* parent)
    : CRecordListView(connection, prompt, QStringLiteral("Advice"), QString(),
                      QStringLiteral("AdviceView"), parent),
      userName_(userName), manager_(manager) {
    setObjectName(QStringLiteral("AdviceView"));
    CreateParts({{QStringLiteral("KeyId"), QStringLiteral("编号")},
                 {QStringLiteral("Title"), QStringLiteral("标题")},
                 {QStringLiteral("case when Anonymous=1 then '匿名' else Author end"),
                  QStringLiteral("提出人")},
                 {QStringLiteral("Written"), QStringLiteral("提出时间")},
                 {QStringLiteral("case when coalesce(Reply,'')='' then '未答复' else '已答复' end"),
                  QStringLiteral("答复")},
                 {QStringLiteral("Replier"), QStringLiteral("答复人")},
                 {QStringLiteral("ReplyTime"), QStringLiteral("答复时间")}},
                QStringLiteral(" order by Written desc, KeyId desc "));
    toolbar_->AddButton(QStringLiteral("提建议"), Command::Add, 60);
    toolbar_->AddButton(QStringLiteral("修改"), Command::Edit, 50);
    if (manager_) {
        toolbar_->AddButton(QStringLiteral("答复"), kReply, 50);
        toolbar_->AddButton(QStringLiteral("删除"), Command::Delete, 50);
    }
    toolbar_->AddButton(QStringLiteral("上一页"), Command::PrevPage, 60);
    toolbar_->AddButton(QStringLiteral("下一页"), Command::NextPage, 60);

    reader_ = new QPlainTextEdit(this);
    reader_->setObjectName(QStringLiteral("AdviceReader"));
    reader_->setReadOnly(true);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(grid_);
    splitter->addWidget(reader_);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    PlaceGrid(splitter, nullptr);
    connect(grid_, &CGridCtrl::SelectionChanged, this, [this](int, int) { ShowSelected(); });

    SetConditions({});
    Reload();
}

bool CAdviceView::OnCommand(int id) {
    switch (id) {
    case Command::Add: {
        IniFile bag;
        AddRow(bag);
        return true;
    }
    case Command::Edit:
        Edit();
        return true;
    case kReply:
        if (MayManage(QStringLiteral("只有管理员和管理中心的用户才能答复建议")))
            Reply();
        return true;
    case Command::Delete:
        if (MayManage(QStringLiteral("只有管理员和管理中心的用户才能删除建议")))
            DeleteSelectedRows();
        return true;
    default:
        return CRecordListView::OnCommand(id);
    }
}

bool CAdviceView::MayManage(const QString& refusal) {
    if (manager_)
        return true;
    prompt_.Message(refusal);
    return false;
}

void CAdviceView::ShowSelected() {
    const int key = SelectedRows::KeyOfRow(*grid_, SelectedRows::TopRow(*grid_));
    if (key < 1) {
        reader_->clear();
        return;
    }
    Suggestion suggestion;
    if (ReadSuggestion(connection_, prompt_, key, suggestion))
        reader_->setPlainText(ReaderText(suggestion));
    else
        reader_->clear();
}

bool CAdviceView::RunForm(IniFile& bag) {
    return RunAdviceForm(prompt_, connection_, userName_, bag, this);
}

void CAdviceView::Edit() {
    const int key = SelectedRows::KeyOfRow(*grid_, SelectedRows::TopRow(*grid_));
    if (key < 1) {
        prompt_.Message(QStringLiteral("请选择要修改的建议"));
        return;
    }
    Suggestion suggestion;
    if (!ReadSuggestion(connection_, prompt_, key, suggestion))
        return;
    // Stored names compare as the database compares them: without case.
    if (suggestion.anonymous || suggestion.author.compare(userName_, Qt::CaseInsensitive) != 0) {
        prompt_.Message(QStringLiteral("只能修改自己署名提出的建议"));
        return;
    }
    if (!suggestion.reply.trimmed().isEmpty()) {
        prompt_.Message(QStringLiteral("建议已答复, 不能再修改"));
        return;
    }
    EditTopRow(QStringLiteral("请选择要修改的建议"));
    ShowSelected();
}

void CAdviceView::Reply() {
    const int row = SelectedRows::TopRow(*grid_);
    const int key = SelectedRows::KeyOfRow(*grid_, row);
    if (key < 1) {
        prompt_.Message(QStringLiteral("请选择要答复的建议"));
        return;
    }
    Suggestion suggestion;
    if (!ReadSuggestion(connection_, prompt_, key, suggestion))
        return;
    CAnswerDlg dialog(prompt_, QStringLiteral("答复建议"),
                      suggestion.title + QStringLiteral("\n\n") + suggestion.content,
                      suggestion.reply, QStringLiteral("请输入答复的内容"), this);
    if (prompt_.RunModal(dialog) != QDialog::Accepted)
        return;

    const QString time = OfficeDates::Now();
    UpdateBuilder update;
    update.SetTable(QStringLiteral("Advice"));
    update.SetText(QStringLiteral("Reply"), dialog.Text());
    update.SetText(QStringLiteral("Replier"), userName_);
    update.SetText(QStringLiteral("ReplyTime"), time);
    update.AddCondition(QStringLiteral("KeyId=") + SqlLiteral::Long(key));
    const QString sql = update.Build();
    long affected = 0;
    if (connection_.Execute(sql, &affected) != 1) {
        prompt_.Message(sql + QStringLiteral("\r\n") + connection_.GetLastError());
        return;
    }
    if (affected < 1) {
        prompt_.Message(QStringLiteral("指定的数据不存在!"));
        return;
    }
    IniFile bag;
    bag.SetString(kBag, QStringLiteral("答复"), QStringLiteral("已答复"));
    bag.SetString(kBag, QStringLiteral("Replier"), userName_);
    bag.SetString(kBag, QStringLiteral("ReplyTime"), time);
    GridRowPatch::PatchRow(Binder(), *grid_, row, bag);
    ShowSelected();
}
