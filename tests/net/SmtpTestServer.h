#pragma once

// The real SMTP server of the mail tests: aiosmtpd (aiosmtpd_server.py) run
// by the system's Python on a free port of 127.0.0.1, for the test's lifetime.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QThread>

class SmtpTestServer {
public:
    // mode: "plain", "plain-auth", "starttls" or "ssl"; the TLS modes need a
    // certificate and key. `script` defaults to the one beside the tests.
    explicit SmtpTestServer(const QString& mode, const QString& certificate = QString(),
                            const QString& key = QString(), bool keepMessages = true,
                            QString script = QString()) {
        if (script.isEmpty()) {
            script = qEnvironmentVariable("TORVEL_SOURCE_DIR") +
                     QStringLiteral("/tests/net/aiosmtpd_server.py");
        }
        QStringList arguments{script, mode, keepMessages ? dir_.path() : QStringLiteral("-")};
        if (!certificate.isEmpty()) {
            arguments << certificate << key;
        }
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral("/usr/bin/python3"), arguments);
        if (process_.waitForStarted(10000)) {
            while (!process_.canReadLine() && process_.waitForReadyRead(20000)) {
            }
            port_ = process_.readLine().trimmed().toInt();
        }
    }
    ~SmtpTestServer() {
        process_.kill();
        process_.waitForFinished(5000);
    }

    bool IsValid() const { return port_ > 0; }
    int Port() const { return port_; }

    // Message n as received (waits a little for the server to write it).
    QByteArray Message(int n) const { return Read(QStringLiteral("%1.eml").arg(n)); }
    // The server's own reading of message n: envelope, decoded subject, body
    // and attachments.
    QJsonObject Info(int n) const {
        return QJsonDocument::fromJson(Read(QStringLiteral("%1.json").arg(n))).object();
    }

    // How many messages the server has kept so far.
    int Count() const {
        return int(QDir(dir_.path()).entryList({QStringLiteral("*.json")}, QDir::Files).size());
    }

private:
    QByteArray Read(const QString& name) const {
        QFile file(dir_.filePath(name));
        for (int i = 0; i < 200 && !file.exists(); ++i) {
            QThread::msleep(25);
        }
        QThread::msleep(25); // the JSON is written right after the message
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
};
