#pragma once

#include <QWidget>

// The view of an office-work function that this module does not provide yet:
// a plain notice instead of an error, so the command still shows something.
class PendingView final : public QWidget {
    Q_OBJECT

public:
    explicit PendingView(const QString& functionName, QWidget* parent = nullptr);
};

struct PluginArgs;

// A record from an older program that lacks fields this module reads is
// refused rather than read past its end.
bool UsableArgs(const PluginArgs* args);

// A PendingView named after the entry point, or null for an unusable record.
QWidget* NewPendingView(const PluginArgs* args, const char* entry);
