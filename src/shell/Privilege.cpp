#include "shell/Privilege.h"

#include "base/ProgramFolder.h"
#include "ui/Prompt.h"

QString AccountFilePath() {
    return ProgramPath(QStringLiteral("data/account.ini"));
}

QString InsufficientRightsText() {
    return QStringLiteral("权限不足");
}

bool HoldsPrivilege(const QString& held, const QString& name) {
    return held.contains(name);
}

bool HasPrivilege(const QString& held, const QString& name, Prompt& prompt) {
    if (HoldsPrivilege(held, name))
        return true;
    prompt.Message(InsufficientRightsText());
    return false;
}

bool IsAdmin(const QString& userName) {
    return userName == QLatin1String("admin");
}
