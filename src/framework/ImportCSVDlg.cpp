#include "framework/ImportCSVDlg.h"

#include "base/CsvReader.h"
#include "framework/GridSettings.h"
#include "ui/GridCellCombo.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"
#include "ui/RowLayout.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QString EncodingName(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case TextEncoding::Utf8Bom:
        return QStringLiteral("UTF-8 (带BOM)");
    default:
        return QStringLiteral("GBK (简体中文)");
    }
}

} // namespace

CImportCSVDlg::CImportCSVDlg(Prompt& prompt, const QString& path, const FieldInfoList& targets,
                             TextEncoding encoding, const QString& settingsKey, QWidget* parent)
    : QDialog(parent), prompt_(prompt), path_(path), targets_(targets), encoding_(encoding),
      settingsKey_(settingsKey), grid_(new CGridCtrl(1, 2 + kPreviewRows, 1, 0, this)),
      encodingBox_(new QComboBox(this)), detected_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("导入数据"));
    setObjectName(QStringLiteral("CImportCSVDlg"));
    auto* pathEdit = new QLineEdit(path, this);
    pathEdit->setEnabled(false);
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    ok->setDefault(true);
    grid_->setObjectName(QStringLiteral("Grid"));
    encodingBox_->setObjectName(QStringLiteral("Encoding"));
    for (const TextEncoding option : {TextEncoding::Gbk, TextEncoding::Utf8})
        encodingBox_->addItem(EncodingName(option), int(option));
    // The detected encoding is what the user is told, even when he picks another.
    detected_->setText(QStringLiteral("自动检测为 %1").arg(EncodingName(encoding)));

    auto* layout = new RowLayout(this);
    layout->setContentsMargins(0, 5, 0, 0);
    layout->AddRow(20);
    layout->AddControl(new QLabel(QStringLiteral("数据源"), this), 60, true);
    layout->AddControl(pathEdit, 200);
    layout->AddGap(20);
    layout->AddControl(ok, 50, true);
    layout->AddGap(10);
    layout->AddControl(cancel, 50, true);
    layout->AddGap(10);
    layout->AddRow(22);
    layout->AddControl(new QLabel(QStringLiteral("文件编码"), this), 60, true);
    layout->AddControl(encodingBox_, 130, true);
    layout->AddGap(10);
    layout->AddControl(detected_, 200);
    layout->AddRow(200, false);
    layout->AddControl(grid_, 400);
    resize(560, 320);

    for (int i = 0; i < targets_.Count(); ++i)
        if (targets_.At(i).defaultText.isEmpty())
            offered_ << targets_.At(i).caption;

    grid_->SetEditable(true);
    grid_->SetListMode(true);
    grid_->SetItemText(0, SourceColumn, QStringLiteral("源字段"));
    grid_->SetItemText(0, TargetColumn, QStringLiteral("目标字段"));
    for (int k = 0; k < kPreviewRows; ++k)
        grid_->SetItemText(0, FirstPreviewColumn + k, QStringLiteral("第%1行").arg(k + 2));
    GridSettings::ApplyColors(*grid_);
    Load();
    grid_->AutoSizeColumns();
    GridSettings::RestoreColumnWidths(*grid_, settingsKey_);

    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(encodingBox_, &QComboBox::activated, this, [this](int index) {
        SetEncoding(TextEncoding(encodingBox_->itemData(index).toInt()));
    });
}

CImportCSVDlg::~CImportCSVDlg() {
    GridSettings::SaveColumnWidths(*grid_, settingsKey_);
}

void CImportCSVDlg::SetEncoding(TextEncoding encoding) {
    // A UTF-8 file keeps its BOM reading; the reader skips a BOM either way.
    encoding_ = encoding;
    Load();
}

void CImportCSVDlg::Load() {
    const TextEncoding shown = encoding_ == TextEncoding::Utf8Bom ? TextEncoding::Utf8 : encoding_;
    encodingBox_->setCurrentIndex(encodingBox_->findData(int(shown)));
    grid_->SetRowCount(1);
    CsvReader reader;
    QStringList names;
    if (!reader.Open(path_, encoding_) || reader.ReadRecord(names) == 0)
        return;
    std::vector<QStringList> preview;
    QStringList fields;
    while (int(preview.size()) < kPreviewRows && reader.ReadRecord(fields) > 0)
        preview.push_back(fields);

    grid_->SetRowCount(1 + int(names.size()));
    for (int i = 0; i < names.size(); ++i) {
        const int row = 1 + i;
        grid_->SetItemText(row, SourceColumn, names[i]);
        grid_->SetItemState(row, SourceColumn, CGridCell::GVIS_READONLY);
        grid_->SetCellType<CGridCellCombo>(row, TargetColumn);
        if (auto* combo = dynamic_cast<CGridCellCombo*>(grid_->GetCell(row, TargetColumn)))
            combo->SetOptions(QStringList{QString()} + offered_);
        const QString caption = targets_.CaptionOf(names[i].trimmed());
        grid_->SetItemText(row, TargetColumn, offered_.contains(caption) ? caption : QString());
        for (int k = 0; k < kPreviewRows; ++k) {
            const int col = FirstPreviewColumn + k;
            const QString value = k < int(preview.size()) && i < preview[size_t(k)].size()
                                      ? preview[size_t(k)][i]
                                      : QString();
            grid_->SetItemText(row, col,
                               QString(value).replace(QStringLiteral("\r\n"), QStringLiteral(" ")));
            grid_->SetItemState(row, col, CGridCell::GVIS_READONLY);
        }
    }
    grid_->update();
}

QStringList CImportCSVDlg::Mapping() const {
    QStringList mapping;
    for (int row = 1; row < grid_->GetRowCount(); ++row)
        mapping << grid_->GetItemText(row, TargetColumn).trimmed();
    return mapping;
}

bool CImportCSVDlg::OnOK() {
    const QStringList mapping = Mapping();
    QStringList seen;
    for (const QString& caption : mapping) {
        if (caption.isEmpty())
            continue;
        if (targets_.NameOf(caption).isNull()) {
            prompt_.Message(QStringLiteral("没有名为“%1”的目标字段").arg(caption));
            return false;
        }
        const QString name = targets_.NameOf(caption);
        if (seen.contains(name, Qt::CaseInsensitive)) {
            prompt_.Message(QStringLiteral("目标字段“%1”被选择了不止一次").arg(caption));
            return false;
        }
        seen << name;
    }
    if (seen.isEmpty()) {
        prompt_.Message(QStringLiteral("请至少为一个源字段选择目标字段"));
        return false;
    }
    accept();
    return true;
}
