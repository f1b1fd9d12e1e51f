#include "RecvReadDlg.h"

#include "base/ProgramFolder.h"
#include "ui/Prompt.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSaveFile>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// A text view that never loads anything a message names (remote images,
// local files): a mail cannot tell anyone it was read, nor show a file of
// this machine.
class CMailBodyBrowser final : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;

    QVariant loadResource(int, const QUrl&) override { return QVariant(); }
};

QString SizeText(qsizetype bytes) {
    if (bytes < 1024)
        return QString::number(bytes) + QStringLiteral(" 字节");
    return QString::number((bytes + 1023) / 1024) + QStringLiteral(" KB");
}

bool WriteFile(const QString& path, const QByteArray& data) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit();
}

} // namespace

CRecvReadDlg::CRecvReadDlg(Prompt& prompt, const QByteArray& raw, QWidget* parent)
    : QDialog(parent), prompt_(prompt), message_(MimeMessage::Parse(raw)) {
    setObjectName(QStringLiteral("RecvReadDlg"));
    setWindowTitle(message_.Subject().isEmpty() ? QStringLiteral("(无主题)")
                                                : message_.Subject().simplified());
    header_ = new QLabel(this);
    header_->setTextFormat(Qt::PlainText);
    header_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    header_->setWordWrap(true);
    header_->setText(HeaderText());

    body_ = new CMailBodyBrowser(this);
    body_->setOpenLinks(false);
    body_->setOpenExternalLinks(false);
    if (message_.IsHtml())
        body_->setHtml(message_.BodyText());
    else
        body_->setPlainText(message_.BodyText());
    connect(body_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        const QString scheme = url.scheme().toLower();
        if (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
            scheme == QLatin1String("mailto"))
            prompt_.OpenUrl(url.toString(QUrl::FullyEncoded));
    });

    attachments_ = new QListWidget(this);
    const QList<const MimePart*> parts = message_.Attachments();
    for (int i = 0; i < parts.size(); ++i)
        attachments_->addItem(AttachmentName(i) + QStringLiteral("  (") +
                              SizeText(parts[i]->Decoded().size()) + QLatin1Char(')'));
    if (!parts.isEmpty())
        attachments_->setCurrentRow(0);
    attachments_->setMaximumHeight(fontMetrics().lineSpacing() * 5);
    auto* saveAs = new QPushButton(QStringLiteral("另存为"), this);
    auto* open = new QPushButton(QStringLiteral("打开"), this);
    connect(saveAs, &QPushButton::clicked, this, [this] { SaveAttachment(); });
    connect(open, &QPushButton::clicked, this, [this] { OpenAttachment(); });
    connect(attachments_, &QListWidget::itemDoubleClicked, this, [this] { OpenAttachment(); });
    auto* attachmentRow = new QHBoxLayout;
    attachmentRow->addWidget(attachments_, 1);
    auto* attachmentButtons = new QVBoxLayout;
    attachmentButtons->addWidget(saveAs);
    attachmentButtons->addWidget(open);
    attachmentButtons->addStretch(1);
    attachmentRow->addLayout(attachmentButtons);
    auto* attachmentBox = new QWidget(this);
    attachmentBox->setLayout(attachmentRow);
    attachmentBox->setVisible(!parts.isEmpty());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("关闭"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(header_);
    layout->addWidget(body_, 1);
    layout->addWidget(attachmentBox);
    layout->addWidget(buttons);
    resize(760, 560);
}

CRecvReadDlg::~CRecvReadDlg() = default;

QString CRecvReadDlg::HeaderText() const {
    QStringList lines;
    const QString from = message_.SenderName().isEmpty()
                             ? message_.SenderAddress()
                             : message_.SenderName() + QStringLiteral(" <") +
                                   message_.SenderAddress() + QLatin1Char('>');
    lines << QStringLiteral("发件人: ") + from;
    lines << QStringLiteral("收件人: ") + message_.Header("To").simplified();
    const QString copy = message_.Header("Cc").simplified();
    if (!copy.isEmpty())
        lines << QStringLiteral("抄送: ") + copy;
    const QDateTime date = message_.Date();
    lines << QStringLiteral("日期: ") +
                 (date.isValid()
                      ? date.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                      : message_.Header("Date"));
    lines << QStringLiteral("主题: ") + message_.Subject().simplified();
    return lines.join(QLatin1Char('\n'));
}

QString CRecvReadDlg::AttachmentName(int index) const {
    const QList<const MimePart*> parts = message_.Attachments();
    QString name = parts.value(index) ? parts[index]->fileName.trimmed() : QString();
    // Names never lead out of the folder they are written to.
    name.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) {
        name = QStringLiteral("附件") + QString::number(index + 1);
        if (parts.value(index) && parts[index]->mimeType == "message/rfc822")
            name += QStringLiteral(".eml");
    }
    return name;
}

const MimePart* CRecvReadDlg::CurrentAttachment() {
    const int row = attachments_->currentRow();
    const QList<const MimePart*> parts = message_.Attachments();
    if (row < 0 || row >= parts.size()) {
        prompt_.Message(QStringLiteral("请选择附件"));
        return nullptr;
    }
    return parts[row];
}

bool CRecvReadDlg::SaveAttachment() {
    const MimePart* part = CurrentAttachment();
    if (!part)
        return false;
    const QString name = AttachmentName(attachments_->currentRow());
    const QString path = prompt_.SaveFileName(QStringLiteral("另存为"), QDir::home().filePath(name),
                                              QStringLiteral("所有文件 (*)"));
    if (path.isEmpty())
        return false;
    if (!WriteFile(path, part->Decoded())) {
        prompt_.Message(QStringLiteral("无法保存文件: ") + QDir::toNativeSeparators(path));
        return false;
    }
    return true;
}

bool CRecvReadDlg::OpenAttachment() {
    const MimePart* part = CurrentAttachment();
    if (!part)
        return false;
    // A copy of its own under the program folder, which the desktop's
    // program for the file type then opens.
    const QString folder = ProgramPath(QStringLiteral("mailrecv/open"));
    const QString path = folder + QLatin1Char('/') + AttachmentName(attachments_->currentRow());
    if (!QDir().mkpath(folder) || !WriteFile(path, part->Decoded())) {
        prompt_.Message(QStringLiteral("无法保存文件: ") + QDir::toNativeSeparators(path));
        return false;
    }
    if (!prompt_.OpenUrl(QUrl::fromLocalFile(path).toString())) {
        prompt_.Message(QStringLiteral("没有可以打开此文件的程序: ") +
                        QDir::toNativeSeparators(path));
        return false;
    }
    return true;
}
