#pragma once

#include <QString>

// How mass e-mail is sent, in data/mailtask.ini (section "."): PerMinute,
// the most messages started in a minute (0 for no limit, for a provider that
// throttles); Connections, how many messages are under way at once (each on
// its own connection); Timeout, the seconds each server reply may take. The
// account itself is the program's email.ini (MailSettings).
struct MailSendSettings {
    int perMinute = 0;
    int connections = kDefaultConnections;
    int timeoutSeconds = kDefaultTimeout;

    static constexpr int kDefaultConnections = 4;
    static constexpr int kMaxConnections = 16;
    static constexpr int kDefaultTimeout = 60;
    static constexpr int kMaxPerMinute = 100000;

    static QString SettingsPath();
    // Missing file or keys give the defaults; values out of range are kept
    // within it.
    static MailSendSettings Read();
    // False when the file could not be written.
    bool Save() const;
};
