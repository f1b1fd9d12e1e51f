// In-place editing, paste, cut and delete of CGridCtrl.

#include "ui/GridCtrl.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>

namespace {

QLineEdit* LineEditOf(QWidget* editor) {
    if (auto* line = qobject_cast<QLineEdit*>(editor))
        return line;
    return editor->findChild<QLineEdit*>();
}

bool ContinuesEditing(int key) {
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    default:
        return false;
    }
}

} // namespace

bool CGridCtrl::OwnerAccepts(void (CGridCtrl::*notice)(int, int), int row, int col) {
    editRefused_ = false;
    (this->*notice)(row, col); // emits the signal
    const bool accepted = !editRefused_;
    editRefused_ = false;
    return accepted;
}

bool CGridCtrl::EditCell(int row, int col) {
    return StartEdit(row, col, EditStart::Mouse, nullptr);
}

bool CGridCtrl::StartEdit(int row, int col, EditStart how, QKeyEvent* firstKey) {
    if (editor_)
        EndEditing();
    if (virtualMode_ || IsCellFixed(row, col) || !IsCellEditable(row, col))
        return false;
    EnsureVisible(row, col);
    if (!OwnerAccepts(&CGridCtrl::BeginLabelEdit, row, col))
        return false;
    // The owner may have swapped the cell's class while answering.
    const CGridCell* cell = StoredCell(row, col);
    QRect rect;
    if (!cell || !GetCellRect(row, col, &rect))
        return false;

    HideTitleTip();
    editCell_ = CCellID(row, col);
    editOldText_ = cell->GetText();
    editStart_ = how;
    editEndKey_ = 0;
    QWidget* editor = cell->CreateEditor(viewport(), editOldText_);
    if (!editor)
        return false;
    editor->setFont(GetItemFont(row, col));
    editor->setGeometry(rect.adjusted(0, 0, -1, -1));
    editor->installEventFilter(this);
    const auto children = editor->findChildren<QWidget*>();
    for (QWidget* child : children)
        child->installEventFilter(this);
    editor_ = editor;
    mouseMode_ = MouseMode::Editing;
    editor->show();
    editor->setFocus(Qt::OtherFocusReason);

    if (QLineEdit* line = LineEditOf(editor)) {
        if (firstKey) {
            // The typed character replaces the text, as in a spreadsheet.
            line->selectAll();
            QKeyEvent copy(firstKey->type(), firstKey->key(), firstKey->modifiers(),
                           firstKey->text());
            QCoreApplication::sendEvent(line, &copy);
        } else {
            line->end(false);
        }
    }
    cell->EditorShown(editor);
    return true;
}

void CGridCtrl::EndEditing() {
    FinishEdit(0, Qt::NoModifier);
}

void CGridCtrl::FinishEdit(int endKey, Qt::KeyboardModifiers modifiers) {
    // Ending can recurse (hiding the editor moves the focus, which ends the
    // edit again); the first ending wins.
    if (endingEdit_ || !editor_)
        return;
    endingEdit_ = true;
    QWidget* editor = editor_;
    editor_ = nullptr;
    mouseMode_ = MouseMode::Nothing;
    const CCellID cell = editCell_;
    editEndKey_ = endKey;

    CGridCell* gridCell = StoredCell(cell.row, cell.col);
    const QString text =
        (endKey == Qt::Key_Escape || !gridCell) ? editOldText_ : gridCell->EditorText(editor);
    QWidget* focus = QApplication::focusWidget();
    const bool hadFocus = focus && (focus == editor || editor->isAncestorOf(focus));
    editor->removeEventFilter(this);
    const auto children = editor->findChildren<QWidget*>();
    for (QWidget* child : children)
        child->removeEventFilter(this);
    if (auto* combo = qobject_cast<QComboBox*>(editor))
        combo->hidePopup();
    editor->hide();
    editor->deleteLater();
    if (hadFocus)
        setFocus(Qt::OtherFocusReason);

    if (gridCell) {
        const bool changed = text != editOldText_;
        if (changed)
            SetItemText(cell.row, cell.col, text);
        const bool valid = gridCell->ValidateEdit(text);
        // The owner may replace the cell while answering: look it up again.
        const bool accepted = OwnerAccepts(&CGridCtrl::EndLabelEdit, cell.row, cell.col);
        if ((!valid || !accepted) && changed) {
            if (CGridCell* now = StoredCell(cell.row, cell.col))
                now->SetText(editOldText_);
        }
        RedrawCell(cell.row, cell.col);
    }
    endingEdit_ = false;

    if (ContinuesEditing(endKey)) {
        const CCellID before = focusCell_;
        MoveFocusByKey(endKey, modifiers & ~Qt::ShiftModifier);
        if (focusCell_ != before && IsValid(focusCell_))
            StartEdit(focusCell_.row, focusCell_.col, EditStart::Keyboard, nullptr);
    }
}

bool CGridCtrl::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!editor_ || !widget || !(widget == editor_ || editor_->isAncestorOf(widget)))
        return QAbstractScrollArea::eventFilter(watched, event);

    if (event->type() == QEvent::KeyPress) {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        const int key = keyEvent->key();
        const Qt::KeyboardModifiers modifiers = keyEvent->modifiers();
        switch (key) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            FinishEdit(key == Qt::Key_Enter ? Qt::Key_Return : key, modifiers);
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            // Started with the mouse, the arrows move inside the text; Ctrl
            // or a keyboard start makes them leave the cell.
            if (editStart_ == EditStart::Keyboard || (modifiers & Qt::ControlModifier)) {
                FinishEdit(key, modifiers);
                return true;
            }
            break;
        default:
            break;
        }
    } else if (event->type() == QEvent::FocusOut) {
        const auto* focusEvent = static_cast<QFocusEvent*>(event);
        if (focusEvent->reason() == Qt::PopupFocusReason)
            return false;
        QWidget* now = QApplication::focusWidget();
        if (now && (now == editor_ || editor_->isAncestorOf(now)))
            return false;
        if (auto* combo = qobject_cast<QComboBox*>(editor_.data());
            combo && combo->view() && combo->view()->isVisible())
            return false;
        FinishEdit(0, Qt::NoModifier);
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

// ---- Delete, cut and paste -------------------------------------------------------

std::vector<CCellID> CGridCtrl::SelectedCells() const {
    std::vector<CCellID> cells;
    cells.reserve(selection_.size());
    for (quint64 key : selection_)
        cells.emplace_back(static_cast<int>(key >> 32), static_cast<int>(key & 0xFFFFFFFFu));
    std::sort(cells.begin(), cells.end(), [](const CCellID& a, const CCellID& b) {
        return a.row != b.row ? a.row < b.row : a.col < b.col;
    });
    return cells;
}

void CGridCtrl::OnEditDelete() {
    if (!editable_)
        return;
    if (editor_)
        EndEditing();
    // Each cell is emptied as an edit would empty it, so the owner sees and
    // may refuse every change.
    for (const CCellID& cell : SelectedCells()) {
        if (!IsCellEditable(cell.row, cell.col) ||
            !OwnerAccepts(&CGridCtrl::BeginLabelEdit, cell.row, cell.col))
            continue;
        CGridCell* gridCell = StoredCell(cell.row, cell.col);
        if (!gridCell)
            continue;
        const QString old = gridCell->GetText();
        SetItemText(cell.row, cell.col, QString());
        const bool valid = gridCell->ValidateEdit(QString());
        const bool accepted = OwnerAccepts(&CGridCtrl::EndLabelEdit, cell.row, cell.col);
        if (!valid || !accepted) {
            if (CGridCell* now = StoredCell(cell.row, cell.col))
                now->SetText(old);
        }
    }
    Refresh();
}

void CGridCtrl::OnEditCut() {
    if (!editable_)
        return;
    OnEditCopy();
    for (const CCellID& cell : SelectedCells()) {
        if (IsCellEditable(cell.row, cell.col))
            SetItemText(cell.row, cell.col, QString());
    }
    Refresh();
}

void CGridCtrl::OnEditPaste() {
    if (!editable_ || !IsValid(focusCell_) || !IsCellEditable(focusCell_.row, focusCell_.col))
        return;
    PasteTextToGrid(focusCell_, QGuiApplication::clipboard()->text());
}

bool CGridCtrl::PasteTextToGrid(const CCellID& cell, const QString& text) {
    if (!editable_ || !IsValid(cell) || IsCellFixed(cell.row, cell.col) || virtualMode_)
        return false;
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().trimmed().isEmpty() && text.endsWith(QLatin1Char('\n')))
        lines.removeLast();
    for (int i = 0; i < lines.size(); ++i) {
        const int row = cell.row + i;
        if (row >= GetRowCount())
            break;
        QString line = lines.at(i);
        while (!line.isEmpty() && line.back().isSpace())
            line.chop(1);
        // Fields end at a TAB or a comma.
        int col = cell.col;
        qsizetype start = 0;
        for (qsizetype pos = 0; pos <= line.size() && col < GetColumnCount(); ++pos) {
            if (pos == line.size() || line.at(pos) == QLatin1Char('\t') ||
                line.at(pos) == QLatin1Char(',')) {
                if (IsCellEditable(row, col))
                    SetItemText(row, col, line.mid(start, pos - start));
                ++col;
                start = pos + 1;
            }
        }
    }
    Refresh();
    return true;
}
