#pragma once

#include <cstdint>

class DbConnection;
class Prompt;
class QWidget;

// The record handed to every entry point of a plug-in module. It is kept plain
// (no Qt or standard-library objects) so that a module built separately from
// the program reads it the same way: the program fills every field, a module
// checks `size` before reading a field that a later version may have appended,
// and new fields are only ever added at the end.
extern "C" {

struct PluginArgs {
    // sizeof(PluginArgs) as the program built it.
    std::uint32_t size;
    // PluginArgsVersion of the program that built the record.
    std::uint32_t version;
    // The parameter text as GBK bytes, zero-terminated, never null: either
    // "UserName=" followed by the percent-encoded user name, or "".
    const char* parameter;
    // The program's shared connection; the module reads and writes the same
    // database through it (DbRecordset, Execute). A module carries its own
    // private copy of the database code, built from the same sources, so the
    // object is read the same way on both sides; but that copy's process-wide
    // state (connection names, the program folder) is not the program's, so a
    // module must not open connections of its own. The record lives only
    // during the call, the connection for the whole run: a view may keep it.
    DbConnection* connection;

    // Appended in version 2. The program's prompt seam: a module shows every
    // message, question, file dialog and modal form through it, like the
    // program's own views, so the same scripted answers drive both in tests.
    Prompt* prompt;
    // The logged-in user's name and privilege text (read from that user's row
    // at login), UTF-8, zero-terminated, never null; "" before any login.
    // Given to every entry, whatever its parameter text says, so a module asks
    // the program about rights instead of reading them itself.
    const char* userName;
    const char* privilege;
    // The program folder (--home, TORVEL_HOME or a per-user folder), UTF-8,
    // ending with '/'. A module's own copy of the folder code knows only the
    // executable's folder; the context sets it from here, so a module reads
    // and writes the same settings files as the program.
    const char* programFolder;
};

// Every entry point has this shape: it returns a new top-level widget (no
// parent) that the program's view host then owns and deletes, or null.
typedef QWidget* (*PluginEntry)(const PluginArgs* args);

} // extern "C"

constexpr std::uint32_t PluginArgsVersion = 2;

// Marks a module's entry points as exported, whatever visibility the module is
// built with.
#if defined(__GNUC__)
#define TORVEL_PLUGIN_ENTRY extern "C" __attribute__((visibility("default")))
#else
#define TORVEL_PLUGIN_ENTRY extern "C"
#endif
