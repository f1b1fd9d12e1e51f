#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include <memory>

class QWidget;

// One cell of a CGridCtrl: text, image index, item data, state bits, text
// format, colours, font and margin. A colour left invalid, a format left at
// kDefaultFormat, a margin of -1 and an absent font mean "take it from the
// grid's default cell" (see CGridDefaultCell), so setting the default cells
// recolours every cell that was not coloured on its own.
//
// Cell classes differ in how they are edited in place: CGridCell uses an edit
// box, CGridCellCombo a drop-down list. CGridCtrl::SetCellType swaps the class
// of one cell and keeps its contents through CopyFrom.
class CGridCell {
public:
    // Cell state bits.
    static constexpr quint32 GVIS_FOCUSED = 0x01;
    static constexpr quint32 GVIS_SELECTED = 0x02;
    static constexpr quint32 GVIS_DROPHILITED = 0x04;
    static constexpr quint32 GVIS_READONLY = 0x08;
    static constexpr quint32 GVIS_FIXED = 0x10;
    static constexpr quint32 GVIS_FIXEDROW = 0x20;
    static constexpr quint32 GVIS_FIXEDCOL = 0x40;
    static constexpr quint32 GVIS_MODIFIED = 0x80;

    // Text format bits, with the values of the classic text-drawing flags so
    // that formats written as numbers keep their meaning.
    static constexpr quint32 DT_LEFT = 0x0000;
    static constexpr quint32 DT_CENTER = 0x0001;
    static constexpr quint32 DT_RIGHT = 0x0002;
    static constexpr quint32 DT_VCENTER = 0x0004;
    static constexpr quint32 DT_BOTTOM = 0x0008;
    static constexpr quint32 DT_WORDBREAK = 0x0010;
    static constexpr quint32 DT_SINGLELINE = 0x0020;
    static constexpr quint32 DT_NOPREFIX = 0x0800;
    static constexpr quint32 DT_END_ELLIPSIS = 0x8000;
    static constexpr quint32 kDefaultFormat = 0xFFFFFFFFu;

    CGridCell() = default;
    virtual ~CGridCell();
    CGridCell(const CGridCell&) = delete;
    CGridCell& operator=(const CGridCell&) = delete;

    void SetText(const QString& text) { text_ = text; }
    const QString& GetText() const { return text_; }
    void SetImage(int image) { image_ = image; }
    int GetImage() const { return image_; }
    void SetData(qintptr data) { data_ = data; }
    qintptr GetData() const { return data_; }
    void SetState(quint32 state) { state_ = state; }
    quint32 GetState() const { return state_; }
    void SetFormat(quint32 format) { format_ = format; }
    quint32 GetFormat() const { return format_; }
    void SetTextClr(const QColor& colour) { textClr_ = colour; }
    const QColor& GetTextClr() const { return textClr_; }
    void SetBackClr(const QColor& colour) { backClr_ = colour; }
    const QColor& GetBackClr() const { return backClr_; }
    // nullptr returns the cell to the default cell's font.
    void SetFont(const QFont* font);
    const QFont* GetFont() const { return font_.get(); }
    void SetMargin(int margin) { margin_ = margin; }
    int GetMargin() const { return margin_; }

    bool IsFocused() const { return state_ & GVIS_FOCUSED; }
    bool IsSelected() const { return state_ & GVIS_SELECTED; }
    bool IsDropHighlighted() const { return state_ & GVIS_DROPHILITED; }
    bool IsReadOnly() const { return state_ & GVIS_READONLY; }
    bool IsFixed() const { return state_ & GVIS_FIXED; }
    bool IsFixedRow() const { return state_ & GVIS_FIXEDROW; }
    bool IsFixedCol() const { return state_ & GVIS_FIXEDCOL; }
    bool IsModified() const { return state_ & GVIS_MODIFIED; }

    // Takes over everything another cell holds, whatever its class.
    virtual void CopyFrom(const CGridCell& other);

    // In-place editing. CreateEditor makes the editor widget as a child of
    // parent, holding text; the grid positions it over the cell, feeds it the
    // key that started the edit and reads the result back with EditorText.
    virtual QWidget* CreateEditor(QWidget* parent, const QString& text) const;
    virtual QString EditorText(const QWidget* editor) const;
    // Called once the editor is placed and shown (a drop-down opens here).
    virtual void EditorShown(QWidget* editor) const;
    // Called with the new text when an edit ends; false restores the old text.
    virtual bool ValidateEdit(const QString& text);

private:
    QString text_;
    int image_ = -1;
    qintptr data_ = 0;
    quint32 state_ = 0;
    quint32 format_ = kDefaultFormat;
    QColor textClr_;
    QColor backClr_;
    std::unique_ptr<QFont> font_;
    int margin_ = -1;
};

// What a cell leaves unset comes from one of the grid's four default cells:
// ordinary cells, cells of fixed rows, of fixed columns, and of both (the
// corner). A default cell also gives the default row height and column width,
// measured from the text " XXXXXXXXXXXX " in its font.
class CGridDefaultCell final : public CGridCell {
public:
    CGridDefaultCell();

    // The font always exists here; setting it re-measures the default size.
    void SetDefaultFont(const QFont& font);
    const QFont& GetDefaultFont() const { return defaultFont_; }

    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    void SetWidth(int width) { width_ = width; }
    void SetHeight(int height) { height_ = height; }

private:
    void Measure();

    QFont defaultFont_;
    int width_ = 40;
    int height_ = 16;
};
