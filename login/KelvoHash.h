#pragma once

#include <QString>

// The stored form of a password: the MD5 digest (RFC 1321) of its Windows-1252 bytes,
// 32 upper-case hexadecimal digits, no salt.
QString PasswordHash(const QString& password);
