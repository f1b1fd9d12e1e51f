#include "shell/Application.h"

#include "base/ProgramFolder.h"
#include "customer/CustomerDlg.h"
#include "framework/MobileLookup.h"
#include "net/TraceLog.h"
#include "shell/UserFolder.h"
#include "ui/Prompt.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace Application {

QString HomeFromArguments(const QStringList& arguments, const QString& environment) {
    const QString option = QStringLiteral("--home");
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == option && i + 1 < arguments.size())
            return arguments.at(i + 1);
        if (argument.startsWith(option + QLatin1Char('=')))
            return argument.mid(option.size() + 1);
    }
    return environment;
}

static void InstallQtTranslations(QApplication& app) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                         QStringLiteral("_"), folder))
        QApplication::installTranslator(translator);
    else
        delete translator;
}

// Prefer a font family that holds the Chinese glyphs, so the interface does
// not depend on the desktop's fallback configuration.
static void ChooseChineseFont(QApplication& app) {
    const QStringList families = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    for (const QString& wanted :
         {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")}) {
        if (families.contains(wanted)) {
            QFont font = QApplication::font();
            font.setFamilies({wanted});
            app.setFont(font);
            return;
        }
    }
}

QIcon Icon() {
    QIcon icon;
    icon.addFile(QStringLiteral(":/torvel/icons/torvel-32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/torvel/icons/torvel-256.png"), QSize(256, 256));
    return icon;
}

void Configure(QApplication& app) {
    QApplication::setApplicationName(Prompt::AppTitle());
    QApplication::setOrganizationName(QStringLiteral("Kestrine"));
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    InstallQtTranslations(app);
    ChooseChineseFont(app);
    QApplication::setWindowIcon(Icon());
}

bool ChooseProgramFolder(Prompt& prompt) {
    QString folder =
        HomeFromArguments(QApplication::arguments(), qEnvironmentVariable("TORVEL_HOME"));
    if (folder.isEmpty() && UserFolder::IsSharedInstallation(InstalledFolder())) {
        folder = UserFolder::Location();
        QString error;
        if (!UserFolder::Fill(InstalledFolder(), folder, error)) {
            prompt.Message(QStringLiteral("无法准备您的数据文件夹 %1:\r\n%2").arg(folder, error),
                           Prompt::AppTitle(), Prompt::Icon::Critical);
            return false;
        }
    }
    SetProgramFolder(folder);
    ConnectServices();
    return true;
}

void ConnectServices() {
    // The network layer sits below the program folder's helpers, so it is
    // told where trace.log lives; the customer form asks the configured
    // region service for a mobile number's province and city.
    TraceLog::Instance().SetPath(ProgramPath(QStringLiteral("trace.log")));
    SetMobileRegionLookup(LookupMobileRegion);
}

} // namespace Application
