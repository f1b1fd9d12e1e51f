#pragma once

#include <QDialog>
#include <QString>

class Prompt;
class QLineEdit;
class QPushButton;

// "输入分类名称": asks for the name of a class. Any text that is not blank is
// accepted, "/" included; a blank one gives "名称不能为空" and the dialog stays.
class CClassNameDlg final : public QDialog {
    Q_OBJECT
public:
    CClassNameDlg(Prompt& prompt, const QString& initial, QWidget* parent = nullptr);

    QLineEdit* NameEdit() const { return edit_; }
    QPushButton* OkButton() const { return ok_; }
    // What 确定 does: true (and the dialog accepted) when the name is taken.
    bool OnOK();
    // The accepted name.
    const QString& Name() const { return name_; }

private:
    Prompt& prompt_;
    QLineEdit* edit_;
    QPushButton* ok_;
    QString name_;
};

// "输入分类名称": true with the typed (non-empty) name on 确定.
bool AskClassName(Prompt& prompt, QWidget* parent, const QString& initial, QString& name);
