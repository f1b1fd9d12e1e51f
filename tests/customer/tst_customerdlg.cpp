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
#include <QPushButton>
#include <QtTest>

class tst_CustomerDlg : public QObject {
    Q_OBJECT

private slots:
    void addStoresEveryField_data() { TestDatabase::AddEngineRows(); }
    void addStoresEveryField();
    void editKeepsClassAndRegTime_data() { TestDatabase::AddEngineRows(); }
    void editKeepsClassAndRegTime();
    void refusalsKeepTheForm_data() { TestDatabase::AddEngineRows(); }
    void refusalsKeepTheForm();
    void duplicateWarnings_data() { TestDatabase::AddEngineRows(); }
    void duplicateWarnings();
    void mobileLookup();
};

namespace {

const QString kBag = QStringLiteral(".");

const char* kRows = R"(
insert into CustomerData (KeyId,CustomerName,Phone,Mobile,Handler,Comment,IsReseller,IsProvider,
  Category,CustomerClass,ClassPath,RegTime,LastTime)
  values (40,'老客户','010-123','13900000000','zhang','two
lines',1,0,'代理商',7,'/A/B/','2020-01-02 03:04:05','2020-01-02 03:04:05')
)";

QString Value(DbConnection& db, const QString& column, int key) {
    DbRecordset rs(db);
    if (!rs.Open(QStringLiteral("select * from CustomerData where KeyId=%1").arg(key)) ||
        rs.IsEOF())
        return QStringLiteral("<no row>");
    return rs.GetString(column);
}

// Fills the form through `fill` and presses 确定.
std::function<int(QDialog&)> Fill(std::function<void(CCustomerDlg&)> fill) {
    return [fill](QDialog& dialog) {
        auto& form = static_cast<CCustomerDlg&>(dialog);
        fill(form);
        return form.OnOK() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    };
}

} // namespace

void tst_CustomerDlg::addStoresEveryField() {
    TORVEL_TEST_CONNECTION(database);
    QVERIFY(database.RunScript(QString::fromUtf8(kRows)));
    ScriptedPrompt prompt;
    CustomerFormArgs args;
    args.userName = QStringLiteral("li");

    QString handler;
    prompt.QueueModal(Fill([&](CCustomerDlg& form) {
        QVERIFY(!form.IsEditMode());
        handler = form.Field(QStringLiteral("Handler"))->text();
        form.Field(QStringLiteral("CustomerName"))
            ->setText(QStringLiteral("O'Neil; drop table x --"));
        form.Field(QStringLiteral("Phone"))->setText(QStringLiteral("0571'888"));
        form.Field(QStringLiteral("FDSource"))->setText(QStringLiteral("展会"));
        form.CommentEdit()->setPlainText(QStringLiteral("a\nb%_"));
        form.ProviderBox()->setChecked(true);
    }));
    IniFile bag;
    QVERIFY(RunCustomerForm(prompt, db, nullptr, args, bag));
    QCOMPARE(handler, QStringLiteral("li"));
    // Largest key + 1; the form's own defaults for the class of a record made
    // outside the tree.
    QCOMPARE(bag.GetInt(kBag, QStringLiteral("KeyId")), 41);
    QCOMPARE(Value(db, QStringLiteral("CustomerName"), 41),
             QStringLiteral("O'Neil; drop table x --"));
    QCOMPARE(Value(db, QStringLiteral("Phone"), 41), QStringLiteral("0571'888"));
    QCOMPARE(Value(db, QStringLiteral("FDSource"), 41), QStringLiteral("展会"));
    QCOMPARE(Value(db, QStringLiteral("Comment"), 41), QStringLiteral("a\nb%_"));
    QCOMPARE(Value(db, QStringLiteral("IsProvider"), 41), QStringLiteral("1"));
    QCOMPARE(Value(db, QStringLiteral("IsReseller"), 41), QStringLiteral("0"));
    QCOMPARE(Value(db, QStringLiteral("Handler"), 41), QStringLiteral("li"));
    QCOMPARE(Value(db, QStringLiteral("CustomerClass"), 41), QStringLiteral("0"));
    QCOMPARE(Value(db, QStringLiteral("ClassPath"), 41), QStringLiteral("未分类/"));
    QCOMPARE(Value(db, QStringLiteral("Category"), 41), QStringLiteral("直接客户"));
    const QString regTime = Value(db, QStringLiteral("RegTime"), 41);
    QVERIFY(QDateTime::fromString(regTime, QStringLiteral("yyyy-MM-dd HH:mm:ss")).isValid());
    QCOMPARE(Value(db, QStringLiteral("LastTime"), 41), regTime);
    // The bag holds what was saved, under the column names.
    QCOMPARE(bag.GetString(kBag, QStringLiteral("CustomerName")),
             QStringLiteral("O'Neil; drop table x --"));
    QCOMPARE(bag.GetString(kBag, QStringLiteral("Comment")), QStringLiteral("a\nb%_"));
    QCOMPARE(bag.GetString(kBag, QStringLiteral("IsProvider")), QStringLiteral("1"));
    QCOMPARE(bag.GetString(kBag, QStringLiteral("RegTime")), regTime);
    QCOMPARE(bag.GetString(kBag, QStringLiteral("LastTime")), regTime);
    QCOMPARE(bag.GetString(kBag, QStringLiteral("ClassPath")), QStringLiteral("未分类/"));
    // Nothing else was touched.
    QCOMPARE(Value(db, QStringLiteral("CustomerName"), 40), QStringLiteral("老客户"));

    // Filed from the tree: the caller's class.
    args.classKey = 7;
    args.classPath = QStringLiteral("/A/B/");
    prompt.QueueModal(Fill([](CCustomerDlg& form) {
        form.Field(QStringLiteral("CustomerName"))->setText(QStringLiteral("新"));
    }));
    IniFile second;
    QVERIFY(RunCustomerForm(prompt, db, nullptr, args, second));
    QCOMPARE(second.GetInt(kBag, QStringLiteral("KeyId")), 42);
    QCOMPARE(Value(db, QStringLiteral("CustomerClass"), 42), QStringLiteral("7"));
    QCOMPARE(Value(db, QStringLiteral("ClassPath"), 42), QStringLiteral("/A/B/"));
    QCOMPARE(prompt.Messages(), QStringList());
}

void tst_CustomerDlg::editKeepsClassAndRegTime() {
    TORVEL_TEST_CONNECTION(database);
    QVERIFY(database.RunScript(QString::fromUtf8(kRows)));
    ScriptedPrompt prompt;
    CustomerFormArgs args; // the defaults must not replace the record's class
    args.userName = QStringLiteral("li");
    IniFile bag;
    bag.SetString(kBag, QStringLiteral("KeyId"), QStringLiteral("40"));
    prompt.QueueModal(Fill([](CCustomerDlg& form) {
        QVERIFY(form.IsEditMode());
        QCOMPARE(form.Field(QStringLiteral("CustomerName"))->text(), QStringLiteral("老客户"));
        QCOMPARE(form.Field(QStringLiteral("Handler"))->text(), QStringLiteral("zhang"));
        QCOMPARE(form.CommentEdit()->toPlainText(), QStringLiteral("two\nlines"));
        QVERIFY(form.ResellerBox()->isChecked());
        QVERIFY(!form.ProviderBox()->isChecked());
        form.Field(QStringLiteral("City"))->setText(QStringLiteral("杭州"));
        form.ResellerBox()->setChecked(false);
    }));
    QVERIFY(RunCustomerForm(prompt, db, nullptr, args, bag));
    QCOMPARE(Value(db, QStringLiteral("City"), 40), QStringLiteral("杭州"));
    QCOMPARE(Value(db, QStringLiteral("IsReseller"), 40), QStringLiteral("0"));
    QCOMPARE(Value(db, QStringLiteral("CustomerClass"), 40), QStringLiteral("7"));
    QCOMPARE(Value(db, QStringLiteral("ClassPath"), 40), QStringLiteral("/A/B/"));
    QCOMPARE(Value(db, QStringLiteral("Category"), 40), QStringLiteral("代理商"));
    QCOMPARE(Value(db, QStringLiteral("RegTime"), 40), QStringLiteral("2020-01-02 03:04:05"));
    QVERIFY(Value(db, QStringLiteral("LastTime"), 40) > QStringLiteral("2020-01-02 03:04:05"));
    QCOMPARE(bag.GetString(kBag, QStringLiteral("KeyId")), QStringLiteral("40"));
    QCOMPARE(bag.Find(kBag, QStringLiteral("RegTime")), std::nullopt);
    QCOMPARE(bag.GetString(kBag, QStringLiteral("City")), QStringLiteral("杭州"));
    QString count;
    db.JoinColumnValues(QStringLiteral("select count(*) from CustomerData"), count);
    QCOMPARE(count, QStringLiteral("1"));
}

void tst_CustomerDlg::refusalsKeepTheForm() {
    TORVEL_TEST_CONNECTION(database);
    QVERIFY(database.RunScript(QString::fromUtf8(kRows)));
    ScriptedPrompt prompt;
    IniFile bag;
    {
        // An empty name: refused, and what was typed stays.
        CCustomerDlg form(prompt, db, CustomerFormArgs(), bag);
        form.Field(QStringLiteral("CustomerName"))->setText(QStringLiteral("   "));
        form.Field(QStringLiteral("Phone"))->setText(QStringLiteral("123"));
        QVERIFY(!form.OnOK());
        QCOMPARE(prompt.LastMessage(), QStringLiteral("客户名称不能为空"));
        QCOMPARE(form.Field(QStringLiteral("Phone"))->text(), QStringLiteral("123"));

        // A refused insert: statement and reason, the form stays as typed and
        // nothing is stored.
        QVERIFY(AddRefusingTrigger(db, QStringLiteral("CustomerData"), QStringLiteral("insert"),
                                   QStringLiteral("new.CustomerName='bad'")));
        form.Field(QStringLiteral("CustomerName"))->setText(QStringLiteral("bad"));
        QVERIFY(!form.OnOK());
        QVERIFY2(prompt.LastMessage().startsWith(
                     QStringLiteral("insert into CustomerData(KeyId,CustomerName,Address,")),
                 qPrintable(prompt.LastMessage()));
        QVERIFY(prompt.LastMessage().contains(QStringLiteral("\r\n")));
        QVERIFY(prompt.LastMessage().contains(QStringLiteral("refused")));
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QCOMPARE(form.Field(QStringLiteral("CustomerName"))->text(), QStringLiteral("bad"));
        QCOMPARE(Value(db, QStringLiteral("CustomerName"), 41), QStringLiteral("<no row>"));
        QCOMPARE(bag.Find(kBag, QStringLiteral("KeyId")), std::nullopt);
    }

    // A record that is not there (or a key that is no number) is never
    // written over with the empty form.
    for (const QString& key : {QStringLiteral("99"), QStringLiteral("40 or 1=1")}) {
        prompt.Reset();
        IniFile missing;
        missing.SetString(kBag, QStringLiteral("KeyId"), key);
        CCustomerDlg form(prompt, db, CustomerFormArgs(), missing);
        QCOMPARE(prompt.Messages(), QStringList({QStringLiteral("指定的数据不存在!")}));
        QCOMPARE(form.Field(QStringLiteral("CustomerName"))->text(), QString());
        form.Field(QStringLiteral("CustomerName"))->setText(QStringLiteral("x"));
        QVERIFY(!form.OnOK());
        QCOMPARE(prompt.LastMessage(), QStringLiteral("指定的数据不存在!"));
    }
    QCOMPARE(Value(db, QStringLiteral("CustomerName"), 40), QStringLiteral("老客户"));

    // Deleted by another desk while the form was open.
    prompt.Reset();
    IniFile edited;
    edited.SetString(kBag, QStringLiteral("KeyId"), QStringLiteral("40"));
    CCustomerDlg form(prompt, db, CustomerFormArgs(), edited);
    QCOMPARE(db.Execute(QStringLiteral("delete from CustomerData where KeyId=40")), 1);
    QVERIFY(!form.OnOK());
    QCOMPARE(prompt.Messages(), QStringList({QStringLiteral("指定的数据不存在!")}));
}

void tst_CustomerDlg::duplicateWarnings() {
    TORVEL_TEST_CONNECTION(database);
    QVERIFY(database.RunScript(QString::fromUtf8(kRows)));
    ScriptedPrompt prompt;
    IniFile bag;
    CCustomerDlg form(prompt, db, CustomerFormArgs(), bag);
    QLineEdit* phone = form.Field(QStringLiteral("Phone"));
    QLineEdit* mobile = form.Field(QStringLiteral("Mobile"));

    // Quotes are left out of the lookup (and kept in the field); a second
    // leave with the same number says nothing again.
    phone->setText(QStringLiteral("010-'123"));
    form.CheckPhone();
    form.CheckPhone();
    mobile->setText(QStringLiteral("13900000000"));
    form.CheckMobile();
    QCOMPARE(prompt.Messages(),
             QStringList({QStringLiteral("此客户资料已经存在:\r\n老客户\r\n电话:010-123"),
                          QStringLiteral("此客户资料已经存在:\r\n老客户\r\n手机:13900000000")}));
    QCOMPARE(phone->text(), QStringLiteral("010-'123"));

    // No match, an empty box, and text shaped like SQL: silence.
    prompt.Reset();
    phone->setText(QStringLiteral("x' or '1'='1"));
    form.CheckPhone();
    phone->clear();
    form.CheckPhone();
    mobile->setText(QStringLiteral("%"));
    form.CheckMobile();
    QCOMPARE(prompt.Messages(), QStringList());

    // Leaving the box checks, through the focus.
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    mobile->setText(QStringLiteral("13900000000"));
    mobile->setFocus(Qt::OtherFocusReason);
    phone->setFocus(Qt::TabFocusReason);
    QCOMPARE(prompt.Messages(),
             QStringList({QStringLiteral("此客户资料已经存在:\r\n老客户\r\n手机:13900000000")}));

    // Editing never warns, even with another customer's number.
    prompt.Reset();
    QCOMPARE(db.Execute(QStringLiteral("insert into CustomerData (KeyId,CustomerName,Phone) values "
                                       "(41,'other','555')")),
             1);
    IniFile edited;
    edited.SetString(kBag, QStringLiteral("KeyId"), QStringLiteral("40"));
    CCustomerDlg edit(prompt, db, CustomerFormArgs(), edited);
    edit.Field(QStringLiteral("Phone"))->setText(QStringLiteral("555"));
    edit.CheckPhone();
    QCOMPARE(prompt.Messages(), QStringList());
}

void tst_CustomerDlg::mobileLookup() {
    DbConnection db;
    ScriptedPrompt prompt;
    IniFile bag;
    CCustomerDlg form(prompt, db, CustomerFormArgs(), bag);
    form.Field(QStringLiteral("Mobile"))->setText(QStringLiteral("139000"));
    SetMobileRegionLookup({});
    form.LookupRegion();
    QCOMPARE(prompt.Messages(), QStringList()); // too short to ask
    form.Field(QStringLiteral("Mobile"))->setText(QStringLiteral("1390000"));
    form.LookupRegion();
    QCOMPARE(prompt.LastMessage(), QStringLiteral("查询失败"));

    QString asked;
    SetMobileRegionLookup([&](const QString& number, QString& province, QString& city) {
        asked = number;
        province = QStringLiteral("浙江");
        city = QStringLiteral("杭州");
        return true;
    });
    prompt.Reset();
    form.LookupButton()->click();
    QCOMPARE(asked, QStringLiteral("1390000"));
    QCOMPARE(form.Field(QStringLiteral("Province"))->text(), QStringLiteral("浙江"));
    QCOMPARE(form.Field(QStringLiteral("City"))->text(), QStringLiteral("杭州"));
    QCOMPARE(prompt.waitCount, 1);
    QCOMPARE(prompt.waitDepth, 0);
    QCOMPARE(prompt.Messages(), QStringList());
    SetMobileRegionLookup({});
}

QTEST_MAIN(tst_CustomerDlg)
#include "tst_customerdlg.moc"
