#include "shell/DataSourceDialog.h"

#include "db/ConnectionString.h"
#include "ui/Prompt.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int kDefaultPort = 5432;

// A value that would end its pair early or lose blanks is written in double
// quotes, a quote inside doubled.
QString Quoted(const QString& value) {
    const bool plain = !value.contains(QLatin1Char(';')) && !value.contains(QLatin1Char('"')) &&
                       !value.contains(QLatin1Char('\'')) && value.trimmed() == value;
    if (plain)
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

DataSourceDialog::DataSourceDialog(Prompt& prompt, const QString& current, QWidget* parent)
    : QDialog(parent), prompt_(prompt), kind_(new QComboBox(this)), form_(new QFormLayout),
      fileRow_(new QWidget(this)), file_(new QLineEdit(fileRow_)), accessRow_(new QWidget(this)),
      access_(new QLineEdit(accessRow_)), host_(new QLineEdit(this)), port_(new QSpinBox(this)),
      database_(new QLineEdit(this)), user_(new QLineEdit(this)), password_(new QLineEdit(this)),
      schema_(new QLineEdit(this)) {
    setWindowTitle(QStringLiteral("数据源"));
    setObjectName(QStringLiteral("DataSourceDialog"));

    kind_->addItem(QStringLiteral("SQLite 数据库文件"));
    kind_->addItem(QStringLiteral("PostgreSQL 数据库服务器"));
    connect(kind_, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this](int index) { ShowRowsFor(Kind(index)); });

    file_->setObjectName(QStringLiteral("File"));
    file_->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 28);
    auto* browse = new QPushButton(QStringLiteral("浏览..."), fileRow_);
    connect(browse, &QPushButton::clicked, this, &DataSourceDialog::Browse);
    auto* fileLayout = new QHBoxLayout(fileRow_);
    fileLayout->setContentsMargins(0, 0, 0, 0);
    fileLayout->addWidget(file_, 1);
    fileLayout->addWidget(browse);

    access_->setObjectName(QStringLiteral("AccessFile"));
    access_->setPlaceholderText(QStringLiteral("迁移其中的数据到此数据库"));
    auto* browseAccess = new QPushButton(QStringLiteral("浏览..."), accessRow_);
    connect(browseAccess, &QPushButton::clicked, this, &DataSourceDialog::BrowseAccess);
    auto* accessLayout = new QHBoxLayout(accessRow_);
    accessLayout->setContentsMargins(0, 0, 0, 0);
    accessLayout->addWidget(access_, 1);
    accessLayout->addWidget(browseAccess);

    host_->setObjectName(QStringLiteral("Host"));
    host_->setMinimumWidth(file_->minimumWidth());
    port_->setObjectName(QStringLiteral("Port"));
    port_->setRange(1, 65535);
    port_->setValue(kDefaultPort);
    database_->setObjectName(QStringLiteral("Database"));
    user_->setObjectName(QStringLiteral("User"));
    password_->setObjectName(QStringLiteral("Password"));
    password_->setEchoMode(QLineEdit::Password);
    // Several offices can share one database, each in a schema of its own.
    schema_->setObjectName(QStringLiteral("Schema"));
    schema_->setPlaceholderText(QStringLiteral("默认 (public)"));

    // One form for both kinds, so the labels line up; the rows of the other
    // kind are hidden.
    form_->addRow(QStringLiteral("数据库类型"), kind_);
    form_->addRow(QStringLiteral("数据库文件"), fileRow_);
    form_->addRow(QStringLiteral("服务器"), host_);
    form_->addRow(QStringLiteral("端口"), port_);
    form_->addRow(QStringLiteral("数据库"), database_);
    form_->addRow(QStringLiteral("用户名"), user_);
    form_->addRow(QStringLiteral("密码"), password_);
    form_->addRow(QStringLiteral("模式 (可选)"), schema_);
    form_->addRow(QStringLiteral("Access 数据库 (可选)"), accessRow_);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { OnOK(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    ShowRowsFor(Kind::SQLite);
    Fill(current);
}

void DataSourceDialog::ShowRowsFor(Kind kind) {
    const bool file = kind == Kind::SQLite;
    form_->setRowVisible(fileRow_, file);
    for (QWidget* field : std::initializer_list<QWidget*>{host_, port_, database_, user_, password_,
                                                          schema_, accessRow_})
        form_->setRowVisible(field, !file);
}

void DataSourceDialog::Fill(const QString& current) {
    const ::ConnectionString parsed(current);
    const QString provider = parsed.Value("Provider");
    if (provider.compare(QLatin1String("PostgreSQL"), Qt::CaseInsensitive) == 0) {
        SetKind(Kind::PostgreSQL);
        host_->setText(parsed.Value({"Host", "Server"}));
        const int port = parsed.Value("Port").toInt();
        port_->setValue(port > 0 ? port : kDefaultPort);
        database_->setText(parsed.Value("Database"));
        user_->setText(parsed.Value({"User ID", "User"}));
        password_->setText(parsed.Value("Password"));
        schema_->setText(parsed.Value({"Schema", "Search Path"}));
        return;
    }
    SetKind(Kind::SQLite);
    if (provider.compare(QLatin1String("SQLite"), Qt::CaseInsensitive) == 0)
        file_->setText(parsed.Value("Data Source"));
}

DataSourceDialog::Kind DataSourceDialog::CurrentKind() const {
    return kind_->currentIndex() == int(Kind::PostgreSQL) ? Kind::PostgreSQL : Kind::SQLite;
}

void DataSourceDialog::SetKind(Kind kind) {
    kind_->setCurrentIndex(int(kind));
    ShowRowsFor(kind);
}

void DataSourceDialog::Browse() {
    const QString chosen = prompt_.OpenFileName(
        QStringLiteral("选择数据库文件"), QFileInfo(file_->text()).absolutePath(),
        QStringLiteral("数据库文件 (*.db *.sqlite *.sqlite3 *.mdb);;SQLite 数据库 (*.db *.sqlite "
                       "*.sqlite3);;Access 数据库 (*.mdb);;所有文件 (*)"));
    if (!chosen.isEmpty())
        file_->setText(chosen);
}

void DataSourceDialog::BrowseAccess() {
    const QString chosen = prompt_.OpenFileName(
        QStringLiteral("选择要迁移的 Access 数据库"), QFileInfo(access_->text()).absolutePath(),
        QStringLiteral("Access 数据库 (*.mdb);;所有文件 (*)"));
    if (!chosen.isEmpty())
        access_->setText(chosen);
}

QString DataSourceDialog::AccessFile() const {
    return CurrentKind() == Kind::PostgreSQL ? access_->text().trimmed() : QString();
}

QString DataSourceDialog::ConnectionString() const {
    if (CurrentKind() == Kind::SQLite)
        return QStringLiteral("Provider=SQLite;Data Source=") + file_->text().trimmed();
    return QStringLiteral("Provider=PostgreSQL;Host=") + Quoted(host_->text().trimmed()) +
           QStringLiteral(";Port=") + QString::number(port_->value()) +
           QStringLiteral(";Database=") + Quoted(database_->text().trimmed()) +
           QStringLiteral(";User ID=") + Quoted(user_->text().trimmed()) +
           QStringLiteral(";Password=") + Quoted(password_->text()) +
           (schema_->text().trimmed().isEmpty()
                ? QString()
                : QStringLiteral(";Schema=") + Quoted(schema_->text().trimmed()));
}

bool DataSourceDialog::OnOK() {
    if (CurrentKind() == Kind::SQLite) {
        const QString file = file_->text().trimmed();
        if (file.isEmpty()) {
            prompt_.Message(QStringLiteral("请选择数据库文件"));
            return false;
        }
        // The program never creates its tables, so a file that is not there
        // could only fail later, and more quietly.
        if (!QFileInfo(file).isFile()) {
            prompt_.Message(QStringLiteral("数据库文件不存在:\r\n") + file);
            return false;
        }
    } else if (host_->text().trimmed().isEmpty() || database_->text().trimmed().isEmpty()) {
        prompt_.Message(QStringLiteral("请填写服务器和数据库"));
        return false;
    } else if (!AccessFile().isEmpty() && !QFileInfo(AccessFile()).isFile()) {
        prompt_.Message(QStringLiteral("Access 数据库文件不存在:\r\n") + AccessFile());
        return false;
    }
    accept();
    return true;
}

bool PromptDataSource(Prompt& prompt, QString& connectionString, const QString& current,
                      QWidget* parent, QString* accessFile) {
    connectionString.clear();
    if (accessFile)
        accessFile->clear();
    DataSourceDialog dialog(prompt, current, parent);
    if (prompt.RunModal(dialog) != QDialog::Accepted)
        return false;
    connectionString = dialog.ConnectionString();
    if (accessFile)
        *accessFile = dialog.AccessFile();
    return true;
}
