#pragma once

#include <QString>

class Prompt;

// The two kinds of rights. The user named exactly "admin" may do everything;
// every other user holds the privilege text of the UserData row that logged
// in, kept by the main frame for the run and tested by substring, so the
// separator between names is free. data/account.ini records the text too, but
// only as a note of the last login: that file is the user's to edit, so it
// grants nothing.

// True when `held` (the logged-in user's privilege text) contains `name`
// anywhere; shows nothing.
bool HoldsPrivilege(const QString& held, const QString& name);

// HoldsPrivilege, but a refusal shows "权限不足".
bool HasPrivilege(const QString& held, const QString& name, Prompt& prompt);

// The administrator test: an exact, case-sensitive comparison with "admin"
// ("Admin" is an ordinary user).
bool IsAdmin(const QString& userName);

// The message shown for a refused right.
QString InsufficientRightsText();

// data/account.ini of the program folder.
QString AccountFilePath();
