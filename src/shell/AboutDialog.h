#pragma once

#include <QDialog>

class Prompt;

// The About box: product name, version, release date, homepage and support
// links, sales line and copyright, from velmora.ini and settings.ini of the
// program folder. Missing files or keys show empty texts.
class AboutDialog final : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(Prompt& prompt, QWidget* parent = nullptr);

    // The text shown beside a label ("版 本 号", "产品主页", ...); for tests.
    QString ValueOf(const QString& label) const;
    // What clicking that text opens, or "" when it is no link.
    QString LinkOf(const QString& label) const;
};
