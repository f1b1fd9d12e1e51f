#include "BulletinView.h"

#include "BulletinDlg.h"
#include "BulletinReads.h"
#include "OfficeDates.h"

#include "base/IniFile.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/QueryBinder.h"
#include "db/SqlLiteral.h"
#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"
#include "framework/SelectedRows.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSplitter>

namespace {

const QString kBag = QStringLiteral(".");
const QString kUnread = QStringLiteral("未读");

} // namespace

CBulletinView::CBulletinView(DbConnection& connection, Prompt& prompt, const QString& userName,
                             bool publisher, QWidget* parent)
    : CRecordListView(connection, prompt, QStringLiteral("Bulletin"), QString(),
                      QStringLiteral("BulletinView"), parent),
      userName_(userName), publisher_(publisher) {
    setObjectName(QStringLiteral("BulletinView"));
    CreateParts({{QStringLiteral("KeyId"), QStringLiteral("编号")},
                 {QStringLiteral("Title"), QStringLiteral("标题")},
                 {QStringLiteral("Publisher"), QStringLiteral("发布人")},
                 {QStringLiteral("Published"), QStringLiteral("发布时间")},
                 {QStringLiteral("ValidFrom"), QStringLiteral("有效期自")},
                 {QStringLiteral("ValidTo"), QStringLiteral("有效期至")},
                 {BulletinReads::UnreadMark(userName_), kUnread}},
                QStringLiteral(" order by Published desc, KeyId desc "));
    if (publisher_) {
        toolbar_->AddButton(QStringLiteral("发布"), Command::Add, 50);
        toolbar_->AddButton(QStringLiteral("修改"), Command::Edit, 50);
        toolbar_->AddButton(QStringLiteral("删除"), Command::Delete, 50);
    }
    toolbar_->AddButton(QStringLiteral("全部标为已读"), kMarkAllRead, 90);
    toolbar_->AddButton(QStringLiteral("上一页"), Command::PrevPage, 60);
    toolbar_->AddButton(QStringLiteral("下一页"), Command::NextPage, 60);

    reader_ = new QPlainTextEdit(this);
    reader_->setObjectName(QStringLiteral("BulletinReader"));
    reader_->setReadOnly(true);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(grid_);
    splitter->addWidget(reader_);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);

    auto* strip = new QWidget(this);
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(4, 2, 4, 2);
    counts_ = new QLabel(strip);
    counts_->setObjectName(QStringLiteral("BulletinCounts"));
    stripLayout->addWidget(counts_, 1);
    if (publisher_) {
        showAll_ = new QCheckBox(QStringLiteral("显示全部 (含已过期和未生效的公告)"), strip);
        showAll_->setObjectName(QStringLiteral("ShowAll"));
        stripLayout->addWidget(showAll_);
        connect(showAll_, &QCheckBox::toggled, this, [this] { Refresh(); });
    }
    PlaceGrid(splitter, strip);
    connect(grid_, &CGridCtrl::SelectionChanged, this, [this](int, int) { ShowSelected(); });

    Refresh();
}

bool CBulletinView::OnCommand(int id) {
    switch (id) {
    case Command::Add:
        if (MayPublish()) {
            IniFile bag;
            AddRow(bag);
        }
        return true;
    case Command::Edit:
        if (MayPublish())
            EditTopRow(QStringLiteral("请选择要修改的公告"));
        return true;
    case Command::Delete:
        if (MayPublish())
            DeleteSelectedRows();
        return true;
    case kMarkAllRead:
        MarkAllRead();
        return true;
    default:
        return CRecordListView::OnCommand(id);
    }
}

bool CBulletinView::MayPublish() {
    if (publisher_)
        return true;
    prompt_.Message(QStringLiteral("您没有发布公告的权限"));
    return false;
}

void CBulletinView::Refresh() {
    QStringList conditions;
    if (!showAll_ || !showAll_->isChecked()) {
        // A bulletin without an end date stays valid.
        const QString today = SqlLiteral::Text(OfficeDates::DayText(QDate::currentDate()));
        conditions.append(QStringLiteral("(ValidFrom<=") + today +
                          QStringLiteral(" and (ValidTo>=") + today +
                          QStringLiteral(" or ValidTo=''))"));
    }
    SetConditions(conditions);
    Reload();
}

void CBulletinView::AfterLoad() {
    for (int row = grid_->GetFixedRowCount(); row < grid_->GetRowCount(); ++row)
        MarkRowFont(row);
    grid_->Refresh();
    ShowCounts();
    ShowSelected();
}

void CBulletinView::MarkRowFont(int row) {
    const bool unread = Binder().GetCellText(row, kUnread) == kUnread;
    for (int column = 0; column < grid_->GetColumnCount(); ++column) {
        QFont font = grid_->GetItemFont(row, column);
        font.setBold(unread);
        grid_->SetItemFont(row, column, &font);
    }
}

void CBulletinView::ShowCounts() {
    // Over every bulletin of the current choice, not only the page shown.
    const QString sql = QStringLiteral("select count(*), sum(") +
                        BulletinReads::UnreadExpression(userName_) +
                        QStringLiteral(") from Bulletin") + Binder().BuildWhere();
    DbRecordset rs(connection_);
    if (!rs.Open(sql)) {
        counts_->setText(rs.GetLastError());
        return;
    }
    // A sum over no rows is null, read as 0.
    const int total = rs.IsEOF() ? 0 : rs.GetString(0).toInt();
    const int unread = rs.IsEOF() ? 0 : rs.GetString(1).toInt();
    counts_->setText(QStringLiteral("共 %1 条, 未读 %2 条").arg(total).arg(unread));
}

void CBulletinView::ShowSelected() {
    const int row = SelectedRows::TopRow(*grid_);
    const int key = SelectedRows::KeyOfRow(*grid_, row);
    if (key < 1) {
        reader_->clear();
        return;
    }
    const QString sql =
        QStringLiteral("select Title, Content, Publisher, Published, ValidFrom, ValidTo "
                       "from Bulletin where KeyId=") +
        SqlLiteral::Long(key);
    {
        DbRecordset rs(connection_);
        if (!rs.Open(sql)) {
            reader_->clear();
            prompt_.Message(sql + QStringLiteral("\r\n") + rs.GetLastError());
            return;
        }
        if (rs.IsEOF()) {
            reader_->setPlainText(QStringLiteral("该公告已被删除"));
            return;
        }
        // A bulletin without an end date stays valid.
        const QString validTo = rs.GetString(QStringLiteral("ValidTo"));
        reader_->setPlainText(
            rs.GetString(QStringLiteral("Title")) + QStringLiteral("\n发布人: ") +
            rs.GetString(QStringLiteral("Publisher")) + QStringLiteral("    发布时间: ") +
            rs.GetString(QStringLiteral("Published")) + QStringLiteral("    有效期: ") +
            rs.GetString(QStringLiteral("ValidFrom")) + QStringLiteral(" 至 ") +
            (validTo.isEmpty() ? QStringLiteral("长期") : validTo) + QStringLiteral("\n\n") +
            rs.GetString(QStringLiteral("Content")));
    }
    if (Binder().GetCellText(row, kUnread) != kUnread)
        return;
    QString error;
    if (!BulletinReads::MarkRead(connection_, key, userName_, error)) {
        prompt_.Message(error);
        return;
    }
    Binder().SetCellText(row, kUnread, QString());
    MarkRowFont(row);
    grid_->RedrawRow(row);
    ShowCounts();
}

void CBulletinView::MarkAllRead() {
    QString error;
    if (!BulletinReads::MarkAllRead(connection_, userName_, Binder().BuildWhere(), error)) {
        prompt_.Message(error);
        return;
    }
    Reload();
}

bool CBulletinView::RunForm(IniFile& bag) {
    const bool adding = !bag.Find(kBag, QStringLiteral("KeyId"));
    if (!RunBulletinForm(prompt_, connection_, userName_, bag, this))
        return false;
    if (adding) {
        // Its publisher has read it; everyone else finds it unread.
        QString error;
        const int key = bag.GetString(kBag, QStringLiteral("KeyId")).toInt();
        if (BulletinReads::MarkRead(connection_, key, userName_, error))
            bag.SetString(kBag, kUnread, QString());
        else
            bag.SetString(kBag, kUnread, kUnread);
    }
    return true;
}

bool CBulletinView::DeleteRowRecord(int row, QString& error) {
    const int key = SelectedRows::KeyOfRow(*grid_, row);
    if (key < 1) {
        error = QStringLiteral("编号无效: ") + grid_->GetItemText(row, 0);
        return false;
    }
    // Its read marks go with it, inside the row's savepoint.
    for (const QString& sql :
         {QStringLiteral("delete from BulletinRead where BulletinId=") + SqlLiteral::Long(key),
          QStringLiteral("delete from Bulletin where KeyId=") + SqlLiteral::Long(key)}) {
        if (connection_.Execute(sql) != 1) {
            error = connection_.GetLastError();
            return false;
        }
    }
    return true;
}
