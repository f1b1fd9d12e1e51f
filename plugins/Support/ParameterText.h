#pragma once

#include <QString>

// The user name carried by the parameter text the program hands to an entry
// point: "UserName=" followed by the name's GBK bytes, letters and digits as
// they are and every other byte as %XX. "" when the text names no user.
QString UserNameFromParameter(const char* parameter);
