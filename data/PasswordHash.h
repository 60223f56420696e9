#pragma once

#include <QString>

// Passwords are stored only as salted one-way hashes (Argon2id, "$argon2id$..." strings).
namespace txl::password {

QString hash(const QString &password);
bool verify(const QString &storedHash, const QString &password);

}   // namespace txl::password
