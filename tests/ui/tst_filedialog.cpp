// The program's file dialog shows folders and dates in Chinese, whatever
// Qt's translation and the system locale hold, and opens wide enough.

#include "ui/FileDialog.h"

#include <QAbstractProxyModel>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

class TestFileDialog : public QObject {
    Q_OBJECT

private slots:
    void foldersAndDatesInChinese();
};

void TestFileDialog::foldersAndDatesInChinese() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("备份")));
    FileDialog dialog(nullptr, FileDialog::Mode::Open, QStringLiteral("打开"), dir.path(),
                      QStringLiteral("所有文件 (*)"));
    QVERIFY(dialog.testOption(QFileDialog::DontUseNativeDialog));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(dialog.width() >= 640);

    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    QVERIFY(view && view->model());
    QAbstractItemModel* model = view->model();
    QModelIndex folder;
    QTRY_VERIFY((folder = model->index(0, 0, view->rootIndex())).isValid());
    QCOMPARE(folder.data().toString(), QStringLiteral("备份"));
    QCOMPARE(folder.siblingAtColumn(2).data().toString(), QStringLiteral("文件夹"));
    const QString date = folder.siblingAtColumn(3).data().toString();
    QCOMPARE(date,
             FileDialog::DateText(QFileInfo(dir.filePath(QStringLiteral("备份"))).lastModified()));
    QVERIFY(date.contains(QLatin1Char('-')) && date.size() == 16);
    // The date column is wide enough for its text.
    QVERIFY(view->header()->sectionSize(3) > view->fontMetrics().horizontalAdvance(date));
}

QTEST_MAIN(TestFileDialog)
#include "tst_filedialog.moc"
