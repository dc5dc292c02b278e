#pragma once

#include <QString>

// Plain diagnostic lines on standard error. Nothing parses them; they only have to be readable and must
// never carry a password.
class KLLog final {
public:
    static void log(const QString &line);

    // Replaces the password of every "user:password@" in the text, and every secret made known with
    // addSecret(), by "***".
    static QString redactCredentials(const QString &text);
    // A text that must never appear in a log line (a password handed to a script on its own).
    static void addSecret(const QString &secret);
};
