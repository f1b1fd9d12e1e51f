#include "ScriptedPrompt.h"
#include "ui/ColorRef.h"
#include "ui/DrawnCheckBox.h"
#include "ui/HyperlinkLabel.h"
#include "ui/Picture.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class DrawnControlsTest : public QObject {
    Q_OBJECT
private slots:
    void checkBoxTogglesOnEveryClick();
    void linkOpensThroughThePrompt();
    void linkFailureNamesTheReason();
    void coloursAndPictures();
};

void DrawnControlsTest::checkBoxTogglesOnEveryClick() {
    DrawnCheckBox box(QStringLiteral("需要制定跟踪计划"));
    box.SetControlId(8004);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QSignalSpy commands(&box, &DrawnCheckBox::command);

    QTest::mouseClick(&box, Qt::LeftButton);
    QVERIFY(box.isChecked());
    // The caption is part of the control.
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(box.width() - 3, box.height() / 2));
    QVERIFY(!box.isChecked());
    QTest::keyClick(&box, Qt::Key_Space);
    QVERIFY(box.isChecked());
    QCOMPARE(commands.count(), 3);
    QCOMPARE(commands.at(2).at(0).toInt(), 8004);

    // A press that leaves the control before release is no click.
    QTest::mousePress(&box, Qt::LeftButton);
    QTest::mouseRelease(&box, Qt::LeftButton, {}, QPoint(box.width() + 20, 2));
    QVERIFY(box.isChecked());
    QCOMPARE(commands.count(), 3);
}

void DrawnControlsTest::linkOpensThroughThePrompt() {
    ScriptedPrompt prompt;
    HyperlinkLabel link(prompt, QStringLiteral("www.example.com"),
                        QStringLiteral("http://www.example.com/"));
    link.show();
    QVERIFY(QTest::qWaitForWindowExposed(&link));
    QVERIFY(!link.Visited());

    QTest::mouseClick(&link, Qt::LeftButton);
    QCOMPARE(prompt.shown.size(), 1);
    QCOMPARE(prompt.shown.at(0).kind, ScriptedPrompt::Shown::Kind::Url);
    QCOMPARE(prompt.shown.at(0).text, QStringLiteral("http://www.example.com/"));
    QVERIFY(prompt.Messages().isEmpty());
    QVERIFY(link.Visited());

    // Without a target the text is the link; released outside is no click.
    HyperlinkLabel plain(prompt, QStringLiteral("mailto:support@example.com"));
    plain.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plain));
    QTest::mousePress(&plain, Qt::LeftButton);
    QTest::mouseRelease(&plain, Qt::LeftButton, {}, QPoint(-5, -5));
    QCOMPARE(prompt.shown.size(), 1);
    QTest::keyClick(&plain, Qt::Key_Return);
    QCOMPARE(prompt.shown.size(), 2);
    QCOMPARE(prompt.shown.at(1).text, QStringLiteral("mailto:support@example.com"));
}

void DrawnControlsTest::linkFailureNamesTheReason() {
    ScriptedPrompt prompt;
    prompt.urlOpens = false;
    QTemporaryDir dir;

    HyperlinkLabel link(prompt, QStringLiteral("主页"), QStringLiteral("http://www.example.com/"));
    QVERIFY(!link.Open());
    QCOMPARE(prompt.LastMessage(), QStringLiteral("无法打开链接:\n\n没有与此链接关联的应用程序。"));
    QCOMPARE(prompt.shown.last().caption, Prompt::AppTitle());
    QVERIFY(!link.Visited());

    // A local file that is not there, or whose folder is not there either.
    link.SetTarget(dir.filePath(QStringLiteral("gone.txt")));
    link.Open();
    QCOMPARE(prompt.LastMessage(), QStringLiteral("无法打开链接:\n\n找不到指定的文件。"));
    link.SetTarget(QStringLiteral("file://") + dir.filePath(QStringLiteral("no/such/gone.txt")));
    link.Open();
    QCOMPARE(prompt.LastMessage(), QStringLiteral("无法打开链接:\n\n找不到指定的路径。"));
    QCOMPARE(prompt.Messages().size(), 3);
}

void DrawnControlsTest::coloursAndPictures() {
    // The system's colour values have red in the lowest byte.
    QCOMPARE(ColorRef::ToColor(0xF3CBCD), QColor(0xCD, 0xCB, 0xF3));
    QCOMPARE(ColorRef::FromColor(QColor(0xCD, 0xCB, 0xF3)), quint32(0xF3CBCD));

    // Pictures load by content, whatever their extension says.
    QTemporaryDir dir;
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(Qt::green);
    QVERIFY(image.save(dir.filePath(QStringLiteral("q.jpg")), "PNG"));
    QCOMPARE(LoadPicture(dir.filePath(QStringLiteral("q.jpg"))).size(), QSize(8, 6));
    QVERIFY(LoadPicture(dir.filePath(QStringLiteral("none.bmp"))).isNull());
}

QTEST_MAIN(DrawnControlsTest)
#include "tst_drawncontrols.moc"
