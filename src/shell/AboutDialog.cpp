#include "shell/AboutDialog.h"

#include "base/IniFile.h"
#include "base/ProgramFolder.h"
#include "ui/HyperlinkLabel.h"
#include "ui/Prompt.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* PlainValue(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

// A link when there is something to open, plain text otherwise.
QWidget* LinkValue(Prompt& prompt, const QString& text, const QString& target, QWidget* parent) {
    if (target.isEmpty())
        return PlainValue(text, parent);
    return new HyperlinkLabel(prompt, text, target, parent);
}

// A key the shop has not filled says so, naming where to fill it, instead
// of leaving a blank row.
QString OrNotSet(const QString& value, const char* key) {
    if (!value.isEmpty())
        return value;
    return QStringLiteral("未设置 (velmora.ini [Register] %1)").arg(QLatin1String(key));
}

} // namespace

AboutDialog::AboutDialog(Prompt& prompt, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("关于"));
    setObjectName(QStringLiteral("AboutDialog"));

    IniFile product;
    product.Load(ProgramPath(QStringLiteral("velmora.ini")));
    const QString section = QStringLiteral("Register");
    const auto reg = [&](const char* key) {
        return product.GetString(section, QString::fromLatin1(key));
    };
    IniFile settings;
    settings.Load(ProgramPath(QStringLiteral("settings.ini")));
    const auto app = [&](const char* key) {
        return settings.GetString(QStringLiteral("Application"), QString::fromLatin1(key));
    };

    const QString name = reg("ProductName");
    auto* title = new QLabel(name.isEmpty() ? Prompt::AppTitle() : name, this);
    title->setObjectName(QStringLiteral("ProductName"));
    QFont large = title->font();
    large.setPointSizeF(large.pointSizeF() * 1.8);
    large.setBold(true);
    title->setFont(large);

    const QString homepage = reg("Homepage");
    const QString support = reg("Support");

    auto* fields = new QFormLayout;
    fields->setHorizontalSpacing(16);
    const auto addRow = [&](const QString& label, QWidget* value) {
        value->setObjectName(label);
        fields->addRow(label, value);
    };
    addRow(QStringLiteral("版 本 号"), PlainValue(app("version"), this));
    addRow(QStringLiteral("发布日期"), PlainValue(app("publishdate"), this));
    // The homepage command's own message, when there is none.
    addRow(QStringLiteral("产品主页"),
           LinkValue(prompt,
                     homepage.isEmpty() ? QStringLiteral("未设置产品主页地址[Register/Homepage]")
                                        : homepage,
                     homepage, this));
    // Support is a mail address (a mailto: link) or a note such as whom to ask.
    const bool mail = support.contains(QLatin1Char('@')) && !support.contains(QLatin1Char(' '));
    addRow(QStringLiteral("技术支持"),
           LinkValue(prompt, OrNotSet(support, "Support"),
                     mail ? QStringLiteral("mailto:") + support : QString(), this));
    addRow(QStringLiteral("销售热线"), PlainValue(OrNotSet(reg("Sales"), "Sales"), this));
    addRow(QStringLiteral("版权所有"), PlainValue(OrNotSet(reg("Copyright"), "Copyright"), this));

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addSpacing(8);
    layout->addLayout(fields);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString AboutDialog::ValueOf(const QString& label) const {
    QWidget* value = findChild<QWidget*>(label);
    if (auto* plain = qobject_cast<QLabel*>(value))
        return plain->text();
    if (auto* link = qobject_cast<HyperlinkLabel*>(value))
        return link->Text();
    return QString();
}

QString AboutDialog::LinkOf(const QString& label) const {
    if (auto* link = findChild<HyperlinkLabel*>(label))
        return link->Target();
    return QString();
}
