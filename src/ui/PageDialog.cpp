#include "ui/PageDialog.h"

#include "base/ProgramFolder.h"
#include "base/TextDecoding.h"
#include "ui/ColorRef.h"
#include "ui/DrawnCheckBox.h"
#include "ui/Picture.h"
#include "ui/RowLayout.h"

#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

namespace {

constexpr int kFirstRowHeight = 20;
constexpr int kBreakRowHeight = 24;
constexpr int kBreakRowSpacing = 3;
constexpr int kLabelWidth = 80;
constexpr int kEditCharWidth = 8;
constexpr int kEditWidth = 80;
constexpr int kButtonWidth = 80;
constexpr int kTextAreaWidth = 100;
constexpr int kTextAreaLineHeight = 20;
constexpr int kSelectWidth = 80;
constexpr int kSelectListHeight = 200;

const QString kDot = QStringLiteral(".");
const QString kValue = QStringLiteral("Value");

QFont PageFont() {
    // 宋体 where it exists; elsewhere the first Chinese face the desktop has.
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                      QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")});
    font.setPointSize(10);
    return font;
}

} // namespace

CPageDialog::CPageDialog(QWidget* parent) : QDialog(parent), layout_(new RowLayout(this)) {
    setFont(PageFont());
    setAutoFillBackground(true);
    background_ = ColorRef::FromColor(palette().color(QPalette::Button));
    SetBackground(background_);
}

CPageDialog::~CPageDialog() = default;

bool CPageDialog::Load(const QString& pageFile) {
    const QString path = ProgramPath(QStringLiteral("res/") + pageFile);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        lastError_ = QStringLiteral("无法打开页面文件%1: %2").arg(path, file.errorString());
        return false;
    }
    // Page files are edited by hand in whatever editor is at hand, and the
    // delivered ones are UTF-8: their encoding is weighed like an import's.
    QString text;
    QString why;
    TextEncoding encoding = TextEncoding::Gbk;
    if (!TextDecoding::DecodeUserFile(file.readAll(), text, encoding, why)) {
        lastError_ = QStringLiteral("页面文件%1%2").arg(path, why);
        return false;
    }
    lastError_.clear();
    LoadText(text);
    return true;
}

void CPageDialog::Reset() {
    for (const QPointer<QWidget>& control : std::as_const(controls_)) {
        if (control) {
            // A page may be reloaded from a click on one of its own buttons.
            control->hide();
            control->deleteLater();
        }
    }
    controls_.clear();
    layout_->Clear();
    record_.Clear();
    problems_.clear();
    textColor_ = 0;
    SetBackground(ColorRef::FromColor(QPalette().color(QPalette::Button)));
}

void CPageDialog::SetBackground(quint32 colorRef) {
    background_ = colorRef;
    QPalette colours = palette();
    colours.setColor(QPalette::Window, ColorRef::ToColor(colorRef));
    setPalette(colours);
}

void CPageDialog::LoadText(const QString& pageText) {
    Reset();
    const PageParse parsed = ParsePage(pageText);
    problems_ = parsed.problems;
    layout_->AddRow(kFirstRowHeight);

    int nextId = kFirstControlId;
    auto currentRow = [this] { return layout_->RowCount() - 1; };
    // A control with a height of its own makes its row tall enough for it.
    auto fitRow = [&](int height) {
        if (height > layout_->Row(currentRow()).height)
            layout_->SetRowHeight(currentRow(), height);
    };

    for (const PageTag& tag : parsed.tags) {
        const QString& name = tag.name;
        const bool fixed = tag.HasAttribute(QStringLiteral("fixed"));

        if (name == QLatin1String("title")) {
            setWindowTitle(tag.text.trimmed());
        } else if (name == QLatin1String("body")) {
            quint32 colour = 0;
            if (tag.HasAttribute(QStringLiteral("bgcolor"))) {
                if (ColorRef::FromHtml(tag.Attribute(QStringLiteral("bgcolor")), colour))
                    SetBackground(colour);
                else
                    problems_.append(QStringLiteral("第%1行: 无法识别的颜色 %2")
                                         .arg(tag.line)
                                         .arg(tag.Attribute(QStringLiteral("bgcolor"))));
            }
        } else if (name == QLatin1String("font")) {
            quint32 colour = 0;
            if (ColorRef::FromHtml(tag.Attribute(QStringLiteral("color")), colour))
                textColor_ = colour;
            else if (tag.HasAttribute(QStringLiteral("color")))
                problems_.append(QStringLiteral("第%1行: 无法识别的颜色 %2")
                                     .arg(tag.line)
                                     .arg(tag.Attribute(QStringLiteral("color"))));
        } else if (name == QLatin1String("/font")) {
            textColor_ = 0;
        } else if (name == QLatin1String("br")) {
            layout_->AddRow(kBreakRowHeight, true, kBreakRowSpacing);
        } else if (name == QLatin1String("span")) {
            const int id = nextId++;
            const QString text = tag.text.trimmed();
            auto* label = new QLabel(text, this);
            QPalette colours = label->palette();
            colours.setColor(QPalette::WindowText, ColorRef::ToColor(textColor_));
            label->setPalette(colours);
            layout_->AddControl(label, kLabelWidth, fixed);
            Register(id, label);
            AddRecord(id, QStringLiteral("Label"), tag, text);
        } else if (name == QLatin1String("img")) {
            const int id = nextId++;
            const QString source = tag.Attribute(QStringLiteral("src"));
            auto* picture = new QLabel(this);
            const QPixmap pixmap = LoadPicture(ProgramPath(QStringLiteral("res/") + source));
            if (pixmap.isNull()) {
                problems_.append(
                    QStringLiteral("第%1行: 无法读取图片 res/%2").arg(tag.line).arg(source));
                layout_->AddControl(picture, 0, true);
            } else {
                picture->setPixmap(pixmap);
                layout_->SetRowHeight(currentRow(), pixmap.height());
                layout_->AddControl(picture, pixmap.width(), fixed, pixmap.height());
            }
            Register(id, picture);
            AddRecord(id, QStringLiteral("Label"), tag, source);
        } else if (name == QLatin1String("input")) {
            const QString type = tag.Attribute(QStringLiteral("type")).toLower();
            const QString value = tag.Attribute(QStringLiteral("value"));
            if (type.isEmpty() || type == QLatin1String("text")) {
                const int id = nextId++;
                auto* edit = new QLineEdit(value, this);
                const int size = AtoI(tag.Attribute(QStringLiteral("size")));
                layout_->AddControl(edit, size > 0 ? size * kEditCharWidth : kEditWidth, fixed);
                Register(id, edit);
                AddRecord(id, QStringLiteral("Edit"), tag, value);
                connect(edit, &QLineEdit::textChanged, this, [this, id](const QString& text) {
                    if (!syncing_)
                        record_.SetString(QString::number(id), kValue, text);
                });
            } else if (type == QLatin1String("submit") || type == QLatin1String("reset") ||
                       type == QLatin1String("button")) {
                const int id = type == QLatin1String("submit")  ? kOkId
                               : type == QLatin1String("reset") ? kCancelId
                                                                : nextId++;
                auto* button = new QPushButton(value, this);
                const int width =
                    qMax(kButtonWidth, button->fontMetrics().horizontalAdvance(value) + 24);
                layout_->AddControl(button, width, fixed);
                Register(id, button);
                AddRecord(id, QStringLiteral("Button"), tag, value);
                if (type == QLatin1String("submit")) {
                    button->setDefault(true);
                    connect(button, &QPushButton::clicked, this, &QDialog::accept);
                } else if (type == QLatin1String("reset")) {
                    connect(button, &QPushButton::clicked, this, &QDialog::reject);
                } else {
                    connect(button, &QPushButton::clicked, this, [this, id] { emit command(id); });
                }
            } else if (type == QLatin1String("checkbox")) {
                const int id = nextId++;
                auto* box = new DrawnCheckBox(tag.Attribute(QStringLiteral("title")), this);
                box->SetControlId(id);
                box->SetTextColor(ColorRef::ToColor(textColor_));
                box->SetBackgroundColor(ColorRef::ToColor(background_));
                box->setChecked(AtoI(value) != 0);
                layout_->AddControl(box, box->sizeHint().width(), fixed);
                Register(id, box);
                AddRecord(id, QStringLiteral("CheckBox"), tag, value);
                connect(box, &DrawnCheckBox::toggled, this, [this, id](bool checked) {
                    if (!syncing_)
                        record_.SetString(QString::number(id), kValue,
                                          checked ? QStringLiteral("1") : QStringLiteral("0"));
                });
                connect(box, &DrawnCheckBox::command, this, &CPageDialog::command);
            } else {
                problems_.append(
                    QStringLiteral("第%1行: 不支持的输入类型 %2, 已忽略").arg(tag.line).arg(type));
            }
        } else if (name == QLatin1String("textarea")) {
            const int id = nextId++;
            auto* edit = new QPlainTextEdit(tag.text, this);
            edit->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
            edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            const int rows = AtoI(tag.Attribute(QStringLiteral("rows")));
            const int height = (rows > 0 ? rows : 1) * kTextAreaLineHeight;
            // Lines asked for are lines shown: the row grows to the area's
            // height, as a picture's row does.
            fitRow(height);
            layout_->AddControl(edit, kTextAreaWidth, fixed, height);
            Register(id, edit);
            AddRecord(id, QStringLiteral("Edit"), tag, tag.text);
            connect(edit, &QPlainTextEdit::textChanged, this, [this, id, edit] {
                if (!syncing_)
                    record_.SetString(QString::number(id), kValue, edit->toPlainText());
            });
        } else if (name == QLatin1String("select")) {
            const int id = nextId++;
            auto* list = new QComboBox(this);
            list->addItems(ParseOptions(tag.text));
            list->setCurrentIndex(-1);
            list->setMaxVisibleItems(qMax(1, kSelectListHeight / kTextAreaLineHeight));
            layout_->AddControl(list, kSelectWidth, fixed);
            Register(id, list);
            AddRecord(id, QStringLiteral("ComboBox"), tag, QString());
            connect(list, &QComboBox::currentTextChanged, this, [this, id](const QString& text) {
                if (!syncing_)
                    record_.SetString(QString::number(id), kValue, text);
            });
        } else if (name.startsWith(QLatin1Char('/')) || name == QLatin1String("html") ||
                   name == QLatin1String("head")) {
            // Closing tags and the document skeleton carry nothing.
        } else {
            problems_.append(
                QStringLiteral("第%1行: 未知标记<%2>, 已忽略").arg(tag.line).arg(name));
        }
    }

    resize(kWidth, layout_->ContentSize().height() + kExtraHeight);
    CentreOnParent();
    // Lay the rows out now, so that the controls have their places before the
    // dialog is first shown.
    layout_->setGeometry(rect());
}

void CPageDialog::AddRecord(int id, const QString& type, const PageTag& tag, const QString& value) {
    const QString section = QString::number(id);
    record_.SetInt(section, QStringLiteral("ControlId"), id);
    record_.SetString(section, QStringLiteral("ControlType"), type);
    record_.SetString(section, QStringLiteral("Name"), tag.Attribute(QStringLiteral("name")));
    record_.SetString(section, kValue, value);
    if (tag.HasAttribute(QStringLiteral("field")))
        record_.SetString(section, QStringLiteral("field"), tag.Attribute(QStringLiteral("field")));
}

void CPageDialog::Register(int id, QWidget* control) {
    control->setObjectName(QStringLiteral("control%1").arg(id));
    controls_.insert(id, control);
}

QString CPageDialog::FindSection(const QString& name) const {
    QStringList sections;
    record_.GetSections(sections);
    for (const QString& section : std::as_const(sections)) {
        if (section == kDot)
            continue;
        const std::optional<QString> controlName = record_.Find(section, QStringLiteral("Name"));
        if (controlName && *controlName == name)
            return section;
    }
    return QString();
}

int CPageDialog::SetValue(const QString& name, const QString& text) {
    const QString section = FindSection(name);
    if (section.isEmpty()) {
        record_.SetString(kDot, name, text);
        return 0;
    }
    record_.SetString(section, kValue, text);
    if (QWidget* control = Control(section.toInt()))
        ShowValue(control, text);
    return 1;
}

QString CPageDialog::GetValue(const QString& name) const {
    const QString section = FindSection(name);
    return record_.GetString(section.isEmpty() ? kDot : section, section.isEmpty() ? name : kValue);
}

QWidget* CPageDialog::Control(int id) const {
    return controls_.value(id);
}

QWidget* CPageDialog::Control(const QString& name) const {
    const QString section = FindSection(name);
    return section.isEmpty() ? nullptr : Control(section.toInt());
}

void CPageDialog::ShowValue(QWidget* control, const QString& text) {
    // The record already holds the text exactly; the control shows what it
    // can of it without writing back.
    syncing_ = true;
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(text);
    } else if (auto* area = qobject_cast<QPlainTextEdit*>(control)) {
        area->setPlainText(text);
    } else if (auto* list = qobject_cast<QComboBox*>(control)) {
        int index = list->findText(text, Qt::MatchExactly);
        if (index < 0 && !text.isEmpty())
            index = list->findText(text, Qt::MatchStartsWith);
        list->setCurrentIndex(index);
    } else if (auto* box = qobject_cast<DrawnCheckBox*>(control)) {
        box->setChecked(AtoI(text) != 0);
    } else if (auto* button = qobject_cast<QPushButton*>(control)) {
        button->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        if (!label->pixmap().isNull())
            label->setPixmap(LoadPicture(ProgramPath(QStringLiteral("res/") + text)));
        else
            label->setText(text);
    }
    syncing_ = false;
}

void CPageDialog::CentreOnParent() {
    QRect around;
    if (QWidget* owner = parentWidget())
        around = owner->window()->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        around = screen->availableGeometry();
    if (around.isValid())
        move(around.center() - rect().center());
}
