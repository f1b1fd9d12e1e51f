#pragma once

#include <QString>

// The gateway account of data/smsgate.ini (section "."): the server address
// handed to SMSAPI.so, the account and its password, and how many messages a
// campaign has under way at once. The password is a secret: the file is
// written readable by its owner only, and nothing here ever logs it.
struct SmsAccount {
    QString server;
    QString user;
    QString pass;
    QString signature;
    int parallel = kDefaultParallel;

    static constexpr int kDefaultParallel = 4;
    static constexpr int kMaxParallel = 16;

    static QString SettingsPath();
    static SmsAccount Read();
    // Writes the keys above and keeps the file's others (the gateway's
    // templates); false when the file could not be written.
    bool Save() const;
};
