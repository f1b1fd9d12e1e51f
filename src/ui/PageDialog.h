#pragma once

#include "base/IniFile.h"
#include "ui/PageParser.h"

#include <QDialog>
#include <QMap>
#include <QPointer>

class RowLayout;

// A dialog whose controls come from a page file in the program's res/ folder
// (see PageParser for the language). Every control it makes is described in
// the control record, an IniFile with one section per control named by its id
// in decimal: ControlId, ControlType (Label, Edit, Button, CheckBox,
// ComboBox), Name, Value and, when the page binds the control to a column,
// field. The record follows the controls: what the user types or ticks is in
// the Value keys at once, and SetValue changes both.
//
// Controls get ids from 8001 upward in page order; a submit button is the OK
// button (id 1) and closes the dialog accepted, a reset button is Cancel (2).
// Plain buttons and check boxes report their clicks through command().
class CPageDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kFirstControlId = 8001;
    static constexpr int kOkId = 1;
    static constexpr int kCancelId = 2;
    static constexpr int kWidth = 500;
    // The height added to the rows' height for the dialog.
    static constexpr int kExtraHeight = 30;

    explicit CPageDialog(QWidget* parent = nullptr);
    ~CPageDialog() override;

    // Builds the dialog from program folder + "res/" + pageFile: creates the
    // controls, makes the dialog 500 pixels wide and as high as its rows plus
    // 30, and centres it on its parent. Showing it is the caller's (show() or
    // Prompt::RunModal). False, with LastError() naming the file and nothing
    // created, when the file cannot be read. Loading again replaces the
    // controls and the record.
    bool Load(const QString& pageFile);
    // The same from page text in memory.
    void LoadText(const QString& pageText);

    // Stores text as the Value of the control with that Name (exact
    // comparison) and shows it in the control; returns 1. Without such a
    // control the text goes under the name as key in section "." and 0 is
    // returned.
    int SetValue(const QString& name, const QString& text);
    // The Value of the control with that Name, else the "." key of that name,
    // else "".
    QString GetValue(const QString& name) const;

    IniFile& Record() { return record_; }
    const IniFile& Record() const { return record_; }
    // The control with that id or that Name, or nullptr.
    QWidget* Control(int id) const;
    QWidget* Control(const QString& name) const;
    RowLayout* Layout() const { return layout_; }

    // Colours as the system stores them (red in the lowest byte).
    quint32 BackgroundColor() const { return background_; }
    quint32 TextColor() const { return textColor_; }

    QString LastError() const { return lastError_; }
    // What the last page had wrong (unknown tags, unclosed elements, missing
    // pictures); the page is built from the rest.
    QStringList Problems() const { return problems_; }

signals:
    // A plain button or a check box was clicked.
    void command(int id);

private:
    void Reset();
    void SetBackground(quint32 colorRef);
    // The section name of the control with that Name, or "".
    QString FindSection(const QString& name) const;
    void AddRecord(int id, const QString& type, const PageTag& tag, const QString& value);
    void Register(int id, QWidget* control);
    void ShowValue(QWidget* control, const QString& text);
    void CentreOnParent();

    IniFile record_;
    RowLayout* layout_ = nullptr;
    QMap<int, QPointer<QWidget>> controls_;
    quint32 background_ = 0;
    quint32 textColor_ = 0;
    QString lastError_;
    QStringList problems_;
    // Set while a value is shown in a control, so that the control's change
    // signal does not rewrite the record.
    bool syncing_ = false;
};
