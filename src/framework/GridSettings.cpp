#include "framework/GridSettings.h"

#include "base/IniFile.h"
#include "base/ProgramFolder.h"
#include "base/TextHelpers.h"
#include "ui/ColorRef.h"
#include "ui/GridCtrl.h"

#include <QDir>

namespace GridSettings {

namespace {

const QString kWidthFile = QStringLiteral("res/gridpos.ini");
const QString kWidthKey = QStringLiteral("ColumnWidth");
const QString kProfileFile = QStringLiteral("uiprofile.ini");
const QString kProfileSection = QStringLiteral("DataGrid");

} // namespace

bool ParseWidth(const QString& item, int& width) {
    const QString text = item.trimmed();
    qsizetype i = 0;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        ++i;
    if (i == text.size())
        return false;
    for (qsizetype j = i; j < text.size(); ++j) {
        if (text[j] < QLatin1Char('0') || text[j] > QLatin1Char('9'))
            return false;
    }
    // Only the sign and the size matter, so an overlong number is read as
    // far as it needs to be.
    const bool negative = text[0] == QLatin1Char('-');
    qint64 value = 0;
    for (qsizetype j = i; j < text.size() && value <= kMaxRestoredWidth; ++j)
        value = value * 10 + (text[j].unicode() - '0');
    if (negative)
        value = -value;
    if (value < 1)
        width = kMinRestoredWidth;
    else if (value > kMaxRestoredWidth)
        width = kMaxRestoredWidth;
    else
        width = int(value);
    return true;
}

int RestoreColumnWidths(CGridCtrl& grid, const QString& key) {
    IniFile ini;
    if (!ini.Load(ProgramPath(kWidthFile)))
        return 0;
    QStringList items;
    SplitText(ini.GetString(key, kWidthKey), QLatin1Char(','), items);
    int set = 0;
    for (int i = 0; i < items.size() && i < grid.GetColumnCount(); ++i) {
        int width = 0;
        if (ParseWidth(items[i], width) && grid.SetColumnWidth(i, width))
            ++set;
    }
    if (set > 0)
        grid.Refresh();
    return set;
}

bool SaveColumnWidths(const CGridCtrl& grid, const QString& key) {
    QDir().mkpath(ProgramPath(QStringLiteral("res")));
    const QString path = ProgramPath(kWidthFile);
    IniFile ini;
    ini.Load(path);
    QStringList widths;
    for (int i = 0; i < grid.GetColumnCount(); ++i)
        widths.append(QString::number(grid.GetColumnWidth(i)));
    ini.SetString(key, kWidthKey, widths.join(QLatin1Char(',')));
    return ini.Save(path);
}

void ApplyColors(CGridCtrl& grid) {
    quint32 back = kBackColor;
    quint32 fixed = kFixedColor;
    IniFile profile;
    if (profile.Load(ProgramPath(kProfileFile))) {
        const QString backText = profile.GetString(kProfileSection, QStringLiteral("BackColor"));
        if (!backText.isEmpty())
            back = quint32(AtoI(backText));
        const QString fixedText = profile.GetString(kProfileSection, QStringLiteral("FixedColor"));
        if (!fixedText.isEmpty())
            fixed = quint32(AtoI(fixedText));
    }
    grid.SetGridBkColor(ColorRef::ToColor(back));
    grid.SetFixedBkColor(ColorRef::ToColor(fixed));
}

} // namespace GridSettings
