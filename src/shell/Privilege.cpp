#include "shell/Privilege.h"

#include "base/ProgramFolder.h"
#include "ui/Prompt.h"

QString AccountFilePath() {
    return ProgramPath(QStringLiteral("data/account.ini"));
}

QString InsufficientRightsText() {
    return QStringLiteral("权限不足");
}

bool HasPrivilege(const QString& held, const QString& name, Prompt& prompt) {
    if (held.contains(name))
        return true;
    prompt.Message(InsufficientRightsText());
    return false;
}

bool IsAdmin(const QString& userName) {
    return userName == QLatin1String("admin");
}
