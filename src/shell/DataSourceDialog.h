#pragma once

#include <QDialog>

class Prompt;
class QComboBox;
class QLineEdit;
class QFormLayout;
class QSpinBox;

// Lets the user choose the database: an SQLite file, or a PostgreSQL server
// with its host, port, database, user and password. The result is the
// connection string the database layer opens.
class DataSourceDialog final : public QDialog {
    Q_OBJECT

public:
    enum class Kind { SQLite = 0, PostgreSQL = 1 };

    // `current` fills the boxes when it names one of the two kinds.
    DataSourceDialog(Prompt& prompt, const QString& current, QWidget* parent = nullptr);

    // The connection string for the boxes as they stand.
    QString ConnectionString() const;

    // What the OK button does: refuses incomplete input with a message and
    // otherwise accepts. True when accepted.
    bool OnOK();

    // The boxes, for whoever fills the dialog without a keyboard.
    Kind CurrentKind() const;
    void SetKind(Kind kind);
    QLineEdit* FileEdit() const { return file_; }
    QLineEdit* HostEdit() const { return host_; }
    QSpinBox* PortBox() const { return port_; }
    QLineEdit* DatabaseEdit() const { return database_; }
    QLineEdit* UserEdit() const { return user_; }
    QLineEdit* PasswordEdit() const { return password_; }

    // Asks for a database file through the prompt and puts it in the box.
    void Browse();

private:
    void ShowRowsFor(Kind kind);
    void Fill(const QString& current);

    Prompt& prompt_;
    QComboBox* kind_;
    QFormLayout* form_;
    QWidget* fileRow_;
    QLineEdit* file_;
    QLineEdit* host_;
    QSpinBox* port_;
    QLineEdit* database_;
    QLineEdit* user_;
    QLineEdit* password_;
};

// Runs the dialog through the prompt. On OK `connectionString` receives the
// chosen string and true is returned; on Cancel it is left empty.
bool PromptDataSource(Prompt& prompt, QString& connectionString, const QString& current = QString(),
                      QWidget* parent = nullptr);
