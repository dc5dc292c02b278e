#include "Model/Passwords/KLNetrcToken.h"

namespace {

constexpr QChar quote = QLatin1Char('"');
constexpr QChar backslash = QLatin1Char('\\');

bool isReadersBlank(QChar character) {
    return character == QLatin1Char(' ') || character == QLatin1Char('\t') ||
           character == QLatin1Char('\n') || character == QLatin1Char('\r');
}

} // namespace

bool KLNetrcToken::needsQuotes(const QString &value) {
    if (value.isEmpty() || value.startsWith(quote)) {
        return true;
    }
    for (const QChar character : value) {
        if (isReadersBlank(character) || character == backslash) {
            return true;
        }
    }
    return false;
}

QString KLNetrcToken::tokenForValue(const QString &value) {
    if (!needsQuotes(value)) {
        return value;
    }
    QString token = quote;
    for (const QChar character : value) {
        if (character == quote || character == backslash) {
            token += backslash;
        }
        token += character;
    }
    return token + quote;
}

QString KLNetrcToken::valueForToken(const QString &token) {
    if (!token.startsWith(quote)) {
        return token;
    }
    // Read as the downloader's reader does; only a token whose closing quote is its last character is one.
    QString value;
    for (qsizetype index = 1; index < token.size(); ++index) {
        QChar character = token.at(index);
        if (character == quote) {
            return index == token.size() - 1 ? value : token;
        }
        if (character == backslash && index + 1 < token.size()) {
            character = token.at(++index);
        }
        value += character;
    }
    return token; // never closed
}
