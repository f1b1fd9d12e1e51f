#pragma once

#include <QString>

// Passwords as UserData.UserPass keeps them: a salted Argon2id hash in
// libsodium's text form ("$argon2id$v=19$m=…,t=…,p=…$salt$hash"), which
// carries its own parameters, so stronger settings later still verify old
// hashes. A row of an older database may still hold the password itself.
namespace PasswordHash {

// A new hash of `password`; empty when the hash could not be made (out of
// memory).
QString Make(const QString& password);

// Whether `stored` is a hash rather than a password kept as it was typed.
bool IsHash(const QString& stored);

// Whether `password` is the one `stored` holds: hashed, or, in a row not yet
// rewritten, as plain text.
bool Verify(const QString& stored, const QString& password);

} // namespace PasswordHash
