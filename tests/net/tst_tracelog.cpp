#include "net/TraceLog.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

using namespace Qt::StringLiterals;

class TestTraceLog : public QObject {
    Q_OBJECT

private slots:
    void appendsWholeLines();
    void emptyTextAndUnwritablePath();
};

void TestTraceLog::appendsWholeLines() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"trace.log"_s);
    {
        QFile earlier(path);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("from the last run\r\n");
    }
    // Two logs on the same file stand for two running copies of the program.
    TraceLog first;
    TraceLog second;
    first.SetPath(path);
    second.SetPath(path);
    const auto writer = [](TraceLog& log, char letter) {
        for (int i = 0; i < 2000; ++i) {
            log.Write(QByteArray(100, letter) + "\r\n");
        }
    };
    std::thread a(writer, std::ref(first), 'a');
    std::thread b(writer, std::ref(second), 'b');
    a.join();
    b.join();
    first.Close();
    first.Write(TraceLog::ThreadLine("CHttpClient::Request read ok"));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 1 + 4000 + 1 + 1);
    QCOMPARE(lines.first(), QByteArray("from the last run\r"));
    int as = 0;
    for (qsizetype i = 1; i <= 4000; ++i) {
        QVERIFY(lines[i] == QByteArray(100, 'a') + '\r' || lines[i] == QByteArray(100, 'b') + '\r');
        as += lines[i].startsWith('a');
    }
    QCOMPARE(as, 2000);
    QVERIFY(QRegularExpression(u"^[0-9a-f]{8} CHttpClient::Request read ok\r$"_s)
                .match(QString::fromLatin1(lines[4001]))
                .hasMatch());
}

void TestTraceLog::emptyTextAndUnwritablePath() {
    QTemporaryDir dir;
    TraceLog log;
    log.SetPath(dir.filePath(u"trace.log"_s));
    QCOMPARE(log.Write(QByteArray()), 1);
    QVERIFY(QFile::exists(dir.filePath(u"trace.log"_s)));
    QCOMPARE(QFile(dir.filePath(u"trace.log"_s)).size(), 0);

    log.SetPath(dir.filePath(u"missing/trace.log"_s));
    QCOMPARE(log.Write("x\r\n"), 0);
    QVERIFY(!log.Open());
}

QTEST_GUILESS_MAIN(TestTraceLog)
#include "tst_tracelog.moc"
