#include "RefusingTrigger.h"
#include "ScriptedPrompt.h"
#include "TestDatabases.h"

#include "base/IniFile.h"
#include "customer/CustomerDlg.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>

#include <chrono>
#include <future>
#include <thread>

class tst_CustomerDlg : public QObject {
    Q_OBJECT

private slots:
    void addAndEdit_data() { TestDatabase::AddEngineRows(); }
    void addAndEdit();
    void refusalsKeepTheForm_data() { TestDatabase::AddEngineRows(); }
    void refusalsKeepTheForm();
    void duplicateWarnings_data() { TestDatabase::AddEngineRows(); }
    void duplicateWarnings();
    void twoDesksAddAtOnce_data() { TestDatabase::AddEngineRows(); }
    void twoDesksAddAtOnce();
};

namespace {

const QString kBag = QStringLiteral(".");

const char* kRow = R"(
insert into CustomerData (KeyId,CustomerName,Phone,Mobile,Handler,IsReseller,Category,
  CustomerClass,ClassPath,RegTime,LastTime) values (40,'老客户','010-123','13900000000',
  'zhang',1,'代理商',7,'/A/B/','2020-01-02 03:04:05','2020-01-02 03:04:05')
)";

// Column values of one row joined by ';'.
QString Row(DbConnection& db, int key, const QString& columns) {
    DbRecordset rs(db);
    if (!rs.Open(
            QStringLiteral("select %1 from CustomerData where KeyId=%2").arg(columns).arg(key)))
        return rs.GetLastError();
    QStringList values;
    for (int i = 0; !rs.IsEOF() && i < rs.GetFieldCount(); ++i)
        values.append(rs.GetString(i));
    return values.join(QLatin1Char(';'));
}

IniFile EditBag(const QString& key) {
    IniFile bag;
    bag.SetString(kBag, QStringLiteral("KeyId"), key);
    return bag;
}

} // namespace

#define FORM_FIXTURE()                                                                             \
    TORVEL_TEST_CONNECTION(database);                                                              \
    QVERIFY(database.RunScript(QString::fromUtf8(kRow)));                                          \
    ScriptedPrompt prompt

void tst_CustomerDlg::addAndEdit() {
    FORM_FIXTURE();
    CustomerFormArgs args;
    args.userName = QStringLiteral("li");
    IniFile bag;
    {
        CCustomerDlg form(prompt, db, args, bag);
        QCOMPARE(form.Field(QStringLiteral("Handler"))->text(), QStringLiteral("li"));
        form.Field(QStringLiteral("CustomerName"))->setText(QStringLiteral("O'Neil; drop x --"));
        form.Field(QStringLiteral("Phone"))->setText(QStringLiteral("0571'888"));
        form.CommentEdit()->setPlainText(QStringLiteral("a\nb%_"));
        form.ProviderBox()->setChecked(true);
        QVERIFY(form.OnOK());
    }
    // Largest key + 1, the class of a record made outside the tree, both times.
    QCOMPARE(bag.GetInt(kBag, QStringLiteral("KeyId")), 41);
    QCOMPARE(Row(db, 41,
                 QStringLiteral("CustomerName,Phone,Comment,IsProvider,IsReseller,Handler,"
                                "CustomerClass,ClassPath,Category")),
             QStringLiteral("O'Neil; drop x --;0571'888;a\nb%_;1;0;li;0;未分类/;直接客户"));
    const QString regTime = Row(db, 41, QStringLiteral("RegTime"));
    QVERIFY(QDateTime::fromString(regTime, QStringLiteral("yyyy-MM-dd HH:mm:ss")).isValid());
    QCOMPARE(Row(db, 41, QStringLiteral("LastTime")), regTime);
    QCOMPARE(bag.GetString(kBag, QStringLiteral("RegTime")), regTime);

    // Filed from the tree through RunCustomerForm: the caller's class.
    args.classKey = 7;
    args.classPath = QStringLiteral("/A/B/");
    prompt.QueueModal([](QDialog& dialog) {
        auto& form = static_cast<CCustomerDlg&>(dialog);
        form.Field(QStringLiteral("CustomerName"))->setText(QStringLiteral("新"));
        return form.OnOK() ? form.result() : int(QDialog::Rejected);
    });
    IniFile second;
    QVERIFY(RunCustomerForm(prompt, db, nullptr, args, second));
    QCOMPARE(Row(db, 42, QStringLiteral("CustomerClass,ClassPath")), QStringLiteral("7;/A/B/"));

    // Editing keeps the record's class, category and registration time, even
    // when the caller passes the defaults.
    IniFile edited = EditBag(QStringLiteral("40"));
    CCustomerDlg form(prompt, db, args, edited);
    QVERIFY(form.ResellerBox()->isChecked());
    form.Field(QStringLiteral("City"))->setText(QStringLiteral("杭州"));
    form.ResellerBox()->setChecked(false);
    QVERIFY(form.OnOK());
    QCOMPARE(
        Row(db, 40, QStringLiteral("City,IsReseller,CustomerClass,ClassPath,Category,RegTime")),
        QStringLiteral("杭州;0;7;/A/B/;代理商;2020-01-02 03:04:05"));
    QVERIFY(Row(db, 40, QStringLiteral("LastTime")) > QStringLiteral("2020-01-02 03:04:05"));
    QCOMPARE(edited.Find(kBag, QStringLiteral("RegTime")), std::nullopt);
    QCOMPARE(prompt.Messages(), QStringList());
}

void tst_CustomerDlg::refusalsKeepTheForm() {
    FORM_FIXTURE();
    IniFile bag;
    {
        // An empty name, then a refused insert: the form stays as typed.
        CCustomerDlg form(prompt, db, CustomerFormArgs(), bag);
        form.Field(QStringLiteral("CustomerName"))->setText(QStringLiteral("   "));
        QVERIFY(!form.OnOK());
        QCOMPARE(prompt.LastMessage(), QStringLiteral("客户名称不能为空"));
        QVERIFY(AddRefusingTrigger(db, QStringLiteral("CustomerData"), QStringLiteral("insert"),
                                   QStringLiteral("new.CustomerName='bad'")));
        form.Field(QStringLiteral("CustomerName"))->setText(QStringLiteral("bad"));
        QVERIFY(!form.OnOK());
        QVERIFY2(prompt.LastMessage().startsWith(
                     QStringLiteral("insert into CustomerData(KeyId,CustomerName,Address,")),
                 qPrintable(prompt.LastMessage()));
        QVERIFY(prompt.LastMessage().contains(QStringLiteral("\r\n")));
        QCOMPARE(form.Field(QStringLiteral("CustomerName"))->text(), QStringLiteral("bad"));
        QCOMPARE(bag.Find(kBag, QStringLiteral("KeyId")), std::nullopt);
    }

    // A record that is not there, a key that is no number, and a record
    // deleted by another desk while open are never written over.
    for (const QString& key :
         {QStringLiteral("99"), QStringLiteral("40 or 1=1"), QStringLiteral("40")}) {
        QCOMPARE(Row(db, 40, QStringLiteral("CustomerName")), QStringLiteral("老客户"));
        prompt.Reset();
        IniFile edited = EditBag(key);
        CCustomerDlg form(prompt, db, CustomerFormArgs(), edited);
        if (key == u"40")
            QCOMPARE(db.Execute(QStringLiteral("delete from CustomerData where KeyId=40")), 1);
        form.Field(QStringLiteral("CustomerName"))->setText(QStringLiteral("x"));
        QVERIFY(!form.OnOK());
        QCOMPARE(prompt.LastMessage(), QStringLiteral("指定的数据不存在!"));
    }
}

void tst_CustomerDlg::duplicateWarnings() {
    FORM_FIXTURE();
    IniFile bag;
    CCustomerDlg form(prompt, db, CustomerFormArgs(), bag);
    QLineEdit* phone = form.Field(QStringLiteral("Phone"));
    QLineEdit* mobile = form.Field(QStringLiteral("Mobile"));

    // Looked up without its quotes (kept in the box); the same number again
    // says nothing; no match and SQL-shaped text are silent.
    phone->setText(QStringLiteral("010-'123"));
    form.CheckPhone();
    form.CheckPhone();
    for (const QString& text : {QStringLiteral("x' or '1'='1"), QStringLiteral("%")}) {
        mobile->setText(text);
        form.CheckMobile();
    }
    QCOMPARE(prompt.Messages(),
             QStringList({QStringLiteral("此客户资料已经存在:\r\n老客户\r\n电话:010-123")}));
    QCOMPARE(phone->text(), QStringLiteral("010-'123"));

    // Leaving the box is what checks.
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    mobile->setText(QStringLiteral("13900000000"));
    mobile->setFocus(Qt::OtherFocusReason);
    phone->setFocus(Qt::TabFocusReason);
    QCOMPARE(prompt.LastMessage(),
             QStringLiteral("此客户资料已经存在:\r\n老客户\r\n手机:13900000000"));

    // Editing never warns, even with another customer's number.
    prompt.Reset();
    QCOMPARE(db.Execute(QStringLiteral("insert into CustomerData (KeyId,Phone) values (41,'555')")),
             1);
    IniFile edited = EditBag(QStringLiteral("40"));
    CCustomerDlg edit(prompt, db, CustomerFormArgs(), edited);
    edit.Field(QStringLiteral("Phone"))->setText(QStringLiteral("555"));
    edit.CheckPhone();
    QCOMPARE(prompt.Messages(), QStringList());
}

// A second desk has stored key 41 in a transaction it commits a moment later:
// this desk's insert of 41 waits for it (PostgreSQL) or is refused while the
// other desk writes (SQLite), finds the key taken, and saves under 42.
void tst_CustomerDlg::twoDesksAddAtOnce() {
    FORM_FIXTURE();
    std::promise<bool> stored;
    std::thread otherDesk([&] {
        DbConnection other;
        const bool ok =
            other.Open(database.ConnectionString()) == 1 &&
            other.Execute(QStringLiteral("begin")) == 1 &&
            other.Execute(QStringLiteral("insert into CustomerData (KeyId,CustomerName) "
                                         "values (41,'other desk')")) == 1;
        stored.set_value(ok);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        other.Execute(QStringLiteral("commit"));
    });
    const bool otherOk = stored.get_future().get();
    IniFile bag;
    CCustomerDlg form(prompt, db, CustomerFormArgs(), bag);
    form.Field(QStringLiteral("CustomerName"))->setText(QStringLiteral("this desk"));
    const bool saved = form.OnOK();
    otherDesk.join();
    QVERIFY(otherOk);
    QVERIFY2(saved, qPrintable(prompt.LastMessage()));
    QCOMPARE(bag.GetInt(kBag, QStringLiteral("KeyId")), 42);
    QCOMPARE(Row(db, 41, QStringLiteral("CustomerName")), QStringLiteral("other desk"));
    QCOMPARE(Row(db, 42, QStringLiteral("CustomerName")), QStringLiteral("this desk"));
}

QTEST_MAIN(tst_CustomerDlg)
#include "tst_customerdlg.moc"
