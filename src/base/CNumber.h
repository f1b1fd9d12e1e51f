#pragma once

#include <QString>

// atof as the C library reads a number in the "C" locale: leading blanks, an
// optional sign, digits with one '.', an optional exponent; the longest such
// prefix counts and anything else gives 0.0. Written out because strtod follows
// the desktop's locale, where "12.5" can read as 12.
double AtoF(const QString& text);
