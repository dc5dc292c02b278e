#pragma once

#include <QLoggingCategory>
#include <QString>

// The category of the diagnostic lines: "kinolark.diagnostic", at the info level. Programs that keep their
// standard error for the user (the command line without --verbose) turn it off with
// QLoggingCategory::setFilterRules; QT_LOGGING_RULES turns it on again from outside.
Q_DECLARE_LOGGING_CATEGORY(kinolarkDiagnostic)

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
