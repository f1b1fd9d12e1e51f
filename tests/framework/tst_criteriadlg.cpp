#include "TempProgramFolder.h"

#include "base/IniFile.h"
#include "framework/CriteriaDlg.h"

#include <QLineEdit>
#include <QtTest>
#include <array>

class tst_CriteriaDlg : public QObject {
    Q_OBJECT

private slots:
    void remembersOnlyWhatWasConfirmed();
    void valuesFollowTheFieldOrder();
};

namespace {

const QString kFile = QStringLiteral("data/sub/criteria.ini");

QList<CriteriaField> TwoFields() {
    return {{QStringLiteral("Name"), QStringLiteral("名称")},
            {QStringLiteral("Month"), QStringLiteral("月份"), QStringLiteral("年-月"),
             QStringLiteral("2024-03")}};
}

} // namespace

// The file's other keys and sections survive 确定, a missing folder is made,
// a remembered text wins over the default, and 取消 writes nothing.
void tst_CriteriaDlg::remembersOnlyWhatWasConfirmed() {
    TempProgramFolder folder(false);
    QVERIFY(folder.IsValid());
    {
        CCriteriaDlg dialog(QStringLiteral("查询"), kFile, TwoFields());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("查询"));
        QCOMPARE(dialog.Field(QStringLiteral("month"))->text(), QStringLiteral("2024-03"));
        QCOMPARE(dialog.Field(QStringLiteral("Month"))->placeholderText(), QStringLiteral("年-月"));
        QVERIFY(!dialog.Field(QStringLiteral("Other")));
        dialog.Field(QStringLiteral("Name"))->setText(QStringLiteral("甲"));
        dialog.reject();
    }
    QVERIFY(!QFile::exists(folder.File(kFile)));

    QVERIFY(folder.Write(kFile, QByteArray("[x]\r\nKeep=1\r\n[.]\r\nOld=2\r\nmonth=2023-12\r\n")));
    {
        CCriteriaDlg dialog(QStringLiteral("查询"), kFile, TwoFields());
        QCOMPARE(dialog.Value(QStringLiteral("Month")), QStringLiteral("2023-12"));
        dialog.Field(QStringLiteral("Name"))->setText(QStringLiteral("乙"));
        dialog.OnOK();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
    IniFile saved;
    QVERIFY(saved.Load(folder.File(kFile)));
    QCOMPARE(saved.GetString(QStringLiteral("x"), QStringLiteral("Keep")), QStringLiteral("1"));
    QCOMPARE(saved.GetString(QStringLiteral("."), QStringLiteral("Old")), QStringLiteral("2"));
    QCOMPARE(saved.GetString(QStringLiteral("."), QStringLiteral("Name")), QStringLiteral("乙"));
    QCOMPARE(saved.GetString(QStringLiteral("."), QStringLiteral("Month")),
             QStringLiteral("2023-12"));
}

// Values and SetValues go by the order of the fields; a short list empties the
// rest, so a default never lingers in a box the caller meant to clear.
void tst_CriteriaDlg::valuesFollowTheFieldOrder() {
    TempProgramFolder folder(false);
    CCriteriaDlg dialog(QStringLiteral("查询"), kFile, TwoFields());
    QCOMPARE(dialog.Values(), (QStringList{QString(), QStringLiteral("2024-03")}));
    dialog.SetValues({QStringLiteral("丙")});
    QCOMPARE(dialog.Values(), (QStringList{QStringLiteral("丙"), QString()}));

    QString first = QStringLiteral("a");
    QString second = QStringLiteral("b");
    const std::array<QString*, 2> fields = {&first, &second};
    QCOMPARE(CriteriaTexts(fields), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    SetCriteriaTexts(fields, dialog.Values());
    QCOMPARE(first, QStringLiteral("丙"));
    QVERIFY(second.isEmpty());
}

QTEST_MAIN(tst_CriteriaDlg)
#include "tst_criteriadlg.moc"
