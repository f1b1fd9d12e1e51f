#pragma once

#include <QDialog>

class Prompt;
class QComboBox;
class QLineEdit;
class QFormLayout;
class QSpinBox;

// Lets the user choose the database: an SQLite file, or a PostgreSQL server
// with its host, port, database, schema (optional), user and password. The
// result is the connection string the database layer opens. The file box also
// takes an old Access database (to be migrated beside it), and the server kind
// has an optional Access file to bring into that database.
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
    QLineEdit* SchemaEdit() const { return schema_; }
    QLineEdit* AccessEdit() const { return access_; }

    // The Access file to migrate into the chosen server's database, empty for
    // none (and always for the file kind).
    QString AccessFile() const;

    // Ask for a database file (an SQLite file or an old Access one), or for the
    // Access file to migrate, through the prompt and put it in its box.
    void Browse();
    void BrowseAccess();

private:
    void ShowRowsFor(Kind kind);
    void Fill(const QString& current);

    Prompt& prompt_;
    QComboBox* kind_;
    QFormLayout* form_;
    QWidget* fileRow_;
    QLineEdit* file_;
    QWidget* accessRow_;
    QLineEdit* access_;
    QLineEdit* host_;
    QSpinBox* port_;
    QLineEdit* database_;
    QLineEdit* user_;
    QLineEdit* password_;
    QLineEdit* schema_;
};

// Runs the dialog through the prompt. On OK `connectionString` receives the
// chosen string, `accessFile` (when given) the Access file to migrate into it,
// and true is returned; on Cancel both are left empty.
bool PromptDataSource(Prompt& prompt, QString& connectionString, const QString& current = QString(),
                      QWidget* parent = nullptr, QString* accessFile = nullptr);
