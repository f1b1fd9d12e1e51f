#include "ScriptedPrompt.h"
#include "ui/ColorRef.h"
#include "ui/DrawnCheckBox.h"
#include "ui/HyperlinkLabel.h"
#include "ui/Picture.h"

#include <QEnterEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class DrawnControlsTest : public QObject {
    Q_OBJECT
private slots:
    void checkBoxTogglesOnEveryClick();
    void checkBoxHighlightsUnderTheMouse();
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
    QVERIFY(!box.isChecked());

    QTest::mouseClick(&box, Qt::LeftButton);
    QVERIFY(box.isChecked());
    // The caption is part of the control.
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(box.width() - 3, box.height() / 2));
    QVERIFY(!box.isChecked());
    QTest::keyClick(&box, Qt::Key_Space);
    QVERIFY(box.isChecked());
    QCOMPARE(commands.count(), 3);
    for (const auto& call : std::as_const(commands))
        QCOMPARE(call.at(0).toInt(), 8004);

    // A press that leaves the control before release is no click.
    QTest::mousePress(&box, Qt::LeftButton);
    QTest::mouseRelease(&box, Qt::LeftButton, {}, QPoint(box.width() + 20, 2));
    QVERIFY(box.isChecked());
    QCOMPARE(commands.count(), 3);
}

void DrawnControlsTest::checkBoxHighlightsUnderTheMouse() {
    DrawnCheckBox box(QStringLiteral("全部"));
    box.resize(box.sizeHint());
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    // The window may open under the pointer; start from the pointer outside.
    QEvent outside(QEvent::Leave);
    QApplication::sendEvent(&box, &outside);
    QVERIFY(!box.IsHot());
    const QImage cold = box.grab().toImage();

    QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), box.mapToGlobal(QPointF(4, 4)));
    QApplication::sendEvent(&box, &enter);
    QVERIFY(box.IsHot());
    QVERIFY(box.grab().toImage() != cold); // the box is drawn differently

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&box, &leave);
    QVERIFY(!box.IsHot());
    QCOMPARE(box.grab().toImage(), cold);
}

void DrawnControlsTest::linkOpensThroughThePrompt() {
    ScriptedPrompt prompt;
    HyperlinkLabel link(prompt, QStringLiteral("www.example.com"),
                        QStringLiteral("http://www.example.com/"));
    link.show();
    QVERIFY(QTest::qWaitForWindowExposed(&link));
    QCOMPARE(link.cursor().shape(), Qt::PointingHandCursor);
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

    // Set to notify, a click only sends the label's id.
    plain.SetControlId(6005);
    plain.SetNotify(true);
    QSignalSpy commands(&plain, &HyperlinkLabel::command);
    QTest::mouseClick(&plain, Qt::LeftButton);
    QCOMPARE(commands.count(), 1);
    QCOMPARE(commands.at(0).at(0).toInt(), 6005);
    QCOMPARE(prompt.shown.size(), 2);
}

void DrawnControlsTest::linkFailureNamesTheReason() {
    ScriptedPrompt prompt;
    prompt.urlOpens = false;
    QTemporaryDir dir;

    HyperlinkLabel link(prompt, QStringLiteral("主页"), QStringLiteral("http://www.example.com/"));
    QVERIFY(!link.Open());
    QCOMPARE(prompt.LastMessage(),
             QStringLiteral("Unable to open hyperlink:\n\nThere is no application associated\n"
                            "with the given filename extension."));
    QCOMPARE(prompt.shown.last().caption, Prompt::AppTitle());
    QVERIFY(!link.Visited());

    // A local file that is not there, or whose folder is not there either.
    link.SetTarget(dir.filePath(QStringLiteral("gone.txt")));
    link.Open();
    QCOMPARE(prompt.LastMessage(),
             QStringLiteral("Unable to open hyperlink:\n\nThe specified file was not found."));
    link.SetTarget(QStringLiteral("file://") + dir.filePath(QStringLiteral("no/such/gone.txt")));
    link.Open();
    QCOMPARE(prompt.LastMessage(),
             QStringLiteral("Unable to open hyperlink:\n\nThe specified path was not found."));
    QCOMPARE(prompt.Messages().size(), 3);

    // Codes the desktop never reports here still read sensibly.
    QCOMPARE(HyperlinkErrorText(1), QStringLiteral("Unknown Error (1) occurred."));
    QCOMPARE(HyperlinkErrorText(-7), QStringLiteral("Unknown Error (-7) occurred."));
    QCOMPARE(HyperlinkFailureCode(QStringLiteral("mailto:a@b.c")), 31);
    QCOMPARE(HyperlinkFailureCode(dir.path()), 31); // exists, nothing opened it
    QCOMPARE(HyperlinkFailureCode(QStringLiteral("/no/such/folder/x")), 3);
}

void DrawnControlsTest::coloursAndPictures() {
    // The system's colour values have red in the lowest byte.
    QCOMPARE(ColorRef::ToColor(0xF3CBCD), QColor(0xCD, 0xCB, 0xF3));
    QCOMPARE(ColorRef::FromColor(QColor(0xCD, 0xCB, 0xF3)), quint32(0xF3CBCD));
    quint32 value = 7;
    for (const char* bad : {"ff0000", "#", "#xyz"})
        QVERIFY2(!ColorRef::FromHtml(QLatin1String(bad), value) && value == 7, bad);
    QVERIFY(ColorRef::FromHtml(QStringLiteral(" #0x0000FFzz"), value));
    QCOMPARE(value, quint32(0xFF0000));

    // Pictures load by content from every format the program's pictures
    // come in; anything else is a null picture, not a crash.
    QTemporaryDir dir;
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(Qt::green);
    for (const char* format : {"BMP", "JPG", "ICO", "PNG"}) {
        const QString path =
            dir.filePath(QStringLiteral("p.") + QString::fromLatin1(format).toLower());
        QVERIFY2(image.save(path, format), format);
        QCOMPARE(LoadPicture(path).size(), QSize(8, 6));
    }
    // Qt writes no GIF: a one-pixel GIF89a made by hand.
    const QByteArray gif = QByteArray::fromHex("474946383961010001008000000000"
                                               "00ffffff"
                                               "21f90401000000002c00000000010001000002024401003b");
    QFile gifFile(dir.filePath(QStringLiteral("p.gif")));
    QVERIFY(gifFile.open(QIODevice::WriteOnly));
    gifFile.write(gif);
    gifFile.close();
    QCOMPARE(LoadPicture(gifFile.fileName()).size(), QSize(1, 1));
    // A picture saved under the wrong extension still loads.
    QVERIFY(
        QFile::copy(dir.filePath(QStringLiteral("p.png")), dir.filePath(QStringLiteral("q.jpg"))));
    QCOMPARE(LoadPicture(dir.filePath(QStringLiteral("q.jpg"))).size(), QSize(8, 6));
    QVERIFY(LoadPicture(dir.filePath(QStringLiteral("none.bmp"))).isNull());
    QVERIFY(LoadPicture(QString()).isNull());
}

QTEST_MAIN(DrawnControlsTest)
#include "tst_drawncontrols.moc"
