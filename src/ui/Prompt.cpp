#include "ui/Prompt.h"

QString Prompt::AppTitle() {
    return QStringLiteral("业务跟踪管理系统");
}
