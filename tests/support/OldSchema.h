#pragma once

class DbConnection;

// Turns a database made from today's schema script back into one of the
// first delivered version (no version table, none of the later tables,
// columns and indexes), as offices still have them; the rows stay. Each new
// upgrade step undoes its own additions here. False with the connection's
// last error when a statement fails.
bool MakeVersionOneDatabase(DbConnection& db);
