#include "base/ProgramFolder.h"
#include "net/Gbk.h"
#include "ui/DrawnCheckBox.h"
#include "ui/PageDialog.h"
#include "ui/PageParser.h"
#include "ui/RowLayout.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

LayoutRow Row(int height, bool fixedHeight, std::vector<LayoutCell> cells, int spacing = -1) {
    LayoutRow row;
    row.height = height;
    row.fixedHeight = fixedHeight;
    row.spacing = spacing;
    row.cells = std::move(cells);
    return row;
}

LayoutCell Cell(int width, bool fixed = false, int height = -1) {
    LayoutCell cell;
    cell.width = width;
    cell.fixed = fixed;
    cell.height = height;
    return cell;
}

QString TagNames(const PageParse& page) {
    QStringList names;
    for (const PageTag& tag : page.tags)
        names.append(tag.name);
    return names.join(QLatin1Char(' '));
}

// A control's record section in one line: type, name, value and field.
QString Describe(const IniFile& record, int id) {
    QStringList keys;
    for (const char* key : {"ControlType", "Name", "Value", "field"})
        keys.append(record.GetString(QString::number(id), QLatin1String(key), u"-"_s));
    return keys.join(QLatin1Char('|'));
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class PageLayoutTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { SetProgramFolder(QString()); }

    void rowArithmetic();
    void rowLayoutFollowsResizes();
    void tagLanguage();
    void badPageText();
    void controlsAndTheirRecord();
    void emptyPage();
    void valuesAndClicks();
    void loadingPageFiles();
};

void PageLayoutTest::rowArithmetic() {
    // Two fixed rows and two flexible ones in a 300 x 200 area, spacing 2:
    // the rows need 20+30+10+10 plus four gaps = 78, so 122 spare pixels are
    // shared 61/61 by the flexible rows.
    std::vector<LayoutRow> rows = {Row(20, true, {Cell(50, true), Cell(30), Cell(40)}),
                                   Row(30, false, {Cell(100)}), Row(10, true, {}),
                                   Row(10, false, {Cell(10, true, 5), Cell(0)})};
    QCOMPARE(RowsExtent(rows, 2), QSize(126, 78));
    auto placed = ArrangeRows(rows, QRect(0, 0, 300, 200), 2);
    // Row 0: 50 + 30 + 40 + three gaps = 126, spare 174 split 87/87.
    QCOMPARE(placed[0][0], QRect(2, 2, 50, 20));
    QCOMPARE(placed[0][1], QRect(54, 2, 30 + 87, 20));
    QCOMPARE(placed[0][2], QRect(54 + 117 + 2, 2, 40 + 87, 20));
    QCOMPARE(placed[1][0], QRect(2, 24, 298, 30 + 61));
    QCOMPARE(placed[3][0], QRect(2, 24 + 91 + 2 + 10 + 2, 10, 5)); // fixed keeps its height
    QCOMPARE(placed[3][1].height(), 10 + 61);
    QCOMPARE(placed[3][1].bottom(), 199);

    // An odd spare share: the last flexible row and cell take the remainder.
    std::vector<LayoutRow> odd = {Row(0, false, {Cell(0), Cell(0), Cell(0)}), Row(0, false, {}),
                                  Row(0, false, {})};
    placed = ArrangeRows(odd, QRect(0, 0, 108, 106), 2);
    // Heights: 106 - 6 = 100 -> 33, 33, 34. Widths: 108 - 6 = 102 -> 34 each.
    QCOMPARE(placed[0][0].height(), 33);
    QCOMPARE(placed[0][2], QRect(74, 2, 34, 33));
    placed = ArrangeRows(odd, QRect(0, 0, 107, 107), 2);
    QCOMPARE(placed[0][1].width(), 33);
    QCOMPARE(placed[0][2].width(), 35);

    // Too small: nothing shrinks below its own size, the rest overflows.
    placed = ArrangeRows(rows, QRect(0, 0, 60, 40), 2);
    QCOMPARE(placed[0][1], QRect(54, 2, 30, 20));
    QCOMPARE(placed[1][0].height(), 30);
    QCOMPARE(placed[3][1].bottom(), 77);

    // A row's own spacing replaces the layout's above that row; the area's
    // origin moves everything.
    std::vector<LayoutRow> spaced = {Row(20, true, {Cell(10)}), Row(24, true, {Cell(10)}, 3)};
    QCOMPARE(RowsExtent(spaced, 2), QSize(12, 49));
    placed = ArrangeRows(spaced, QRect(10, 100, 12, 49), 2);
    QCOMPARE(placed[0][0], QRect(12, 102, 10, 20));
    QCOMPARE(placed[1][0], QRect(12, 125, 10, 24));
}

void PageLayoutTest::rowLayoutFollowsResizes() {
    QWidget host;
    auto* layout = new RowLayout(&host);
    auto* label = new QLabel(u"分类名称:"_s);
    auto* edit = new QLineEdit;
    auto* grid = new QWidget;
    layout->AddRow(24);
    layout->AddControl(label, 80, true);
    layout->AddControl(edit, 100);
    layout->AddGap(20);
    layout->AddRow(200, false);
    layout->AddControl(grid, 300);
    // The widest row is the grid's; the first needs 2+80+2+100+2+20 = 206.
    QCOMPARE(layout->ContentSize(), QSize(2 + 300, 2 + 24 + 2 + 200));

    host.resize(400, 300);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QCOMPARE(label->geometry(), QRect(2, 2, 80, 24));
    // The edit is the row's only flexible cell: all the spare width is its.
    QCOMPARE(edit->geometry(), QRect(84, 2, 400 - (2 + 80 + 2 + 2 + 20), 24));
    QCOMPARE(grid->geometry(), QRect(2, 28, 398, 300 - 28));
}

void PageLayoutTest::tagLanguage() {
    // Names are lower-cased, cut at 31 characters and end at a blank, ">"
    // or a "/" after their second character; closing tags keep their "/".
    PageParse page =
        ParsePage(u"<HTML>\n<Title>客户</TITLE><br/><BR>\n<font color=#ff0000>x</font >"
                  "<abcdefghijklmnopqrstuvwxyz0123456789 a=1><p/></body>"_s);
    QCOMPARE(TagNames(page), u"html title br br font /font "
                             "abcdefghijklmnopqrstuvwxyz01234 p/ /body"_s);
    QCOMPARE(page.tags[1].text, u"客户"_s);

    // Attributes quoted either way or not at all, bare ones, "/>" endings;
    // an element's text runs to its own closing tag, tags inside included;
    // options may go without theirs.
    page = ParsePage(
        u"<input type=\"text\" NAME='客户 名称' size=12 fixed field=CustomerName/>"
        "<span>a<b>bold</b></span><textarea rows=3>line1\nline2</TEXTAREA >"
        "<select name=pay><option>现金<option value=2> 转账 </option><OPTION>支票</select>"_s);
    QCOMPARE(TagNames(page), u"input span textarea select"_s);
    const PageTag& input = page.tags[0];
    QCOMPARE(input.Attribute(u"Name"_s), u"客户 名称"_s);
    QVERIFY(input.HasAttribute(u"fixed"_s));
    QCOMPARE(page.tags[1].text, u"a<b>bold</b>"_s);
    QCOMPARE(ParseOptions(page.tags[3].text), (QStringList{u"现金"_s, u"转账"_s, u"支票"_s}));
    QVERIFY(page.problems.isEmpty());

    // At most 1023 bytes of GBK: 600 Chinese characters are 1200 bytes.
    page = ParsePage(u"<span>"_s + QString(600, QChar(0x4E2D)) + u"</span>"_s);
    QCOMPARE(page.tags[0].text.size(), 511);
}

void PageLayoutTest::badPageText() {
    // Junk lines, a lone "<", a comment hiding a tag, an unclosed span, an
    // unterminated last tag: the good tags still come out, the rest is named.
    const PageParse page = ParsePage(
        u"这是一行说明 a < b\n<!-- <br> -->\n<span name=a>没有结束<br>\nxx >> yy\n<input name=b"_s);
    QCOMPARE(TagNames(page), u"span br"_s);
    QCOMPARE(page.tags[0].text, u"没有结束"_s);
    QCOMPARE(page.problems.size(), 2);
    QVERIFY(page.problems[0].contains(u"第3行"_s));
    QVERIFY(page.problems[0].contains(u"</span>"_s));
    QVERIFY(page.problems[1].contains(u"第5行"_s));

    // Unknown tags and input types are skipped and reported; the page is
    // still built, without spending control ids on them.
    CPageDialog dialog;
    dialog.LoadText(u"<table><tr><td><input type=radio name=r><span name=s>x</span>"
                    "</td></tr></table><input type=text name=t"_s);
    QCOMPARE(dialog.Record().GetString(u"8001"_s, u"Name"_s), u"s"_s);
    QStringList sections;
    QCOMPARE(dialog.Record().GetSections(sections), 1);
    QCOMPARE(dialog.Problems().size(), 5);
    // Problems of the text come first, then those of the tags.
    QVERIFY(dialog.Problems().at(0).contains(u"<input"_s));
    QVERIFY(dialog.Problems().at(4).contains(u"radio"_s));
}

void PageLayoutTest::controlsAndTheirRecord() {
    CPageDialog dialog;
    dialog.LoadText(
        u"<title> 客户回访 </title>"
        "<span>姓名</span><span>电话</span><input name=phone value=123 size=15 field=Phone>"
        "<br><input type=submit value=确定><input type=reset value=取消>"
        "<input type=button name=more value=更多><input type=checkbox name=vip value=1 "
        "title=重要客户>"
        "<br><textarea name=memo rows=4 fixed field=Memo>备注</textarea>"
        "<select name=pay field=Bank><option>现金</option><option>转账</option></select><input>"_s);
    QCOMPARE(dialog.windowTitle(), u"客户回访"_s);
    const IniFile& record = dialog.Record();
    QStringList sections;
    record.GetSections(sections);
    QCOMPARE(sections.join(QLatin1Char(' ')), u"8001 8002 8003 1 2 8004 8005 8006 8007 8008"_s);
    // Two unnamed spans still get consecutive ids; submit and reset take 1
    // and 2 without using one; "field" is there only when the page gives it.
    QCOMPARE(Describe(record, 8001), u"Label||姓名|-"_s);
    QCOMPARE(Describe(record, 8003), u"Edit|phone|123|Phone"_s);
    QCOMPARE(Describe(record, 1), u"Button||确定|-"_s);
    QCOMPARE(Describe(record, 8005), u"CheckBox|vip|1|-"_s);
    QCOMPARE(Describe(record, 8006), u"Edit|memo|备注|Memo"_s);
    QCOMPARE(Describe(record, 8007), u"ComboBox|pay||Bank"_s);
    QCOMPARE(Describe(record, 8008), u"Edit|||-"_s);

    // Rows: the first is 20 high, every <br> adds one of 24 three pixels
    // below; the four-line text area makes its row 80 high.
    RowLayout* layout = dialog.Layout();
    QCOMPARE(layout->RowCount(), 3);
    QCOMPARE(dialog.width(), 500);
    QCOMPARE(dialog.height(), 2 + 20 + 3 + 24 + 3 + 80 + 30);

    // Widths: spans 80, the edit 15 x 8, all stretched over the spare width
    // of their 500-pixel row; the fixed text area keeps 100 x 80.
    const int spare = 500 - (2 + 80 + 2 + 80 + 2 + 120);
    QCOMPARE(dialog.Control(8001)->geometry(), QRect(2, 2, 80 + spare / 3, 20));
    QCOMPARE(dialog.Control(8003)->width(), 120 + spare - 2 * (spare / 3));
    QCOMPARE(dialog.Control(8003)->geometry().right(), 499);
    QCOMPARE(dialog.Control(8006)->geometry(), QRect(2, 52, 100, 80));
}

void PageLayoutTest::emptyPage() {
    CPageDialog dialog;
    dialog.LoadText(u"只有文字, 没有标记\n第二行"_s);
    QCOMPARE(dialog.width(), 500);
    QCOMPARE(dialog.height(), 2 + 20 + 30);
    QCOMPARE(dialog.Layout()->RowCount(), 1);
}

void PageLayoutTest::valuesAndClicks() {
    CPageDialog dialog;
    dialog.LoadText(
        u"<input name=phone><input type=checkbox name=vip title=VIP><textarea name=memo>"
        "</textarea><select name=pay><option>现金<option>转账支票<option>转账</select>"
        "<span name=caption>标题</span><input type=button value=查找><input type=submit>"
        "<input type=reset>"_s);
    QSignalSpy commands(&dialog, &CPageDialog::command);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    QCOMPARE(dialog.SetValue(u"phone"_s, u"010-1234"_s), 1);
    QCOMPARE(dialog.GetValue(u"phone"_s), u"010-1234"_s);

    // Names compare exactly; an unknown name goes into section ".".
    QCOMPARE(dialog.SetValue(u"Phone"_s, u"x"_s), 0);
    QCOMPARE(dialog.Record().GetString(u"."_s, u"Phone"_s), u"x"_s);
    QCOMPARE(dialog.GetValue(u"phone"_s), u"010-1234"_s);

    // What the user changes is in the record at once.
    auto* edit = qobject_cast<QLineEdit*>(dialog.Control(8001));
    edit->clear();
    QTest::keyClicks(edit, u"13900"_s);
    QCOMPARE(dialog.GetValue(u"phone"_s), u"13900"_s);

    // Check boxes and plain buttons report their clicks with their ids.
    QCOMPARE(dialog.SetValue(u"vip"_s, u"1"_s), 1);
    auto* box = qobject_cast<DrawnCheckBox*>(dialog.Control(8002));
    QTest::mouseClick(box, Qt::LeftButton);
    QCOMPARE(dialog.GetValue(u"vip"_s), u"0"_s);
    QTest::mouseClick(dialog.Control(8006), Qt::LeftButton);
    QCOMPARE(commands.count(), 2);
    QCOMPARE(commands.at(0).at(0).toInt(), 8002);
    QCOMPARE(commands.at(1).at(0).toInt(), 8006);

    // A list shows the exact entry, else the first that begins with the
    // text; the record keeps the text as given.
    auto* list = qobject_cast<QComboBox*>(dialog.Control(8004));
    dialog.SetValue(u"pay"_s, u"转"_s);
    QCOMPARE(list->currentText(), u"转账支票"_s);
    QCOMPARE(dialog.GetValue(u"pay"_s), u"转"_s);
    dialog.SetValue(u"pay"_s, u"信用卡"_s);
    QCOMPARE(list->currentIndex(), -1);
    QCOMPARE(dialog.GetValue(u"pay"_s), u"信用卡"_s);

    // Reset cancels, submit accepts.
    QTest::mouseClick(dialog.Control(CPageDialog::kCancelId), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    dialog.show();
    QTest::mouseClick(dialog.Control(CPageDialog::kOkId), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(commands.count(), 2);
}

void PageLayoutTest::loadingPageFiles() {
    QTemporaryDir home;
    QVERIFY(home.isValid());
    SetProgramFolder(home.path());
    QVERIFY(QDir(home.path()).mkdir(u"res"_s));

    CPageDialog dialog;
    QVERIFY(!dialog.Load(u"missing.htm"_s));
    QVERIFY(dialog.LastError().contains(u"res/missing.htm"_s));
    QStringList sections;
    QCOMPARE(dialog.Record().GetSections(sections), 0);

    // Page files are GBK as written on the old desktops; UTF-8 reads too.
    const QString page = u"<title>客户</title><span name=名称>客户名称</span>"
                         "<img src=nothing.gif>"_s;
    QVERIFY(WriteFile(home.filePath(u"res/gbk.htm"_s), Gbk::Encode(page)));
    QVERIFY(WriteFile(home.filePath(u"res/utf8.htm"_s), page.toUtf8()));
    for (const QString& file : {u"gbk.htm"_s, u"utf8.htm"_s}) {
        QVERIFY2(dialog.Load(file), qPrintable(dialog.LastError()));
        QCOMPARE(dialog.windowTitle(), u"客户"_s);
        QCOMPARE(dialog.GetValue(u"名称"_s), u"客户名称"_s);
        QCOMPARE(dialog.Problems().size(), 1);
        QVERIFY(dialog.Problems().at(0).contains(u"res/nothing.gif"_s));
    }

    // The sample page delivered with the program builds without a problem.
    SetProgramFolder(qEnvironmentVariable("TORVEL_SOURCE_DIR") + u"/app-data"_s);
    QVERIFY2(dialog.Load(u"page_sample.htm"_s), qPrintable(dialog.LastError()));
    QVERIFY2(dialog.Problems().isEmpty(), qPrintable(dialog.Problems().join(QLatin1Char('\n'))));
    QVERIFY(dialog.Control(CPageDialog::kOkId));
}

QTEST_MAIN(PageLayoutTest)
#include "tst_pagelayout.moc"
