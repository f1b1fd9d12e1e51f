#pragma once

#include <QString>

// How the library reaches the gateway, read from data/smsgate.ini (section
// ".") in the folder the library itself was loaded from, which is the
// program folder. ServerURL is not read here: the program hands it over when
// it opens a session.
struct GatewaySettings {
    enum class Charset { Utf8, Gbk };

    QString method;      // "GET" or "POST"; empty: POST with a Body, else GET
    QString body;        // template of the request body, may be empty
    QString contentType; // empty: chosen from the body's kind
    QString signature;   // put in front of a text that lacks it
    QString successRule; // "json:<field>=<value>", "text:<prefix>" or a bare prefix
    QString errorField;  // JSON field whose text explains a refusal
    QString caFile;      // extra trusted certificates (PEM), for a company CA
    Charset charset = Charset::Utf8;
    int timeoutSeconds = 15;

    static constexpr int kDefaultTimeout = 15;
    static constexpr int kMaxTimeout = 300;

    // Reads the file; missing keys keep their defaults. A relative CaFile is
    // taken against `folder`.
    static GatewaySettings Read(const QString& iniPath, const QString& folder);
};

// The folder (with a trailing '/') of the file this library was loaded from.
QString LibraryFolder();
