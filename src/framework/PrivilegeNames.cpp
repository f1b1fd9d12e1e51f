#include "framework/PrivilegeNames.h"

namespace PrivilegeNames {

QStringList KnownPrivileges() {
    return {QString::fromUtf8(AddOrder), QString::fromUtf8(PayWage), QString::fromUtf8(ManageTeam),
            QString::fromUtf8(PublishBulletin)};
}

} // namespace PrivilegeNames
