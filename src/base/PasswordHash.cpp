#include "base/PasswordHash.h"

#include <sodium.h>

namespace PasswordHash {

namespace {

const QString kPrefix = QStringLiteral("$argon2id$");

bool Ready() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

} // namespace

QString Make(const QString& password) {
    if (!Ready())
        return QString();
    const QByteArray bytes = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    // The interactive limits (64 MiB, 2 passes) keep a login well under a
    // second on an office computer while making a stolen file costly to test.
    if (crypto_pwhash_str_alg(out, bytes.constData(), static_cast<unsigned long long>(bytes.size()),
                              crypto_pwhash_OPSLIMIT_INTERACTIVE,
                              crypto_pwhash_MEMLIMIT_INTERACTIVE,
                              crypto_pwhash_ALG_ARGON2ID13) != 0)
        return QString();
    return QString::fromLatin1(out);
}

bool IsHash(const QString& stored) {
    return stored.startsWith(kPrefix);
}

bool Verify(const QString& stored, const QString& password) {
    if (!IsHash(stored))
        return stored == password;
    if (!Ready())
        return false;
    const QByteArray hash = stored.toLatin1();
    const QByteArray bytes = password.toUtf8();
    return crypto_pwhash_str_verify(hash.constData(), bytes.constData(),
                                    static_cast<unsigned long long>(bytes.size())) == 0;
}

} // namespace PasswordHash
