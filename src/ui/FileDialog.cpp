#include "ui/FileDialog.h"

#include <QDateTime>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QScreen>
#include <QTreeView>

namespace {

// Columns of the dialog's detail view (QFileSystemModel's order).
enum Column { Name = 0, Size = 1, Type = 2, Modified = 3 };

// Qt's file model as the dialog shows it: a folder's type and the
// modification time in Chinese, whatever the translation or locale holds.
class ChineseFileModel final : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
            const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
            if (files && index.column() == Type && files->isDir(mapToSource(index)))
                return QStringLiteral("文件夹");
            if (files && index.column() == Modified)
                return FileDialog::DateText(files->lastModified(mapToSource(index)));
        }
        return QIdentityProxyModel::data(index, role);
    }
};

} // namespace

FileDialog::FileDialog(QWidget* parent, Mode mode, const QString& caption, const QString& directory,
                       const QString& filter)
    : QFileDialog(parent, caption, directory, filter) {
    setObjectName(QStringLiteral("FileDialog"));
    setOption(QFileDialog::DontUseNativeDialog);
    setViewMode(QFileDialog::Detail);
    if (mode == Mode::Save) {
        setAcceptMode(QFileDialog::AcceptSave);
        setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        setFileMode(QFileDialog::ExistingFile);
    }
    setProxyModel(new ChineseFileModel(this));
    QSize size(kWidth, kHeight);
    if (const QScreen* shown = parent ? parent->screen() : screen())
        size = size.boundedTo(shown->availableGeometry().size() - QSize(40, 40));
    resize(size);
}

QString FileDialog::DateText(const QDateTime& time) {
    return time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QString();
}

void FileDialog::showEvent(QShowEvent* event) {
    QFileDialog::showEvent(event);
    FitColumns();
}

// The size, type and date columns get the width of their texts; the name
// takes the rest.
void FileDialog::FitColumns() {
    auto* view = findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!view)
        return;
    const QFontMetrics metrics(view->font());
    const int pad = 3 * metrics.horizontalAdvance(QLatin1Char(' ')) + 16;
    QHeaderView* header = view->header();
    header->setStretchLastSection(false);
    header->resizeSection(Size, metrics.horizontalAdvance(QStringLiteral("1023.99 KiB")) + pad);
    header->resizeSection(Type, metrics.horizontalAdvance(QStringLiteral("Markdown 文档")) + pad);
    header->resizeSection(Modified,
                          metrics.horizontalAdvance(QStringLiteral("2024-05-01 10:20")) + pad);
    const int rest = view->viewport()->width() - header->sectionSize(Size) -
                     header->sectionSize(Type) - header->sectionSize(Modified);
    header->resizeSection(Name, std::max(rest, metrics.horizontalAdvance(QLatin1Char('M')) * 16));
}

QString FileDialog::Run() {
    return exec() == QDialog::Accepted && !selectedFiles().isEmpty() ? selectedFiles().constFirst()
                                                                     : QString();
}

QString FileDialog::GetOpenFileName(QWidget* parent, const QString& caption,
                                    const QString& directory, const QString& filter) {
    FileDialog dialog(parent, Mode::Open, caption, directory, filter);
    return dialog.Run();
}

QString FileDialog::GetSaveFileName(QWidget* parent, const QString& caption,
                                    const QString& directory, const QString& filter) {
    FileDialog dialog(parent, Mode::Save, caption, directory, filter);
    return dialog.Run();
}
