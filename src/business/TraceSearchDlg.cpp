#include "business/TraceSearchDlg.h"

#include "base/IniFile.h"
#include "base/ProgramFolder.h"
#include "db/SqlLiteral.h"
#include "ui/Prompt.h"

#include <QDate>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

const QString kBag = QStringLiteral(".");

QString Like(const QString& column, const QString& pattern) {
    return QStringLiteral("(") + column + QStringLiteral(" like ") + SqlLiteral::Text(pattern) +
           QStringLiteral(")");
}

QString Percent() {
    return QStringLiteral("%");
}

} // namespace

const QStringList& TraceCriteria::Keys() {
    // Contact has always been written as CONTACT; keys compare without case.
    static const QStringList keys = {QStringLiteral("KeyId"),   QStringLiteral("CustomerName"),
                                     QStringLiteral("CONTACT"), QStringLiteral("Handler"),
                                     QStringLiteral("Title"),   QStringLiteral("FDTime")};
    return keys;
}

void TraceCriteria::Load(const IniFile& file) {
    QString* fields[] = {&keyId, &customerName, &contact, &handler, &title, &time};
    for (int i = 0; i < Keys().size(); ++i)
        *fields[i] = file.GetString(kBag, Keys()[i]);
}

void TraceCriteria::Save(IniFile& file) const {
    const QString* fields[] = {&keyId, &customerName, &contact, &handler, &title, &time};
    for (int i = 0; i < Keys().size(); ++i)
        file.SetString(kBag, Keys()[i], *fields[i]);
}

qint32 TraceCriteria::KeyNumber(const QString& text) {
    int i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    qint64 value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > 2147483648LL) {
            value = 2147483648LL;
            break;
        }
    }
    if (negative)
        value = -value;
    return qint32(qBound<qint64>(-2147483647LL - 1, value, 2147483647LL));
}

QStringList TraceCriteria::Conditions(const QString& timeColumn) const {
    QStringList conditions;
    if (!keyId.isEmpty())
        conditions << QStringLiteral("(KeyId=") + SqlLiteral::Long(KeyNumber(keyId)) +
                          QStringLiteral(")");
    if (!time.isEmpty())
        conditions << Like(timeColumn, time + Percent());
    if (!handler.isEmpty())
        conditions << QStringLiteral("(Handler = ") + SqlLiteral::Text(handler) +
                          QStringLiteral(")");
    if (!customerName.isEmpty())
        conditions << Like(QStringLiteral("CustomerName"), Percent() + customerName + Percent());
    if (!contact.isEmpty())
        conditions << Like(QStringLiteral("Contact"), Percent() + contact + Percent());
    if (!title.isEmpty())
        conditions << Like(QStringLiteral("Title"), Percent() + title + Percent());
    return conditions;
}

CTraceSearchDlg::CTraceSearchDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("查找沟通记录"));
    setObjectName(QStringLiteral("CTraceSearchDlg"));
    auto* form = new QFormLayout;
    const QStringList captions = {QStringLiteral("编号"),   QStringLiteral("客户名称"),
                                  QStringLiteral("联系人"), QStringLiteral("经理人"),
                                  QStringLiteral("标题"),   QStringLiteral("时间")};
    for (int i = 0; i < captions.size(); ++i) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(TraceCriteria::Keys()[i]);
        edit->setMinimumWidth(200);
        form->addRow(captions[i], edit);
        edits_.append(edit);
    }
    edits_.last()->setPlaceholderText(QStringLiteral("年-月，如 2024-03"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CTraceSearchDlg::OnOK);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    IniFile file;
    file.Load(CriteriaFilePath());
    TraceCriteria last;
    last.Load(file);
    if (last.time.isEmpty())
        last.time = QDate::currentDate().toString(QStringLiteral("yyyy-MM"));
    SetCriteria(last);
}

QString CTraceSearchDlg::CriteriaFilePath() {
    return ProgramPath(QStringLiteral("data/trace_search.ini"));
}

QLineEdit* CTraceSearchDlg::Field(const QString& key) const {
    for (int i = 0; i < edits_.size(); ++i) {
        if (TraceCriteria::Keys()[i].compare(key, Qt::CaseInsensitive) == 0)
            return edits_[i];
    }
    return nullptr;
}

TraceCriteria CTraceSearchDlg::Criteria() const {
    TraceCriteria criteria;
    QString* fields[] = {&criteria.keyId,   &criteria.customerName, &criteria.contact,
                         &criteria.handler, &criteria.title,        &criteria.time};
    for (int i = 0; i < edits_.size(); ++i)
        *fields[i] = edits_[i]->text();
    return criteria;
}

void CTraceSearchDlg::SetCriteria(const TraceCriteria& criteria) {
    const QString* fields[] = {&criteria.keyId,   &criteria.customerName, &criteria.contact,
                               &criteria.handler, &criteria.title,        &criteria.time};
    for (int i = 0; i < edits_.size(); ++i)
        edits_[i]->setText(*fields[i]);
}

void CTraceSearchDlg::OnOK() {
    const QString path = CriteriaFilePath();
    QDir().mkpath(ProgramPath(QStringLiteral("data")));
    IniFile file;
    file.Load(path);
    Criteria().Save(file);
    // A file that cannot be written only loses the remembered criteria.
    file.Save(path);
    accept();
}

bool AskTraceCriteria(Prompt& prompt, QWidget* parent, TraceCriteria& criteria) {
    CTraceSearchDlg dialog(parent);
    if (prompt.RunModal(dialog) != QDialog::Accepted)
        return false;
    criteria = dialog.Criteria();
    return true;
}
