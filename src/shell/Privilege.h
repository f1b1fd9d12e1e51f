#pragma once

#include <QString>

class Prompt;

// The two kinds of rights. The user named exactly "admin" may do everything;
// every other user holds the privilege text of the last successful login on
// this computer (data/account.ini [.] Privilege), tested by substring so the
// separator between names is free.

// True when the privilege text of the last login contains `name` anywhere;
// otherwise shows "权限不足" and returns false. The file is read at every call.
bool HasPrivilege(const QString& name, Prompt& prompt);

// The administrator test: an exact, case-sensitive comparison with "admin"
// ("Admin" is an ordinary user).
bool IsAdmin(const QString& userName);

// The message shown for a refused right.
QString InsufficientRightsText();

// data/account.ini of the program folder.
QString AccountFilePath();
