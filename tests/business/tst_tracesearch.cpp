#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"

#include "base/IniFile.h"
#include "business/TraceRowColours.h"
#include "business/TraceSearchDlg.h"
#include "business/TraceStatements.h"

#include <QDate>
#include <QLineEdit>
#include <QtTest>

class TestTraceSearch : public QObject {
    Q_OBJECT

private slots:
    // Typed text only ever becomes literals inside parenthesised conditions,
    // and the key box is read as its leading number.
    void criteriaKeepTypedTextInsideLiterals() {
        TraceCriteria criteria;
        criteria.keyId = QStringLiteral("12abc");
        criteria.time = QStringLiteral("2024-03");
        criteria.handler = QStringLiteral("li' or '1'='1");
        criteria.customerName = QStringLiteral("50%_--\nx");
        QCOMPARE(
            criteria.Conditions(QStringLiteral("PlanTime")),
            (QStringList{QStringLiteral("(KeyId=12)"), QStringLiteral("(PlanTime like '2024-03%')"),
                         QStringLiteral("(Handler = 'li'' or ''1''=''1')"),
                         QStringLiteral("(CustomerName like '%50%_--\nx%')")}));
        criteria = TraceCriteria();
        criteria.contact = QStringLiteral("王");
        criteria.title = QStringLiteral("'");
        QCOMPARE(criteria.Conditions(QStringLiteral("FDTime")),
                 (QStringList{QStringLiteral("(Contact like '%王%')"),
                              QStringLiteral("(Title like '%''%')")}));
        QVERIFY(TraceCriteria().Conditions(QStringLiteral("FDTime")).isEmpty());

        QCOMPARE(TraceCriteria::KeyNumber(QStringLiteral(" 007")), 7);
        QCOMPARE(TraceCriteria::KeyNumber(QStringLiteral("abc")), 0);
        QCOMPARE(TraceCriteria::KeyNumber(QStringLiteral("-3x")), -3);
        QCOMPARE(TraceCriteria::KeyNumber(QStringLiteral("99999999999")), 2147483647);
    }

    // The dialog shows the remembered criteria (an empty time as this month)
    // and writes all six back, contact under the key CONTACT.
    void dialogRemembersCriteria() {
        TempProgramFolder folder(false);
        QVERIFY(folder.IsValid());
        QVERIFY(folder.Write(QStringLiteral("data/trace_search.ini"),
                             QByteArray("[.]\r\ncontact=张\r\nTitle=回访\r\n")));
        ScriptedPrompt prompt;
        prompt.QueueModal([](QDialog& dialog) {
            auto& search = static_cast<CTraceSearchDlg&>(dialog);
            if (search.Field(QStringLiteral("Contact"))->text() != QStringLiteral("张") ||
                search.Field(QStringLiteral("FDTime"))->text() !=
                    QDate::currentDate().toString(QStringLiteral("yyyy-MM")))
                return int(QDialog::Rejected);
            search.Field(QStringLiteral("Handler"))->setText(QStringLiteral("li"));
            search.Field(QStringLiteral("FDTime"))->setText(QStringLiteral("2023-01"));
            search.OnOK();
            return search.result();
        });
        TraceCriteria criteria;
        QVERIFY(AskTraceCriteria(prompt, nullptr, criteria));
        QCOMPARE(criteria.handler, QStringLiteral("li"));
        QCOMPARE(criteria.title, QStringLiteral("回访"));

        IniFile saved;
        QVERIFY(saved.Load(CTraceSearchDlg::CriteriaFilePath()));
        QCOMPARE(saved.GetString(QStringLiteral("."), QStringLiteral("CONTACT")),
                 QStringLiteral("张"));
        QCOMPARE(saved.GetString(QStringLiteral("."), QStringLiteral("FDTime")),
                 QStringLiteral("2023-01"));
        QCOMPARE(saved.GetString(QStringLiteral("."), QStringLiteral("Handler")),
                 QStringLiteral("li"));
    }

    void rowColoursByDate() {
        const QString today = QStringLiteral("2024-03-01");
        const QString yesterday = QStringLiteral("2024-02-29");
        using namespace TraceRowColours;
        QCOMPARE(ForRecord(u"2024-03-01 08:00:00", today, yesterday), Today());
        QCOMPARE(ForRecord(u"2024-02-29 23:59:59", today, yesterday), Yesterday());
        QVERIFY(!ForRecord(u"2024-02-28 10:00:00", today, yesterday).isValid());
        QVERIFY(!ForRecord(u"", today, yesterday).isValid());
        QCOMPARE(ForPlan(u"2024-02-29 10:00:00", today), Overdue());
        QCOMPARE(ForPlan(u"2024-03-01", today), Today());
        QVERIFY(!ForPlan(u"2024-03-02 00:00:00", today).isValid());
        QCOMPARE(Today(), QColor(0xE0, 0xFF, 0xE0));
        QCOMPARE(Overdue(), QColor(0xFF, 0xE0, 0xE0));
    }

    void onlyWholeTimesAreTimes() {
        QVERIFY(TraceStatements::IsValidTime(QStringLiteral("2024-02-29 23:59:59")));
        for (const char* bad : {"2023-02-29 10:00:00", "2024-3-1 10:00:00", "2024-03-01",
                                "2024-03-01 24:00:00", "2024/03/01 10:00:00", "", "明天上午"})
            QVERIFY2(!TraceStatements::IsValidTime(QString::fromUtf8(bad)), bad);
    }
};

QTEST_MAIN(TestTraceSearch)
#include "tst_tracesearch.moc"
