#pragma once

#include <QDialog>

class Prompt;
class QSpinBox;

// 发送设置 of mass e-mail (data/mailtask.ini): the rate limit, the messages
// under way at once and the reply timeout. 确定 saves; a file that cannot be
// written is reported and the dialog stays open.
class CMailSendSettingsDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CMailSendSettingsDlg(Prompt& prompt, QWidget* parent = nullptr);

    QSpinBox* PerMinute() const { return perMinute_; }
    QSpinBox* Connections() const { return connections_; }
    QSpinBox* Timeout() const { return timeout_; }

    bool OnOK();

private:
    Prompt& prompt_;
    QSpinBox* perMinute_;
    QSpinBox* connections_;
    QSpinBox* timeout_;
};
