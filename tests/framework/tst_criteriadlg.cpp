#include "TempProgramFolder.h"

#include "base/IniFile.h"
#include "framework/CriteriaDlg.h"

#include <QLineEdit>
#include <QtTest>
#include <array>

using namespace Qt::StringLiterals;

class tst_CriteriaDlg : public QObject {
    Q_OBJECT

private slots:
    void remembersOnlyWhatWasConfirmed();
    void valuesFollowTheFieldOrder();
};

namespace {

const QString kFile = u"data/sub/criteria.ini"_s;

QList<CriteriaField> TwoFields() {
    return {{u"Name"_s, u"名称"_s}, {u"Month"_s, u"月份"_s, u"年-月"_s, u"2024-03"_s}};
}

} // namespace

// The file's other keys and sections survive 确定, a missing folder is made,
// a remembered text wins over the default, and 取消 writes nothing.
void tst_CriteriaDlg::remembersOnlyWhatWasConfirmed() {
    TempProgramFolder folder(false);
    QVERIFY(folder.IsValid());
    {
        CCriteriaDlg dialog(u"查询"_s, kFile, TwoFields());
        QCOMPARE(dialog.windowTitle(), u"查询"_s);
        QCOMPARE(dialog.Field(u"month"_s)->text(), u"2024-03"_s);
        QCOMPARE(dialog.Field(u"Month"_s)->placeholderText(), u"年-月"_s);
        QVERIFY(!dialog.Field(u"Other"_s));
        dialog.Field(u"Name"_s)->setText(u"甲"_s);
        dialog.reject();
    }
    QVERIFY(!QFile::exists(folder.File(kFile)));

    QVERIFY(folder.Write(kFile, QByteArray("[x]\r\nKeep=1\r\n[.]\r\nOld=2\r\nmonth=2023-12\r\n")));
    {
        CCriteriaDlg dialog(u"查询"_s, kFile, TwoFields());
        QCOMPARE(dialog.Value(u"Month"_s), u"2023-12"_s);
        dialog.Field(u"Name"_s)->setText(u"乙"_s);
        dialog.OnOK();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
    IniFile saved;
    QVERIFY(saved.Load(folder.File(kFile)));
    QCOMPARE(saved.GetString(u"x"_s, u"Keep"_s), u"1"_s);
    QCOMPARE(saved.GetString(u"."_s, u"Old"_s), u"2"_s);
    QCOMPARE(saved.GetString(u"."_s, u"Name"_s), u"乙"_s);
    QCOMPARE(saved.GetString(u"."_s, u"Month"_s), u"2023-12"_s);
}

// Values and SetValues go by the order of the fields; a short list empties the
// rest, so a default never lingers in a box the caller meant to clear.
void tst_CriteriaDlg::valuesFollowTheFieldOrder() {
    TempProgramFolder folder(false);
    CCriteriaDlg dialog(u"查询"_s, kFile, TwoFields());
    QCOMPARE(dialog.Values(), (QStringList{QString(), u"2024-03"_s}));
    dialog.SetValues({u"丙"_s});
    QCOMPARE(dialog.Values(), (QStringList{u"丙"_s, QString()}));

    QString first = u"a"_s;
    QString second = u"b"_s;
    const std::array<QString*, 2> fields = {&first, &second};
    QCOMPARE(CriteriaTexts(fields), (QStringList{u"a"_s, u"b"_s}));
    SetCriteriaTexts(fields, dialog.Values());
    QCOMPARE(first, u"丙"_s);
    QVERIFY(second.isEmpty());
}

QTEST_MAIN(tst_CriteriaDlg)
#include "tst_criteriadlg.moc"
