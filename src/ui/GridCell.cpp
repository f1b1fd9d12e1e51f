#include "ui/GridCell.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>

CGridCell::~CGridCell() = default;

void CGridCell::SetFont(const QFont* font) {
    font_ = font ? std::make_unique<QFont>(*font) : nullptr;
}

void CGridCell::CopyFrom(const CGridCell& other) {
    text_ = other.text_;
    image_ = other.image_;
    data_ = other.data_;
    state_ = other.state_;
    format_ = other.format_;
    textClr_ = other.textClr_;
    backClr_ = other.backClr_;
    SetFont(other.font_.get());
    margin_ = other.margin_;
}

QWidget* CGridCell::CreateEditor(QWidget* parent, const QString& text) const {
    auto* edit = new QLineEdit(text, parent);
    edit->setFrame(false);
    return edit;
}

QString CGridCell::EditorText(const QWidget* editor) const {
    // The cell may have changed class while its editor was open (a drop-down
    // turned back into a plain cell), so read whichever editor it is.
    if (const auto* edit = qobject_cast<const QLineEdit*>(editor))
        return edit->text();
    if (const auto* combo = qobject_cast<const QComboBox*>(editor))
        return combo->currentText();
    return QString();
}

void CGridCell::EditorShown(QWidget* /*editor*/) const {}

bool CGridCell::ValidateEdit(const QString& /*text*/) {
    return true;
}

CGridDefaultCell::CGridDefaultCell() {
    SetFormat(DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);
    SetMargin(3);
    if (qApp) {
        defaultFont_ = QApplication::font();
        Measure();
    }
}

void CGridDefaultCell::SetDefaultFont(const QFont& font) {
    defaultFont_ = font;
    Measure();
}

void CGridDefaultCell::Measure() {
    // The classic default: room for a dozen wide characters, one and a half
    // lines high.
    const QFontMetrics metrics(defaultFont_);
    width_ = metrics.horizontalAdvance(QStringLiteral(" XXXXXXXXXXXX "));
    height_ = metrics.height() * 3 / 2;
}
